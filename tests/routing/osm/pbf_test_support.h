#ifndef TESTS_ROUTING_OSM_PBF_TEST_SUPPORT_H
#define TESTS_ROUTING_OSM_PBF_TEST_SUPPORT_H

#include "routing/osm/tag_map.h"

#include <string>
#include <string_view>
#include <vector>

// Writes the bytes to a file of that name in a folder of this test program, removed when the program ends;
// returns the file's path.
std::string write_test_file(const std::string &name, std::string_view bytes);

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

// Ring blocks for the small files of the tests: a full-size read reserves 768 MiB, which the sanitizers make slow.
constexpr unsigned small_block_size = 1 << 16;

// Standard output of a shell command; throws when the command fails.
std::string run_command(const std::string &command);

// Has osmium convert OPL text to a PBF test file in the given output format (for instance "pbf,pbf_compression=none"),
// sorting it when asked. Returns the PBF's path.
std::string opl_to_pbf(const std::string &name, const std::string &opl, const std::string &format, bool sort = false);

// Reads the file with the unordered read and compares every element in file order (id, position to 1e-7 degrees,
// tags, node ids, members) with what `osmium cat` prints. Returns "N nodes, N ways, N relations" when all agree,
// otherwise the first difference.
std::string compare_with_osmium(const std::string &pbf, unsigned block_size);

#endif
