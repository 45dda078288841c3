#include "routing/core/graph_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

using namespace Routing;

namespace {

using Ids = std::vector<unsigned>;

Ids random_keys(std::mt19937& rng, std::size_t n, unsigned key_count)
{
    Ids keys(n);
    std::uniform_int_distribution<unsigned> key(0, key_count - 1);
    for (unsigned& k : keys)
        k = key(rng);
    return keys;
}

// The oracle: indices stably sorted by (left, right).
Ids stable_sorted_indices(const Ids& left, const Ids& right)
{
    Ids p(left.size());
    std::iota(p.begin(), p.end(), 0u);
    std::stable_sort(p.begin(), p.end(), [&](unsigned a, unsigned b) {
        return std::tie(left[a], right[a]) < std::tie(left[b], right[b]);
    });
    return p;
}

Ids inverse_of(const Ids& p)
{
    Ids q(p.size());
    for (unsigned i = 0; i < p.size(); ++i)
        q[p[i]] = i;
    return q;
}

struct SortCase {
    std::size_t n;
    unsigned left_key_count, right_key_count;
};

// Each pass counts when n >= key count / 16 and compares otherwise; the cases
// cover both methods in either pass, few distinct keys (many ties) and the
// boundary n = key count / 16.
const SortCase sort_cases[] = {
    {0, 1, 1},      {0, 100000, 100000}, {1, 1, 1},         {4, 3, 3},         {4, 1000, 1000},
    {64, 1024, 1024}, {63, 1024, 1024}, {1000, 5, 100000}, {1000, 100000, 5}, {1000, 100000, 100000},
    {5000, 7, 3},   {5000, 2000, 2000},
};

TEST(SortPermutation, AllFormsMatchStableSortInBothRegimes)
{
    std::mt19937 rng(2024);
    for (const SortCase& c : sort_cases) {
        SCOPED_TRACE(testing::Message() << "n " << c.n << " left K " << c.left_key_count << " right K "
                                        << c.right_key_count);
        const Ids left = random_keys(rng, c.n, c.left_key_count);
        const Ids right = random_keys(rng, c.n, c.right_key_count);
        const Ids p = stable_sorted_indices(left, right);
        const Ids q = inverse_of(p);
        Ids sorted_left(c.n);
        for (std::size_t i = 0; i < c.n; ++i)
            sorted_left[i] = left[p[i]];

        const unsigned lk = c.left_key_count, rk = c.right_key_count;
        EXPECT_EQ(compute_sort_permutation_first_by_left_then_by_right(lk, left, rk, right), p);
        EXPECT_EQ(compute_inverse_sort_permutation_first_by_left_then_by_right(lk, left, rk, right), q);
        Ids in_place = left;
        EXPECT_EQ(compute_sort_permutation_first_by_left_then_by_right_and_apply_sort_to_left(lk, in_place, rk, right),
                  p);
        EXPECT_EQ(in_place, sorted_left);
        in_place = left;
        EXPECT_EQ(
            compute_inverse_sort_permutation_first_by_left_then_by_right_and_apply_sort_to_left(lk, in_place, rk, right),
            q);
        EXPECT_EQ(in_place, sorted_left);

        if (lk == rk) {
            EXPECT_EQ(compute_sort_permutation_first_by_tail_then_by_head(lk, left, right), p);
            EXPECT_EQ(compute_inverse_sort_permutation_first_by_tail_then_by_head(lk, left, right), q);
            in_place = left;
            EXPECT_EQ(compute_sort_permutation_first_by_tail_then_by_head_and_apply_sort_to_tail(lk, in_place, right), p);
            EXPECT_EQ(in_place, sorted_left);
            in_place = left;
            EXPECT_EQ(compute_inverse_sort_permutation_first_by_tail_then_by_head_and_apply_sort_to_tail(lk, in_place, right),
                      q);
            EXPECT_EQ(in_place, sorted_left);
        }
    }
}

TEST(SortPermutation, ApplyingPermutationAndInverseRoundTrips)
{
    std::mt19937 rng(7);
    const Ids tail = random_keys(rng, 3000, 50);
    const Ids head = random_keys(rng, 3000, 50);
    const Ids p = compute_sort_permutation_first_by_tail_then_by_head(50, tail, head);
    const Ids q = compute_inverse_sort_permutation_first_by_tail_then_by_head(50, tail, head);

    const Ids sorted_head = apply_permutation(p, head);
    EXPECT_EQ(apply_inverse_permutation(q, head), sorted_head);
    EXPECT_EQ(apply_inverse_permutation(p, sorted_head), head);
    EXPECT_EQ(apply_permutation(q, sorted_head), head);

    std::vector<bool> flags(3000);
    for (std::size_t i = 0; i < flags.size(); ++i)
        flags[i] = head[i] % 3 == 0;
    const std::vector<bool> sorted_flags = apply_inverse_permutation(q, flags);
    for (std::size_t i = 0; i < flags.size(); ++i)
        EXPECT_EQ(sorted_flags[i], sorted_head[i] % 3 == 0);
}

TEST(VectorFilters, KeepAndRemoveByBit)
{
    std::mt19937 rng(99);
    for (std::size_t n : {0, 1, 3, 100, 1000}) {
        BitVector bits(n + 17, false);
        std::vector<float> floats(n);
        Ids ids(n);
        std::vector<float> kept;
        Ids not_removed;
        for (std::size_t i = 0; i < n; ++i) {
            floats[i] = static_cast<float>(i) + 0.5f;
            ids[i] = static_cast<unsigned>(i * 3);
            if (rng() % 3 == 0) {
                bits.set(i);
                kept.push_back(floats[i]);
            } else {
                not_removed.push_back(ids[i]);
            }
        }
        inplace_keep_element_of_vector_if(bits, floats);
        inplace_remove_element_from_vector_if(bits, ids);
        EXPECT_EQ(floats, kept);
        EXPECT_EQ(ids, not_removed);
    }
}

// A random graph with parallel arcs, sorted by tail, heads ascending per tail.
struct SortedGraph {
    Ids first_out, head, tail;
};

SortedGraph random_sorted_graph(std::mt19937& rng, unsigned node_count, unsigned arc_count)
{
    SortedGraph g;
    g.tail = random_keys(rng, arc_count, node_count);
    g.head = random_keys(rng, arc_count, node_count);
    const Ids p = compute_sort_permutation_first_by_tail_then_by_head_and_apply_sort_to_tail(node_count, g.tail, g.head);
    g.head = apply_permutation(p, g.head);
    g.first_out.assign(node_count + 1, 0);
    for (unsigned t : g.tail)
        ++g.first_out[t + 1];
    std::partial_sum(g.first_out.begin(), g.first_out.end(), g.first_out.begin());
    return g;
}

unsigned first_arc_by_scan(const SortedGraph& g, unsigned x, unsigned y)
{
    for (unsigned a = 0; a < g.head.size(); ++a) {
        if (g.tail[a] == x && g.head[a] == y)
            return a;
    }
    return invalid_id;
}

TEST(ArcLookup, FindsTheFirstArcOrInvalid)
{
    std::mt19937 rng(5);
    const SortedGraph g = random_sorted_graph(rng, 40, 300);
    for (unsigned x = 0; x < 40; ++x) {
        for (unsigned y = 0; y < 40; ++y) {
            const unsigned expected = first_arc_by_scan(g, x, y);
            EXPECT_EQ(find_arc(g.first_out, g.head, x, y), expected);
            EXPECT_EQ(find_arc_or_return_invalid(g.first_out, g.head, x, y), expected);
            EXPECT_EQ(find_arc_given_sorted_head(g.first_out, g.head, x, y), expected);
            EXPECT_EQ(find_arc_or_return_invalid_given_sorted_head(g.first_out, g.head, x, y), expected);
        }
    }
}

TEST(PathConversion, NodeAndArcPathsRoundTrip)
{
    std::mt19937 rng(11);
    const SortedGraph g = random_sorted_graph(rng, 30, 400);
    EXPECT_EQ(convert_node_path_to_arc_path(g.first_out, g.head, {}), Ids{});
    EXPECT_EQ(convert_node_path_to_arc_path(g.first_out, g.head, {4}), Ids{});
    EXPECT_EQ(convert_arc_path_to_node_path(7, g.head, {}), Ids{});

    for (int walk = 0; walk < 50; ++walk) {
        Ids node_path = {static_cast<unsigned>(rng() % 30)};
        Ids expected_arcs;
        for (int step = 0; step < walk % 12; ++step) {
            const unsigned x = node_path.back();
            if (g.first_out[x] == g.first_out[x + 1])
                break;
            const unsigned a = g.first_out[x] + rng() % (g.first_out[x + 1] - g.first_out[x]);
            expected_arcs.push_back(first_arc_by_scan(g, x, g.head[a]));
            node_path.push_back(g.head[a]);
        }
        const Ids arcs = convert_node_path_to_arc_path(g.first_out, g.head, node_path);
        EXPECT_EQ(arcs, expected_arcs);
        if (!arcs.empty()) {
            EXPECT_EQ(convert_arc_path_to_node_path(node_path[0], g.head, arcs), node_path);
        }
    }
}

} // namespace
