#include "routing/core/constants.h"
#include "routing/core/contraction_hierarchy_check.h"
#include "tests/routing/core/hierarchy_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using Routing::ContractionHierarchy;
using Side = ContractionHierarchy::Side;

namespace {

unsigned first_arc(const Side &side, bool original)
{
    for (unsigned a = 0; a < side.head.size(); ++a)
        if (side.is_shortcut_an_original_arc.is_set(a) == original)
            return a;
    return Routing::invalid_id;
}

// A backward shortcut that no forward shortcut has as its first half, so that
// a fault in it is not seen first through a forward arc.
unsigned backward_shortcut_of_its_own(const ContractionHierarchy &ch)
{
    std::vector<bool> is_half(ch.backward.head.size(), false);
    for (unsigned a = 0; a < ch.forward.head.size(); ++a)
        if (!ch.forward.is_shortcut_an_original_arc.is_set(a))
            is_half[ch.forward.shortcut_first_arc[a]] = true;
    for (unsigned a = 0; a < ch.backward.head.size(); ++a)
        if (!ch.backward.is_shortcut_an_original_arc.is_set(a) && !is_half[a])
            return a;
    return Routing::invalid_id;
}

} // namespace

TEST(ContractionHierarchyCheck, EachFaultIsNamedAndTheFirstComesFirst)
{
    const ContractionHierarchy sound = build_hierarchy(jittered_grid_graph(6, 7, 5));
    const unsigned n = unsigned(sound.rank.size());
    const unsigned arc_count[2] = {unsigned(sound.forward.head.size()), unsigned(sound.backward.head.size())};
    const unsigned forward_shortcut = first_arc(sound.forward, false);
    const std::string rank_fault = "ch.rank != invert_permutation(ch.order)";
    std::vector<std::pair<std::function<void(ContractionHierarchy &)>, std::string>> cases = {
        {[](ContractionHierarchy &ch) { std::swap(ch.order[0], ch.order[1]); }, rank_fault},
        {[n](ContractionHierarchy &ch) { ch.order[0] = n; }, rank_fault},
        // The forward fault is named even though the backward side is broken too.
        {[](ContractionHierarchy &ch) { ch.forward.first_out.pop_back(), ch.backward.first_out.pop_back(); },
         "ch.forward.first_out.size() != node_count+1"},
        {[](ContractionHierarchy &ch) { ch.backward.first_out.push_back(0); },
         "ch.backward.first_out.size() != node_count+1"},
        // Among several faulty arcs the lowest-numbered forward arc is named.
        {[](ContractionHierarchy &ch) {
             for (Side *side : {&ch.backward, &ch.forward})
                 for (unsigned a = 0; a < side->head.size(); ++a)
                     if (!side->is_shortcut_an_original_arc.is_set(a))
                         side->shortcut_first_arc[a] = unsigned(ch.backward.head.size());
         },
         "ch.forward.shortcut_first_arc[" + std::to_string(forward_shortcut) + "] >= backward_arc_count"},
    };
    for (const bool is_forward : {true, false}) {
        Side ContractionHierarchy::*side =
            is_forward ? &ContractionHierarchy::forward : &ContractionHierarchy::backward;
        const std::string name = is_forward ? "forward" : "backward", field = "ch." + name,
                          count = name + "_arc_count";
        const unsigned original = first_arc(sound.*side, true),
                       shortcut = is_forward ? forward_shortcut : backward_shortcut_of_its_own(sound);
        ASSERT_NE(shortcut, Routing::invalid_id);
        const auto &first_out = (sound.*side).first_out;
        const unsigned x = unsigned(std::ranges::upper_bound(first_out, shortcut) - first_out.begin() - 1);
        const std::string o = std::to_string(original), c = std::to_string(shortcut);
        const std::vector<std::pair<std::function<void(Side &)>, std::string>> side_cases = {
            {[](Side &d) { d.first_out.front() = 1; }, ".first_out.front() != 0"},
            {[](Side &d) { d.first_out[1] = d.first_out.back() + 1; }, "!is_sorted_using_less(FIELD.first_out)"},
            {[](Side &d) { d.head.push_back(0); }, ".head.size() != " + count},
            {[](Side &d) { d.weight.pop_back(); }, ".weight.size() != " + count},
            {[](Side &d) { d.shortcut_first_arc.pop_back(); }, ".shortcut_first_arc.size() != " + count},
            {[](Side &d) { d.shortcut_second_arc.pop_back(); }, ".shortcut_second_arc.size() != " + count},
            {[](Side &d) { d.is_shortcut_an_original_arc.resize(d.head.size() + 1, false); },
             ".is_shortcut_an_original_arc.size() != " + count},
            {[n](Side &d) { d.head.back() = n; }, "!FIELD.head.empty() && max_element_of(FIELD.head) >= node_count"},
            {[=](Side &d) { d.head[shortcut] = x; },
             name + " graph contains downward arc " + std::to_string(x) + " -> " + std::to_string(x)},
            {[=](Side &d) { d.shortcut_first_arc[original] = Routing::invalid_id; },
             ".shortcut_first_arc[" + o + "] == invalid_id for an original arc"},
            {[=](Side &d) { d.shortcut_second_arc[original] = n; },
             ".shortcut_second_arc[" + o + "] >= node_count for an original arc"},
            {[=](Side &d) { d.shortcut_first_arc[shortcut] = arc_count[1]; },
             ".shortcut_first_arc[" + c + "] >= backward_arc_count"},
            {[=](Side &d) { d.shortcut_second_arc[shortcut] = arc_count[0]; },
             ".shortcut_second_arc[" + c + "] >= forward_arc_count"},
            // The half that must be an earlier arc of the same side.
            {[=](Side &d) { (is_forward ? d.shortcut_second_arc : d.shortcut_first_arc)[shortcut] = shortcut; },
             (is_forward ? ".shortcut_second_arc[" : ".shortcut_first_arc[") + c + "] >= " + c},
            {[=](Side &d) { ++d.weight[shortcut]; },
             ".weight[xy] != ch.backward.weight[FIELD.shortcut_first_arc[xy]] + "
             "ch.forward.weight[FIELD.shortcut_second_arc[xy]]"},
        };
        for (const auto &[corrupt, message] : side_cases) {
            std::string expected = message[0] == '.' ? field + message : message;
            for (size_t at; (at = expected.find("FIELD")) != std::string::npos;)
                expected.replace(at, 5, field);
            cases.emplace_back([corrupt, side](ContractionHierarchy &ch) { corrupt(ch.*side); }, expected);
        }
    }
    for (const auto &[corrupt, message] : cases) {
        ContractionHierarchy ch = sound;
        corrupt(ch);
        EXPECT_EQ(error_of([&] { Routing::check_contraction_hierarchy_for_errors(ch); }),
                  "CH is invalid because: " + message);
    }
}

TEST(ContractionHierarchyCheck, AlternatingHalvesThatNeverEndAreRefused)
{
    // Forward shortcut 1 bypasses backward shortcut 1, whose second half is
    // forward shortcut 1 again. Every per-arc condition holds (the weights
    // agree modulo 2^32), but unpacking either would recurse for ever.
    const Side forward{{0, 2, 2, 2}, {1, 2}, {1, 5}, Routing::BitVector(2, false), {0, 1}, {1, 0}};
    const Side backward{{0, 2, 2, 2}, {1, 2}, {4294967295u, 4}, Routing::BitVector(2, false), {1, 0}, {0, 1}};
    ContractionHierarchy ch{{0, 1, 2}, {0, 1, 2}, forward, backward};
    ch.forward.is_shortcut_an_original_arc.set(0);
    ch.backward.is_shortcut_an_original_arc.set(0);
    EXPECT_EQ(error_of([&] { Routing::check_contraction_hierarchy_for_errors(ch); }),
              "CH is invalid because: ch.forward.shortcut_first_arc[1] or ch.forward.shortcut_second_arc[1] is not "
              "stored below node 0");
}
