#ifndef ROUTING_CORE_CONTRACTION_HIERARCHY_FINISHING_H
#define ROUTING_CORE_CONTRACTION_HIERARCHY_FINISHING_H

// Steps that turn the contracted arcs into the final hierarchy: sorting them
// into forward-star arrays, the cache-friendly order, the renumbering of
// nodes by rank and the unpacking information of every arc.

#include "routing/core/contraction_hierarchy.h"
#include "routing/core/contraction_hierarchy_contraction.h"

#include <vector>

namespace Routing {

// Sorts each side's arcs by tail, then head (stably), and builds first_out.
void sort_ch_arcs_and_build_first_out_arrays(ContractionHierarchy &ch, ContractionHierarchyExtraInfo &extra,
                                             const ContractionHierarchy::LogCallback &log_message);

// Replaces rank and order by an order in which the nodes met by one upward
// exploration from a root lie next to each other. Needs sorted arcs that are
// still numbered by external id.
void optimize_order_for_cache(ContractionHierarchy &ch, const ContractionHierarchy::LogCallback &log_message);

// Replaces every node id in the arc arrays by its rank.
void make_internal_nodes_and_rank_coincide(ContractionHierarchy &ch, ContractionHierarchyExtraInfo &extra,
                                           const ContractionHierarchy::LogCallback &log_message);

// Fills the unpacking fields of both sides. tail, head and input_arc_id are
// the input arcs sorted by tail, then head, without loops and parallel arcs.
void build_unpacking_information(unsigned node_count, const std::vector<unsigned> &tail,
                                 const std::vector<unsigned> &head, const std::vector<unsigned> &input_arc_id,
                                 ContractionHierarchy &ch, const ContractionHierarchyExtraInfo &extra,
                                 const ContractionHierarchy::LogCallback &log_message);

// first_out of arcs sorted by tail: entry v is the number of arcs whose tail is below v.
std::vector<unsigned> build_first_out(unsigned node_count, const std::vector<unsigned> &sorted_tail);

} // namespace Routing

#endif
