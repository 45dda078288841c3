#ifndef ROUTING_CORE_CONTRACTION_HIERARCHY_CONTRACTION_H
#define ROUTING_CORE_CONTRACTION_HIERARCHY_CONTRACTION_H

// Node contraction of the hierarchy build: the dynamic graph, the bounded
// witness search, the importance estimate and the ordering loop.

#include "routing/core/constants.h"
#include "routing/core/contraction_hierarchy.h"
#include "routing/core/min_id_queue.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Routing {

// Per arc of the hierarchy being built: the node at which it is stored and
// the middle node of a shortcut (invalid_id for an input arc). External ids
// until the renumbering by rank.
struct ContractionHierarchyExtraInfo
{
    struct Side
    {
        std::vector<unsigned> mid_node;
        std::vector<unsigned> tail;
    };
    Side forward;
    Side backward;
};

// The graph on which nodes are contracted. Every arc u->w is stored twice,
// in out_arc[u] and in in_arc[w]; there are no loops and at most one arc
// from u to w.
struct Graph
{
    struct Arc
    {
        unsigned node;       // the other end
        unsigned weight;
        unsigned hop_length; // number of input arcs it stands for
        unsigned mid_node;   // the node whose contraction created it, invalid_id for an input arc
    };

    explicit Graph(unsigned node_count) : out_arc(node_count), in_arc(node_count), level(node_count, 0) {}

    unsigned node_count() const { return unsigned(level.size()); }

    std::vector<std::vector<Arc>> out_arc;
    std::vector<std::vector<Arc>> in_arc;
    std::vector<unsigned> level;
};

// Bounded bidirectional search for a path that makes a shortcut unnecessary.
// The forward side, from the source, is kept from one test to the next until
// the source changes; every test starts its backward side afresh.
class ShorterPathTest
{
public:
    ShorterPathTest(const Graph &graph, unsigned max_pop_count);

    // Starts the forward side at source; no later step may enter ignored_node.
    void set_source(unsigned source, unsigned ignored_node);

    // True when a path from the source to target of at most `length` that
    // avoids the ignored node is found within max_pop_count + 1 steps.
    bool does_shorter_or_equal_path_to_target_exist(unsigned target, unsigned length);

private:
    struct SearchSide
    {
        explicit SearchSide(unsigned node_count) : distance(node_count, 0), queue(node_count), pushed(node_count) {}
        std::vector<unsigned> distance;
        MinIDQueue queue;
        TimestampFlags pushed;
    };

    void start(SearchSide &side, unsigned node);
    // Settles one node of `side` (out-arcs forward, in-arcs backward); true
    // when a path of at most `length` through the two sides is found.
    bool step(SearchSide &side, const SearchSide &other, const std::vector<std::vector<Graph::Arc>> &arcs,
              unsigned length);

    unsigned ignored_node = invalid_id;
    unsigned max_pop_count;
    const Graph *graph;
    SearchSide forward;
    SearchSide backward;
};

unsigned estimate_node_importance(const Graph &graph, ShorterPathTest &test, unsigned x);

// Adds the shortcuts that contracting x needs and removes x from the graph.
void contract_node(Graph &graph, ShorterPathTest &test, unsigned x);

// Throws std::runtime_error when a side already holds as many arcs as 32-bit
// arc ids can number.
void check_room_for_another_arc(size_t arc_count);

// Appends the remaining arcs of x to the hierarchy: out-arcs to the forward
// side, in-arcs to the backward side.
void move_arcs_into_hierarchy(const Graph &graph, unsigned x, ContractionHierarchy &ch,
                              ContractionHierarchyExtraInfo &extra);

// Releases the unused capacity of the arc arrays filled by the contraction.
void shrink_contracted_arcs(ContractionHierarchy &ch, ContractionHierarchyExtraInfo &extra);

// Writes the contraction progress line when more than a second has passed
// since the last progress line (silent with an empty callback).
void log_contraction_progress(const ContractionHierarchy::LogCallback &log_message, int64_t &last_progress,
                              int64_t start, unsigned contracted, unsigned node_count, size_t in_degree,
                              size_t out_degree);

// Contracts the least important node first until none is left; fills rank,
// order, head and weight of both sides, and the extra info.
void build_ch_and_order(Graph &graph, ContractionHierarchy &ch, ContractionHierarchyExtraInfo &extra,
                        unsigned max_pop_count, const ContractionHierarchy::LogCallback &log_message);

} // namespace Routing

#endif
