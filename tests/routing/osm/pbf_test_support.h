#ifndef TESTS_ROUTING_OSM_PBF_TEST_SUPPORT_H
#define TESTS_ROUTING_OSM_PBF_TEST_SUPPORT_H

#include "routing/osm/tag_map.h"

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
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

// A TagMap built from "key=value,key=value" (empty: no tags), with the texts it points to.
class TestTags
{
public:
    explicit TestTags(const std::string &list);
    const Routing::TagMap &map() const { return tag_map; }

private:
    std::vector<std::string> texts;
    Routing::TagMap tag_map;
};

// The text of the std::exception the function throws, or "" when it returns.
template <typename Function> std::string error_of(Function &&function)
{
    try {
        function();
    } catch (const std::exception &error) {
        return error.what();
    }
    return "";
}

// Standard output of a shell command; throws when the command fails.
std::string run_command(const std::string &command);

// Has osmium convert OPL text to PBF in the given output format (for instance "pbf,pbf_compression=none"), sorting
// it when asked. Returns the PBF's path.
std::string opl_to_pbf(const TemporaryFolder &folder, const std::string &name, const std::string &opl,
                       const std::string &format, bool sort = false);

// Protocol-buffer and PBF framing builders for hand-made files.
namespace pbf {
std::string varint(uint64_t value);
inline uint64_t zigzag(int64_t value) { return static_cast<uint64_t>(value) << 1 ^ static_cast<uint64_t>(value >> 63); }
std::string packed(const std::vector<uint64_t> &values);
inline std::string field(uint64_t number, uint64_t value) { return varint(number << 3) + varint(value); }
std::string field(uint64_t number, std::string_view content);
// Length, BlobHeader of this type and data size, and the blob bytes.
std::string frame(std::string_view type, std::string_view blob);
std::string zlib_stream(std::string_view content);
// An OSMHeader frame as osmium writes one, and an OSMData frame holding this block, both uncompressed.
std::string header_frame();
inline std::string data_frame(std::string_view block) { return frame("OSMData", field(1, block) + field(2, block.size())); }
// A PrimitiveBlock with this string table (string 0 is the empty string) and one group.
std::string block(const std::vector<std::string> &strings, std::string_view group);
} // namespace pbf

#endif
