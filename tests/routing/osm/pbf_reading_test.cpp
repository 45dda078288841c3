#include "routing/osm/osm_pbf_reading.h"
#include "tests/routing/osm/pbf_test_support.h"
#include "tests/support/test_data.h"

#include <gtest/gtest.h>

#include <regex>
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

TEST(PbfReading, FixtureInEveryVariantMatchesOsmium)
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
                    EXPECT_EQ(compare_with_osmium(pbf, small_block_size), "5 nodes, 3 ways, 2 relations");
                }
}

TEST(PbfReading, MonacoMatchesOsmium)
{
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
};

TEST(PbfReading, OrderedReadDeliversNodesThenWaysThenRelations)
{
    TemporaryFolder folder;
    const std::string pbf = opl_to_pbf(folder, "unsorted", unsorted_fixture_opl(), "pbf");
    const std::string nodes = "n9007199254740993 n-3 n1 n2 n4294967297 ", ways = "w4294967297 w-5 w6 ";
    Trace unordered, ordered, ways_only, one_pass;
    Routing::unordered_read_osm_pbf(pbf, unordered.node, unordered.way, unordered.relation, {}, small_block_size);
    Routing::ordered_read_osm_pbf(pbf, ordered.node, ordered.way, ordered.relation, {}, false, small_block_size);
    Routing::ordered_read_osm_pbf(pbf, {}, ways_only.way, {}, {}, false, small_block_size);
    Routing::ordered_read_osm_pbf(pbf, one_pass.node, one_pass.way, one_pass.relation, {}, true, small_block_size);
    EXPECT_EQ(unordered.order, "r-7 r8 " + ways + nodes);
    EXPECT_EQ(ordered.order, nodes + ways + "r-7 r8 ");
    EXPECT_EQ(ways_only.order, ways);
    EXPECT_EQ(one_pass.order, unordered.order);

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

} // namespace
