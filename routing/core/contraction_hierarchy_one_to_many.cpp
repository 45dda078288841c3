// One upward search and one sweep down a precomputed search space answer
// the distances from a set of sources to every pinned target (or from every
// pinned source to a set of targets).

#include "routing/core/contraction_hierarchy_query.h"
#include "routing/core/weight.h"

#include <algorithm>

namespace Routing {

void ContractionHierarchyQuery::pin(SearchSide &pinned_side, const ContractionHierarchy::Side &up,
                                    const std::vector<unsigned> &external)
{
    // Held apart from the per-node arrays: a node may be pinned any number of times.
    pinned.resize(external.size());
    MinIDQueue &queue = pinned_side.queue;
    for (size_t i = 0; i < external.size(); ++i) {
        const unsigned r = pinned[i] = ch->rank[external[i]];
        if (!queue.contains_id(r))
            queue.push(r, r);
    }
    // Heads lie above the node they are stored at, so each rank is popped once.
    std::vector<unsigned> &search_space = pinned_side.distance;
    search_space_size = 0;
    while (!queue.empty()) {
        const unsigned x = queue.pop().id;
        search_space[search_space_size++] = x;
        for (unsigned a = up.first_out[x]; a < up.first_out[x + 1]; ++a)
            if (!queue.contains_id(up.head[a]))
                queue.push(up.head[a], up.head[a]);
    }
    std::reverse(search_space.begin(), search_space.begin() + search_space_size);
}

ContractionHierarchyQuery &ContractionHierarchyQuery::pin_targets(const std::vector<unsigned> &external_targets)
{
    pin(backward, ch->backward, external_targets);
    return *this;
}

ContractionHierarchyQuery &ContractionHierarchyQuery::pin_sources(const std::vector<unsigned> &external_sources)
{
    pin(forward, ch->forward, external_sources);
    return *this;
}

ContractionHierarchyQuery &ContractionHierarchyQuery::reset_source()
{
    forward.pushed.reset_all();
    forward.queue.clear();
    return *this;
}

ContractionHierarchyQuery &ContractionHierarchyQuery::reset_target()
{
    backward.pushed.reset_all();
    backward.queue.clear();
    return *this;
}

void ContractionHierarchyQuery::run_to_pinned(SearchSide &side, const ContractionHierarchy::Side &up,
                                              const ContractionHierarchy::Side &down, const SearchSide &pinned_side)
{
    while (!side.queue.empty()) {
        const auto popped = side.queue.pop();
        relax(side, up, popped.id, popped.key);
    }

    // Highest rank first: the heads of a node's arcs are final before the node.
    for (unsigned i = 0; i < search_space_size; ++i) {
        const unsigned x = pinned_side.distance[i];
        unsigned best = side.pushed.is_set(x) ? side.distance[x] : inf_weight, best_arc = invalid_id;
        for (unsigned a = down.first_out[x]; a < down.first_out[x + 1]; ++a) {
            const unsigned d = add_weights_saturated(down.weight[a], side.distance[down.head[a]]);
            if (d < best) {
                best = d;
                best_arc = a;
            }
        }
        if (best_arc != invalid_id) {
            // Cleared flag: reached on the way down, through predecessor_arc.
            side.distance[x] = best;
            side.predecessor_arc[x] = best_arc;
            side.pushed.reset_one(x);
        } else if (best == inf_weight) {
            side.distance[x] = inf_weight;
            side.predecessor_arc[x] = invalid_id;
        }
    }
}

ContractionHierarchyQuery &ContractionHierarchyQuery::run_to_pinned_targets()
{
    run_to_pinned(forward, ch->forward, ch->backward, backward);
    return *this;
}

ContractionHierarchyQuery &ContractionHierarchyQuery::run_to_pinned_sources()
{
    run_to_pinned(backward, ch->backward, ch->forward, forward);
    return *this;
}

unsigned ContractionHierarchyQuery::used_end(const SearchSide &side, const ContractionHierarchy::Side &down,
                                             unsigned x) const
{
    if (!side.pushed.is_set(x)) {
        if (side.predecessor_arc[x] == invalid_id)
            return invalid_id;
        do
            x = down.head[side.predecessor_arc[x]];
        while (!side.pushed.is_set(x));
    }
    while (side.predecessor_node[x] != invalid_id)
        x = side.predecessor_node[x];
    return ch->order[x];
}

ContractionHierarchyQuery &ContractionHierarchyQuery::get_distances_to_targets(unsigned *out)
{
    for (unsigned r : pinned)
        *out++ = forward.distance[r];
    return *this;
}

ContractionHierarchyQuery &ContractionHierarchyQuery::get_distances_to_sources(unsigned *out)
{
    for (unsigned r : pinned)
        *out++ = backward.distance[r];
    return *this;
}

ContractionHierarchyQuery &ContractionHierarchyQuery::get_used_sources_to_targets(unsigned *out)
{
    for (unsigned r : pinned)
        *out++ = used_end(forward, ch->backward, r);
    return *this;
}

ContractionHierarchyQuery &ContractionHierarchyQuery::get_used_targets_to_sources(unsigned *out)
{
    for (unsigned r : pinned)
        *out++ = used_end(backward, ch->forward, r);
    return *this;
}

std::vector<unsigned> ContractionHierarchyQuery::get_distances_to_targets()
{
    std::vector<unsigned> result(pinned.size());
    get_distances_to_targets(result.data());
    return result;
}

std::vector<unsigned> ContractionHierarchyQuery::get_distances_to_sources()
{
    std::vector<unsigned> result(pinned.size());
    get_distances_to_sources(result.data());
    return result;
}

std::vector<unsigned> ContractionHierarchyQuery::get_used_sources_to_targets()
{
    std::vector<unsigned> result(pinned.size());
    get_used_sources_to_targets(result.data());
    return result;
}

std::vector<unsigned> ContractionHierarchyQuery::get_used_targets_to_sources()
{
    std::vector<unsigned> result(pinned.size());
    get_used_targets_to_sources(result.data());
    return result;
}

} // namespace Routing
