#include "routing/core/contraction_hierarchy.h"

#include "routing/core/contraction_hierarchy_contraction.h"
#include "routing/core/contraction_hierarchy_finishing.h"
#include "routing/core/graph_util.h"
#include "routing/core/step_log.h"
#include "routing/core/timer.h"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <stdexcept>
#include <string>
#include <utility>

namespace Routing {

namespace {

// Broken input would make the build write outside its arrays, so it is
// rejected up front in time linear in the input.
void check_arcs(uint64_t node_count, const std::vector<unsigned> &tail, const std::vector<unsigned> &head,
                const std::vector<unsigned> &weight)
{
    if (node_count > invalid_id)
        throw std::invalid_argument("A contraction hierarchy can have at most 4294967295 nodes.");
    if (tail.size() != head.size() || tail.size() != weight.size())
        throw std::invalid_argument("The arc arrays tail, head and weight must have equal lengths, but have "
                                    + std::to_string(tail.size()) + ", " + std::to_string(head.size()) + " and "
                                    + std::to_string(weight.size()) + " entries.");
    if (tail.size() > invalid_id)
        throw std::invalid_argument("A contraction hierarchy can be built from at most 4294967295 arcs.");
    for (size_t i = 0; i < tail.size(); ++i)
        if (tail[i] >= node_count || head[i] >= node_count)
            throw std::invalid_argument("Arc " + std::to_string(i) + " runs from " + std::to_string(tail[i]) + " to "
                                        + std::to_string(head[i]) + ", but node ids must be below the node count "
                                        + std::to_string(node_count) + ".");
}

void check_permutation(const std::vector<unsigned> &permutation, const char *name)
{
    std::vector<bool> is_taken(permutation.size(), false);
    for (size_t i = 0; i < permutation.size(); ++i) {
        const unsigned value = permutation[i];
        if (value >= permutation.size() || is_taken[value])
            throw std::invalid_argument(std::string("The given ") + name + " is not a permutation: entry "
                                        + std::to_string(i) + " is " + std::to_string(value)
                                        + (value >= permutation.size() ? ", not below the node count "
                                                                             + std::to_string(permutation.size())
                                                                       : ", which occurs earlier")
                                        + ".");
        is_taken[value] = true;
    }
}

void log_input_graph_statistics(unsigned node_count, const std::vector<unsigned> &tail,
                                const std::vector<unsigned> &head, const ContractionHierarchy::LogCallback &log_message)
{
    if (!log_message)
        return;
    log_message("Input graph has " + std::to_string(node_count) + " nodes and " + std::to_string(tail.size())
                + " arcs.");
    std::vector<unsigned> in_degree(node_count, 0), out_degree(node_count, 0);
    for (size_t i = 0; i < tail.size(); ++i) {
        ++out_degree[tail[i]];
        ++in_degree[head[i]];
    }
    const auto maximum = [](const std::vector<unsigned> &degree) {
        return degree.empty() ? 0u : *std::max_element(degree.begin(), degree.end());
    };
    log_message("The input's maximum in-degree is " + std::to_string(maximum(in_degree))
                + " and its maximum out-degree is " + std::to_string(maximum(out_degree)) + ".");
}

// Sorts the arcs by tail, then head, drops loops and keeps of parallel arcs
// the lightest, the earliest in the input among equally light ones.
void sort_arcs_and_remove_multi_and_loop_arcs(unsigned node_count, std::vector<unsigned> &tail,
                                              std::vector<unsigned> &head, std::vector<unsigned> &weight,
                                              std::vector<unsigned> &input_arc_id,
                                              const ContractionHierarchy::LogCallback &log_message)
{
    const StepLog step(log_message, "removing loops and multi arcs from input");
    const std::vector<unsigned> p =
        compute_inverse_sort_permutation_first_by_tail_then_by_head_and_apply_sort_to_tail(node_count, tail, head);
    head = apply_inverse_permutation(p, std::move(head));
    weight = apply_inverse_permutation(p, std::move(weight));
    input_arc_id = apply_inverse_permutation(p, std::move(input_arc_id));

    size_t kept = 0;
    for (size_t i = 0; i < tail.size(); ++i) {
        if (tail[i] == head[i])
            continue;
        if (kept > 0 && tail[kept - 1] == tail[i] && head[kept - 1] == head[i]) {
            if (weight[i] < weight[kept - 1]) {
                weight[kept - 1] = weight[i];
                input_arc_id[kept - 1] = input_arc_id[i];
            }
            continue;
        }
        tail[kept] = tail[i];
        head[kept] = head[i];
        weight[kept] = weight[i];
        input_arc_id[kept] = input_arc_id[i];
        ++kept;
    }
    for (std::vector<unsigned> *array : {&tail, &head, &weight, &input_arc_id})
        array->resize(kept);
    step.finish("musec time.");
}

void log_contraction_hierarchy_statistics(const ContractionHierarchy &ch,
                                          const ContractionHierarchy::LogCallback &log_message)
{
    if (!log_message)
        return;
    log_message("CH has " + std::to_string(ch.forward.head.size()) + " forward arcs.");
    log_message("CH has " + std::to_string(ch.backward.head.size()) + " backward arcs.");
}

// The input arcs after the clean-up, with the ids they had in the caller's arrays.
struct CleanedInput
{
    unsigned node_count;
    std::vector<unsigned> tail, head, input_arc_id;
};

// The steps that every build starts with: statistics, clean-up and the graph
// to contract. The weights end up in the graph only.
Graph prepare_input(CleanedInput &input, std::vector<unsigned> weight,
                    const ContractionHierarchy::LogCallback &log_message)
{
    log_input_graph_statistics(input.node_count, input.tail, input.head, log_message);
    input.input_arc_id.resize(input.head.size());
    std::iota(input.input_arc_id.begin(), input.input_arc_id.end(), 0u);
    sort_arcs_and_remove_multi_and_loop_arcs(input.node_count, input.tail, input.head, weight, input.input_arc_id,
                                             log_message);

    Graph graph(input.node_count);
    for (size_t i = 0; i < input.tail.size(); ++i) {
        graph.out_arc[input.tail[i]].push_back({input.head[i], weight[i], 1, invalid_id});
        graph.in_arc[input.head[i]].push_back({input.tail[i], weight[i], 1, invalid_id});
    }
    return graph;
}

// The steps that every build ends with, once rank and order are final.
void finish_build(const CleanedInput &input, ContractionHierarchy &ch, ContractionHierarchyExtraInfo &extra,
                  const ContractionHierarchy::LogCallback &log_message)
{
    make_internal_nodes_and_rank_coincide(ch, extra, log_message);
    sort_ch_arcs_and_build_first_out_arrays(ch, extra, log_message);
    build_unpacking_information(input.node_count, input.tail, input.head, input.input_arc_id, ch, extra,
                                log_message);
    log_contraction_hierarchy_statistics(ch, log_message);
}

} // namespace

ContractionHierarchy ContractionHierarchy::build(unsigned node_count, std::vector<unsigned> tail,
                                                 std::vector<unsigned> head, std::vector<unsigned> weight,
                                                 const LogCallback &log_message, unsigned max_pop_count)
{
    check_arcs(node_count, tail, head, weight);
    ContractionHierarchy ch;
    ContractionHierarchyExtraInfo extra;
    CleanedInput input{node_count, std::move(tail), std::move(head), {}};
    {
        Graph graph = prepare_input(input, std::move(weight), log_message);
        build_ch_and_order(graph, ch, extra, max_pop_count, log_message);
    }
    sort_ch_arcs_and_build_first_out_arrays(ch, extra, log_message);
    optimize_order_for_cache(ch, log_message);
    finish_build(input, ch, extra, log_message);
    return ch;
}

ContractionHierarchy ContractionHierarchy::build_given_rank(std::vector<unsigned> rank, std::vector<unsigned> tail,
                                                            std::vector<unsigned> head, std::vector<unsigned> weight,
                                                            const LogCallback &log_message, unsigned max_pop_count)
{
    check_arcs(rank.size(), tail, head, weight);
    check_permutation(rank, "rank");
    const unsigned node_count = unsigned(rank.size());
    ContractionHierarchy ch;
    ContractionHierarchyExtraInfo extra;
    CleanedInput input{node_count, std::move(tail), std::move(head), {}};
    {
        Graph graph = prepare_input(input, std::move(weight), log_message);

        int64_t start = 0;
        if (log_message) {
            start = get_micro_time();
            log_message("Start building contraction hierarchy with given rank.");
        }
        int64_t last_progress = start;
        ShorterPathTest test(graph, max_pop_count);
        ch.rank = std::move(rank);
        ch.order.resize(node_count);
        for (unsigned x = 0; x < node_count; ++x)
            ch.order[ch.rank[x]] = x;

        for (unsigned i = 0; i < node_count; ++i) {
            const unsigned x = ch.order[i];
            move_arcs_into_hierarchy(graph, x, ch, extra);
            const size_t in_degree = graph.in_arc[x].size(), out_degree = graph.out_arc[x].size();
            contract_node(graph, test, x);
            log_contraction_progress(log_message, last_progress, start, i + 1, node_count, in_degree, out_degree);
        }
        shrink_contracted_arcs(ch, extra);
        if (log_message)
            log_message("Finished contracting nodes. Needed " + std::to_string(get_micro_time() - start) + "musec.");
    }
    finish_build(input, ch, extra, log_message);
    return ch;
}

ContractionHierarchy ContractionHierarchy::build_given_order(std::vector<unsigned> order, std::vector<unsigned> tail,
                                                             std::vector<unsigned> head, std::vector<unsigned> weight,
                                                             const LogCallback &log_message, unsigned max_pop_count)
{
    check_permutation(order, "order");
    std::vector<unsigned> rank(order.size());
    for (unsigned i = 0; i < order.size(); ++i)
        rank[order[i]] = i;
    return build_given_rank(std::move(rank), std::move(tail), std::move(head), std::move(weight), log_message,
                            max_pop_count);
}

} // namespace Routing
