#include "tests/routing/osm/pbf_test_support.h"

#include "routing/osm/osm_pbf_reading.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
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

namespace {

// OPL writes the code point of a special character in hexadecimal between two '%'.
std::string unescape_opl(std::string_view text)
{
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            result += text[i];
            continue;
        }
        const size_t end = text.find('%', i + 1);
        const uint32_t code = std::stoul(std::string(text.substr(i + 1, end - i - 1)), nullptr, 16);
        // UTF-8: the lead byte, then continuation bytes of six bits each.
        const int extra = code < 0x80 ? 0 : code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
        result += static_cast<char>(extra == 0 ? code : (0xFF80 >> extra & 0xFF) | code >> (6 * extra));
        for (int shift = 6 * (extra - 1); shift >= 0; shift -= 6)
            result += static_cast<char>(0x80 | (code >> shift & 0x3F));
        i = end;
    }
    return result;
}

// An element as text: kind and id, then its position in 1e-7 degrees, its node ids or its members, then its tags.
struct Element
{
    std::string text;
    std::vector<std::string> keys;
};

std::string position(double degrees)
{
    return " " + std::to_string(std::llround(degrees * 1e7));
}

Element parse_opl_line(const std::string &line)
{
    Element element;
    std::istringstream fields(line);
    std::string field, tags;
    fields >> element.text;
    while (fields >> field) {
        if (field[0] == 'x' || field[0] == 'y')
            element.text += position(std::stod(field.substr(1)));
        else if (field[0] == 'N' || field[0] == 'M')
            element.text += " " + unescape_opl(field.substr(1));
        else if (field[0] == 'T')
            tags = field.substr(1);
    }
    for (std::istringstream list(tags); std::getline(list, field, ',');) {
        element.keys.push_back(unescape_opl(field.substr(0, field.find('='))));
        element.text += " " + element.keys.back() + "=" + unescape_opl(field.substr(field.find('=') + 1));
    }
    return element;
}

std::string signed_id(char kind, uint64_t id)
{
    return kind + std::to_string(static_cast<int64_t>(id));
}

} // namespace

std::string compare_with_osmium(const std::string &pbf, unsigned block_size)
{
    std::vector<Element> expected;
    std::istringstream opl(run_command("osmium cat --no-progress -f opl,add_metadata=false " + pbf));
    for (std::string line; std::getline(opl, line);)
        expected.push_back(parse_opl_line(line));

    std::string difference;
    size_t index = 0, counts[3] = {};
    auto check = [&](int kind, std::string text, const Routing::TagMap &tags) {
        // The keys of the expected element and of the one before, so that tags left over from that one show too.
        std::vector<std::string> found;
        for (const size_t i : {index, index - 1})
            for (size_t k = 0; i < expected.size() && k < expected[i].keys.size(); ++k) {
                const std::string &key = expected[i].keys[k];
                if (tags[key.c_str()] != nullptr && std::find(found.begin(), found.end(), key) == found.end()) {
                    found.push_back(key);
                    text += " " + key + "=" + tags[key.c_str()];
                }
            }
        const std::string wanted = index < expected.size() ? expected[index].text : "no element";
        if (difference.empty() && text != wanted)
            difference = "element " + std::to_string(index) + " is " + text + " instead of " + wanted;
        ++index;
        ++counts[kind];
    };
    Routing::unordered_read_osm_pbf(
        pbf,
        [&](uint64_t id, double latitude, double longitude, const Routing::TagMap &tags) {
            check(0, signed_id('n', id) + position(longitude) + position(latitude), tags);
        },
        [&](uint64_t id, const std::vector<uint64_t> &node_ids, const Routing::TagMap &tags) {
            std::string text = signed_id('w', id) + " ";
            for (size_t i = 0; i < node_ids.size(); ++i)
                text += (i ? "," : "") + signed_id('n', node_ids[i]);
            check(1, text, tags);
        },
        [&](uint64_t id, const std::vector<Routing::OSMRelationMember> &members, const Routing::TagMap &tags) {
            std::string text = signed_id('r', id) + " ";
            for (size_t i = 0; i < members.size(); ++i)
                text += (i ? "," : "") + signed_id("nwr"[static_cast<int>(members[i].type)], members[i].id) + "@" +
                        members[i].role;
            check(2, text, tags);
        },
        {}, block_size);
    if (difference.empty() && index < expected.size())
        difference = "only " + std::to_string(index) + " of " + std::to_string(expected.size()) + " elements decoded";
    return !difference.empty() ? difference
                               : std::to_string(counts[0]) + " nodes, " + std::to_string(counts[1]) + " ways, " +
                                     std::to_string(counts[2]) + " relations";
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
    return frame("OSMHeader", raw_blob(field(4, "OsmSchema-V0.6") + field(4, "DenseNodes") + field(16, "test")));
}

std::string block(const std::vector<std::string> &strings, std::string_view group)
{
    std::string table = field(1, "");
    for (const std::string &text : strings)
        table += field(1, text);
    return field(1, table) + field(2, group);
}

} // namespace pbf
