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

TestTags::TestTags(const std::vector<std::pair<std::string, std::string>> &tags)
{
    std::vector<uint32_t> key_ids, value_ids;
    for (const auto &[key, value] : tags) {
        key_ids.push_back(static_cast<uint32_t>(texts.size()));
        texts.push_back(key);
        value_ids.push_back(static_cast<uint32_t>(texts.size()));
        texts.push_back(value);
    }
    std::vector<const char *> strings;
    for (const std::string &text : texts)
        strings.push_back(text.c_str());
    tag_map.build(key_ids, value_ids, strings);
}

namespace {

std::vector<std::pair<std::string, std::string>> parse_tag_list(const std::string &list)
{
    std::vector<std::pair<std::string, std::string>> tags;
    for (size_t begin = 0; begin < list.size();) {
        const size_t end = std::min(list.find(',', begin), list.size());
        const size_t equals = list.find('=', begin);
        tags.emplace_back(list.substr(begin, equals - begin), list.substr(equals + 1, end - equals - 1));
        begin = end + 1;
    }
    return tags;
}

} // namespace

TestTags::TestTags(const std::string &list) : TestTags(parse_tag_list(list)) {}

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

namespace {

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

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    if (text.empty())
        return parts;
    for (size_t start = 0;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

uint64_t parse_id(std::string_view text)
{
    return static_cast<uint64_t>(std::stoll(std::string(text)));
}

OsmElement parse_opl_line(std::string_view line)
{
    OsmElement element;
    const std::vector<std::string_view> fields = split(line, ' ');
    element.kind = fields[0][0];
    element.id = parse_id(fields[0].substr(1));
    for (size_t i = 1; i < fields.size(); ++i) {
        const std::string_view value = fields[i].substr(1);
        switch (fields[i][0]) {
        case 'T':
            for (const std::string_view tag : split(value, ',')) {
                const size_t equals = tag.find('=');
                element.tags.emplace_back(unescape_opl(tag.substr(0, equals)), unescape_opl(tag.substr(equals + 1)));
            }
            break;
        case 'x':
            element.longitude = std::stod(std::string(value));
            break;
        case 'y':
            element.latitude = std::stod(std::string(value));
            break;
        case 'N':
            for (const std::string_view ref : split(value, ','))
                element.node_ids.push_back(parse_id(ref.substr(1)));
            break;
        case 'M':
            for (const std::string_view member : split(value, ',')) {
                const size_t at = member.find('@');
                element.members.push_back(
                    {member[0], parse_id(member.substr(1, at - 1)), unescape_opl(member.substr(at + 1))});
            }
            break;
        }
    }
    return element;
}

// Compares the tags of a decoded element with the expected ones, including
// the absence of a few keys that the element does not carry.
void compare_tags(const Routing::TagMap &tags, const OsmElement &expected, std::ostringstream &out)
{
    for (const auto &[key, value] : expected.tags) {
        const char *found = tags[key.c_str()];
        if (found == nullptr || value != found)
            out << " tag " << key << " is " << (found ? found : "missing") << " instead of " << value << ";";
    }
    for (const char *key : {"highway", "name", "building", "oneway", "source", "type", "a", ""}) {
        bool carried = false;
        for (const auto &tag : expected.tags)
            carried |= tag.first == key;
        if (!carried && tags[key] != nullptr)
            out << " unexpected tag " << key << ";";
    }
}

} // namespace

std::vector<OsmElement> parse_opl(const std::string &text)
{
    std::vector<OsmElement> elements;
    for (const std::string_view line : split(text, '\n'))
        if (!line.empty())
            elements.push_back(parse_opl_line(line));
    return elements;
}

std::string opl_to_pbf(const TemporaryFolder &folder, const std::string &name, const std::string &opl,
                       const std::string &format, bool sort)
{
    const std::string input = folder.write(name + ".opl", opl);
    const std::string output = folder.path(name + ".osm.pbf");
    run_command(std::string("osmium ") + (sort ? "sort" : "cat") + " --no-progress -O -F opl -f " + format + " -o " +
                output + " " + input);
    return output;
}

std::vector<OsmElement> osmium_elements(const std::string &pbf)
{
    return parse_opl(run_command("osmium cat --no-progress -f opl,add_metadata=false " + pbf));
}

std::vector<std::string> compare_unordered_read(const std::string &pbf, const std::vector<OsmElement> &expected,
                                                unsigned block_size)
{
    std::vector<std::string> differences;
    size_t index = 0;
    auto check = [&](char kind, uint64_t id, auto &&compare_body) {
        std::ostringstream out;
        if (index >= expected.size()) {
            out << "extra element " << kind << id;
        } else {
            const OsmElement &e = expected[index];
            if (e.kind != kind || e.id != id)
                out << "element " << kind << id << " instead of " << e.kind << e.id;
            else
                compare_body(e, out);
        }
        ++index;
        if (!out.str().empty() && differences.size() < 5)
            differences.push_back(out.str());
    };
    Routing::unordered_read_osm_pbf(
        pbf,
        [&](uint64_t id, double latitude, double longitude, const Routing::TagMap &tags) {
            check('n', id, [&](const OsmElement &e, std::ostringstream &out) {
                if (std::abs(latitude - e.latitude) > 1.01e-7 || std::abs(longitude - e.longitude) > 1.01e-7)
                    out << "n" << id << " at " << latitude << "," << longitude;
                compare_tags(tags, e, out);
            });
        },
        [&](uint64_t id, const std::vector<uint64_t> &node_ids, const Routing::TagMap &tags) {
            check('w', id, [&](const OsmElement &e, std::ostringstream &out) {
                if (node_ids != e.node_ids)
                    out << "w" << id << " has other node ids;";
                compare_tags(tags, e, out);
            });
        },
        [&](uint64_t id, const std::vector<Routing::OSMRelationMember> &members, const Routing::TagMap &tags) {
            check('r', id, [&](const OsmElement &e, std::ostringstream &out) {
                std::vector<OsmElement::Member> decoded;
                for (const auto &m : members)
                    decoded.push_back({"nwr"[static_cast<int>(m.type)], m.id, m.role});
                if (decoded != e.members)
                    out << "r" << id << " has other members;";
                compare_tags(tags, e, out);
            });
        },
        {}, block_size);
    if (index < expected.size())
        differences.push_back("only " + std::to_string(index) + " of " + std::to_string(expected.size()) +
                              " elements decoded");
    return differences;
}

namespace pbf {

std::string varint(uint64_t value)
{
    std::string bytes;
    for (; value >= 0x80; value >>= 7)
        bytes += static_cast<char>((value & 0x7F) | 0x80);
    bytes += static_cast<char>(value);
    return bytes;
}

uint64_t zigzag(int64_t value)
{
    return (static_cast<uint64_t>(value) << 1) ^ static_cast<uint64_t>(value >> 63);
}

std::string packed(const std::vector<uint64_t> &values)
{
    std::string bytes;
    for (const uint64_t value : values)
        bytes += varint(value);
    return bytes;
}

std::string field(uint64_t number, uint64_t value)
{
    return varint(number << 3) + varint(value);
}

std::string field(uint64_t number, std::string_view content)
{
    return varint(number << 3 | 2) + varint(content.size()) + std::string(content);
}

std::string frame(std::string_view type, std::string_view blob)
{
    const std::string header = field(1, type) + field(3, uint64_t{blob.size()});
    const auto length = static_cast<uint32_t>(header.size());
    std::string bytes{static_cast<char>(length >> 24), static_cast<char>(length >> 16), static_cast<char>(length >> 8),
                      static_cast<char>(length)};
    return bytes + header + std::string(blob);
}

std::string raw_blob(std::string_view content)
{
    return field(1, content) + field(2, uint64_t{content.size()});
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

std::string zlib_blob(std::string_view content)
{
    return field(2, uint64_t{content.size()}) + field(3, zlib_stream(content));
}

std::string header_frame()
{
    const std::string header_block = field(4, "OsmSchema-V0.6") + field(4, "DenseNodes") + field(16, "test");
    return frame("OSMHeader", raw_blob(header_block));
}

std::string data_frame(std::string_view block)
{
    return frame("OSMData", raw_blob(block));
}

std::string block(const std::vector<std::string> &strings, std::string_view group)
{
    std::string table = field(1, "");
    for (const std::string &text : strings)
        table += field(1, text);
    return field(1, table) + field(2, group);
}

} // namespace pbf
