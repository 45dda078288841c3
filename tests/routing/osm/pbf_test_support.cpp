#include "tests/routing/osm/pbf_test_support.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

TemporaryFolder::TemporaryFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "distamatic-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder");
    folder = pattern;
}

TemporaryFolder::~TemporaryFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

std::string TemporaryFolder::write(const std::string &name, std::string_view bytes) const
{
    const std::string file = path(name);
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file;
}

TestTags::TestTags(const std::string &list)
{
    std::vector<uint32_t> key_ids, value_ids;
    for (size_t begin = 0; begin < list.size();) {
        const size_t end = std::min(list.find(',', begin), list.size()), equals = list.find('=', begin);
        key_ids.push_back(static_cast<uint32_t>(texts.size()));
        texts.push_back(list.substr(begin, equals - begin));
        value_ids.push_back(static_cast<uint32_t>(texts.size()));
        texts.push_back(list.substr(equals + 1, end - equals - 1));
        begin = end + 1;
    }
    std::vector<const char *> strings;
    for (const std::string &text : texts)
        strings.push_back(text.c_str());
    tag_map.build(key_ids, value_ids, strings);
}

std::string run_command(const std::string &command)
{
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        throw std::runtime_error("cannot run " + command);
    std::string output;
    std::array<char, 65536> chunk;
    while (const size_t n = std::fread(chunk.data(), 1, chunk.size(), pipe))
        output.append(chunk.data(), n);
    if (pclose(pipe) != 0)
        throw std::runtime_error("command failed: " + command);
    return output;
}

std::string opl_to_pbf(const TemporaryFolder &folder, const std::string &name, const std::string &opl,
                       const std::string &format, bool sort)
{
    const std::string output = folder.path(name + ".osm.pbf");
    run_command(std::string("osmium ") + (sort ? "sort" : "cat") + " --no-progress -O -F opl -f " + format + " -o " +
                output + " " + folder.write(name + ".opl", opl));
    return output;
}
