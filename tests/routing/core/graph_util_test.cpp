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

// {n, left key count, right key count}. A pass counts when n >= key count / 16
// and compares otherwise: the cases cover both methods in either pass, many
// ties and the boundary between the two.
const unsigned sort_cases[][3] = {{0, 1, 1},       {0, 100000, 100000}, {1, 1, 1},         {4, 3, 3},
                                  {4, 1000, 1000}, {64, 1024, 1024},    {63, 1024, 1024},  {1000, 5, 100000},
                                  {1000, 100000, 5}, {5000, 7, 3},      {5000, 2000, 2000}};

TEST(SortPermutation, AllFormsMatchStableSortInBothRegimesAndApply)
{
    std::mt19937 rng(2024);
    for (const auto [n, lk, rk] : sort_cases) {
        SCOPED_TRACE(testing::Message() << "n " << n << " key counts " << lk << ", " << rk);
        const Ids left = random_keys(rng, n, lk);
        const Ids right = random_keys(rng, n, rk);
        const Ids p = stable_sorted_indices(left, right);
        const Ids q = inverse_of(p);
        Ids sorted_left;
        for (unsigned i : p)
            sorted_left.push_back(left[i]);

        EXPECT_EQ(compute_sort_permutation_first_by_left_then_by_right(lk, left, rk, right), p);
        EXPECT_EQ(compute_inverse_sort_permutation_first_by_left_then_by_right(lk, left, rk, right), q);
        Ids l = left;
        EXPECT_EQ(compute_sort_permutation_first_by_left_then_by_right_and_apply_sort_to_left(lk, l, rk, right), p);
        EXPECT_EQ(l, sorted_left);
        l = left;
        EXPECT_EQ(compute_inverse_sort_permutation_first_by_left_then_by_right_and_apply_sort_to_left(lk, l, rk, right),
                  q);
        EXPECT_EQ(l, sorted_left);
        EXPECT_EQ(apply_permutation(p, left), sorted_left);
        EXPECT_EQ(apply_inverse_permutation(q, left), sorted_left);
        std::vector<bool> odd, sorted_odd;
        for (std::size_t i = 0; i < n; ++i) {
            odd.push_back(left[i] % 2);
            sorted_odd.push_back(sorted_left[i] % 2);
        }
        EXPECT_EQ(apply_inverse_permutation(q, odd), sorted_odd);
        if (lk == rk) {
            l = left;
            EXPECT_EQ(compute_inverse_sort_permutation_first_by_tail_then_by_head_and_apply_sort_to_tail(lk, l, right),
                      q);
            EXPECT_EQ(l, sorted_left);
        }
    }
}

TEST(VectorFilters, KeepAndRemoveByBit)
{
    std::mt19937 rng(99);
    BitVector bits(1017, false);
    std::vector<float> floats, kept;
    Ids ids, not_removed;
    for (unsigned i = 0; i < 1000; ++i) {
        floats.push_back(i + 0.5f);
        ids.push_back(i * 3);
        if (rng() % 3 == 0) {
            bits.set(i);
            kept.push_back(floats.back());
        } else {
            not_removed.push_back(ids.back());
        }
    }
    inplace_keep_element_of_vector_if(bits, floats);
    inplace_remove_element_from_vector_if(bits, ids);
    EXPECT_EQ(floats, kept);
    EXPECT_EQ(ids, not_removed);
}

// A random graph sorted by tail with ascending heads per tail, parallel arcs
// and nodes without arcs included.
struct SortedGraph {
    Ids first_out = {0}, tail, head;
};

SortedGraph random_sorted_graph(std::mt19937& rng, unsigned node_count)
{
    SortedGraph g;
    for (unsigned x = 0; x < node_count; ++x) {
        Ids heads = random_keys(rng, rng() % 15, node_count);
        std::sort(heads.begin(), heads.end());
        g.tail.insert(g.tail.end(), heads.size(), x);
        g.head.insert(g.head.end(), heads.begin(), heads.end());
        g.first_out.push_back(static_cast<unsigned>(g.head.size()));
    }
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

TEST(ArcLookup, FindsTheFirstArcOrInvalidAndConvertsPaths)
{
    std::mt19937 rng(5);
    const SortedGraph g = random_sorted_graph(rng, 40);
    for (unsigned x = 0; x < 40; ++x) {
        for (unsigned y = 0; y < 40; ++y) {
            EXPECT_EQ(find_arc(g.first_out, g.head, x, y), first_arc_by_scan(g, x, y));
            EXPECT_EQ(find_arc_given_sorted_head(g.first_out, g.head, x, y), first_arc_by_scan(g, x, y));
        }
    }

    EXPECT_EQ(convert_node_path_to_arc_path(g.first_out, g.head, {}), Ids{});
    EXPECT_EQ(convert_node_path_to_arc_path(g.first_out, g.head, {4}), Ids{});
    EXPECT_EQ(convert_arc_path_to_node_path(7, g.head, {}), Ids{});
    for (int walk = 1; walk < 50; ++walk) {
        Ids node_path = {static_cast<unsigned>(rng() % 40)};
        Ids expected_arcs;
        while (static_cast<int>(node_path.size()) < walk % 12 + 2) {
            const unsigned x = node_path.back();
            if (g.first_out[x] == g.first_out[x + 1])
                break;
            const unsigned y = g.head[g.first_out[x] + rng() % (g.first_out[x + 1] - g.first_out[x])];
            expected_arcs.push_back(first_arc_by_scan(g, x, y));
            node_path.push_back(y);
        }
        const Ids arcs = convert_node_path_to_arc_path(g.first_out, g.head, node_path);
        EXPECT_EQ(arcs, expected_arcs);
        if (!arcs.empty()) {
            EXPECT_EQ(convert_arc_path_to_node_path(node_path[0], g.head, arcs), node_path);
        }
    }
}

} // namespace
