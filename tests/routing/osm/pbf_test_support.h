#ifndef TESTS_ROUTING_OSM_PBF_TEST_SUPPORT_H
#define TESTS_ROUTING_OSM_PBF_TEST_SUPPORT_H

#include "routing/osm/tag_map.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A folder under the system's temporary folder, removed with its content.
class TemporaryFolder
{
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder &) = delete;
    TemporaryFolder &operator=(const TemporaryFolder &) = delete;

    std::string path(const std::string &name) const { return folder + "/" + name; }
    // Writes the bytes to a file of that name and returns its path.
    std::string write(const std::string &name, std::string_view bytes) const;

private:
    std::string folder;
};

// A TagMap built from "key=value,key=value" (empty: no tags), with the texts
// it points to.
class TestTags
{
public:
    explicit TestTags(const std::string &list);
    explicit TestTags(const std::vector<std::pair<std::string, std::string>> &tags);
    const Routing::TagMap &map() const { return tag_map; }

private:
    std::vector<std::string> texts;
    Routing::TagMap tag_map;
};

// Ring blocks for reading the small files of the tests: a full-size read
// reserves 768 MiB, which the sanitizers make slow.
constexpr unsigned small_block_size = 1 << 16;

// Runs a shell command and returns its standard output; fails the test (by
// throwing) when the command fails.
std::string run_command(const std::string &command);

// One OSM element as osmium prints it in OPL, or as the decoder delivers it.
struct OsmElement
{
    char kind = 'n';
    uint64_t id = 0;
    double latitude = 0;
    double longitude = 0;
    std::vector<std::pair<std::string, std::string>> tags;
    std::vector<uint64_t> node_ids;
    // Member type letter ('n', 'w', 'r'), id and role.
    struct Member
    {
        char type;
        uint64_t id;
        std::string role;
        bool operator==(const Member &) const = default;
    };
    std::vector<Member> members;
};

// Parses osmium's OPL output without metadata.
std::vector<OsmElement> parse_opl(const std::string &text);

// Writes OPL text and has osmium convert it to PBF with the given output
// format options (for instance "pbf,pbf_compression=none"); `sort` runs
// "osmium sort" instead of "osmium cat". Returns the PBF's path.
std::string opl_to_pbf(const TemporaryFolder &folder, const std::string &name, const std::string &opl,
                       const std::string &format, bool sort = false);

// The elements of a PBF file as osmium reads them.
std::vector<OsmElement> osmium_elements(const std::string &pbf);

// Reads the file with the unordered read and compares every element in file
// order with `expected`; returns the differences found (at most a few).
std::vector<std::string> compare_unordered_read(const std::string &pbf, const std::vector<OsmElement> &expected,
                                                unsigned block_size);

// Protocol-buffer and PBF framing builders for hand-made files.
namespace pbf {
std::string varint(uint64_t value);
uint64_t zigzag(int64_t value);
std::string packed(const std::vector<uint64_t> &values);
std::string field(uint64_t number, uint64_t value);
std::string field(uint64_t number, std::string_view content);
// Length, BlobHeader of this type and data size, and the blob bytes.
std::string frame(std::string_view type, std::string_view blob);
std::string raw_blob(std::string_view content);
std::string zlib_stream(std::string_view content);
std::string zlib_blob(std::string_view content);
// An OSMHeader frame as osmium writes one, uncompressed.
std::string header_frame();
// An OSMData frame holding this PrimitiveBlock, uncompressed.
std::string data_frame(std::string_view block);
// A PrimitiveBlock with this string table (string 0 is the empty string) and
// one group.
std::string block(const std::vector<std::string> &strings, std::string_view group);
} // namespace pbf

#endif
