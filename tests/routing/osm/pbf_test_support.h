#ifndef TESTS_ROUTING_OSM_PBF_TEST_SUPPORT_H
#define TESTS_ROUTING_OSM_PBF_TEST_SUPPORT_H

#include "routing/osm/tag_map.h"

#include <cstdint>
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

// Standard output of a shell command; throws when the command fails.
std::string run_command(const std::string &command);

// Has osmium convert OPL text to PBF in the given output format (for instance "pbf,pbf_compression=none"), sorting
// it when asked. Returns the PBF's path.
std::string opl_to_pbf(const TemporaryFolder &folder, const std::string &name, const std::string &opl,
                       const std::string &format, bool sort = false);

#endif
