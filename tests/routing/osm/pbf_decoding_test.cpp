#include "routing/osm/osm_pbf_reading.h"
#include "routing/osm/protobuf.h"
#include "routing/osm/tag_map.h"
#include "tests/routing/osm/pbf_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace pbf;
using Routing::TagMap;

TEST(Protobuf, VarintsAndZigzagCoverTheWholeRange)
{
    const std::pair<std::string, uint64_t> varints[] = {
        {std::string(1, '\0'), 0}, {"\x7f", 127}, {"\x80\x01", 128}, {std::string(9, '\xff') + "\x01", UINT64_MAX},
        // At the tenth byte only the lowest bit counts, and the shift stays below 64.
        {std::string(9, '\xff') + "\x7f", UINT64_MAX}, {std::string(9, '\x80') + "\x02", 0},
    };
    for (const auto &[bytes, value] : varints) {
        const char *begin = bytes.data();
        EXPECT_EQ(Routing::decode_varint_as_uint64_and_advance_first_parameter(begin, bytes.data() + bytes.size()),
                  value);
        EXPECT_EQ(begin, bytes.data() + bytes.size());
    }
    EXPECT_EQ(Routing::zigzag_convert_uint64_to_int64(1), -1);
    EXPECT_EQ(Routing::zigzag_convert_uint64_to_int64(2), 1);
    EXPECT_EQ(Routing::zigzag_convert_uint64_to_int64(UINT64_MAX), INT64_MIN);
    EXPECT_EQ(Routing::zigzag_convert_uint64_to_int64(UINT64_MAX - 1), INT64_MAX);
}

TEST(TagMap, FindsTheFirstValueOfEachKeyUpToTheTagLimit)
{
    // "abcd" and "abxd" share a bucket: the middle byte of a four-byte key is its second.
    const TestTags tags("abcd=1,highway=primary,abxd=2,=empty,name=first,name=second");
    ASSERT_EQ(TagMap::bucket_of("abcd"), TagMap::bucket_of("abxd"));
    for (const auto &[key, value] : {std::pair{"abcd", "1"}, {"abxd", "2"}, {"highway", "primary"}, {"", "empty"},
                                     {"name", "first"}, {"Highway", nullptr}, {"abzd", nullptr}})
        EXPECT_STREQ(tags.map()[key], value) << key;

    // 65 536 tags is the most an element may have.
    std::string list = "k0=0";
    for (int i = 1; i < 65536; ++i)
        list += ",k" + std::to_string(i) + "=" + std::to_string(i);
    EXPECT_STREQ(TestTags(list).map()["k65535"], "65535");
}

// Large enough for the block with 70 000 tags.
constexpr unsigned block_size = 1 << 18;
const std::string requested = "Requested to read ";
const std::string above_block = " bytes, which is more than the block size of " + std::to_string(block_size);

std::string wanted(size_t n, size_t available)
{
    return "Wanted to read " + std::to_string(n) + " bytes but only " + std::to_string(available) +
           " are available in the data source.";
}

// A file with a header and one uncompressed data blob holding this group.
std::string file_with_group(std::string_view group, const std::vector<std::string> &strings = {"highway", "yes"})
{
    return header_frame() + data_frame(block(strings, group));
}

std::string dense(const std::vector<uint64_t> &ids, const std::vector<uint64_t> &latitudes,
                  const std::vector<uint64_t> &longitudes)
{
    return field(1, packed(ids)) + field(8, packed(latitudes)) + field(9, packed(longitudes));
}

// Reads the whole file, in file order or ordered; returns the text of the std::runtime_error it ends in, or "".
std::string read(const std::string &file, bool ordered, const Routing::OSMNodeCallback &node,
                 const Routing::OSMWayCallback &way = {}, const Routing::OSMRelationCallback &relation = {})
{
    try {
        if (ordered)
            Routing::ordered_read_osm_pbf(file, node, way, relation, {}, false, block_size);
        else
            Routing::unordered_read_osm_pbf(file, node, way, relation, {}, block_size);
    } catch (const std::runtime_error &error) {
        return error.what();
    }
    return "";
}

// Name, bytes, and the text of the error the file ends in ("" for a clean end).
std::vector<std::tuple<std::string, std::string, std::string>> hostile_cases()
{
    const std::string header = header_frame();
    const std::string data = data_frame(block({"a"}, field(3, field(1, uint64_t{1}))));
    const std::string zlib_data = zlib_stream(block({"a"}, field(3, field(1, uint64_t{1}))));
    const std::string zlib_block = field(3, zlib_data);
    const std::string seventy_thousand_keys = packed(std::vector<uint64_t>(70000, 1));
    const std::string cut_blob = header + data.substr(0, data.size() - 5);
    const size_t data_size = data.size() - 4 - static_cast<unsigned char>(data[3]);
    const std::string relation = field(1, uint64_t{9}) + field(9, packed({zigzag(4)}));
    const std::string inflate_error = "PBF error: Failed to completely inflate zlib stream. Probably the OSM blob "
                                      "decompresses to something larger than reported in the header.";
    return {
        // Files that end before or between blobs end the read cleanly.
        {"EmptyFile", "", ""},
        {"StrayBytesAfterHeader", header + "\x01\x02", ""},
        {"EmptyBlock", header + data_frame(""), ""},
        {"StrayBytes", "abcdef", requested + "1633837924" + above_block},
        {"CutInsideHeader", header.substr(0, 10), wanted(static_cast<unsigned char>(header[3]), 6)},
        {"CutInsideBlob", cut_blob, wanted(data_size, data_size - 5)},
        {"HeaderLengthZero", std::string(4, '\0') + header, "Cannot parse OSM blob header because it is missing the data size"},
        {"HeaderLengthMax", std::string(4, '\xff'), requested + "4294967295" + above_block},
        {"MissingDataSize", std::string{0, 0, 0, 9} + field(1, "OSMData"), "Cannot parse OSM blob header because it is missing the data size"},
        {"DataSizeAboveBlock", frame("OSMData", std::string(block_size + 1, 'x')), requested + std::to_string(block_size + 1) + above_block},
        {"EmptyBlob", header + frame("OSMData", ""), "PBF error: Blob contains neither compressed nor uncompressed data"},
        {"BlobWithoutData", header + frame("OSMData", field(2, uint64_t{5})), "PBF error: Blob contains neither compressed nor uncompressed data"},
        {"BlobWithBoth", header + frame("OSMData", field(1, "x") + field(2, uint64_t{1}) + field(3, "y")), "PBF error: Blob must not contain both compressed and uncompressed data"},
        {"ZlibWithoutSize", header + frame("OSMData", zlib_block), "PBF error: Blob does not contain the size of the uncompressed data"},
        {"RawSizeMismatch", header + frame("OSMData", field(1, "abc") + field(2, uint64_t{4})), "PBF error: claimed uncompressed blob size does not correspond to actual blob size"},
        {"BlobTooLarge", header + frame("OSMData", field(1, "abc") + field(2, uint64_t{block_size - 3})), "PBF error: Blob is too large. It is " + std::to_string(block_size - 3) + " but may be at most " + std::to_string(block_size - 4)},
        {"CorruptZlib", header + frame("OSMData", field(2, uint64_t{10}) + field(3, "not zlib at all")), inflate_error},
        {"ShortZlib", header + frame("OSMData", field(2, uint64_t{14}) + field(3, zlib_data.substr(0, zlib_data.size() - 4))), inflate_error},
        {"ZlibLargerThanClaimed", header + frame("OSMData", field(2, uint64_t{3}) + zlib_block), inflate_error},
        {"ZlibSmallerThanClaimed", header + frame("OSMData", field(2, uint64_t{100}) + zlib_block), "PBF error: OSM blob decompresses to fewer bytes than reported in the header."},
        {"HeaderAfterData", header + data + header, "OSM PBF file header block must preceed all blob blocks"},
        {"TwoHeaders", header + header, "OSM PBF file contains two header blocks"},
        {"UnknownRequiredFeature", frame("OSMHeader", field(4, "HistoricalInformation")), "Required OSM PBF feature \"HistoricalInformation\" is unknown"},
        {"CutUnknownBlob", header + frame("Unknown", std::string(100, 'x')).substr(0, 60), wanted(100, 60 - 4 - 11)},
        {"ElevenByteVarint", header + data_frame("\x08" + std::string(10, '\xff') + "\x01"), "Cannot decode varint because the value does not fit into 64 bit."},
        {"UnterminatedVarint", header + data_frame("\x08\x80"), "Protobuf message is corrupt because varint was not terminated before the end of the message."},
        {"WireType3", header + data_frame("\x0b"), "Protobuf message contains unknown wire type 3."},
        {"Length2To63", header + data_frame("\x0a" + varint(uint64_t{1} << 63)), "Protobuf message is corrupt, the end of message was reached while parsing a string or embedded message."},
        {"ShortFixed64", header + data_frame("\x09" "1234567"), "Protobuf message is corrupt, the end of message was reached while parsing a 64-bit floating point."},
        {"ShortFixed32", header + data_frame("\x0d" "123"), "Protobuf message is corrupt, the end of message was reached while parsing a 32-bit floating point."},
        {"GranularityZero", header + data_frame(field(17, uint64_t{0})), "PBF error: latlon_granularity of a block must not be zero."},
        {"KeyOutOfRange", file_with_group(field(3, field(1, uint64_t{1}) + field(2, packed({3})) + field(3, packed({1})))), "PBF error: key string ID is out of bounds."},
        {"ValueOutOfRange", file_with_group(field(2, dense({2}, {0}, {0}) + field(10, packed({1, 3, 0})))), "PBF error: value string ID is out of bounds."},
        {"UnequalKeysAndValues", file_with_group(field(3, field(1, uint64_t{1}) + field(2, packed({1, 1})) + field(3, packed({2})))), "PBF error: key and value arrays do not decode to equal length."},
        {"RoleOutOfRange", file_with_group(field(4, relation + field(8, packed({3})) + field(10, packed({0})))), "PBF error: relation member role string ID is out of bounds."},
        {"MemberType3", file_with_group(field(4, relation + field(8, packed({0})) + field(10, packed({3})))), "PBF error: Unknown relation type."},
        {"MemberListsTooShort", file_with_group(field(4, relation + field(8, packed({0})))), "Protobuf message is corrupt because varint was expected at the end of the message."},
        {"WayWithoutId", file_with_group(field(3, field(8, packed({2})))), "PBF error: way is missing its OSM ID."},
        {"NodeWithoutId", file_with_group(field(1, field(8, uint64_t{2}))), "PBF error: node is missing its OSM ID."},
        {"RelationWithoutId", file_with_group(field(4, "")), "PBF error: relation is missing its OSM ID."},
        {"DenseWithoutIds", file_with_group(field(2, "")), "PBF error: dense node must contain node IDs."},
        {"DenseWithoutLatitudes", file_with_group(field(2, field(1, packed({2})) + field(9, packed({0})))), "PBF error: dense node must contain latitudes."},
        {"DenseWithoutLongitudes", file_with_group(field(2, field(1, packed({2})) + field(8, packed({0})))), "PBF error: dense node must contain longitudes."},
        {"DenseLatitudesTooLong", file_with_group(field(2, dense({2}, {0, 0}, {0}))), "PBF error: dense node latitude array has a different length than the node ID array."},
        {"DenseLongitudesTooLong", file_with_group(field(2, dense({2}, {0}, {0, 0}))), "PBF error: dense node longitude array has a different length than the node ID array."},
        {"DenseTagsTooLong", file_with_group(field(2, dense({2}, {0}, {0}) + field(10, packed({1, 2, 0, 1})))), "PBF error: dense node key-value array is too long."},
        {"DenseTagsTooShort", file_with_group(field(2, dense({2, 2}, {0, 0}, {0, 0}) + field(10, packed({0})))), "Protobuf message is corrupt because varint was expected at the end of the message."},
        // A 16-bit tag index cannot hold them.
        {"SeventyThousandTags", file_with_group(field(3, field(1, uint64_t{1}) + field(2, seventy_thousand_keys) + field(3, seventy_thousand_keys))), "PBF error: element has more than 65536 tags."},
    };
}

TEST(PbfDecoding, HostileFilesEndInTheirErrorOrCleanly)
{
    int delivered = 0;
    auto node = [&](uint64_t, double, double, const TagMap &) { ++delivered; };
    auto way = [&](uint64_t, const std::vector<uint64_t> &, const TagMap &) { ++delivered; };
    auto relation = [&](uint64_t, const std::vector<Routing::OSMRelationMember> &, const TagMap &) { ++delivered; };
    TemporaryFolder folder;
    for (const auto &[name, bytes, message] : hostile_cases()) {
        SCOPED_TRACE(name);
        const std::string file = folder.write("hostile.osm.pbf", bytes);
        delivered = 0;
        EXPECT_EQ(read(file, false, node, way, relation), message);
        EXPECT_EQ(read(file, true, node, way, relation), message);
        EXPECT_TRUE(delivered == 0 || !message.empty()) << "a clean end delivers nothing here";
    }
}

TEST(PbfDecoding, HeaderDeclaringSortedOrderGivesOneReadInFileOrder)
{
    const std::string way_then_node =
        data_frame(block({}, field(3, field(1, 5)))) + data_frame(block({}, field(2, dense({zigzag(9)}, {0}, {0}))));
    TemporaryFolder folder;
    for (const bool sorted : {true, false}) {
        const std::string header = frame("OSMHeader", field(5, sorted ? "Sort.Type_then_ID" : "Sort.Other"));
        std::string order;
        EXPECT_EQ(read(folder.write("header.osm.pbf", header + way_then_node), true,
                       [&](uint64_t id, double, double, const TagMap &) { order += "n" + std::to_string(id) + " "; },
                       [&](uint64_t id, const std::vector<uint64_t> &, const TagMap &) {
                           order += "w" + std::to_string(id) + " ";
                       }),
                  "");
        EXPECT_EQ(order, sorted ? "w5 n9 " : "n9 w5 ");
    }
}

TEST(PbfDecoding, LenientAndWrappingInputsDecode)
{
    const uint64_t max = std::numeric_limits<int64_t>::max();
    // Uncompressed data without raw_size is valid; ids wrap instead of overflowing;
    // a blob inflating to exactly the block size less 4 fits; offsets shift positions.
    const std::string largest_block = field(15, std::string(small_block_size - 8, 'x'));
    ASSERT_EQ(largest_block.size(), small_block_size - 4);
    const std::string block_bytes =
        block({}, field(2, dense({zigzag(max), zigzag(max), zigzag(3)}, {zigzag(5), 0, 0}, {0, zigzag(-7), 0})) +
                      field(3, field(1, 4) + field(8, packed({zigzag(max), zigzag(max), zigzag(2)}))));
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
        {}, {}, small_block_size);
    EXPECT_EQ(ids, (std::vector<uint64_t>{max, 2 * max, 2 * max + 3, 4, max, 2 * max, 2 * max + 2, 1, 5}));
    EXPECT_EQ(nanodegrees, (std::vector<long long>{500, 0, 500, -700, 500, -700, 1200, 3000, 1100, 3100}));
}

size_t count_entries(const char *folder)
{
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

TEST(PbfDecoding, ThrowingCallbackLeavesNoThreadOrFileBehind)
{
    struct CallbackError
    {
        int code;
    };
    TemporaryFolder folder;
    const std::string path = folder.write("ok.osm.pbf", file_with_group(field(2, dense({2, 2}, {0, 0}, {0, 0}))));
    const size_t descriptors = count_entries("/proc/self/fd"), threads = count_entries("/proc/self/task");
    for (const bool ordered : {false, true}) {
        int calls = 0;
        auto node = [&](uint64_t, double, double, const TagMap &) { throw CallbackError{++calls}; };
        try {
            read(path, ordered, node);
            ADD_FAILURE() << "no exception";
        } catch (const CallbackError &error) {
            EXPECT_EQ(error.code, 1);
        }
        EXPECT_EQ(count_entries("/proc/self/fd"), descriptors);
        EXPECT_EQ(count_entries("/proc/self/task"), threads);
    }
}

} // namespace
