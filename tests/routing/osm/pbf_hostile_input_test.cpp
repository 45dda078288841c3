#include "routing/osm/osm_pbf_reading.h"
#include "tests/routing/osm/pbf_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <string>
#include <vector>

namespace {

using namespace pbf;
using Routing::OSMRelationMember;
using Routing::TagMap;

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

std::string frame_with_data_size(std::string_view type, uint64_t data_size)
{
    const std::string header = field(1, type) + field(3, data_size);
    return std::string{0, 0, 0, static_cast<char>(header.size())} + header;
}

struct Case
{
    std::string name;
    std::string bytes;
    std::string message;
};

std::vector<Case> hostile_cases()
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
        {"StrayBytes", "abcdef", requested + "1633837924" + above_block},
        {"CutInsideHeader", header.substr(0, 10), wanted(static_cast<unsigned char>(header[3]), 6)},
        {"CutInsideBlob", cut_blob, wanted(data_size, data_size - 5)},
        {"HeaderLengthZero", std::string(4, '\0') + header, "Cannot parse OSM blob header because it is missing the data size"},
        {"HeaderLengthMax", std::string(4, '\xff'), requested + "4294967295" + above_block},
        {"MissingDataSize", std::string{0, 0, 0, 9} + field(1, "OSMData"), "Cannot parse OSM blob header because it is missing the data size"},
        {"DataSizeAboveBlock", frame_with_data_size("OSMData", block_size + 1), requested + std::to_string(block_size + 1) + above_block},
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

class HostileInput : public testing::TestWithParam<Case>
{
};

TEST_P(HostileInput, EndsInTheExpectedError)
{
    TemporaryFolder folder;
    const std::string file = folder.write("hostile.osm.pbf", GetParam().bytes);
    auto node = [](uint64_t, double, double, const TagMap &) {};
    auto way = [](uint64_t, const std::vector<uint64_t> &, const TagMap &) {};
    auto relation = [](uint64_t, const std::vector<OSMRelationMember> &, const TagMap &) {};
    for (const bool ordered : {false, true}) {
        try {
            if (ordered)
                Routing::ordered_read_osm_pbf(file, node, way, relation, {}, false, block_size);
            else
                Routing::unordered_read_osm_pbf(file, node, way, relation, {}, block_size);
            ADD_FAILURE() << "no error, ordered " << ordered;
        } catch (const std::runtime_error &error) {
            EXPECT_EQ(error.what(), GetParam().message) << "ordered " << ordered;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Pbf, HostileInput, testing::ValuesIn(hostile_cases()),
                         [](const auto &info) { return info.param.name; });

struct Delivered
{
    std::vector<uint64_t> ids;
    std::vector<double> coordinates;
    Routing::OSMNodeCallback node = [this](uint64_t id, double latitude, double longitude, const TagMap &) {
        ids.push_back(id);
        coordinates.push_back(latitude);
        coordinates.push_back(longitude);
    };
    Routing::OSMWayCallback way = [this](uint64_t id, const std::vector<uint64_t> &refs, const TagMap &) {
        ids.push_back(id);
        ids.insert(ids.end(), refs.begin(), refs.end());
    };
};

TEST(PbfReading, TruncatedOrEmptyFilesEndCleanly)
{
    TemporaryFolder folder;
    for (const std::string &bytes : {std::string(), header_frame() + "\x01\x02", header_frame() + "abc",
                                     header_frame() + data_frame("")}) {
        const std::string file = folder.write("short.osm.pbf", bytes);
        Delivered delivered;
        Routing::unordered_read_osm_pbf(file, delivered.node, delivered.way, {}, {}, small_block_size);
        Routing::ordered_read_osm_pbf(file, delivered.node, delivered.way, {}, {}, false, small_block_size);
        EXPECT_TRUE(delivered.ids.empty());
    }
}

TEST(PbfReading, LenientAndWrappingInputsDecode)
{
    const uint64_t max = std::numeric_limits<int64_t>::max();
    // Uncompressed data without raw_size is valid; ids wrap instead of overflowing;
    // a blob inflating to exactly the block size less 4 fits.
    const std::string largest_block = field(15, std::string(small_block_size - 8, 'x'));
    ASSERT_EQ(largest_block.size(), small_block_size - 4);
    const std::string block_bytes =
        block({}, field(2, dense({zigzag(max), zigzag(max), zigzag(3)}, {zigzag(5), 0, 0}, {0, zigzag(-7), 0})) +
                      field(3, field(1, uint64_t{4}) + field(8, packed({zigzag(max), zigzag(max), zigzag(2)}))));
    TemporaryFolder folder;
    const std::string file = folder.write("lenient.osm.pbf", header_frame() + frame("OSMData", field(1, block_bytes)) +
                                                                 frame("OSMData", zlib_blob(largest_block)) +
                                                                 data_frame(field(19, uint64_t{1000}) + block({}, field(1, field(1, zigzag(1)) + field(8, zigzag(2))))));
    Delivered delivered;
    Routing::unordered_read_osm_pbf(file, delivered.node, delivered.way, {}, {}, small_block_size);
    EXPECT_EQ(delivered.ids, (std::vector<uint64_t>{max, 2 * max, 2 * max + 3, 4, max, 2 * max, 2 * max + 2, 1}));
    const std::vector<double> coordinates{5e-7, 0, 5e-7, -7e-7, 5e-7, -7e-7, 2e-7 + 1e-6, 0};
    ASSERT_EQ(delivered.coordinates.size(), coordinates.size());
    for (size_t i = 0; i < coordinates.size(); ++i)
        EXPECT_NEAR(delivered.coordinates[i], coordinates[i], 1e-15) << i;
}

struct CallbackError
{
    int code;
};

size_t count_entries(const char *folder)
{
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

TEST(PbfReading, ThrowingCallbackLeavesNoThreadOrFileBehind)
{
    TemporaryFolder folder;
    const std::string file = file_with_group(field(2, dense({2, 2}, {0, 0}, {0, 0})));
    const std::string path = folder.write("ok.osm.pbf", file);
    const size_t descriptors = count_entries("/proc/self/fd");
    const size_t threads = count_entries("/proc/self/task");
    for (const bool ordered : {false, true}) {
        int calls = 0;
        auto node = [&](uint64_t, double, double, const TagMap &) { throw CallbackError{++calls}; };
        try {
            if (ordered)
                Routing::ordered_read_osm_pbf(path, node, {}, {}, {}, false, small_block_size);
            else
                Routing::unordered_read_osm_pbf(path, node, {}, {}, {}, small_block_size);
            ADD_FAILURE() << "no exception";
        } catch (const CallbackError &error) {
            EXPECT_EQ(error.code, 1);
        }
        EXPECT_EQ(count_entries("/proc/self/fd"), descriptors);
        EXPECT_EQ(count_entries("/proc/self/task"), threads);
    }
}

} // namespace
