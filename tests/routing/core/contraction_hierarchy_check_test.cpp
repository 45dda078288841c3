#include "routing/core/contraction_hierarchy_check.h"
#include "routing/core/contraction_hierarchy_query.h"
#include "tests/routing/core/hierarchy_test_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <stdexcept>

using Routing::ContractionHierarchy;
using Side = ContractionHierarchy::Side;

namespace {

std::string check_error(const ContractionHierarchy &ch)
{
    try {
        Routing::check_contraction_hierarchy_for_errors(ch);
    } catch (const std::runtime_error &error) {
        return error.what();
    }
    return "";
}

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

unsigned stored_at(const Side &side, unsigned arc)
{
    unsigned x = 0;
    while (side.first_out[x + 1] <= arc)
        ++x;
    return x;
}

} // namespace

TEST(ContractionHierarchyCheck, SoundHierarchiesPass)
{
    const ContractionHierarchy ch = build_hierarchy(jittered_grid_graph(6, 7, 5));
    std::stringstream file;
    ch.write(file);
    const ContractionHierarchy empty{{}, {}, {{0}, {}, {}, {}, {}, {}}, {{0}, {}, {}, {}, {}, {}}};
    for (const ContractionHierarchy &sound : {ch, ContractionHierarchy::read(file), empty})
        EXPECT_EQ(check_error(sound), "");
}

TEST(ContractionHierarchyCheck, EachFaultIsNamedAndTheFirstComesFirst)
{
    const ContractionHierarchy sound = build_hierarchy(jittered_grid_graph(6, 7, 5));
    const unsigned n = unsigned(sound.rank.size());
    const std::string F = "ch.forward", B = "ch.backward";
    struct Faults
    {
        const char *side_name; // "forward" or "backward"
        std::string field;     // "ch.forward" or "ch.backward"
        Side ContractionHierarchy::*side;
        unsigned original, shortcut; // one arc of each kind on this side
    };
    const Faults sides[] = {
        {"forward", F, &ContractionHierarchy::forward, first_arc(sound.forward, true), first_arc(sound.forward, false)},
        {"backward", B, &ContractionHierarchy::backward, first_arc(sound.backward, true),
         backward_shortcut_of_its_own(sound)},
    };
    ASSERT_TRUE(sides[0].shortcut != Routing::invalid_id && sides[1].shortcut != Routing::invalid_id);

    std::vector<std::pair<std::function<void(ContractionHierarchy &)>, std::string>> cases = {
        {[](ContractionHierarchy &ch) { std::swap(ch.order[0], ch.order[1]); }, "ch.rank != invert_permutation(ch.order)"},
        {[n](ContractionHierarchy &ch) { ch.order[0] = n; }, "ch.rank != invert_permutation(ch.order)"},
        // The forward fault is named even though the backward side is broken too.
        {[](ContractionHierarchy &ch) { ch.forward.first_out.pop_back(), ch.backward.first_out.pop_back(); },
         F + ".first_out.size() != node_count+1"},
        {[](ContractionHierarchy &ch) { ch.backward.first_out.push_back(0); }, B + ".first_out.size() != node_count+1"},
    };
    for (const Faults &s : sides) {
        const auto side = s.side;
        const std::string count = std::string(s.side_name) + "_arc_count", o = std::to_string(s.original),
                          c = std::to_string(s.shortcut);
        const unsigned x = stored_at(sound.*side, s.shortcut), original = s.original, shortcut = s.shortcut;
        const unsigned backward_count = unsigned(sound.backward.head.size()),
                       forward_count = unsigned(sound.forward.head.size());
        const bool is_forward = side == &ContractionHierarchy::forward;
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
             s.side_name + std::string(" graph contains downward arc ") + std::to_string(x) + " -> " + std::to_string(x)},
            {[=](Side &d) { d.shortcut_first_arc[original] = Routing::invalid_id; },
             ".shortcut_first_arc[" + o + "] == invalid_id for an original arc"},
            {[=](Side &d) { d.shortcut_second_arc[original] = n; },
             ".shortcut_second_arc[" + o + "] >= node_count for an original arc"},
            {[=](Side &d) { d.shortcut_first_arc[shortcut] = backward_count; },
             ".shortcut_first_arc[" + c + "] >= backward_arc_count"},
            {[=](Side &d) { d.shortcut_second_arc[shortcut] = forward_count; },
             ".shortcut_second_arc[" + c + "] >= forward_arc_count"},
            // The half that must be an earlier arc of the same side.
            {[=](Side &d) { (is_forward ? d.shortcut_second_arc : d.shortcut_first_arc)[shortcut] = shortcut; },
             std::string(is_forward ? ".shortcut_second_arc[" : ".shortcut_first_arc[") + c + "] >= " + c},
            {[=](Side &d) { ++d.weight[shortcut]; },
             ".weight[xy] != ch.backward.weight[FIELD.shortcut_first_arc[xy]] + ch.forward.weight[FIELD.shortcut_second_arc[xy]]"},
        };
        for (const auto &[corrupt, message] : side_cases) {
            std::string expected = message[0] == '.' ? s.field + message : message;
            for (size_t at; (at = expected.find("FIELD")) != std::string::npos;)
                expected.replace(at, 5, s.field);
            cases.emplace_back([corrupt, side](ContractionHierarchy &ch) { corrupt(ch.*side); }, expected);
        }
    }
    // Among several faulty arcs the lowest-numbered forward arc is named.
    cases.emplace_back(
        [&](ContractionHierarchy &ch) {
            for (Side *side : {&ch.backward, &ch.forward})
                for (unsigned a = 0; a < side->head.size(); ++a)
                    if (!side->is_shortcut_an_original_arc.is_set(a))
                        side->shortcut_first_arc[a] = unsigned(ch.backward.head.size());
        },
        F + ".shortcut_first_arc[" + std::to_string(sides[0].shortcut) + "] >= backward_arc_count");

    for (const auto &[corrupt, message] : cases) {
        ContractionHierarchy ch = sound;
        corrupt(ch);
        EXPECT_EQ(check_error(ch), "CH is invalid because: " + message);
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
    EXPECT_EQ(check_error(ch), "CH is invalid because: ch.forward.shortcut_first_arc[1] or "
                               "ch.forward.shortcut_second_arc[1] is not stored below node 0");
}
