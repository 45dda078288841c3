#include "tests/routing/osm/pbf_test_support.h"

#include <zlib.h>

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

namespace pbf {

std::string varint(uint64_t value)
{
    std::string bytes;
    for (; value >= 0x80; value >>= 7)
        bytes += static_cast<char>((value & 0x7F) | 0x80);
    return bytes + static_cast<char>(value);
}

std::string packed(const std::vector<uint64_t> &values)
{
    std::string bytes;
    for (const uint64_t value : values)
        bytes += varint(value);
    return bytes;
}

std::string field(uint64_t number, std::string_view content)
{
    return varint(number << 3 | 2) + varint(content.size()) + std::string(content);
}

std::string frame(std::string_view type, std::string_view blob)
{
    const std::string header = field(1, type) + field(3, blob.size());
    const auto n = static_cast<uint32_t>(header.size());
    return std::string{char(n >> 24), char(n >> 16), char(n >> 8), char(n)} + header + std::string(blob);
}

std::string zlib_stream(std::string_view content)
{
    uLongf size = compressBound(content.size());
    std::string compressed(size, '\0');
    compress(reinterpret_cast<Bytef *>(compressed.data()), &size, reinterpret_cast<const Bytef *>(content.data()),
             content.size());
    compressed.resize(size);
    return compressed;
}

std::string header_frame()
{
    const std::string header = field(4, "OsmSchema-V0.6") + field(4, "DenseNodes") + field(16, "test");
    return frame("OSMHeader", field(1, header) + field(2, header.size()));
}

std::string block(const std::vector<std::string> &strings, std::string_view group)
{
    std::string table = field(1, "");
    for (const std::string &text : strings)
        table += field(1, text);
    return field(1, table) + field(2, group);
}

} // namespace pbf
