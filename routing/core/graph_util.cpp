#include "routing/core/graph_util.h"

namespace Routing {

namespace detail {

std::vector<unsigned> compute_key_pos(const std::vector<unsigned>& keys, unsigned key_count)
{
    std::vector<unsigned> pos(key_count, 0);
    for (unsigned key : keys)
        ++pos[key];
    unsigned sum = 0;
    for (unsigned& p : pos)
        sum += std::exchange(p, sum);
    return pos;
}

} // namespace detail

namespace {

// Few elements over many key values: a comparison sort beats counting into
// key_count buckets.
bool prefers_comparison_sort(std::size_t n, unsigned key_count)
{
    return n < (key_count >> 4);
}

std::vector<unsigned> stable_sort_permutation(const std::vector<unsigned>& keys, unsigned key_count)
{
    std::vector<unsigned> p(keys.size());
    if (prefers_comparison_sort(keys.size(), key_count)) {
        std::iota(p.begin(), p.end(), 0u);
        std::stable_sort(p.begin(), p.end(), detail::CompareByKey{keys.data()});
        return p;
    }
    std::vector<unsigned> pos = detail::compute_key_pos(keys, key_count);
    for (std::size_t i = 0; i < keys.size(); ++i)
        p[pos[keys[i]]++] = static_cast<unsigned>(i);
    return p;
}

std::vector<unsigned> inverse_stable_sort_permutation(const std::vector<unsigned>& keys, unsigned key_count)
{
    std::vector<unsigned> q(keys.size());
    if (prefers_comparison_sort(keys.size(), key_count)) {
        const std::vector<unsigned> p = stable_sort_permutation(keys, key_count);
        for (std::size_t i = 0; i < p.size(); ++i)
            q[p[i]] = static_cast<unsigned>(i);
        return q;
    }
    std::vector<unsigned> pos = detail::compute_key_pos(keys, key_count);
    for (std::size_t i = 0; i < keys.size(); ++i)
        q[i] = pos[keys[i]]++;
    return q;
}

// Two stable passes, by right and then by left; with sorted_left set, the left
// keys in sorted order are stored there.
std::vector<unsigned> sort_permutation(unsigned left_key_count, const std::vector<unsigned>& left,
                                       unsigned right_key_count, const std::vector<unsigned>& right,
                                       std::vector<unsigned>* sorted_left)
{
    const std::vector<unsigned> p1 = stable_sort_permutation(right, right_key_count);
    std::vector<unsigned> left_after_pass1(left.size());
    for (std::size_t i = 0; i < left.size(); ++i)
        left_after_pass1[i] = left[p1[i]];
    std::vector<unsigned> p = stable_sort_permutation(left_after_pass1, left_key_count);
    if (sorted_left != nullptr) {
        for (std::size_t i = 0; i < p.size(); ++i)
            (*sorted_left)[i] = left_after_pass1[p[i]];
    }
    for (unsigned& entry : p)
        entry = p1[entry];
    return p;
}

std::vector<unsigned> inverse_sort_permutation(unsigned left_key_count, const std::vector<unsigned>& left,
                                               unsigned right_key_count, const std::vector<unsigned>& right,
                                               std::vector<unsigned>* sorted_left)
{
    std::vector<unsigned> q = inverse_stable_sort_permutation(right, right_key_count);
    std::vector<unsigned> left_after_pass1(left.size());
    for (std::size_t i = 0; i < left.size(); ++i)
        left_after_pass1[q[i]] = left[i];
    const std::vector<unsigned> q2 = inverse_stable_sort_permutation(left_after_pass1, left_key_count);
    if (sorted_left != nullptr) {
        for (std::size_t i = 0; i < q2.size(); ++i)
            (*sorted_left)[q2[i]] = left_after_pass1[i];
    }
    for (unsigned& entry : q)
        entry = q2[entry];
    return q;
}

} // namespace

std::vector<unsigned> compute_sort_permutation_first_by_left_then_by_right(
    unsigned left_key_count, const std::vector<unsigned>& left, unsigned right_key_count,
    const std::vector<unsigned>& right)
{
    return sort_permutation(left_key_count, left, right_key_count, right, nullptr);
}

std::vector<unsigned> compute_inverse_sort_permutation_first_by_left_then_by_right(
    unsigned left_key_count, const std::vector<unsigned>& left, unsigned right_key_count,
    const std::vector<unsigned>& right)
{
    return inverse_sort_permutation(left_key_count, left, right_key_count, right, nullptr);
}

std::vector<unsigned> compute_sort_permutation_first_by_left_then_by_right_and_apply_sort_to_left(
    unsigned left_key_count, std::vector<unsigned>& left, unsigned right_key_count, const std::vector<unsigned>& right)
{
    return sort_permutation(left_key_count, left, right_key_count, right, &left);
}

std::vector<unsigned> compute_inverse_sort_permutation_first_by_left_then_by_right_and_apply_sort_to_left(
    unsigned left_key_count, std::vector<unsigned>& left, unsigned right_key_count, const std::vector<unsigned>& right)
{
    return inverse_sort_permutation(left_key_count, left, right_key_count, right, &left);
}

std::vector<unsigned> compute_sort_permutation_first_by_tail_then_by_head(
    unsigned node_count, const std::vector<unsigned>& tail, const std::vector<unsigned>& head)
{
    return compute_sort_permutation_first_by_left_then_by_right(node_count, tail, node_count, head);
}

std::vector<unsigned> compute_inverse_sort_permutation_first_by_tail_then_by_head(
    unsigned node_count, const std::vector<unsigned>& tail, const std::vector<unsigned>& head)
{
    return compute_inverse_sort_permutation_first_by_left_then_by_right(node_count, tail, node_count, head);
}

std::vector<unsigned> compute_sort_permutation_first_by_tail_then_by_head_and_apply_sort_to_tail(
    unsigned node_count, std::vector<unsigned>& tail, const std::vector<unsigned>& head)
{
    return compute_sort_permutation_first_by_left_then_by_right_and_apply_sort_to_left(node_count, tail, node_count,
                                                                                       head);
}

std::vector<unsigned> compute_inverse_sort_permutation_first_by_tail_then_by_head_and_apply_sort_to_tail(
    unsigned node_count, std::vector<unsigned>& tail, const std::vector<unsigned>& head)
{
    return compute_inverse_sort_permutation_first_by_left_then_by_right_and_apply_sort_to_left(node_count, tail,
                                                                                               node_count, head);
}

unsigned find_arc(const std::vector<unsigned>& first_out, const std::vector<unsigned>& head, unsigned x, unsigned y)
{
    for (unsigned a = first_out[x]; a < first_out[x + 1]; ++a) {
        if (head[a] == y)
            return a;
    }
    return invalid_id;
}

unsigned find_arc_given_sorted_head(const std::vector<unsigned>& first_out, const std::vector<unsigned>& head,
                                    unsigned x, unsigned y)
{
    const auto end = head.begin() + first_out[x + 1];
    const auto arc = std::lower_bound(head.begin() + first_out[x], end, y);
    if (arc == end || *arc != y)
        return invalid_id;
    return static_cast<unsigned>(arc - head.begin());
}

std::vector<unsigned> convert_node_path_to_arc_path(const std::vector<unsigned>& first_out,
                                                    const std::vector<unsigned>& head, std::vector<unsigned> node_path)
{
    if (node_path.empty())
        return node_path;
    for (std::size_t i = 0; i + 1 < node_path.size(); ++i)
        node_path[i] = find_arc(first_out, head, node_path[i], node_path[i + 1]);
    node_path.pop_back();
    return node_path;
}

std::vector<unsigned> convert_arc_path_to_node_path(unsigned source_node, const std::vector<unsigned>& head,
                                                    std::vector<unsigned> arc_path)
{
    if (arc_path.empty())
        return arc_path;
    arc_path.push_back(0);
    for (std::size_t i = arc_path.size() - 1; i > 0; --i)
        arc_path[i] = head[arc_path[i - 1]];
    arc_path[0] = source_node;
    return arc_path;
}

} // namespace Routing
