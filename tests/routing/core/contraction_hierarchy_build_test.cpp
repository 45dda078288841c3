#include "routing/core/contraction_hierarchy.h"
#include "routing/core/contraction_hierarchy_contraction.h"
#include "tests/routing/core/hierarchy_test_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

using Routing::BitVector;
using Routing::ContractionHierarchy;
using Side = ContractionHierarchy::Side;

namespace {

using Ids = std::vector<unsigned>;

// `original` holds '1' for each input arc and '0' for each shortcut.
Side side(Ids first_out, Ids head, Ids weight, const std::string &original, Ids first, Ids second)
{
    BitVector is_original(head.size(), false);
    for (size_t a = 0; a < original.size(); ++a)
        if (original[a] == '1')
            is_original.set(a);
    return {std::move(first_out), std::move(head), std::move(weight), is_original, std::move(first), std::move(second)};
}

Side no_arcs(unsigned node_count)
{
    return side(Ids(node_count + 1, 0), {}, {}, "", {}, {});
}

ContractionHierarchy given_order(Ids order, const TestGraph &graph, unsigned max_pop_count = 500)
{
    return ContractionHierarchy::build_given_order(std::move(order), graph.tail, graph.head, graph.weight, {},
                                                   max_pop_count);
}

// 0->1->3 and 0->2->3, all of weight 1.
const TestGraph diamond{"diamond", 4, {0, 1, 0, 2}, {1, 3, 2, 3}, {1, 1, 1, 1}};

} // namespace

TEST(ContractionHierarchyBuild, ExactSmallHierarchies)
{
    // Equal importances are never swapped in the queue (contraction order 0,
    // n-1, ..., 1), and every node without an arc pointing up to it is a root
    // of its own in the cache order, later roots first.
    const Side diamond_backward = side({0, 1, 2, 2, 2}, {2, 2}, {1, 1}, "11", {0, 2}, {1, 2});
    const std::pair<std::function<ContractionHierarchy()>, ContractionHierarchy> cases[] = {
        {[] { return build_hierarchy({"isolated nodes", 4, {}, {}, {}}); },
         {{3, 2, 1, 0}, {3, 2, 1, 0}, no_arcs(4), no_arcs(4)}},
        {[] { return build_hierarchy({"one arc", 2, {0}, {1}, {7}}); },
         {{0, 1}, {0, 1}, side({0, 1, 1}, {1}, {7}, "1", {0}, {1}), no_arcs(2)}},
        {[] { return build_hierarchy({"opposite arcs", 2, {0, 1}, {1, 0}, {4, 6}}); },
         {{0, 1}, {0, 1}, side({0, 1, 1}, {1}, {4}, "1", {0}, {1}), side({0, 1, 1}, {1}, {6}, "1", {1}, {0})}},
        {[] { return build_hierarchy({"all loops", 3, {0, 1, 2}, {0, 1, 2}, {1, 2, 3}}); },
         {{2, 1, 0}, {2, 1, 0}, no_arcs(3), no_arcs(3)}},
        // The survivor of parallel arcs is the first of the lightest.
        {[] { return build_hierarchy({"parallel arcs", 10, {4, 4, 4}, {9, 9, 9}, {5, 3, 3}}); },
         {{9, 8, 7, 6, 1, 5, 4, 3, 2, 0}, {9, 4, 8, 7, 6, 5, 3, 2, 1, 0}, no_arcs(10),
          side({0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, {1}, {3}, "1", {1}, {9})}},
        {[] { return given_order({2, 0, 1}, {"no arc", 3, {}, {}, {}}); },
         {{1, 2, 0}, {2, 0, 1}, no_arcs(3), no_arcs(3)}},
        // A witness of exactly the shortcut's length (0->2->3) spares the
        // shortcut around 1; around 2 none is left, so 0->3 bypasses 2.
        {[] { return given_order({1, 2, 0, 3}, diamond); },
         {{2, 0, 1, 3}, {1, 2, 0, 3}, side({0, 1, 2, 3, 3}, {3, 3, 3}, {1, 1, 2}, "110", {1, 3, 1}, {3, 3, 1}),
          diamond_backward}},
        // Pop limit 0 ends the first witness search after one step, before
        // the witness: 0->3 bypasses 1 and is itself the witness around 2.
        {[] { return given_order({1, 2, 0, 3}, diamond, 0); },
         {{2, 0, 1, 3}, {1, 2, 0, 3}, side({0, 1, 2, 3, 3}, {3, 3, 3}, {1, 1, 2}, "110", {1, 3, 0}, {3, 3, 0}),
          diamond_backward}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        expect_hierarchy(cases[i].first(), cases[i].second);
    }
}

TEST(ContractionHierarchyBuild, LogLinesInOrderAndTheSameHierarchyWithoutThem)
{
    const TestGraph graph = jittered_grid_graph(8, 9, 4);
    std::string text;
    const ContractionHierarchy::LogCallback log = [&text](std::string line) { text += line + '\n'; };
    const auto expect_text = [&text](const std::string &pattern) {
        EXPECT_TRUE(std::regex_match(text, std::regex(pattern))) << text;
        text.clear();
    };
    const auto step = [](const std::string &name, const std::string &unit = "musec\\.") {
        return "Start " + name + "\\.\nFinished " + name + "\\. Needed [0-9]+" + unit + "\n";
    };
    const std::string input = "Input graph has 72 nodes and 254 arcs\\.\n"
                              "The input's maximum in-degree is 4 and its maximum out-degree is 4\\.\n"
                              + step("removing loops and multi arcs from input", "musec time\\.");
    const std::string ending = step("reordering nodes by rank") + step("sorting arcs")
                               + step("building path unpacking information")
                               + "Contraction Hierarchy is fully constructed\\.\n"
                                 "CH has [0-9]+ forward arcs\\.\nCH has [0-9]+ backward arcs\\.\n";

    const ContractionHierarchy logged = build_hierarchy(graph, log);
    // Progress lines come only after a second of work, which this graph does not take.
    expect_text(input + step("building queue", "musec time\\.") + step("contracting nodes") + step("sorting arcs")
                + step("optimizing order for cache") + ending);
    expect_hierarchy(logged, build_hierarchy(graph));
    const auto given = [&](const ContractionHierarchy::LogCallback &callback) {
        return ContractionHierarchy::build_given_rank(logged.rank, graph.tail, graph.head, graph.weight, callback, 500);
    };
    const ContractionHierarchy logged_given = given(log);
    expect_text(input + "Start building contraction hierarchy with given rank\\.\n"
                        "Finished contracting nodes\\. Needed [0-9]+musec\\.\n" + ending);
    expect_hierarchy(logged_given, given({}));
}

TEST(ContractionHierarchyBuild, BrokenInputIsRefused)
{
    EXPECT_EQ(error_of([] { Routing::check_room_for_another_arc(4294967294u); }), "");
    EXPECT_EQ(error_of([] { Routing::check_room_for_another_arc(4294967295u); }),
              "CH may contain at most 2^32-1 shortcuts per direction");

    const std::pair<std::function<void()>, const char *> cases[] = {
        {[] { ContractionHierarchy::build(3, {0, 1}, {1}, {1, 1}, {}, 500); },
         "The arc arrays tail, head and weight must have equal lengths, but have 2, 1 and 2 entries."},
        {[] { ContractionHierarchy::build(3, {0, 1}, {1, 3}, {1, 1}, {}, 500); },
         "Arc 1 runs from 1 to 3, but node ids must be below the node count 3."},
        {[] { ContractionHierarchy::build_given_rank({2, 0, 1}, {7}, {0}, {1}, {}, 500); },
         "Arc 0 runs from 7 to 0, but node ids must be below the node count 3."},
        {[] { ContractionHierarchy::build_given_rank({2, 0, 3}, {}, {}, {}, {}, 500); },
         "The given rank is not a permutation: entry 2 is 3, not below the node count 3."},
        {[] { ContractionHierarchy::build_given_order({1, 0, 1}, {}, {}, {}, {}, 500); },
         "The given order is not a permutation: entry 2 is 1, which occurs earlier."},
    };
    for (const auto &[build, message] : cases)
        EXPECT_EQ(error_of(build), message);
    EXPECT_THROW(cases[0].first(), std::invalid_argument);
}
