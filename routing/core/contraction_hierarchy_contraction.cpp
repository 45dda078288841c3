#include "routing/core/contraction_hierarchy_contraction.h"

#include "routing/core/step_log.h"
#include "routing/core/timer.h"
#include "routing/core/weight.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace Routing {

ShorterPathTest::ShorterPathTest(const Graph &graph, unsigned max_pop_count)
    : max_pop_count(max_pop_count), graph(&graph), forward(graph.node_count()), backward(graph.node_count())
{
}

void ShorterPathTest::start(SearchSide &side, unsigned node)
{
    side.pushed.reset_all();
    side.queue.clear();
    side.queue.push(node, 0);
    side.distance[node] = 0;
    side.pushed.set(node);
}

void ShorterPathTest::set_source(unsigned source, unsigned ignored)
{
    start(forward, source);
    ignored_node = ignored;
}

bool ShorterPathTest::step(SearchSide &side, const SearchSide &other,
                           const std::vector<std::vector<Graph::Arc>> &arcs, unsigned length)
{
    const auto popped = side.queue.pop();
    const unsigned y = popped.id, d = popped.key;
    if (other.pushed.is_set(y) && length >= add_weights_saturated(d, other.distance[y]))
        return true;

    bool found = false;
    for (const Graph::Arc &arc : arcs[y]) {
        const unsigned z = arc.node;
        if (z == ignored_node)
            continue;
        const unsigned nd = add_weights_saturated(d, arc.weight);
        if (!side.pushed.is_set(z)) {
            side.pushed.set(z);
            side.distance[z] = nd;
            side.queue.push(z, nd);
        } else if (nd < side.distance[z] && side.queue.contains_id(z)) {
            side.queue.decrease_key(z, nd);
            side.distance[z] = nd;
        } else {
            continue;
        }
        if (other.pushed.is_set(z) && length >= add_weights_saturated(nd, other.distance[z]))
            found = true;
    }
    return found;
}

bool ShorterPathTest::does_shorter_or_equal_path_to_target_exist(unsigned target, unsigned length)
{
    start(backward, target);
    if (forward.pushed.is_set(target) && length >= forward.distance[target])
        return true;

    for (uint64_t steps = 1;; ++steps) {
        if (forward.queue.empty() || backward.queue.empty())
            return false;
        const unsigned f = forward.queue.peek().key, b = backward.queue.peek().key;
        if (length < add_weights_saturated(f, b))
            return false;
        const bool found = b < f ? step(backward, forward, graph->in_arc, length)
                                 : step(forward, backward, graph->out_arc, length);
        if (found)
            return true;
        if (steps > max_pop_count)
            return false;
    }
}

unsigned estimate_node_importance(const Graph &graph, ShorterPathTest &test, unsigned x)
{
    const std::vector<Graph::Arc> &in = graph.in_arc[x], &out = graph.out_arc[x];

    unsigned added = 0, added_hops = 0;
    for (const Graph::Arc &a : in) {
        test.set_source(a.node, x);
        for (const Graph::Arc &c : out) {
            const uint64_t length = uint64_t(a.weight) + c.weight;
            if (c.node == a.node || length >= inf_weight)
                continue;
            if (!test.does_shorter_or_equal_path_to_target_exist(c.node, unsigned(length))) {
                ++added;
                added_hops += a.hop_length + c.hop_length;
            }
        }
    }

    unsigned hop_sum = 1;
    for (const Graph::Arc &a : in)
        hop_sum += a.hop_length;
    for (const Graph::Arc &c : out)
        hop_sum += c.hop_length;

    const unsigned degree_sum = unsigned(in.size() + out.size() + 1);
    return 1000 * added / degree_sum + 1000 * graph.level[x] + 1 + 1000 * added_hops / hop_sum;
}

namespace {

Graph::Arc *find_arc_to(std::vector<Graph::Arc> &arcs, unsigned node)
{
    for (Graph::Arc &arc : arcs)
        if (arc.node == node)
            return &arc;
    return nullptr;
}

void erase_first_arc_to(std::vector<Graph::Arc> &arcs, unsigned node)
{
    for (auto it = arcs.begin(); it != arcs.end(); ++it)
        if (it->node == node) {
            arcs.erase(it);
            return;
        }
}

// Adds the shortcut u->w or improves an existing heavier arc u->w.
void add_or_improve_arc(Graph &graph, unsigned u, unsigned w, unsigned weight, unsigned hop_length, unsigned mid_node)
{
    std::vector<Graph::Arc> &out_of_u = graph.out_arc[u], &into_w = graph.in_arc[w];
    Graph::Arc *existing = into_w.size() < out_of_u.size() ? find_arc_to(into_w, u) : find_arc_to(out_of_u, w);
    if (existing == nullptr) {
        out_of_u.push_back({w, weight, hop_length, mid_node});
        into_w.push_back({u, weight, hop_length, mid_node});
        return;
    }
    if (existing->weight <= weight)
        return;
    for (Graph::Arc *entry : {find_arc_to(out_of_u, w), find_arc_to(into_w, u)}) {
        entry->weight = weight;
        entry->hop_length = hop_length;
        entry->mid_node = mid_node;
    }
}

} // namespace

void contract_node(Graph &graph, ShorterPathTest &test, unsigned x)
{
    // Neither list of x changes while shortcuts are added: they join other nodes only.
    const std::vector<Graph::Arc> &in = graph.in_arc[x], &out = graph.out_arc[x];
    for (const Graph::Arc &a : in) {
        const unsigned u = a.node;
        test.set_source(u, x);
        for (const Graph::Arc &c : out) {
            const unsigned w = c.node;
            // A path of inf_weight or more is never a shortest path to a reachable node.
            const uint64_t weight = uint64_t(a.weight) + c.weight;
            if (w == u || weight >= inf_weight)
                continue;
            if (!test.does_shorter_or_equal_path_to_target_exist(w, unsigned(weight)))
                add_or_improve_arc(graph, u, w, unsigned(weight), a.hop_length + c.hop_length, x);
        }
    }

    for (const Graph::Arc &c : out)
        erase_first_arc_to(graph.in_arc[c.node], x);
    for (const Graph::Arc &a : in)
        erase_first_arc_to(graph.out_arc[a.node], x);
    std::vector<Graph::Arc>().swap(graph.in_arc[x]);
    std::vector<Graph::Arc>().swap(graph.out_arc[x]);
}

void check_room_for_another_arc(size_t arc_count)
{
    if (arc_count >= 4294967295u)
        throw std::runtime_error("CH may contain at most 2^32-1 shortcuts per direction");
}

namespace {

void append_arcs(const std::vector<Graph::Arc> &arcs, unsigned x, ContractionHierarchy::Side &side,
                 ContractionHierarchyExtraInfo::Side &extra)
{
    for (const Graph::Arc &arc : arcs) {
        check_room_for_another_arc(side.head.size());
        extra.tail.push_back(x);
        side.head.push_back(arc.node);
        side.weight.push_back(arc.weight);
        extra.mid_node.push_back(arc.mid_node);
    }
}

} // namespace

void move_arcs_into_hierarchy(const Graph &graph, unsigned x, ContractionHierarchy &ch,
                              ContractionHierarchyExtraInfo &extra)
{
    append_arcs(graph.out_arc[x], x, ch.forward, extra.forward);
    append_arcs(graph.in_arc[x], x, ch.backward, extra.backward);
}

void shrink_contracted_arcs(ContractionHierarchy &ch, ContractionHierarchyExtraInfo &extra)
{
    for (std::vector<unsigned> *array : {&ch.forward.head, &ch.forward.weight, &ch.backward.head, &ch.backward.weight,
                                         &extra.forward.mid_node, &extra.forward.tail, &extra.backward.mid_node,
                                         &extra.backward.tail})
        array->shrink_to_fit();
}

void log_contraction_progress(const ContractionHierarchy::LogCallback &log_message, int64_t &last_progress,
                              int64_t start, unsigned contracted, unsigned node_count, size_t in_degree,
                              size_t out_degree)
{
    if (!log_message)
        return;
    const int64_t now = get_micro_time();
    if (now - last_progress <= 1000000)
        return;
    log_message("Contracted " + std::to_string(contracted) + " of " + std::to_string(node_count)
                + ". The in degree of last node was " + std::to_string(in_degree) + " and out degree was "
                + std::to_string(out_degree) + ". Running for " + std::to_string(now - start) + "musec.");
    last_progress = now;
}

void build_ch_and_order(Graph &graph, ContractionHierarchy &ch, ContractionHierarchyExtraInfo &extra,
                        unsigned max_pop_count, const ContractionHierarchy::LogCallback &log_message)
{
    const unsigned n = graph.node_count();
    const StepLog queue_step(log_message, "building queue");
    int64_t last_progress = queue_step.started_at();

    ShorterPathTest test(graph, max_pop_count);
    ch.rank.resize(n);
    ch.order.resize(n);
    MinIDQueue queue(n);

    for (unsigned x = 0; x < n; ++x) {
        queue.push(x, estimate_node_importance(graph, test, x));
        if (log_message) {
            const int64_t now = get_micro_time();
            if (now - last_progress > 1000000) {
                log_message("Added " + std::to_string(x + 1) + " of " + std::to_string(n)
                            + " nodes to the queue. Running for " + std::to_string(now - queue_step.started_at())
                            + "musec.");
                last_progress = now;
            }
        }
    }
    queue_step.finish("musec time.");

    const StepLog contraction_step(log_message, "contracting nodes");
    std::vector<bool> is_collected(n, false);
    std::vector<unsigned> neighbours;
    for (unsigned i = 0; !queue.empty(); ++i) {
        const unsigned x = queue.pop().id;
        ch.rank[x] = i;
        ch.order[i] = x;

        for (const auto *arcs : {&graph.in_arc[x], &graph.out_arc[x]})
            for (const Graph::Arc &arc : *arcs)
                if (!is_collected[arc.node]) {
                    is_collected[arc.node] = true;
                    neighbours.push_back(arc.node);
                }

        move_arcs_into_hierarchy(graph, x, ch, extra);

        const size_t in_degree = graph.in_arc[x].size(), out_degree = graph.out_arc[x].size();
        const unsigned new_level = graph.level[x] + 1;
        contract_node(graph, test, x);

        for (unsigned y : neighbours) {
            is_collected[y] = false;
            if (new_level >= graph.level[y])
                graph.level[y] = new_level;
            const unsigned importance = estimate_node_importance(graph, test, y);
            queue.decrease_key(y, importance);
            queue.increase_key(y, importance);
        }
        neighbours.clear();

        log_contraction_progress(log_message, last_progress, contraction_step.started_at(), i + 1, n, in_degree,
                                 out_degree);
    }

    shrink_contracted_arcs(ch, extra);
    contraction_step.finish();
}

} // namespace Routing
