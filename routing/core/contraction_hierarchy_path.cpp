// Expanding the best path of a point-to-point query into input nodes or arcs.

#include "routing/core/contraction_hierarchy_query.h"

#include <algorithm>

namespace Routing {

// Every shortcut stands for its first half, a backward arc, followed by its
// second half, a forward arc. Shortcuts can nest as deep as the hierarchy has
// nodes, so the expansion keeps the second halves still to come on a stack of
// its own instead of recursing: it follows first halves down to an input arc,
// emits it, and goes on with the latest pending second half.
void ContractionHierarchyQuery::append_unpacked_arc(bool is_forward, unsigned arc, bool node_ids,
                                                    std::vector<unsigned> &path,
                                                    std::vector<unsigned> &pending_second_halves) const
{
    pending_second_halves.clear();
    for (;;) {
        const ContractionHierarchy::Side &side = is_forward ? ch->forward : ch->backward;
        if (!side.is_shortcut_an_original_arc.is_set(arc)) {
            pending_second_halves.push_back(side.shortcut_second_arc[arc]);
            arc = side.shortcut_first_arc[arc];
            is_forward = false;
            continue;
        }
        path.push_back(node_ids ? side.shortcut_second_arc[arc] : side.shortcut_first_arc[arc]);
        if (pending_second_halves.empty())
            return;
        arc = pending_second_halves.back();
        pending_second_halves.pop_back();
        is_forward = true;
    }
}

std::vector<unsigned> ContractionHierarchyQuery::unpack_path(bool node_ids) const
{
    std::vector<unsigned> path;
    if (meeting_node == invalid_id)
        return path;
    std::vector<unsigned> pending_second_halves;

    std::vector<unsigned> upward_arcs; // from the meeting node down to the source
    unsigned x = meeting_node;
    for (; forward.predecessor_node[x] != invalid_id; x = forward.predecessor_node[x])
        upward_arcs.push_back(forward.predecessor_arc[x]);
    if (node_ids)
        path.push_back(ch->order[x]);
    std::for_each(upward_arcs.rbegin(), upward_arcs.rend(),
                  [&](unsigned arc) { append_unpacked_arc(true, arc, node_ids, path, pending_second_halves); });

    for (x = meeting_node; backward.predecessor_node[x] != invalid_id; x = backward.predecessor_node[x])
        append_unpacked_arc(false, backward.predecessor_arc[x], node_ids, path, pending_second_halves);
    return path;
}

std::vector<unsigned> ContractionHierarchyQuery::get_node_path() const
{
    return unpack_path(true);
}

std::vector<unsigned> ContractionHierarchyQuery::get_arc_path() const
{
    return unpack_path(false);
}

} // namespace Routing
