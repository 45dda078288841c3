#include "routing/osm/buffered_asynchronous_reader.h"
#include "routing/osm/file_data_source.h"
#include "routing/osm/osm_pbf_reading.h"
#include "routing/osm/tag_map.h"
#include "tests/routing/core/hierarchy_test_support.h"
#include "tests/routing/osm/pbf_test_support.h"
#include "tests/support/test_data.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace {

using Routing::BufferedAsynchronousReader;
using Routing::OSMRelationMember;
using Routing::TagMap;

// Protocol-buffer and PBF framing builders for hand-made files.
std::string varint(uint64_t value)
{
    std::string bytes;
    for (; value >= 0x80; value >>= 7)
        bytes += static_cast<char>((value & 0x7F) | 0x80);
    return bytes + static_cast<char>(value);
}

uint64_t zigzag(int64_t value) { return static_cast<uint64_t>(value) << 1 ^ static_cast<uint64_t>(value >> 63); }
std::string field(uint64_t number, uint64_t value) { return varint(number << 3) + varint(value); }
std::string field(uint64_t number, std::string_view content)
{
    return varint(number << 3 | 2) + varint(content.size()) + std::string(content);
}

std::string packed(const std::vector<uint64_t> &values)
{
    std::string bytes;
    for (const uint64_t value : values)
        bytes += varint(value);
    return bytes;
}

// Length, BlobHeader of this type and data size, and the blob bytes.
std::string frame(std::string_view type, std::string_view blob)
{
    const std::string header = field(1, type) + field(3, blob.size());
    const auto n = static_cast<uint32_t>(header.size());
    return std::string{char(n >> 24), char(n >> 16), char(n >> 8), char(n)} + header + std::string(blob);
}

// An OSMData frame holding this block uncompressed, and an OSMHeader frame as osmium writes one.
std::string data_frame(std::string_view content) { return frame("OSMData", field(1, content) + field(2, content.size())); }
std::string header_frame()
{
    const std::string header = field(4, "OsmSchema-V0.6") + field(4, "DenseNodes") + field(16, "test");
    return frame("OSMHeader", field(1, header) + field(2, header.size()));
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

// A PrimitiveBlock with this string table (string 0 is the empty string) and one group.
std::string block(const std::vector<std::string> &strings, std::string_view group)
{
    std::string table = field(1, "");
    for (const std::string &text : strings)
        table += field(1, text);
    return field(1, table) + field(2, group);
}

TEST(TagMap, FindsTheFirstValueOfEachKeyUpToTheTagLimit)
{
    // "abcd" and "abxd" share a bucket: the middle byte of a four-byte key is its second.
    const TestTags tags("abcd=1,highway=primary,abxd=2,=empty,name=first,name=second");
    ASSERT_EQ(TagMap::bucket_of("abcd"), TagMap::bucket_of("abxd"));
    for (const auto &[key, value] : {std::pair{"abcd", "1"}, {"abxd", "2"}, {"highway", "primary"}, {"", "empty"},
                                     {"name", "first"}, {"Highway", nullptr}, {"abzd", nullptr}})
        EXPECT_STREQ(tags.map()[key], value) << key;
    std::string list = "k0=0"; // 65 536 tags is the most an element may have
    for (int i = 1; i < 65536; ++i)
        list += ",k" + std::to_string(i) + "=" + std::to_string(i);
    EXPECT_STREQ(TestTags(list).map()["k65535"], "65535");
}

// Small ring blocks, as a full-size read reserves 768 MiB, which the sanitizers make slow; large enough for the
// block with 70 000 tags.
constexpr unsigned block_size = 1 << 18;

std::string wanted(size_t n, size_t available)
{
    return "Wanted to read " + std::to_string(n) + " bytes but only " + std::to_string(available) +
           " are available in the data source.";
}

std::string above_block(uint64_t n, unsigned block = block_size)
{
    return "Requested to read " + std::to_string(n) + " bytes, which is more than the block size of " +
           std::to_string(block);
}

std::string dense(const std::vector<uint64_t> &ids, const std::vector<uint64_t> &latitudes,
                  const std::vector<uint64_t> &longitudes)
{
    return field(1, packed(ids)) + field(8, packed(latitudes)) + field(9, packed(longitudes));
}

// Relations, then ways, then nodes, with ids out of order: every corner of ids, coordinates, texts and members that
// the format allows.
std::string unsorted_fixture_opl()
{
    const std::string meta = " v3 dV c17 t2021-05-04T03:02:01Z i42 uMapper%20%Name";
    std::string many_refs, many_tags;
    for (int i = 0; i < 2000; ++i)
        many_refs += (i ? ",n" : "n") + std::to_string(100000 + 7 * i);
    for (int i = 0; i < 40; ++i)
        many_tags += (i ? ",k" : "k") + std::to_string(i) + "x=" + std::to_string(i);
    return "r-7" + meta + " Ttype=restriction,restriction=no_left_turn,name=N%e1%b%159%e%17e%%20%U%40%Mostu"
           " Mw-5@from,n-3@via,w4294967297@to,r8@,n1@\n"
           "r8" + meta + " Tnote= Mn1@stop,w-5@,r-7@sub%2c%role\n"
           "w4294967297" + meta + " Thighway=residential,name=P%159%%ed%li%161%%20%%17e%lu%165%ou%10d%k%fd%"
           " Nn1,n-3,n9007199254740993\n"
           "w-5" + meta + " Thighway=service,oneway=yes N" + many_refs + "\n"
           "w6" + meta + " T" + many_tags + " N\n"
           "n9007199254740993" + meta + " T x1.2345678 y-1.2345678\n"
           "n-3" + meta + " Ta=b,c=%3d%,e=%2c% x-179.9999999 y0.0000001\n"
           "n1" + meta + " T x180 y90\n"
           "n2" + meta + " Tname=%96f6% x-180 y-90\n"
           "n4294967297" + meta + " Thighway=crossing x0.0000001 y-0.0000001\n";
}

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

// Reads the file with the unordered read and compares every element in file order (id, position to 1e-7 degrees,
// tags, node ids, members) with what `osmium cat` prints. Returns "N nodes, N ways, N relations" when all agree,
// otherwise the first difference.
std::string compare_with_osmium(const std::string &pbf, unsigned block_size)
{
    std::istringstream lines(run_command("osmium cat --no-progress -f opl,add_metadata=false " + pbf +
                                         " | PYTHONIOENCODING=utf-8:surrogateescape python3 -c '" + opl_to_lines + "'"));
    std::vector<std::string> expected;
    for (std::string line; std::getline(lines, line);)
        expected.push_back(line);

    std::string difference;
    size_t index = 0, counts[3] = {};
    auto check = [&](int kind, std::string text, const TagMap &tags) {
        // The keys of this element and of the one before, so that tags left over from that one show too.
        std::set<std::string> keys;
        constexpr auto skip_all = std::numeric_limits<std::streamsize>::max();
        for (const size_t i : {index, index - 1}) {
            std::istringstream fields(i < expected.size() ? expected[i] : "");
            fields.ignore(skip_all, '\t'); // the element without its tags
            for (std::string key; std::getline(fields, key, '\t'); fields.ignore(skip_all, '\t'))
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
    const auto position = [](double degrees) { return " " + std::to_string(std::llround(degrees * 1e7)); };
    const auto signed_id = [](char kind, uint64_t id) { return kind + std::to_string(static_cast<int64_t>(id)); };
    const auto list = [](const auto &items, auto &&item_text) {
        std::string text = " ";
        for (size_t i = 0; i < items.size(); ++i)
            text += (i ? "," : "") + item_text(items[i]);
        return text;
    };
    Routing::unordered_read_osm_pbf(
        pbf,
        [&](uint64_t id, double latitude, double longitude, const TagMap &tags) {
            check(0, signed_id('n', id) + position(longitude) + position(latitude), tags);
        },
        [&](uint64_t id, const std::vector<uint64_t> &node_ids, const TagMap &tags) {
            check(1, signed_id('w', id) + list(node_ids, [&](uint64_t node) { return signed_id('n', node); }), tags);
        },
        [&](uint64_t id, const std::vector<OSMRelationMember> &members, const TagMap &tags) {
            check(2, signed_id('r', id) + list(members, [&](const OSMRelationMember &member) {
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

TEST(PbfReading, FixtureInEveryVariantAndMonacoMatchOsmium)
{
    TemporaryFolder folder;
    for (const char *dense : {"true", "false"})
        for (const char *compression : {"zlib", "none"})
            for (const char *metadata : {"true", "false"})
                for (const bool sort : {false, true}) {
                    const std::string format = std::string("pbf,pbf_dense_nodes=") + dense +
                                               ",pbf_compression=" + compression + ",add_metadata=" + metadata;
                    SCOPED_TRACE(format + (sort ? " sorted" : ""));
                    const std::string pbf = opl_to_pbf(folder, "fixture", unsorted_fixture_opl(), format, sort);
                    EXPECT_EQ(compare_with_osmium(pbf, block_size), "5 nodes, 3 ways, 2 relations");
                }
    REQUIRE_MONACO_PBF(monaco);
    const std::string info = run_command("osmium fileinfo --no-progress -e " + monaco);
    std::smatch counts;
    ASSERT_TRUE(std::regex_search(info, counts, std::regex(R"(nodes: (\d+)\n.*ways: (\d+)\n.*relations: (\d+)\n)")));
    EXPECT_EQ(compare_with_osmium(monaco, Routing::pbf_block_size),
              counts[1].str() + " nodes, " + counts[2].str() + " ways, " + counts[3].str() + " relations");
}

// Kind letter and id of each delivered element, in delivery order.
struct Trace
{
    std::string order;
    Routing::OSMNodeCallback node = [this](uint64_t id, double, double, const TagMap &) { add('n', id); };
    Routing::OSMWayCallback way = [this](uint64_t id, const std::vector<uint64_t> &, const TagMap &) { add('w', id); };
    Routing::OSMRelationCallback relation = [this](uint64_t id, const std::vector<OSMRelationMember> &,
                                                   const TagMap &) { add('r', id); };
    void add(char kind, uint64_t id) { order += kind + std::to_string(static_cast<int64_t>(id)) + " "; }

    enum Read { unordered, ordered, ordered_in_one_pass };
    // Reads the whole file; returns the text of the error it ends in, or "".
    std::string read(const std::string &file, Read how)
    {
        return error_of([&] {
            if (how == unordered)
                Routing::unordered_read_osm_pbf(file, node, way, relation, {}, block_size);
            else
                Routing::ordered_read_osm_pbf(file, node, way, relation, {}, how == ordered_in_one_pass, block_size);
        });
    }
};

TEST(PbfReading, OrderedReadDeliversNodesThenWaysThenRelationsUnlessTheFileIsSorted)
{
    TemporaryFolder folder;
    const std::string pbf = opl_to_pbf(folder, "unsorted", unsorted_fixture_opl(), "pbf");
    const std::string nodes = "n9007199254740993 n-3 n1 n2 n4294967297 ", ways = "w4294967297 w-5 w6 ";
    Trace unordered, ordered, ways_only, one_pass;
    ways_only.node = nullptr;
    ways_only.relation = nullptr;
    EXPECT_EQ(unordered.read(pbf, Trace::unordered) + ordered.read(pbf, Trace::ordered) +
                  ways_only.read(pbf, Trace::ordered) + one_pass.read(pbf, Trace::ordered_in_one_pass),
              "");
    EXPECT_EQ(unordered.order, "r-7 r8 " + ways + nodes);
    EXPECT_EQ(ordered.order, nodes + ways + "r-7 r8 ");
    EXPECT_EQ(ways_only.order, ways);
    EXPECT_EQ(one_pass.order, unordered.order);

    // A header declaring the file sorted makes the ordered read a single pass in file order.
    const std::string way_then_node =
        data_frame(block({}, field(3, field(1, 5)))) + data_frame(block({}, field(2, dense({zigzag(9)}, {0}, {0}))));
    for (const bool sorted : {true, false}) {
        Trace trace;
        const std::string header = frame("OSMHeader", field(5, sorted ? "Sort.Type_then_ID" : "Sort.Other"));
        EXPECT_EQ(trace.read(folder.write("header.osm.pbf", header + way_then_node), Trace::ordered), "");
        EXPECT_EQ(trace.order, sorted ? "w5 n9 " : "n9 w5 ");
    }
}

TEST(PbfReading, SpeedtestReportsTheRate)
{
    std::vector<std::string> lines;
    TemporaryFolder folder;
    Routing::speedtest_osm_pbf_reading(opl_to_pbf(folder, "speed", unsorted_fixture_opl(), "pbf"),
                                       [&](const std::string &line) { lines.push_back(line); });
    EXPECT_EQ(lines, (std::vector<std::string>{"Starting scan speedtest",
                                               "Read         0 nodes,         0 ways,         1 relations last second",
                                               "Speedtest finished"}));
}

// Name, bytes, and the text of the error the file ends in ("" for a clean end).
std::vector<std::tuple<std::string, std::string, std::string>> hostile_cases()
{
    const std::string header = header_frame();
    const std::string data = data_frame(block({"a"}, field(3, field(1, uint64_t{1}))));
    const std::string zlib_data = zlib_stream(block({"a"}, field(3, field(1, uint64_t{1}))));
    const std::string zlib_block = field(3, zlib_data);
    const std::string seventy_thousand_keys = packed(std::vector<uint64_t>(70000, 1));
    const size_t data_size = data.size() - 4 - static_cast<unsigned char>(data[3]);
    const std::string relation = field(1, uint64_t{9}) + field(9, packed({zigzag(4)}));
    const auto group = [&header](std::string_view content) {
        return header + data_frame(block({"highway", "yes"}, content));
    };
    const std::string no_data = "PBF error: Blob contains neither compressed nor uncompressed data";
    const std::string inflate_error = "PBF error: Failed to completely inflate zlib stream. Probably the OSM blob "
                                      "decompresses to something larger than reported in the header.";
    const std::string short_list = "Protobuf message is corrupt because varint was expected at the end of the message.";
    return {
        {"EmptyFile", "", ""}, // ends before or between blobs: a clean end
        {"StrayBytes", "abcdef", above_block(1633837924)},
        {"CutInsideHeader", header.substr(0, 10), wanted(static_cast<unsigned char>(header[3]), 6)},
        {"CutInsideBlob", header + data.substr(0, data.size() - 5), wanted(data_size, data_size - 5)},
        {"HeaderLengthZero", std::string(4, '\0') + header, "Cannot parse OSM blob header because it is missing the data size"},
        {"HeaderLengthMax", std::string(4, '\xff'), above_block(4294967295)},
        {"DataSizeAboveBlock", frame("OSMData", std::string(block_size + 1, 'x')), above_block(block_size + 1)},
        {"EmptyBlob", header + frame("OSMData", ""), no_data},
        {"BlobWithBoth", header + frame("OSMData", field(1, "x") + field(2, uint64_t{1}) + field(3, "y")), "PBF error: Blob must not contain both compressed and uncompressed data"},
        {"ZlibWithoutSize", header + frame("OSMData", zlib_block), "PBF error: Blob does not contain the size of the uncompressed data"},
        {"RawSizeMismatch", header + frame("OSMData", field(1, "abc") + field(2, uint64_t{4})), "PBF error: claimed uncompressed blob size does not correspond to actual blob size"},
        {"BlobTooLarge", header + frame("OSMData", field(1, "abc") + field(2, uint64_t{block_size - 3})), "PBF error: Blob is too large. It is " + std::to_string(block_size - 3) + " but may be at most " + std::to_string(block_size - 4)},
        {"CorruptZlib", header + frame("OSMData", field(2, uint64_t{10}) + field(3, "not zlib at all")), inflate_error},
        {"ShortZlib", header + frame("OSMData", field(2, uint64_t{14}) + field(3, zlib_data.substr(0, zlib_data.size() - 4))), inflate_error},
        {"ZlibSmallerThanClaimed", header + frame("OSMData", field(2, uint64_t{100}) + zlib_block), "PBF error: OSM blob decompresses to fewer bytes than reported in the header."},
        {"HeaderAfterData", header + data + header, "OSM PBF file header block must preceed all blob blocks"},
        {"TwoHeaders", header + header, "OSM PBF file contains two header blocks"},
        {"UnknownRequiredFeature", frame("OSMHeader", field(4, "HistoricalInformation")), "Required OSM PBF feature \"HistoricalInformation\" is unknown"},
        {"CutUnknownBlob", header + frame("Unknown", std::string(100, 'x')).substr(0, 60), wanted(100, 60 - 4 - 11)},
        {"ElevenByteVarint", header + data_frame("\x08" + std::string(10, '\xff') + "\x01"), "Cannot decode varint because the value does not fit into 64 bit."},
        {"WireType3", header + data_frame("\x0b"), "Protobuf message contains unknown wire type 3."},
        {"Length2To63", header + data_frame("\x0a" + varint(uint64_t{1} << 63)), "Protobuf message is corrupt, the end of message was reached while parsing a string or embedded message."},
        {"GranularityZero", header + data_frame(field(17, uint64_t{0})), "PBF error: latlon_granularity of a block must not be zero."},
        {"KeyOutOfRange", group(field(3, field(1, uint64_t{1}) + field(2, packed({3})) + field(3, packed({1})))), "PBF error: key string ID is out of bounds."},
        {"ValueOutOfRange", group(field(2, dense({2}, {0}, {0}) + field(10, packed({1, 3, 0})))), "PBF error: value string ID is out of bounds."},
        {"UnequalKeysAndValues", group(field(3, field(1, uint64_t{1}) + field(2, packed({1, 1})) + field(3, packed({2})))), "PBF error: key and value arrays do not decode to equal length."},
        {"RoleOutOfRange", group(field(4, relation + field(8, packed({3})) + field(10, packed({0})))), "PBF error: relation member role string ID is out of bounds."},
        {"MemberType3", group(field(4, relation + field(8, packed({0})) + field(10, packed({3})))), "PBF error: Unknown relation type."},
        {"MemberListsTooShort", group(field(4, relation + field(8, packed({0})))), short_list},
        {"WayWithoutId", group(field(3, field(8, packed({2})))), "PBF error: way is missing its OSM ID."},
        {"DenseWithoutLatitudes", group(field(2, field(1, packed({2})) + field(9, packed({0})))), "PBF error: dense node must contain latitudes."},
        {"DenseLongitudesTooLong", group(field(2, dense({2}, {0}, {0, 0}))), "PBF error: dense node longitude array has a different length than the node ID array."},
        {"DenseTagsTooLong", group(field(2, dense({2}, {0}, {0}) + field(10, packed({1, 2, 0, 1})))), "PBF error: dense node key-value array is too long."},
        // A 16-bit tag index cannot hold them.
        {"SeventyThousandTags", group(field(3, field(1, uint64_t{1}) + field(2, seventy_thousand_keys) + field(3, seventy_thousand_keys))), "PBF error: element has more than 65536 tags."},
    };
}

TEST(PbfReading, HostileFilesAndThrowingCallbacksEndInTheirErrorLeavingNoThreadOrFileBehind)
{
    const auto entries = [](const char *folder) { return std::distance(std::filesystem::directory_iterator(folder), {}); };
    const auto descriptors = entries("/proc/self/fd"), threads = entries("/proc/self/task");
    TemporaryFolder folder;
    for (const auto &[name, bytes, message] : hostile_cases()) {
        SCOPED_TRACE(name);
        const std::string file = folder.write("hostile.osm.pbf", bytes);
        Trace trace;
        EXPECT_EQ(trace.read(file, Trace::unordered), message);
        EXPECT_EQ(trace.read(file, Trace::ordered), message);
        EXPECT_TRUE(trace.order.empty() || !message.empty()) << "a clean end delivers nothing here";
    }
    // A callback's exception arrives with its type, and no further element is delivered.
    struct CallbackError
    {
    };
    Trace trace;
    int calls = 0;
    trace.node = [&](uint64_t, double, double, const TagMap &) {
        ++calls;
        throw CallbackError{};
    };
    const std::string two_nodes = header_frame() + data_frame(block({}, field(2, dense({2, 2}, {0, 0}, {0, 0}))));
    EXPECT_THROW(trace.read(folder.write("ok.osm.pbf", two_nodes), Trace::unordered), CallbackError);
    EXPECT_THROW(trace.read(folder.path("ok.osm.pbf"), Trace::ordered), CallbackError);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(entries("/proc/self/fd"), descriptors);
    EXPECT_EQ(entries("/proc/self/task"), threads);
}

TEST(PbfReading, LenientAndWrappingInputsDecode)
{
    const uint64_t max = std::numeric_limits<int64_t>::max();
    // Uncompressed data without raw_size is valid; ids wrap instead of overflowing; at a varint's tenth byte only
    // the lowest bit counts; a blob inflating to exactly the block size less 4 fits; offsets shift positions.
    const std::string largest_block = field(15, std::string(block_size - 8, 'x'));
    ASSERT_EQ(largest_block.size(), block_size - 4);
    const std::string block_bytes =
        block({}, field(2, dense({zigzag(max), zigzag(max), zigzag(INT64_MIN)}, {zigzag(5), 0, 0}, {0, zigzag(-7), 0})) +
                      field(3, field(1, 4) + field(8, packed({zigzag(max), zigzag(max), zigzag(2)}))) +
                      field(3, "\x08" + std::string(9, '\xff') + "\x7f") + field(3, "\x08" + std::string(9, '\x80') + "\x02"));
    const std::string offset_block = field(19, 1000) + field(20, 3000) +
                                     block({}, field(1, field(1, zigzag(1)) + field(8, zigzag(2))) +
                                                   field(2, dense({zigzag(5)}, {zigzag(1)}, {zigzag(1)})));
    TemporaryFolder folder;
    const std::string file = folder.write(
        "lenient.osm.pbf", header_frame() + frame("OSMData", field(1, block_bytes)) +
                               frame("OSMData", field(2, largest_block.size()) + field(3, zlib_stream(largest_block))) +
                               data_frame(offset_block));
    std::vector<uint64_t> ids;
    std::vector<long long> nanodegrees;
    Routing::unordered_read_osm_pbf(
        file,
        [&](uint64_t id, double latitude, double longitude, const TagMap &) {
            ids.push_back(id);
            nanodegrees.insert(nanodegrees.end(), {std::llround(latitude * 1e9), std::llround(longitude * 1e9)});
        },
        [&](uint64_t id, const std::vector<uint64_t> &refs, const TagMap &) {
            ids.push_back(id);
            ids.insert(ids.end(), refs.begin(), refs.end());
        },
        {}, {}, block_size);
    EXPECT_EQ(ids, (std::vector<uint64_t>{max, 2 * max, max - 1, 4, max, 2 * max, 2 * max + 2, UINT64_MAX, 0, 1, 5}));
    EXPECT_EQ(nanodegrees, (std::vector<long long>{500, 0, 500, -700, 500, -700, 1200, 3000, 1100, 3100}));
}

struct SourceError
{
};

TEST(BufferedAsynchronousReader, RandomSpansAcrossTheRingSeeTheStreamIntact)
{
    for (const unsigned ring_size : {1u, 7u, 64u, 4096u}) {
        SCOPED_TRACE(ring_size);
        std::mt19937 random(ring_size);
        std::string data(60000, '\0');
        std::generate(data.begin(), data.end(), random);
        // Random chunks of at most the capacity, often much less.
        auto source = [&data, pos = size_t{0}, random](char *buffer, unsigned long long capacity) mutable {
            const size_t wanted = random() % 3 == 0 ? capacity : 1 + random() % std::max(capacity, 1ull);
            const size_t n = std::min(wanted, data.size() - pos);
            std::memcpy(buffer, data.data() + pos, n);
            pos += n;
            return static_cast<unsigned long long>(n);
        };
        BufferedAsynchronousReader reader(source, ring_size);
        size_t pos = 0;
        while (data.size() - pos >= ring_size) {
            const unsigned n = random() % 4 == 0 ? ring_size : random() % (ring_size + 1);
            char *span = reader.read(n);
            ASSERT_NE(span, nullptr);
            ASSERT_EQ(std::string(span, n), data.substr(pos, n)) << "at " << pos;
            std::memset(span, 0x55, n); // the consumer may scribble over its span
            pos += n;
        }
        const unsigned left = static_cast<unsigned>(data.size() - pos);
        EXPECT_EQ(reader.read(left + 1), nullptr);
        EXPECT_EQ(error_of([&] { reader.read_or_throw(left + 1); }), wanted(left + 1, left));
        ASSERT_NE(reader.read(left), nullptr);
        EXPECT_EQ(reader.read(1), nullptr);
        EXPECT_EQ(error_of([&] { reader.read(ring_size + 1); }), above_block(ring_size + 1, ring_size));
    }
}

TEST(BufferedAsynchronousReader, SourceErrorsReachTheConsumerWithTheirTypeAndDestructionDoesNotWait)
{
    // A source failing at its first or fifth call, or never: then the worker fills the ring and waits for space.
    for (const int failing_call : {1, 5, 0}) {
        SCOPED_TRACE(failing_call);
        int calls = 0;
        BufferedAsynchronousReader reader(
            [&calls, failing_call](char *buffer, unsigned long long capacity) {
                if (++calls == failing_call)
                    throw SourceError();
                std::memset(buffer, 1, capacity);
                return capacity;
            },
            16);
        if (failing_call == 0) {
            ASSERT_NE(reader.read(10), nullptr);
            BufferedAsynchronousReader other(std::move(reader));
            reader = std::move(other);
            continue;
        }
        // Data buffered before the error may or may not be delivered; the error
        // comes at the latest once it is consumed, and then on every read.
        int reads = 0;
        EXPECT_THROW(for (; reads < 100; ++reads) reader.read(16), SourceError);
        EXPECT_LE(reads, failing_call - 1);
        EXPECT_THROW(reader.read(0), SourceError);
        EXPECT_THROW(reader.read_or_throw(1), SourceError);
    }
}

// Six blocks are addressed in 32 bits: a larger block is refused before any
// thread starts, directly and by the read passes, which would otherwise wait
// for a ring whose size has wrapped. A reader without a source refuses reads.
TEST(BufferedAsynchronousReader, RefusesBlocksItCannotAddressAndReadsWithoutASource)
{
    TemporaryFolder folder;
    const std::string file = folder.write("empty.osm.pbf", "");
    const auto never = [](char *, unsigned long long) -> unsigned long long {
        ADD_FAILURE() << "the source was read";
        return 0;
    };
    for (const unsigned block : {715827883u, 1u << 30, UINT_MAX}) {
        const std::string refused = "Requested a block size of " + std::to_string(block) +
                                    " bytes, which is more than the largest block size of 715827882";
        EXPECT_EQ(error_of([&] { BufferedAsynchronousReader(never, block); }), refused);
        EXPECT_EQ(error_of([&] { Routing::unordered_read_osm_pbf(file, {}, {}, {}, {}, block); }), refused);
        EXPECT_EQ(error_of([&] { Routing::ordered_read_osm_pbf(file, {}, {}, {}, {}, false, block); }), refused);
    }

    BufferedAsynchronousReader moved_from([](char *, unsigned long long) { return 0ull; }, 16), none;
    const BufferedAsynchronousReader taker(std::move(moved_from));
    for (BufferedAsynchronousReader *reader : {&none, &moved_from}) {
        EXPECT_THROW(reader->read(0), std::logic_error);
        EXPECT_THROW(reader->read_or_throw(1), std::logic_error);
    }
}

TEST(FileDataSource, ThrowsWithoutAFileAndKeepsItsFileWhenAnOpenFails)
{
    TemporaryFolder folder;
    const std::string missing = folder.path("missing");
    Routing::FileDataSource source;
    char buffer[16] = {};
    // Without a file the source throws instead of handing fread a null stream.
    EXPECT_EQ(error_of([&] { source.get_read_function_object()(buffer, 4); }), "No file is open for reading.");
    source.open(folder.write("data", "0123456789").c_str());
    EXPECT_EQ(error_of([&] { source.open(missing.c_str()); }), "Could not open file \"" + missing + "\" for reading.");
    EXPECT_EQ(source.size(), 10u);
    EXPECT_EQ(std::string(buffer, source.get_read_function_object()(buffer, 16)), "0123456789");
}

} // namespace
