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
#include <limits>
#include <set>
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

// osmium's OPL as one line an element: kind and id, then the position in 1e-7 degrees, the node ids or the members,
// then a tab before each key and each value, the tags sorted by key; escapes decoded.
const char *const opl_to_lines = R"py(
import re, sys
u = lambda s: re.sub("%([0-9a-f]+)%", lambda m: chr(int(m.group(1), 16)), s)
for line in sys.stdin:
    f = {x[0]: x[1:] for x in line.split()[1:]}
    text = [line.split()[0]] + [str(round(float(f[c]) * 1e7)) for c in "xy" if c in f] + [u(f[c]) for c in "NM" if c in f]
    tags = sorted((u(t.split("=", 1)[0]), u(t.split("=", 1)[1])) for t in f["T"].split(",") if t)
    print(" ".join(text) + "".join("\t" + k + "\t" + v for k, v in tags))
)py";

std::string position(double degrees)
{
    return " " + std::to_string(std::llround(degrees * 1e7));
}

std::string signed_id(char kind, uint64_t id)
{
    return kind + std::to_string(static_cast<int64_t>(id));
}

} // namespace

std::string compare_with_osmium(const std::string &pbf, unsigned block_size)
{
    std::istringstream lines(run_command("osmium cat --no-progress -f opl,add_metadata=false " + pbf +
                                         " | PYTHONIOENCODING=utf-8:surrogateescape python3 -c '" + opl_to_lines + "'"));
    std::vector<std::string> expected;
    for (std::string line; std::getline(lines, line);)
        expected.push_back(line);

    std::string difference;
    size_t index = 0, counts[3] = {};
    auto check = [&](int kind, std::string text, const Routing::TagMap &tags) {
        // The keys of this element and of the one before, so that tags left over from that one show too.
        std::set<std::string> keys;
        for (const size_t i : {index, index - 1}) {
            std::istringstream fields(i < expected.size() ? expected[i] : "");
            fields.ignore(std::numeric_limits<std::streamsize>::max(), '\t'); // the element without its tags
            for (std::string key; std::getline(fields, key, '\t'); fields.ignore(std::numeric_limits<std::streamsize>::max(), '\t'))
                keys.insert(key);
        }
        for (const std::string &key : keys)
            if (tags[key.c_str()] != nullptr)
                text += "\t" + key + "\t" + tags[key.c_str()];
        const std::string wanted = index < expected.size() ? expected[index] : "no element";
        if (difference.empty() && text != wanted)
            difference = "element " + std::to_string(index) + " is " + text + " instead of " + wanted;
        ++index;
        ++counts[kind];
    };
    const auto list = [](const auto &items, auto &&item_text) {
        std::string text = " ";
        for (size_t i = 0; i < items.size(); ++i)
            text += (i ? "," : "") + item_text(items[i]);
        return text;
    };
    Routing::unordered_read_osm_pbf(
        pbf,
        [&](uint64_t id, double latitude, double longitude, const Routing::TagMap &tags) {
            check(0, signed_id('n', id) + position(longitude) + position(latitude), tags);
        },
        [&](uint64_t id, const std::vector<uint64_t> &node_ids, const Routing::TagMap &tags) {
            check(1, signed_id('w', id) + list(node_ids, [](uint64_t node) { return signed_id('n', node); }), tags);
        },
        [&](uint64_t id, const std::vector<Routing::OSMRelationMember> &members, const Routing::TagMap &tags) {
            check(2, signed_id('r', id) + list(members, [](const Routing::OSMRelationMember &member) {
                         return signed_id("nwr"[static_cast<int>(member.type)], member.id) + "@" + member.role;
                     }), tags);
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
