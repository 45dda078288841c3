#include "routing/osm/osm_forbidden_turns.h"

#include "routing/core/constants.h"
#include "routing/core/graph_util.h"
#include "routing/osm/import_log.h"

#include <cmath>
#include <numbers>
#include <span>

namespace Routing {

namespace {

// Arc ids grouped by a key: the arcs of key k are arcs[begin[k]] to
// arcs[begin[k + 1] - 1].
struct ArcGrouping
{
    std::vector<unsigned> arcs;
    std::vector<unsigned> begin;

    std::span<const unsigned> of(unsigned key) const
    {
        return {arcs.data() + begin[key], arcs.data() + begin[key + 1]};
    }
};

// A counting sort, unless the keys far outnumber the arcs.
ArcGrouping group_arcs_by(const std::vector<unsigned> &key, unsigned key_count)
{
    ArcGrouping grouping;
    const auto arc_count = static_cast<unsigned>(key.size());
    grouping.begin = detail::compute_key_pos(key, key_count);
    grouping.begin.push_back(arc_count);
    if (arc_count < (key_count >> 4)) {
        grouping.arcs = compute_sort_permutation_using_comparator(arc_count, detail::CompareByKey{key.data()});
    } else {
        std::vector<unsigned> next(grouping.begin.begin(), grouping.begin.end() - 1);
        grouping.arcs.resize(arc_count);
        for (unsigned a = 0; a < arc_count; ++a)
            grouping.arcs[next[key[a]]++] = a;
    }
    return grouping;
}

class ForbiddenTurnBuilder
{
public:
    ForbiddenTurnBuilder(const OSMRoutingGraph &graph, const std::vector<unsigned> &tail)
        : graph(graph), tail(tail), entering(graph.first_out.size() - 1, invalid_id)
    {
    }

    std::vector<unsigned> from_arc;
    std::vector<unsigned> to_arc;

    // Forbids every turn out of `from_arc` at `via` but into `allowed`.
    void forbid_all_but(unsigned from, unsigned via, unsigned allowed)
    {
        for (unsigned c = graph.first_out[via]; c < graph.first_out[via + 1]; ++c)
            if (c != allowed)
                add(from, c);
    }
    void add(unsigned from, unsigned to)
    {
        from_arc.push_back(from);
        to_arc.push_back(to);
    }

    // Going straight along a way: at every inner node, an arc of the way may
    // only be followed by the next arc of the way in the same direction. The
    // two directions of a two-way way are handled apart, so that neither
    // loses its straight continuation.
    void forbid_leaving_the_way(std::span<const unsigned> way_arcs)
    {
        for (const bool antiparallel : {false, true}) {
            for (const unsigned a : way_arcs)
                if (graph.is_arc_antiparallel_to_way[a] == antiparallel)
                    entering[graph.head[a]] = a;
            for (const unsigned b : way_arcs)
                if (graph.is_arc_antiparallel_to_way[b] == antiparallel && entering[tail[b]] != invalid_id)
                    forbid_all_but(entering[tail[b]], tail[b], b);
            for (const unsigned a : way_arcs)
                entering[graph.head[a]] = invalid_id;
        }
    }

    // Whether the turn from f into t at their common node has the direction.
    bool has_direction(unsigned f, unsigned t, OSMTurnDirection direction) const
    {
        const unsigned via = tail[t];
        const bool f_has_inner = graph.first_modelling_node[f] != graph.first_modelling_node[f + 1];
        const bool t_has_inner = graph.first_modelling_node[t] != graph.first_modelling_node[t + 1];
        const unsigned last_of_f = graph.first_modelling_node[f + 1] - 1;
        const unsigned first_of_t = graph.first_modelling_node[t];
        const float before_latitude = f_has_inner ? graph.modelling_node_latitude[last_of_f] : graph.latitude[tail[f]];
        const float before_longitude =
            f_has_inner ? graph.modelling_node_longitude[last_of_f] : graph.longitude[tail[f]];
        const float after_latitude = t_has_inner ? graph.modelling_node_latitude[first_of_t] : graph.latitude[graph.head[t]];
        const float after_longitude =
            t_has_inner ? graph.modelling_node_longitude[first_of_t] : graph.longitude[graph.head[t]];
        const float incoming = std::atan2(graph.latitude[via] - before_latitude, graph.longitude[via] - before_longitude);
        const float outgoing = std::atan2(after_latitude - graph.latitude[via], after_longitude - graph.longitude[via]);
        const float two_pi = 6.2831855f;
        float x = outgoing - incoming;
        while (x < 0)
            x += two_pi;
        while (x > two_pi)
            x -= two_pi;
        const auto pi_times = [](double factor) { return static_cast<float>(std::numbers::pi * factor); };
        switch (direction) {
        case OSMTurnDirection::left_turn:
            return pi_times(0.25) < x && x < pi_times(0.75);
        case OSMTurnDirection::right_turn:
            return pi_times(1.25) < x && x < pi_times(1.75);
        case OSMTurnDirection::straight_on:
            return x < pi_times(1.0 / 3) || x > pi_times(5.0 / 3);
        case OSMTurnDirection::u_turn:
            return pi_times(2.0 / 3) < x && x < pi_times(4.0 / 3);
        }
        return false;
    }

private:
    const OSMRoutingGraph &graph;
    const std::vector<unsigned> &tail;
    // Scratch per node, restored after each use.
    std::vector<unsigned> entering;
};

} // namespace

void add_forbidden_turns(OSMRoutingGraph &graph, const std::vector<unsigned> &tail,
                         std::vector<OSMTurnRestriction> restrictions, const IDMapper &routing_node_mapper,
                         const IDMapper &routing_way_mapper, const std::function<void(const std::string &)> &log_message)
{
    ImportLog log(log_message);
    const auto arc_count = static_cast<unsigned>(graph.head.size());
    const auto node_count = static_cast<unsigned>(graph.first_out.size() - 1);
    const auto way_count = static_cast<unsigned>(routing_way_mapper.local_id_count());
    const auto osm_way = [&](uint64_t way) { return std::to_string(routing_way_mapper.to_global(static_cast<unsigned>(way))); };

    log.start("Start mapping IDs in turn restrictions");
    size_t kept = 0;
    for (OSMTurnRestriction restriction : restrictions) {
        const unsigned from = routing_way_mapper.to_local(restriction.from_way, invalid_id);
        const unsigned to = routing_way_mapper.to_local(restriction.to_way, invalid_id);
        const bool has_via = restriction.via_node != no_via_node;
        const unsigned via = has_via ? routing_node_mapper.to_local(restriction.via_node, invalid_id) : invalid_id;
        if (from == invalid_id || to == invalid_id || (has_via && via == invalid_id))
            continue;
        restriction.from_way = from;
        restriction.to_way = to;
        restriction.via_node = via;
        restrictions[kept++] = restriction;
    }
    restrictions.resize(kept);
    log.finish();
    log.line("After removing restrictions with not exported ways or node only " + std::to_string(kept) +
             " restrictions remain.");

    log.start("Sorting arcs by way");
    const ArcGrouping by_way = group_arcs_by(graph.way, way_count);
    log.finish();

    log.start("Start filling in missing via node IDs in turn restrictions and handling mandatory turns with from = to");
    ForbiddenTurnBuilder turns(graph, tail);
    std::vector<bool> is_head_of_from_way(node_count, false);
    uint64_t go_straight = 0, derived = 0, without_candidate = 0, with_several_candidates = 0;
    kept = 0;
    for (OSMTurnRestriction restriction : restrictions) {
        if (restriction.via_node != invalid_id) {
            restrictions[kept++] = restriction;
            continue;
        }
        const std::span<const unsigned> from_arcs = by_way.of(static_cast<unsigned>(restriction.from_way));
        const std::span<const unsigned> to_arcs = by_way.of(static_cast<unsigned>(restriction.to_way));
        if (restriction.from_way == restriction.to_way && restriction.category == OSMTurnRestrictionCategory::mandatory) {
            turns.forbid_leaving_the_way(from_arcs);
            ++go_straight;
            continue;
        }
        // The via node is where the from way enters and the to way leaves.
        for (const unsigned a : from_arcs)
            is_head_of_from_way[graph.head[a]] = true;
        unsigned candidate = invalid_id, second_candidate = invalid_id;
        for (const unsigned a : to_arcs) {
            if (!is_head_of_from_way[tail[a]])
                continue;
            if (candidate == invalid_id)
                candidate = tail[a];
            else if (tail[a] != candidate)
                second_candidate = tail[a];
        }
        for (const unsigned a : from_arcs)
            is_head_of_from_way[graph.head[a]] = false;
        const std::string ids = "Turn restriction with OSM-relation-ID \"" + std::to_string(restriction.osm_relation_id) +
                                "\" with OSM-way-from-ID \"" + osm_way(restriction.from_way);
        if (candidate == invalid_id) {
            log.line(ids + "\" and OSM-way to-ID \"" + osm_way(restriction.to_way) +
                     "\" does not have a via-node and their ways do not cross, ingoring restriction");
            ++without_candidate;
        } else if (second_candidate != invalid_id) {
            log.line(ids + "\" and OSM-way-to-ID \"" + osm_way(restriction.to_way) +
                     "\" does not have a via-node and there are multiple ambiguous candidates, namely OSM-node-IDs \"" +
                     std::to_string(routing_node_mapper.to_global(candidate)) + "\" and \"" +
                     std::to_string(routing_node_mapper.to_global(second_candidate)) +
                     "\" (and maybe more), ingoring restriction");
            ++with_several_candidates;
        } else {
            restriction.via_node = candidate;
            restrictions[kept++] = restriction;
            ++derived;
        }
    }
    restrictions.resize(kept);
    log.line("There were " + std::to_string(go_straight) + " go-straight turns that were expanded into " +
             std::to_string(turns.from_arc.size()) + " forbidden turns.");
    log.line("There were " + std::to_string(derived) +
             " normal turns without via-node for which a via-node could be derived.");
    log.line("There were " + std::to_string(without_candidate) +
             " normal turns without via-node discarded because no potential via-node was found.");
    log.line("There were " + std::to_string(with_several_candidates) +
             " normal turns without via-node discarded because multiple potential via-node were found.");
    log.finish();

    log.start("Building forbidden turns");
    const ArcGrouping by_head = group_arcs_by(graph.head, node_count);
    std::vector<unsigned> from_candidates, to_candidates;
    for (const OSMTurnRestriction &restriction : restrictions) {
        const auto via = static_cast<unsigned>(restriction.via_node);
        from_candidates.clear();
        to_candidates.clear();
        for (const unsigned a : by_head.of(via))
            if (graph.way[a] == restriction.from_way)
                from_candidates.push_back(a);
        for (unsigned a = graph.first_out[via]; a < graph.first_out[via + 1]; ++a)
            if (graph.way[a] == restriction.to_way)
                to_candidates.push_back(a);
        if (from_candidates.empty() || to_candidates.empty())
            continue;
        unsigned from = from_candidates[0], to = to_candidates[0];
        if (from_candidates.size() > 1 || to_candidates.size() > 1) {
            unsigned consistent = 0;
            for (const unsigned f : from_candidates)
                for (const unsigned t : to_candidates)
                    if (turns.has_direction(f, t, restriction.direction)) {
                        ++consistent;
                        from = f;
                        to = t;
                    }
            const std::string ambiguous = "OSM turn restriction relation ID \"" +
                                          std::to_string(restriction.osm_relation_id) +
                                          "\" is a turn restriction where it is impossible to infer the restriction "
                                          "without using the turn direction information. However, ";
            if (consistent == 0) {
                log.line(ambiguous + "no restriction candidate is consistent with the turn direction. -> ignoring "
                                     "restriction");
                continue;
            }
            if (consistent > 1) {
                log.line(ambiguous + std::to_string(consistent) +
                         " restriction candidates are consistent with the turn direction -> ignoring all candidates "
                         "restriction");
                continue;
            }
        }
        if (restriction.category == OSMTurnRestrictionCategory::prohibitive)
            turns.add(from, to);
        else
            turns.forbid_all_but(from, via, to);
    }
    log.finish();

    log.start("Sorting forbidden turns");
    const std::vector<unsigned> new_position =
        compute_inverse_sort_permutation_first_by_tail_then_by_head_and_apply_sort_to_tail(arc_count, turns.from_arc,
                                                                                            turns.to_arc);
    turns.to_arc = apply_inverse_permutation(new_position, std::move(turns.to_arc));
    BitVector is_duplicate(turns.from_arc.size(), false);
    for (size_t i = 1; i < turns.from_arc.size(); ++i)
        if (turns.from_arc[i] == turns.from_arc[i - 1] && turns.to_arc[i] == turns.to_arc[i - 1])
            is_duplicate.set(i);
    inplace_remove_element_from_vector_if(is_duplicate, turns.from_arc);
    inplace_remove_element_from_vector_if(is_duplicate, turns.to_arc);
    log.finish();

    graph.forbidden_turn_from_arc = std::move(turns.from_arc);
    graph.forbidden_turn_to_arc = std::move(turns.to_arc);
    log.line("Extracted " + std::to_string(graph.forbidden_turn_from_arc.size()) + " forbidden turns.");
}

} // namespace Routing
