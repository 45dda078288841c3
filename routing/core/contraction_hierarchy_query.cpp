#include "routing/core/contraction_hierarchy_query.h"

#include "routing/core/weight.h"

namespace Routing {

ContractionHierarchyQuery::SearchSide::SearchSide(unsigned node_count)
    : pushed(node_count), queue(node_count), distance(node_count, 0), predecessor_node(node_count, 0),
      predecessor_arc(node_count, 0)
{
}

ContractionHierarchyQuery::ContractionHierarchyQuery(const ContractionHierarchy &ch)
    : ch(&ch), forward(unsigned(ch.rank.size())), backward(unsigned(ch.rank.size())), meeting_node(invalid_id)
{
}

ContractionHierarchyQuery &ContractionHierarchyQuery::reset()
{
    for (SearchSide *side : {&forward, &backward}) {
        side->pushed.reset_all();
        side->queue.clear();
    }
    meeting_node = invalid_id;
    pinned.clear();
    search_space_size = 0;
    return *this;
}

ContractionHierarchyQuery &ContractionHierarchyQuery::reset(const ContractionHierarchy &new_ch)
{
    if (new_ch.rank.size() == forward.distance.size()) {
        reset();
        ch = &new_ch;
    } else {
        *this = ContractionHierarchyQuery(new_ch);
    }
    return *this;
}

void ContractionHierarchyQuery::add_start(SearchSide &side, unsigned r, unsigned distance)
{
    if (!side.queue.contains_id(r)) {
        side.queue.push(r, distance);
        side.distance[r] = distance;
        side.predecessor_node[r] = invalid_id;
    } else if (distance < side.distance[r]) {
        side.distance[r] = distance;
        side.queue.decrease_key(r, distance);
    }
    side.pushed.set(r);
}

ContractionHierarchyQuery &ContractionHierarchyQuery::add_source(unsigned external_node, unsigned distance)
{
    if (distance < inf_weight)
        add_start(forward, ch->rank[external_node], distance);
    return *this;
}

ContractionHierarchyQuery &ContractionHierarchyQuery::add_target(unsigned external_node, unsigned distance)
{
    if (distance < inf_weight)
        add_start(backward, ch->rank[external_node], distance);
    return *this;
}

void ContractionHierarchyQuery::relax(SearchSide &side, const ContractionHierarchy::Side &up, unsigned x, unsigned key)
{
    for (unsigned a = up.first_out[x]; a < up.first_out[x + 1]; ++a) {
        const unsigned y = up.head[a], d = add_weights_saturated(key, up.weight[a]);
        if (side.pushed.is_set(y)) {
            if (d >= side.distance[y] || !side.queue.contains_id(y))
                continue;
            side.queue.decrease_key(y, d);
        } else {
            if (d >= inf_weight)
                continue;
            side.queue.push(y, d);
            side.pushed.set(y);
        }
        side.distance[y] = d;
        side.predecessor_node[y] = x;
        side.predecessor_arc[y] = a;
    }
}

void ContractionHierarchyQuery::settle(SearchSide &side, const SearchSide &other, const ContractionHierarchy::Side &up,
                                       const ContractionHierarchy::Side &other_up, unsigned &best)
{
    const auto popped = side.queue.pop();
    const unsigned x = popped.id, key = popped.key;

    // Before the stall test: a stalled node can still be where the sides meet.
    if (other.pushed.is_set(x)) {
        const unsigned length = add_weights_saturated(other.distance[x], key);
        if (length < best) {
            best = length;
            meeting_node = x;
        }
    }

    // x is reached at least as cheaply from above, so its arcs lead nowhere new.
    for (unsigned a = other_up.first_out[x]; a < other_up.first_out[x + 1]; ++a) {
        const unsigned y = other_up.head[a];
        if (side.pushed.is_set(y) && side.distance[x] >= add_weights_saturated(other_up.weight[a], side.distance[y]))
            return;
    }

    relax(side, up, x, key);
}

ContractionHierarchyQuery &ContractionHierarchyQuery::run()
{
    unsigned best = inf_weight;
    meeting_node = invalid_id;
    bool forward_moves_next = true;
    for (;;) {
        const bool forward_can_move = !forward.queue.empty() && forward.queue.peek().key < best;
        const bool backward_can_move = !backward.queue.empty() && backward.queue.peek().key < best;
        if (!forward_can_move && !backward_can_move)
            break;
        const bool forward_moves = forward_can_move && backward_can_move ? forward_moves_next : forward_can_move;
        if (forward_moves)
            settle(forward, backward, ch->forward, ch->backward, best);
        else
            settle(backward, forward, ch->backward, ch->forward, best);
        forward_moves_next = !forward_moves;
    }
    return *this;
}

unsigned ContractionHierarchyQuery::get_distance() const
{
    if (meeting_node == invalid_id)
        return inf_weight;
    return add_weights_saturated(forward.distance[meeting_node], backward.distance[meeting_node]);
}

unsigned ContractionHierarchyQuery::follow_predecessors(const SearchSide &side) const
{
    if (meeting_node == invalid_id)
        return invalid_id;
    unsigned x = meeting_node;
    while (side.predecessor_node[x] != invalid_id)
        x = side.predecessor_node[x];
    return ch->order[x];
}

unsigned ContractionHierarchyQuery::get_used_source() const
{
    return follow_predecessors(forward);
}

unsigned ContractionHierarchyQuery::get_used_target() const
{
    return follow_predecessors(backward);
}

} // namespace Routing
