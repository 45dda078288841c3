#ifndef ROUTING_CORE_CONTRACTION_HIERARCHY_QUERY_H
#define ROUTING_CORE_CONTRACTION_HIERARCHY_QUERY_H

#include "routing/core/constants.h"
#include "routing/core/contraction_hierarchy.h"
#include "routing/core/contraction_hierarchy_extra_weight.h"
#include "routing/core/min_id_queue.h"

#include <vector>

namespace Routing {

// Shortest distances on a contraction hierarchy. Node ids are external ids
// and must be below the node count. The hierarchy must outlive the query and
// must not change while the query is bound to it. All per-node state is
// allocated when the query is bound, so a query answers any number of
// questions without allocating.
//
// Point to point (bidirectional upward search with stall-on-demand): reset,
// add_source (one or more), add_target (one or more), run, then the getters,
// paths and extra weights.
//
// One to many: reset, pin_targets, then per set of sources reset_source,
// add_source (one or more), run_to_pinned_targets and the getters; or the
// mirror with pin_sources, reset_target, add_target, run_to_pinned_sources.
// Results come per pinned node in pinned order. A reset returns to point to
// point.
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

    // The best path as external node ids from used source to used target, or
    // as input arc ids in travel order; empty without a path.
    std::vector<unsigned> get_node_path() const;
    std::vector<unsigned> get_arc_path() const;

    // Any number of nodes, repeated ones included, can be pinned.
    ContractionHierarchyQuery &pin_targets(const std::vector<unsigned> &external_targets);
    ContractionHierarchyQuery &pin_sources(const std::vector<unsigned> &external_sources);
    // Start the next set of sources (targets) to the pinned targets (sources).
    ContractionHierarchyQuery &reset_source();
    ContractionHierarchyQuery &reset_target();
    ContractionHierarchyQuery &run_to_pinned_targets();
    ContractionHierarchyQuery &run_to_pinned_sources();

    // One value per pinned node, in pinned order; the pointer forms write
    // as many values as nodes were pinned.
    ContractionHierarchyQuery &get_distances_to_targets(unsigned *out);
    std::vector<unsigned> get_distances_to_targets();
    ContractionHierarchyQuery &get_distances_to_sources(unsigned *out);
    std::vector<unsigned> get_distances_to_sources();
    // invalid_id for an unreachable pinned node.
    ContractionHierarchyQuery &get_used_sources_to_targets(unsigned *out);
    std::vector<unsigned> get_used_sources_to_targets();
    ContractionHierarchyQuery &get_used_targets_to_sources(unsigned *out);
    std::vector<unsigned> get_used_targets_to_sources();

    // The sum of the extra values along the path of the last run, 0 without a
    // path. ExtraWeight is a ContractionHierarchyExtraWeight reset from this
    // hierarchy or a vector of one value per input arc.
    template <class ExtraWeight, class LinkFunction>
    typename detail::GetExtraWeightTypeHelper<ExtraWeight>::type get_extra_weight_distance(const ExtraWeight &extra_weight,
                                                                                         LinkFunction link) const;
    // The same per pinned node after a one-to-many run. node_values is
    // scratch with an entry per node; result gets one entry per pinned node.
    template <class ExtraWeight, class LinkFunction>
    ContractionHierarchyQuery &get_extra_weight_distances_to_targets(
        const ExtraWeight &extra_weight, LinkFunction link,
        std::vector<typename detail::GetExtraWeightTypeHelper<ExtraWeight>::type> &node_values,
        std::vector<typename detail::GetExtraWeightTypeHelper<ExtraWeight>::type> &result);
    template <class ExtraWeight, class LinkFunction>
    ContractionHierarchyQuery &get_extra_weight_distances_to_sources(
        const ExtraWeight &extra_weight, LinkFunction link,
        std::vector<typename detail::GetExtraWeightTypeHelper<ExtraWeight>::type> &node_values,
        std::vector<typename detail::GetExtraWeightTypeHelper<ExtraWeight>::type> &result);

private:
    // One direction of the search, indexed by rank.
    struct SearchSide
    {
        explicit SearchSide(unsigned node_count);

        TimestampFlags pushed;                  // reached in the current question
        MinIDQueue queue;                       // keyed by tentative distance
        std::vector<unsigned> distance;         // meaningful where pushed is set
        std::vector<unsigned> predecessor_node; // rank, invalid_id at a source or target
        std::vector<unsigned> predecessor_arc;  // arc of this side stored at the predecessor
    };

    static void add_start(SearchSide &side, unsigned r, unsigned distance);
    // Relaxes the arcs of `up` stored at x, reached at distance `key`.
    static void relax(SearchSide &side, const ContractionHierarchy::Side &up, unsigned x, unsigned key);
    // Pops one node of `side`: meeting test, stall test, then relaxation of
    // the side's own upward arcs (`up`); `other_up` holds the arcs of the
    // other direction, along which the stall test looks.
    void settle(SearchSide &side, const SearchSide &other, const ContractionHierarchy::Side &up,
                const ContractionHierarchy::Side &other_up, unsigned &best);
    unsigned follow_predecessors(const SearchSide &side) const;
    std::vector<unsigned> unpack_path(bool node_ids) const;
    void append_unpacked_arc(bool is_forward, unsigned arc, bool node_ids, std::vector<unsigned> &path,
                             std::vector<unsigned> &pending_second_halves) const;

    // One to many: the pinned side's queue collects the search space, every
    // rank reachable upward from the pinned nodes along `up`, which its
    // distance array then lists from the highest rank down.
    void pin(SearchSide &pinned_side, const ContractionHierarchy::Side &up, const std::vector<unsigned> &external);
    // The upward search of `side` from its starts, then a sweep down the
    // search space along the arcs of the other direction (`down`).
    void run_to_pinned(SearchSide &side, const ContractionHierarchy::Side &up, const ContractionHierarchy::Side &down,
                       const SearchSide &pinned_side);
    unsigned used_end(const SearchSide &side, const ContractionHierarchy::Side &down, unsigned x) const;
    template <class Weights, class LinkFunction, class T>
    void extract_extra_weights(const SearchSide &side, const ContractionHierarchy::Side &down, SearchSide &scratch,
                               const Weights &weights, LinkFunction link, std::vector<T> &node_values,
                               std::vector<T> &result);

    const ContractionHierarchy *ch;
    SearchSide forward;
    SearchSide backward;
    unsigned meeting_node; // rank where the best path passes from forward to backward
    std::vector<unsigned> pinned; // ranks of the pinned nodes, in pinned order
    unsigned search_space_size = 0;
};

} // namespace Routing

#endif
