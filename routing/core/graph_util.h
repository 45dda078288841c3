#ifndef ROUTING_CORE_GRAPH_UTIL_H
#define ROUTING_CORE_GRAPH_UTIL_H

#include "routing/core/bit_vector.h"
#include "routing/core/constants.h"

#include <algorithm>
#include <numeric>
#include <utility>
#include <vector>

// Tools for graphs stored as arrays: arcs as parallel vectors sorted by tail,
// with first_out[x] .. first_out[x + 1] - 1 the arcs out of node x.
namespace Routing {

namespace detail {

// Bucket starts of a counting sort: entry k is the number of keys below k.
// Every key must be below key_count.
std::vector<unsigned> compute_key_pos(const std::vector<unsigned>& keys, unsigned key_count);

struct CompareByKey {
    const unsigned* key;
    bool operator()(unsigned a, unsigned b) const { return key[a] < key[b]; }
};

} // namespace detail

// Stable sorts by left key, then right key, then input position. A sort
// permutation p gives sorted[i] = input[p[i]]; its inverse q gives
// sorted[q[i]] = input[i]. Every key must be below its key count.
std::vector<unsigned> compute_sort_permutation_first_by_left_then_by_right(
    unsigned left_key_count, const std::vector<unsigned>& left, unsigned right_key_count,
    const std::vector<unsigned>& right);
std::vector<unsigned> compute_inverse_sort_permutation_first_by_left_then_by_right(
    unsigned left_key_count, const std::vector<unsigned>& left, unsigned right_key_count,
    const std::vector<unsigned>& right);
// These also put left into sorted order.
std::vector<unsigned> compute_sort_permutation_first_by_left_then_by_right_and_apply_sort_to_left(
    unsigned left_key_count, std::vector<unsigned>& left, unsigned right_key_count, const std::vector<unsigned>& right);
std::vector<unsigned> compute_inverse_sort_permutation_first_by_left_then_by_right_and_apply_sort_to_left(
    unsigned left_key_count, std::vector<unsigned>& left, unsigned right_key_count, const std::vector<unsigned>& right);

std::vector<unsigned> compute_sort_permutation_first_by_tail_then_by_head(
    unsigned node_count, const std::vector<unsigned>& tail, const std::vector<unsigned>& head);
std::vector<unsigned> compute_inverse_sort_permutation_first_by_tail_then_by_head(
    unsigned node_count, const std::vector<unsigned>& tail, const std::vector<unsigned>& head);
std::vector<unsigned> compute_sort_permutation_first_by_tail_then_by_head_and_apply_sort_to_tail(
    unsigned node_count, std::vector<unsigned>& tail, const std::vector<unsigned>& head);
std::vector<unsigned> compute_inverse_sort_permutation_first_by_tail_then_by_head_and_apply_sort_to_tail(
    unsigned node_count, std::vector<unsigned>& tail, const std::vector<unsigned>& head);

// The ids 0 to n - 1 ordered by `less`; not stable.
template <class Less>
std::vector<unsigned> compute_sort_permutation_using_comparator(unsigned n, Less less)
{
    std::vector<unsigned> p(n);
    std::iota(p.begin(), p.end(), 0u);
    std::sort(p.begin(), p.end(), less);
    return p;
}

// out[i] = v[p[i]]; p must have the size of v.
template <class T>
std::vector<T> apply_permutation(const std::vector<unsigned>& p, const std::vector<T>& v)
{
    std::vector<T> out;
    out.reserve(v.size());
    for (unsigned from : p)
        out.push_back(v[from]);
    return out;
}

// out[p[i]] = v[i]; p must have the size of v.
template <class T>
std::vector<T> apply_inverse_permutation(const std::vector<unsigned>& p, std::vector<T> v)
{
    std::vector<T> out(v.size());
    for (std::size_t i = 0; i < v.size(); ++i)
        out[p[i]] = v[i];
    return out;
}

// Keeps, in order, the elements whose bit is set; keep has at least v.size() bits.
template <class T>
void inplace_keep_element_of_vector_if(const BitVector& keep, std::vector<T>& v)
{
    std::size_t kept = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (keep.is_set(i))
            v[kept++] = std::move(v[i]);
    }
    v.resize(kept);
}

// Removes the elements whose bit is set; remove has at least v.size() bits.
template <class T>
void inplace_remove_element_from_vector_if(const BitVector& remove, std::vector<T>& v)
{
    std::size_t kept = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (!remove.is_set(i))
            v[kept++] = std::move(v[i]);
    }
    v.resize(kept);
}

// The first arc from x to y, or invalid_id.
unsigned find_arc(const std::vector<unsigned>& first_out, const std::vector<unsigned>& head, unsigned x, unsigned y);
inline unsigned find_arc_or_return_invalid(const std::vector<unsigned>& first_out, const std::vector<unsigned>& head,
                                           unsigned x, unsigned y)
{
    return find_arc(first_out, head, x, y);
}

// Same, for arcs out of x whose heads ascend: a binary search.
unsigned find_arc_given_sorted_head(const std::vector<unsigned>& first_out, const std::vector<unsigned>& head,
                                    unsigned x, unsigned y);
inline unsigned find_arc_or_return_invalid_given_sorted_head(const std::vector<unsigned>& first_out,
                                                             const std::vector<unsigned>& head, unsigned x, unsigned y)
{
    return find_arc_given_sorted_head(first_out, head, x, y);
}

// Entry i of the result is the first arc from node_path[i] to node_path[i + 1]
// (invalid_id when there is none); one entry fewer than the node path.
std::vector<unsigned> convert_node_path_to_arc_path(const std::vector<unsigned>& first_out,
                                                    const std::vector<unsigned>& head, std::vector<unsigned> node_path);

// [source_node, head[a0], head[a1], ...]; empty for an empty arc path.
std::vector<unsigned> convert_arc_path_to_node_path(unsigned source_node, const std::vector<unsigned>& head,
                                                    std::vector<unsigned> arc_path);

} // namespace Routing

#endif
