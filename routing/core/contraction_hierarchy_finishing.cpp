#include "routing/core/contraction_hierarchy_finishing.h"

#include "routing/core/graph_util.h"
#include "routing/core/min_id_queue.h"
#include "routing/core/step_log.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace Routing {

std::vector<unsigned> build_first_out(unsigned node_count, const std::vector<unsigned> &sorted_tail)
{
    std::vector<unsigned> first_out(size_t(node_count) + 1, 0);
    for (unsigned t : sorted_tail)
        ++first_out[t + 1];
    std::partial_sum(first_out.begin(), first_out.end(), first_out.begin());
    return first_out;
}

namespace {

void sort_side(unsigned node_count, ContractionHierarchy::Side &side, ContractionHierarchyExtraInfo::Side &extra)
{
    const std::vector<unsigned> p =
        compute_inverse_sort_permutation_first_by_tail_then_by_head_and_apply_sort_to_tail(node_count, extra.tail,
                                                                                           side.head);
    side.head = apply_inverse_permutation(p, std::move(side.head));
    side.weight = apply_inverse_permutation(p, std::move(side.weight));
    extra.mid_node = apply_inverse_permutation(p, std::move(extra.mid_node));
    side.first_out = build_first_out(node_count, extra.tail);
}

} // namespace

void sort_ch_arcs_and_build_first_out_arrays(ContractionHierarchy &ch, ContractionHierarchyExtraInfo &extra,
                                             const ContractionHierarchy::LogCallback &log_message)
{
    const StepLog step(log_message, "sorting arcs");
    const unsigned n = unsigned(ch.rank.size());
    sort_side(n, ch.forward, extra.forward);
    sort_side(n, ch.backward, extra.backward);
    step.finish();
}

void optimize_order_for_cache(ContractionHierarchy &ch, const ContractionHierarchy::LogCallback &log_message)
{
    const StepLog step(log_message, "optimizing order for cache");
    const unsigned n = unsigned(ch.rank.size());
    std::vector<unsigned> new_order(n);
    {
        std::vector<bool> is_root(n, true);
        for (const ContractionHierarchy::Side *side : {&ch.forward, &ch.backward})
            for (unsigned h : side->head)
                is_root[h] = false;

        std::vector<bool> was_pushed(n, false);
        MinIDQueue queue(n);
        unsigned end = n;
        for (unsigned root = 0; root < n; ++root) {
            if (!is_root[root])
                continue;
            queue.push(root, ch.rank[root]);
            was_pushed[root] = true;
            const unsigned segment_end = end;
            while (!queue.empty()) {
                const unsigned y = queue.pop().id;
                new_order[--end] = y;
                for (const ContractionHierarchy::Side *side : {&ch.forward, &ch.backward})
                    for (unsigned a = side->first_out[y]; a < side->first_out[y + 1]; ++a) {
                        const unsigned h = side->head[a];
                        if (!was_pushed[h]) {
                            queue.push(h, ch.rank[h]);
                            was_pushed[h] = true;
                        }
                    }
            }
            std::reverse(new_order.begin() + end, new_order.begin() + segment_end);
        }
    }
    for (unsigned i = 0; i < n; ++i)
        ch.rank[new_order[i]] = i;
    ch.order = std::move(new_order);
    step.finish();
}

void make_internal_nodes_and_rank_coincide(ContractionHierarchy &ch, ContractionHierarchyExtraInfo &extra,
                                           const ContractionHierarchy::LogCallback &log_message)
{
    const StepLog step(log_message, "reordering nodes by rank");
    for (auto [side, extra_side] : {std::pair{&ch.forward, &extra.forward}, std::pair{&ch.backward, &extra.backward}}) {
        for (unsigned &h : side->head)
            h = ch.rank[h];
        for (unsigned &t : extra_side->tail)
            t = ch.rank[t];
        for (unsigned &m : extra_side->mid_node)
            if (m != invalid_id)
                m = ch.rank[m];
    }
    step.finish();
}

void build_unpacking_information(unsigned node_count, const std::vector<unsigned> &tail,
                                 const std::vector<unsigned> &head, const std::vector<unsigned> &input_arc_id,
                                 ContractionHierarchy &ch, const ContractionHierarchyExtraInfo &extra,
                                 const ContractionHierarchy::LogCallback &log_message)
{
    const StepLog step(log_message, "building path unpacking information");
    const std::vector<unsigned> input_first_out = build_first_out(node_count, tail);
    const auto input_arc = [&](unsigned x, unsigned y) {
        return find_arc_given_sorted_head(input_first_out, head, x, y);
    };
    const auto backward_arc = [&](unsigned x, unsigned y) {
        return find_arc_given_sorted_head(ch.backward.first_out, ch.backward.head, x, y);
    };
    const auto forward_arc = [&](unsigned x, unsigned y) {
        return find_arc_given_sorted_head(ch.forward.first_out, ch.forward.head, x, y);
    };

    // Forward arc x->y stands for travel x->y, backward arc x->y for travel
    // y->x. A shortcut's halves are stored at its middle node m: first the backward
    // arc reaching m, then the forward arc leaving it.
    const auto fill = [&](ContractionHierarchy::Side &side, const ContractionHierarchyExtraInfo::Side &extra_side,
                          bool is_forward) {
        const unsigned arc_count = unsigned(side.head.size());
        side.is_shortcut_an_original_arc = BitVector(arc_count, false);
        side.shortcut_first_arc.assign(arc_count, invalid_id);
        side.shortcut_second_arc.assign(arc_count, invalid_id);
        for (unsigned xy = 0; xy < arc_count; ++xy) {
            const unsigned x = extra_side.tail[xy], y = side.head[xy], m = extra_side.mid_node[xy];
            const unsigned from = is_forward ? x : y, to = is_forward ? y : x;
            if (m == invalid_id) {
                side.is_shortcut_an_original_arc.set(xy);
                // Always found for a build from valid input; a miss leaves invalid_id.
                const unsigned a = input_arc(ch.order[from], ch.order[to]);
                if (a != invalid_id) {
                    side.shortcut_first_arc[xy] = input_arc_id[a];
                    side.shortcut_second_arc[xy] = head[a];
                }
            } else {
                side.shortcut_first_arc[xy] = backward_arc(m, from);
                side.shortcut_second_arc[xy] = forward_arc(m, to);
            }
        }
    };
    fill(ch.forward, extra.forward, true);
    fill(ch.backward, extra.backward, false);

    step.finish();
    if (log_message)
        log_message("Contraction Hierarchy is fully constructed.");
}

} // namespace Routing
