#ifndef ROUTING_CORE_CONTRACTION_HIERARCHY_QUERY_H
#define ROUTING_CORE_CONTRACTION_HIERARCHY_QUERY_H

#include "routing/core/constants.h"
#include "routing/core/contraction_hierarchy.h"
#include "routing/core/min_id_queue.h"

#include <vector>

namespace Routing {

// Shortest distances on a contraction hierarchy by a bidirectional upward
// search with stall-on-demand. Node ids are external ids and must be below
// the node count. The hierarchy must outlive the query and must not change
// while the query is bound to it. All per-node state is allocated when the
// query is bound, so a query answers any number of questions without
// allocating. One question: reset, add_source (one or more), add_target (one
// or more), run, then the getters.
class ContractionHierarchyQuery
{
public:
    explicit ContractionHierarchyQuery(const ContractionHierarchy &ch);

    // Starts a new question on the same hierarchy.
    ContractionHierarchyQuery &reset();
    // Binds the query to another hierarchy; keeps the arrays when the node count is the same.
    ContractionHierarchyQuery &reset(const ContractionHierarchy &ch);

    // A node added twice keeps the smaller distance. A distance of 2147483647
    // or more leaves the query unchanged: such a source never takes part.
    ContractionHierarchyQuery &add_source(unsigned external_node, unsigned distance);
    ContractionHierarchyQuery &add_target(unsigned external_node, unsigned distance);

    ContractionHierarchyQuery &run();

    // The length of the best path including the initial distances of its
    // source and target, 2147483647 when there is none.
    unsigned get_distance() const;
    // The external id of the source where the best path starts, invalid_id when there is none.
    unsigned get_used_source() const;
    // The external id of the target where the best path ends, invalid_id when there is none.
    unsigned get_used_target() const;

private:
    // One direction of the search, indexed by rank.
    struct SearchSide
    {
        explicit SearchSide(unsigned node_count);

        TimestampFlags pushed;            // reached in the current question
        MinIDQueue queue;                 // keyed by tentative distance
        std::vector<unsigned> distance;   // meaningful where pushed is set
        std::vector<unsigned> predecessor_node; // rank, invalid_id at a source or target
        std::vector<unsigned> predecessor_arc;  // arc of this side stored at the predecessor
    };

    static void add_start(SearchSide &side, unsigned r, unsigned distance);
    // Pops one node of `side`: meeting test, stall test, then relaxation of
    // the side's own upward arcs (`up`); `other_up` holds the arcs of the
    // other direction, along which the stall test looks.
    void settle(SearchSide &side, const SearchSide &other, const ContractionHierarchy::Side &up,
                const ContractionHierarchy::Side &other_up, unsigned &best);
    unsigned follow_predecessors(const SearchSide &side) const;

    const ContractionHierarchy *ch;
    SearchSide forward;
    SearchSide backward;
    unsigned meeting_node;
};

} // namespace Routing

#endif
