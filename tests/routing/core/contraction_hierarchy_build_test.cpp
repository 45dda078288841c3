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
using U = std::vector<unsigned>;

namespace {

BitVector bits(std::initializer_list<bool> values)
{
    BitVector result(values.size(), false);
    unsigned i = 0;
    for (bool value : values)
        if (i++, value)
            result.set(i - 1);
    return result;
}

void expect_side(const Side &side, const Side &expected, const char *name)
{
    SCOPED_TRACE(name);
    EXPECT_EQ(side.first_out, expected.first_out);
    EXPECT_EQ(side.head, expected.head);
    EXPECT_EQ(side.weight, expected.weight);
    EXPECT_TRUE(side.is_shortcut_an_original_arc == expected.is_shortcut_an_original_arc);
    EXPECT_EQ(side.shortcut_first_arc, expected.shortcut_first_arc);
    EXPECT_EQ(side.shortcut_second_arc, expected.shortcut_second_arc);
}

void expect_hierarchy(const ContractionHierarchy &ch, const ContractionHierarchy &expected)
{
    EXPECT_EQ(ch.rank, expected.rank);
    EXPECT_EQ(ch.order, expected.order);
    expect_side(ch.forward, expected.forward, "forward");
    expect_side(ch.backward, expected.backward, "backward");
}

Side no_arcs(unsigned node_count)
{
    return {U(node_count + 1, 0), {}, {}, BitVector(0, false), {}, {}};
}

// A diamond 0->1->3, 0->2->3 of unit arcs, contracted in the order 1, 2, 0, 3.
const TestGraph diamond{"diamond", 4, {0, 1, 0, 2}, {1, 3, 2, 3}, {1, 1, 1, 1}};

} // namespace

TEST(ContractionHierarchyBuild, ExactSmallHierarchies)
{
    struct Case
    {
        const char *name;
        std::function<ContractionHierarchy()> build;
        ContractionHierarchy expected;
    };
    const Case cases[] = {
        // Equal importances are never swapped in the queue, and every isolated
        // node is a root of its own in the cache order.
        {"isolated nodes", [] { return build_hierarchy({"", 4, {}, {}, {}}); },
         {{3, 2, 1, 0}, {3, 2, 1, 0}, no_arcs(4), no_arcs(4)}},
        {"one arc", [] { return build_hierarchy({"", 2, {0}, {1}, {7}}); },
         {{0, 1}, {0, 1}, {{0, 1, 1}, {1}, {7}, bits({1}), {0}, {1}}, no_arcs(2)}},
        {"opposite arcs", [] { return build_hierarchy({"", 2, {0, 1}, {1, 0}, {4, 6}}); },
         {{0, 1},
          {0, 1},
          {{0, 1, 1}, {1}, {4}, bits({1}), {0}, {1}},
          {{0, 1, 1}, {1}, {6}, bits({1}), {1}, {0}}}},
        {"all loops", [] { return build_hierarchy({"", 3, {0, 1, 2}, {0, 1, 2}, {1, 2, 3}}); },
         {{2, 1, 0}, {2, 1, 0}, no_arcs(3), no_arcs(3)}},
        {"given order",
         [] { return ContractionHierarchy::build_given_order({2, 0, 1}, {}, {}, {}, {}, 500); },
         {{1, 2, 0}, {2, 0, 1}, no_arcs(3), no_arcs(3)}},
        // A witness of exactly the shortcut's length (0->2->3) spares the
        // shortcut around 1; around 2 none is left, so 0->3 bypasses 2.
        {"equal witness",
         [] { return ContractionHierarchy::build_given_order({1, 2, 0, 3}, diamond.tail, diamond.head,
                                                             diamond.weight, {}, 500); },
         {{2, 0, 1, 3},
          {1, 2, 0, 3},
          {{0, 1, 2, 3, 3}, {3, 3, 3}, {1, 1, 2}, bits({1, 1, 0}), {1, 3, 1}, {3, 3, 1}},
          {{0, 1, 2, 2, 2}, {2, 2}, {1, 1}, bits({1, 1}), {0, 2}, {1, 2}}}},
        // With pop limit 0 the first test stops after one step without the
        // witness: the shortcut 0->3 bypasses 1, and later has a witness in itself.
        {"pop limit 0",
         [] { return ContractionHierarchy::build_given_order({1, 2, 0, 3}, diamond.tail, diamond.head,
                                                             diamond.weight, {}, 0); },
         {{2, 0, 1, 3},
          {1, 2, 0, 3},
          {{0, 1, 2, 3, 3}, {3, 3, 3}, {1, 1, 2}, bits({1, 1, 0}), {1, 3, 0}, {3, 3, 0}},
          {{0, 1, 2, 2, 2}, {2, 2}, {1, 1}, bits({1, 1}), {0, 2}, {1, 2}}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        expect_hierarchy(c.build(), c.expected);
    }
}

TEST(ContractionHierarchyBuild, ParallelArcsKeepTheFirstOfTheLightest)
{
    const ContractionHierarchy ch = build_hierarchy({"", 10, {4, 4, 4}, {9, 9, 9}, {5, 3, 3}});
    const Side &side = ch.forward.head.empty() ? ch.backward : ch.forward;
    ASSERT_EQ(ch.forward.head.size() + ch.backward.head.size(), 1u);
    EXPECT_EQ(side.weight, U{3});
    EXPECT_TRUE(side.is_shortcut_an_original_arc.is_set(0));
    EXPECT_EQ(side.shortcut_first_arc, U{1});
    EXPECT_EQ(side.shortcut_second_arc, U{9});
}

TEST(ContractionHierarchyBuild, LogLinesInOrderAndTheSameHierarchyWithoutThem)
{
    const TestGraph graph = jittered_grid_graph(8, 9, 4);
    const std::string t = "[0-9]+musec";
    const std::vector<std::string> shared_tail = {
        "Start reordering nodes by rank\\.", "Finished reordering nodes by rank\\. Needed " + t + "\\.",
        "Start sorting arcs\\.", "Finished sorting arcs\\. Needed " + t + "\\.",
        "Start building path unpacking information\\.",
        "Finished building path unpacking information\\. Needed " + t + "\\.",
        "Contraction Hierarchy is fully constructed\\.", "CH has [0-9]+ forward arcs\\.",
        "CH has [0-9]+ backward arcs\\."};
    std::vector<std::string> own_order = {
        "Input graph has 72 nodes and 254 arcs\\.",
        "The input's maximum in-degree is 4 and its maximum out-degree is 4\\.",
        "Start removing loops and multi arcs from input\\.",
        "Finished removing loops and multi arcs from input\\. Needed " + t + " time\\.",
        "Start building queue\\.", "Finished building queue\\. Needed " + t + " time\\.",
        "Start contracting nodes\\.", "Finished contracting nodes\\. Needed " + t + "\\.",
        "Start sorting arcs\\.", "Finished sorting arcs\\. Needed " + t + "\\.",
        "Start optimizing order for cache\\.", "Finished optimizing order for cache\\. Needed " + t + "\\."};
    std::vector<std::string> given_rank(own_order.begin(), own_order.begin() + 4);
    given_rank.insert(given_rank.end(), {"Start building contraction hierarchy with given rank\\.",
                                         "Finished contracting nodes\\. Needed " + t + "\\."});
    own_order.insert(own_order.end(), shared_tail.begin(), shared_tail.end());
    given_rank.insert(given_rank.end(), shared_tail.begin(), shared_tail.end());

    const auto expect_lines = [](const std::vector<std::string> &lines, const std::vector<std::string> &patterns) {
        // Progress lines appear only after a second of work; none is expected here.
        ASSERT_EQ(lines.size(), patterns.size());
        for (size_t i = 0; i < lines.size(); ++i)
            EXPECT_TRUE(std::regex_match(lines[i], std::regex(patterns[i]))) << lines[i];
    };
    std::vector<std::string> lines;
    const ContractionHierarchy::LogCallback log = [&lines](std::string line) { lines.push_back(std::move(line)); };

    const ContractionHierarchy logged = build_hierarchy(graph, log);
    expect_lines(lines, own_order);
    expect_hierarchy(logged, build_hierarchy(graph));

    lines.clear();
    const ContractionHierarchy logged_given =
        ContractionHierarchy::build_given_rank(logged.rank, graph.tail, graph.head, graph.weight, log, 500);
    expect_lines(lines, given_rank);
    expect_hierarchy(logged_given,
                     ContractionHierarchy::build_given_rank(logged.rank, graph.tail, graph.head, graph.weight, {}, 500));
}

TEST(ContractionHierarchyBuild, SideFullOfArcsIsRefused)
{
    EXPECT_NO_THROW(Routing::check_room_for_another_arc(4294967294u));
    try {
        Routing::check_room_for_another_arc(4294967295u);
        FAIL() << "no exception";
    } catch (const std::runtime_error &error) {
        EXPECT_STREQ(error.what(), "CH may contain at most 2^32-1 shortcuts per direction");
    }
}

TEST(ContractionHierarchyBuild, BrokenInputIsRejectedWithAClearMessage)
{
    struct Case
    {
        std::function<void()> build;
        const char *message;
    };
    const ContractionHierarchy::LogCallback log = [](std::string) {};
    const Case cases[] = {
        {[&] { ContractionHierarchy::build(3, {0, 1}, {1}, {1, 1}, log, 500); },
         "The arc arrays tail, head and weight must have equal lengths, but have 2, 1 and 2 entries."},
        {[&] { ContractionHierarchy::build(3, {0}, {1}, {}, log, 500); },
         "The arc arrays tail, head and weight must have equal lengths, but have 1, 1 and 0 entries."},
        {[&] { ContractionHierarchy::build(3, {0, 1}, {1, 3}, {1, 1}, log, 500); },
         "Arc 1 runs from 1 to 3, but node ids must be below the node count 3."},
        {[&] { ContractionHierarchy::build(0, {0}, {0}, {1}, log, 500); },
         "Arc 0 runs from 0 to 0, but node ids must be below the node count 0."},
        {[&] { ContractionHierarchy::build_given_rank({2, 0, 1}, {0}, {7}, {1}, log, 500); },
         "Arc 0 runs from 0 to 7, but node ids must be below the node count 3."},
        {[&] { ContractionHierarchy::build_given_rank({2, 0, 3}, {}, {}, {}, log, 500); },
         "The given rank is not a permutation: entry 2 is 3, not below the node count 3."},
        {[&] { ContractionHierarchy::build_given_rank({1, 0, 1}, {}, {}, {}, log, 500); },
         "The given rank is not a permutation: entry 2 is 1, which occurs earlier."},
        {[&] { ContractionHierarchy::build_given_order({0, 4294967295u}, {}, {}, {}, log, 500); },
         "The given order is not a permutation: entry 1 is 4294967295, not below the node count 2."},
    };
    for (const Case &c : cases) {
        try {
            c.build();
            ADD_FAILURE() << "no exception for: " << c.message;
        } catch (const std::invalid_argument &error) {
            EXPECT_STREQ(error.what(), c.message);
        }
    }
}
