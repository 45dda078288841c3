#include "routing/core/contraction_hierarchy_extra_weight.h"

#include "routing/core/contraction_hierarchy_query.h"
#include "routing/core/weight.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace Routing {

unsigned SaturatedWeightAddition::operator()(unsigned a, unsigned b) const
{
    return add_weights_saturated(a, b);
}

int SaturatedWeightAddition::operator()(int a, int b) const
{
    return int(std::clamp<int64_t>(int64_t(a) + b, INT_MIN, INT_MAX));
}

template <class ExtraWeight, class LinkFunction>
typename detail::GetExtraWeightTypeHelper<ExtraWeight>::type
ContractionHierarchyQuery::get_extra_weight_distance(const ExtraWeight &extra_weight, LinkFunction link) const
{
    using T = typename detail::GetExtraWeightTypeHelper<ExtraWeight>::type;
    const detail::ShortcutWeights<ExtraWeight, LinkFunction> weights(*ch, extra_weight, link);
    if (meeting_node == invalid_id)
        return 0;

    // Each part accumulates outward from the meeting node.
    const auto part = [&](const SearchSide &side, auto arc_weight, T &sum) {
        unsigned x = meeting_node;
        if (side.predecessor_node[x] == invalid_id)
            return false;
        sum = arc_weight(side.predecessor_arc[x]);
        for (x = side.predecessor_node[x]; side.predecessor_node[x] != invalid_id; x = side.predecessor_node[x])
            sum = link(sum, arc_weight(side.predecessor_arc[x]));
        return true;
    };
    T forward_sum = 0, backward_sum = 0;
    const bool has_forward = part(forward, [&](unsigned a) { return weights.get_forward_weight(a); }, forward_sum);
    const bool has_backward = part(backward, [&](unsigned a) { return weights.get_backward_weight(a); }, backward_sum);
    if (has_forward && has_backward)
        return link(forward_sum, backward_sum);
    return has_forward ? forward_sum : backward_sum;
}

// After a run to pinned nodes: walks from each pinned node back to the
// start of its path (first down the sweep's arcs, then up the search's
// predecessors), then computes the values from the start outward. The
// pinned side's flags mark computed nodes and its predecessor arcs hold the
// walk, so nothing is allocated and shared parts are computed once.
template <class Weights, class LinkFunction, class T>
void ContractionHierarchyQuery::extract_extra_weights(const SearchSide &side, const ContractionHierarchy::Side &down,
                                                      SearchSide &scratch, const Weights &weights, LinkFunction link,
                                                      std::vector<T> &node_values, std::vector<T> &result)
{
    TimestampFlags &is_computed = scratch.pushed;
    std::vector<unsigned> &walk = scratch.predecessor_arc;
    is_computed.reset_all();
    for (size_t i = 0; i < pinned.size(); ++i) {
        const unsigned x = pinned[i];
        if (!side.pushed.is_set(x) && side.predecessor_arc[x] == invalid_id) {
            result[i] = 0;
            continue;
        }
        unsigned walk_size = 0, y = x;
        for (; !is_computed.is_set(y) && !side.pushed.is_set(y); y = down.head[side.predecessor_arc[y]])
            walk[walk_size++] = y;
        for (; !is_computed.is_set(y) && side.predecessor_node[y] != invalid_id; y = side.predecessor_node[y])
            walk[walk_size++] = y;
        if (!is_computed.is_set(y))
            node_values[y] = 0; // the start of the path
        while (walk_size > 0) {
            y = walk[--walk_size];
            const unsigned arc = side.predecessor_arc[y];
            const bool is_upward = side.pushed.is_set(y);
            const unsigned p = is_upward ? side.predecessor_node[y] : down.head[arc];
            const T w = is_upward ? weights.get_forward_weight(arc) : weights.get_backward_weight(arc);
            node_values[y] = is_computed.is_set(p) ? link(node_values[p], w) : w;
            is_computed.set(y);
        }
        result[i] = node_values[x];
    }
}

template <class ExtraWeight, class LinkFunction>
ContractionHierarchyQuery &ContractionHierarchyQuery::get_extra_weight_distances_to_targets(
    const ExtraWeight &extra_weight, LinkFunction link,
    std::vector<typename detail::GetExtraWeightTypeHelper<ExtraWeight>::type> &node_values,
    std::vector<typename detail::GetExtraWeightTypeHelper<ExtraWeight>::type> &result)
{
    const detail::ShortcutWeights<ExtraWeight, LinkFunction> weights(*ch, extra_weight, link);
    extract_extra_weights(forward, ch->backward, backward, weights, link, node_values, result);
    return *this;
}

template <class ExtraWeight, class LinkFunction>
ContractionHierarchyQuery &ContractionHierarchyQuery::get_extra_weight_distances_to_sources(
    const ExtraWeight &extra_weight, LinkFunction link,
    std::vector<typename detail::GetExtraWeightTypeHelper<ExtraWeight>::type> &node_values,
    std::vector<typename detail::GetExtraWeightTypeHelper<ExtraWeight>::type> &result)
{
    const detail::ShortcutWeights<ExtraWeight, LinkFunction> weights(*ch, extra_weight, link);
    extract_extra_weights(backward, ch->forward, forward, detail::InvertShorcutWeights(weights),
                          detail::InverseLinkFunction<LinkFunction>{link}, node_values, result);
    return *this;
}

#define INSTANTIATE_EXTRA_WEIGHT_QUERIES(ExtraWeight, T)                                                               \
    template T ContractionHierarchyQuery::get_extra_weight_distance(const ExtraWeight &, SaturatedWeightAddition)     \
        const;                                                                                                         \
    template ContractionHierarchyQuery &ContractionHierarchyQuery::get_extra_weight_distances_to_targets(             \
        const ExtraWeight &, SaturatedWeightAddition, std::vector<T> &, std::vector<T> &);                             \
    template ContractionHierarchyQuery &ContractionHierarchyQuery::get_extra_weight_distances_to_sources(             \
        const ExtraWeight &, SaturatedWeightAddition, std::vector<T> &, std::vector<T> &);

INSTANTIATE_EXTRA_WEIGHT_QUERIES(ContractionHierarchyExtraWeight<int>, int)
INSTANTIATE_EXTRA_WEIGHT_QUERIES(ContractionHierarchyExtraWeight<unsigned>, unsigned)
INSTANTIATE_EXTRA_WEIGHT_QUERIES(std::vector<int>, int)
INSTANTIATE_EXTRA_WEIGHT_QUERIES(std::vector<unsigned>, unsigned)

} // namespace Routing
