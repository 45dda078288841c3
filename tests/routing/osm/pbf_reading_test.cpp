#include "routing/osm/osm_pbf_reading.h"
#include "tests/routing/osm/pbf_test_support.h"
#include "tests/support/test_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Routing::OSMRelationMember;
using Routing::TagMap;

// Relations, then ways, then nodes, with ids out of order: every corner of
// ids, coordinates, texts and members that the format allows.
std::string unsorted_fixture_opl()
{
    const std::string meta = " v3 dV c17 t2021-05-04T03:02:01Z i42 uMapper%20%Name";
    std::string many_refs;
    for (int i = 0; i < 2000; ++i)
        many_refs += (i ? ",n" : "n") + std::to_string(100000 + 7 * i);
    std::string many_tags;
    for (int i = 0; i < 40; ++i)
        many_tags += (i ? "," : "") + std::string("k") + std::to_string(i) + "x=" + std::to_string(i);
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

struct Variant
{
    std::string name;
    std::string format;
    bool sort;
};

class OsmiumVariants : public testing::TestWithParam<Variant>
{
};

TEST_P(OsmiumVariants, EveryElementMatchesOsmium)
{
    TemporaryFolder folder;
    const std::string pbf = opl_to_pbf(folder, "fixture", unsorted_fixture_opl(), GetParam().format, GetParam().sort);
    const std::vector<OsmElement> expected = osmium_elements(pbf);
    ASSERT_EQ(expected.size(), 10u);
    EXPECT_EQ(compare_unordered_read(pbf, expected, small_block_size), std::vector<std::string>());
}

// Dense nodes or not, zlib or uncompressed, with metadata or without, sorted or not.
std::vector<Variant> all_variants()
{
    std::vector<Variant> variants;
    for (const bool dense : {true, false})
        for (const bool zlib : {true, false})
            for (const bool metadata : {true, false})
                for (const bool sort : {false, true})
                    variants.push_back({std::string(dense ? "Dense" : "Plain") + (zlib ? "Zlib" : "Raw") +
                                            (metadata ? "Meta" : "NoMeta") + (sort ? "Sorted" : "Unsorted"),
                                        std::string("pbf,pbf_dense_nodes=") + (dense ? "true" : "false") +
                                            ",pbf_compression=" + (zlib ? "zlib" : "none") +
                                            ",add_metadata=" + (metadata ? "true" : "false"),
                                        sort});
    return variants;
}

INSTANTIATE_TEST_SUITE_P(Pbf, OsmiumVariants, testing::ValuesIn(all_variants()),
                         [](const auto &info) { return info.param.name; });

TEST(PbfReading, MonacoMatchesOsmiumElementByElement)
{
    REQUIRE_MONACO_PBF(monaco);
    const std::vector<OsmElement> expected = osmium_elements(monaco);
    EXPECT_EQ(compare_unordered_read(monaco, expected, Routing::pbf_block_size), std::vector<std::string>());

    size_t counts[3] = {};
    for (const OsmElement &e : expected)
        ++counts[e.kind == 'n' ? 0 : e.kind == 'w' ? 1 : 2];
    const std::string info = run_command("osmium fileinfo --no-progress -e " + monaco);
    for (const auto &[line, count] : {std::pair{"Number of nodes: ", counts[0]}, std::pair{"Number of ways: ", counts[1]},
                                      std::pair{"Number of relations: ", counts[2]}})
        EXPECT_NE(info.find(line + std::to_string(count) + "\n"), std::string::npos) << line << count;
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
};

TEST(PbfReading, OrderedReadDeliversNodesThenWaysThenRelations)
{
    TemporaryFolder folder;
    const std::string pbf = opl_to_pbf(folder, "unsorted", unsorted_fixture_opl(), "pbf");
    const std::string nodes = "n9007199254740993 n-3 n1 n2 n4294967297 ";
    const std::string ways = "w4294967297 w-5 w6 ";
    const std::string relations = "r-7 r8 ";

    Trace unordered, ordered, ways_only, one_pass;
    Routing::unordered_read_osm_pbf(pbf, unordered.node, unordered.way, unordered.relation, {}, small_block_size);
    Routing::ordered_read_osm_pbf(pbf, ordered.node, ordered.way, ordered.relation, {}, false, small_block_size);
    Routing::ordered_read_osm_pbf(pbf, {}, ways_only.way, {}, {}, false, small_block_size);
    Routing::ordered_read_osm_pbf(pbf, one_pass.node, one_pass.way, one_pass.relation, {}, true, small_block_size);
    EXPECT_EQ(unordered.order, relations + ways + nodes);
    EXPECT_EQ(ordered.order, nodes + ways + relations);
    EXPECT_EQ(ways_only.order, ways);
    EXPECT_EQ(one_pass.order, relations + ways + nodes);
}

TEST(PbfReading, HeaderDeclaringSortedOrderGivesOneReadInFileOrder)
{
    using namespace pbf;
    const std::string way_group = field(3, field(1, uint64_t{5}));
    const std::string node_group = field(2, field(1, packed({zigzag(9)})) + field(8, packed({0})) +
                                                field(9, packed({0})));
    TemporaryFolder folder;
    for (const bool sorted : {true, false}) {
        const std::string header = frame("OSMHeader", field(5, sorted ? "Sort.Type_then_ID" : "Sort.Other"));
        const std::string file = folder.write("header.osm.pbf", header + data_frame(block({}, way_group)) +
                                                                    data_frame(block({}, node_group)));
        Trace trace;
        Routing::ordered_read_osm_pbf(file, trace.node, trace.way, trace.relation, {}, false, small_block_size);
        EXPECT_EQ(trace.order, sorted ? "w5 n9 " : "n9 w5 ");
    }
}

TEST(PbfReading, ErrorInTheWayPassEndsTheReadAfterAllNodes)
{
    using namespace pbf;
    const std::string broken_way = field(3, field(2, packed({})));
    const std::string nodes = field(2, field(1, packed({zigzag(1), zigzag(1)})) + field(8, packed({0, 0})) +
                                           field(9, packed({0, 0})));
    TemporaryFolder folder;
    const std::string file =
        folder.write("broken.osm.pbf", header_frame() + data_frame(block({}, broken_way + field(4, field(1, uint64_t{3})))) +
                                           data_frame(block({}, nodes)));
    Trace trace;
    EXPECT_THROW(
        {
            try {
                Routing::ordered_read_osm_pbf(file, trace.node, trace.way, trace.relation, {}, false,
                                              small_block_size);
            } catch (const std::runtime_error &error) {
                EXPECT_STREQ(error.what(), "PBF error: way is missing its OSM ID.");
                throw;
            }
        },
        std::runtime_error);
    EXPECT_EQ(trace.order, "n1 n2 ");
}

TEST(PbfReading, SpeedtestReportsTheRate)
{
    TemporaryFolder folder;
    const std::string pbf = opl_to_pbf(folder, "speed", unsorted_fixture_opl(), "pbf");
    std::vector<std::string> lines;
    Routing::speedtest_osm_pbf_reading(pbf, [&](const std::string &line) { lines.push_back(line); });
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Starting scan speedtest");
    EXPECT_EQ(lines[1], "Read         0 nodes,         0 ways,         1 relations last second");
    EXPECT_EQ(lines[2], "Speedtest finished");
    EXPECT_THROW(Routing::speedtest_osm_pbf_reading(pbf, {}), std::bad_function_call);
}

} // namespace
