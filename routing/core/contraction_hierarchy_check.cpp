#include "routing/core/contraction_hierarchy_check.h"

#include "routing/core/constants.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace Routing {

namespace {

[[noreturn]] void invalid(const std::string &reason)
{
    throw std::runtime_error("CH is invalid because: " + reason);
}

void check_first_out_start_and_order(const ContractionHierarchy::Side &side, const std::string &name)
{
    if (side.first_out.front() != 0)
        invalid(name + ".first_out.front() != 0");
    if (!std::is_sorted(side.first_out.begin(), side.first_out.end()))
        invalid("!is_sorted_using_less(" + name + ".first_out)");
}

void check_arc_array_sizes(const ContractionHierarchy::Side &side, const std::string &name, const std::string &count,
                           unsigned node_count)
{
    const size_t arc_count = side.first_out.back();
    const auto check = [&](size_t size, const char *array) {
        if (size != arc_count)
            invalid(name + "." + array + ".size() != " + count);
    };
    check(side.head.size(), "head");
    check(side.weight.size(), "weight");
    check(side.shortcut_first_arc.size(), "shortcut_first_arc");
    check(side.shortcut_second_arc.size(), "shortcut_second_arc");
    check(side.is_shortcut_an_original_arc.size(), "is_shortcut_an_original_arc");
    if (!side.head.empty() && *std::max_element(side.head.begin(), side.head.end()) >= node_count)
        invalid("!" + name + ".head.empty() && max_element_of(" + name + ".head) >= node_count");
}

// The per-arc conditions of one side; `is_forward` picks which half must be
// an earlier arc of this side.
void check_arcs(const ContractionHierarchy &ch, bool is_forward, unsigned node_count)
{
    const ContractionHierarchy::Side &side = is_forward ? ch.forward : ch.backward;
    const std::string name = is_forward ? "ch.forward" : "ch.backward";
    const size_t forward_arc_count = ch.forward.first_out.back(), backward_arc_count = ch.backward.first_out.back();
    for (unsigned xy = 0; xy < side.head.size(); ++xy) {
        const std::string at = "[" + std::to_string(xy) + "]";
        const unsigned first = side.shortcut_first_arc[xy], second = side.shortcut_second_arc[xy];
        if (side.is_shortcut_an_original_arc.is_set(xy)) {
            if (first == invalid_id)
                invalid(name + ".shortcut_first_arc" + at + " == invalid_id for an original arc");
            if (second >= node_count)
                invalid(name + ".shortcut_second_arc" + at + " >= node_count for an original arc");
            continue;
        }
        if (first >= backward_arc_count)
            invalid(name + ".shortcut_first_arc" + at + " >= backward_arc_count");
        if (second >= forward_arc_count)
            invalid(name + ".shortcut_second_arc" + at + " >= forward_arc_count");
        const unsigned earlier_half = is_forward ? second : first;
        if (earlier_half >= xy)
            invalid(name + (is_forward ? ".shortcut_second_arc" : ".shortcut_first_arc") + at
                    + " >= " + std::to_string(xy));
        if (side.weight[xy] != ch.backward.weight[first] + ch.forward.weight[second])
            invalid(name + ".weight[xy] != ch.backward.weight[" + name + ".shortcut_first_arc[xy]] + ch.forward.weight["
                    + name + ".shortcut_second_arc[xy]]");
    }
}

} // namespace

void check_contraction_hierarchy_for_errors(const ContractionHierarchy &ch)
{
    const unsigned node_count = unsigned(ch.rank.size());
    std::vector<unsigned> inverse_order(ch.order.size(), 0);
    for (unsigned i = 0; i < ch.order.size(); ++i) {
        if (ch.order[i] >= ch.order.size())
            invalid("ch.rank != invert_permutation(ch.order)");
        inverse_order[ch.order[i]] = i;
    }
    if (inverse_order != ch.rank)
        invalid("ch.rank != invert_permutation(ch.order)");
    if (ch.forward.first_out.size() != size_t(node_count) + 1)
        invalid("ch.forward.first_out.size() != node_count+1");
    if (ch.backward.first_out.size() != size_t(node_count) + 1)
        invalid("ch.backward.first_out.size() != node_count+1");
    check_first_out_start_and_order(ch.forward, "ch.forward");
    check_arc_array_sizes(ch.forward, "ch.forward", "forward_arc_count", node_count);
    check_first_out_start_and_order(ch.backward, "ch.backward");
    check_arc_array_sizes(ch.backward, "ch.backward", "backward_arc_count", node_count);

    for (unsigned x = 0; x < node_count; ++x)
        for (bool is_forward : {true, false}) {
            const ContractionHierarchy::Side &side = is_forward ? ch.forward : ch.backward;
            for (unsigned a = side.first_out[x]; a < side.first_out[x + 1]; ++a)
                if (side.head[a] <= x)
                    invalid(std::string(is_forward ? "forward" : "backward") + " graph contains downward arc "
                            + std::to_string(x) + " -> " + std::to_string(side.head[a]));
        }
    check_arcs(ch, true, node_count);
    check_arcs(ch, false, node_count);

    // Halves stored below the shortcut make every unpacking end.
    for (unsigned x = 0; x < node_count; ++x)
        for (bool is_forward : {true, false}) {
            const ContractionHierarchy::Side &side = is_forward ? ch.forward : ch.backward;
            const std::string name = is_forward ? "ch.forward" : "ch.backward";
            for (unsigned a = side.first_out[x]; a < side.first_out[x + 1]; ++a)
                if (!side.is_shortcut_an_original_arc.is_set(a)
                    && (side.shortcut_first_arc[a] >= ch.backward.first_out[x]
                        || side.shortcut_second_arc[a] >= ch.forward.first_out[x]))
                    invalid(name + ".shortcut_first_arc[" + std::to_string(a) + "] or " + name
                            + ".shortcut_second_arc[" + std::to_string(a) + "] is not stored below node "
                            + std::to_string(x));
        }
}

} // namespace Routing
