#include "routing/core/graph_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <numeric>
#include <random>
#include <vector>

using namespace Routing;

namespace {

using Ids = std::vector<unsigned>;

Ids random_keys(std::mt19937& rng, std::size_t n, unsigned key_count)
{
    Ids keys(n);
    for (unsigned& k : keys)
        k = rng() % key_count;
    return keys;
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
        // The oracle: indices stably sorted by (left, right), and the inverse.
        Ids p(n), q(n), sorted_left;
        std::iota(p.begin(), p.end(), 0u);
        std::stable_sort(p.begin(), p.end(), [&](unsigned a, unsigned b) {
            return std::tie(left[a], right[a]) < std::tie(left[b], right[b]);
        });
        for (unsigned i = 0; i < n; ++i) {
            q[p[i]] = i;
            sorted_left.push_back(left[p[i]]);
        }

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
        const std::vector<bool> nonzero(left.begin(), left.end());
        const std::vector<bool> sorted_nonzero(sorted_left.begin(), sorted_left.end());
        EXPECT_EQ(apply_inverse_permutation(q, nonzero), sorted_nonzero);
        if (lk == rk) {
            l = left;
            EXPECT_EQ(compute_inverse_sort_permutation_first_by_tail_then_by_head_and_apply_sort_to_tail(lk, l, right),
                      q);
            EXPECT_EQ(l, sorted_left);
        }

        // Filtering by bit: the odd keys kept, the others removed, in order.
        BitVector odd(n, false);
        Ids kept = left, removed = left, odd_keys, even_keys;
        for (unsigned i = 0; i < n; ++i)
            if (left[i] % 2)
                odd.set(i);
        const auto is_odd = [](unsigned key) { return key % 2 == 1; };
        std::partition_copy(left.begin(), left.end(), back_inserter(odd_keys), back_inserter(even_keys), is_odd);
        inplace_keep_element_of_vector_if(odd, kept);
        inplace_remove_element_from_vector_if(odd, removed);
        EXPECT_TRUE(kept == odd_keys && removed == even_keys);
    }
}

// Against a scan over a random graph sorted by tail with ascending heads per
// tail, parallel arcs and nodes without arcs included; paths are random walks.
TEST(ArcLookup, FindsTheFirstArcOrInvalidAndConvertsPaths)
{
    std::mt19937 rng(5);
    const unsigned n = 40;
    Ids first_out = {0}, tail, head;
    for (unsigned x = 0; x < n; ++x) {
        Ids heads = random_keys(rng, rng() % 15, n);
        std::sort(heads.begin(), heads.end());
        tail.insert(tail.end(), heads.size(), x);
        head.insert(head.end(), heads.begin(), heads.end());
        first_out.push_back(static_cast<unsigned>(head.size()));
    }
    const auto first_arc_by_scan = [&](unsigned x, unsigned y) {
        for (unsigned a = 0; a < head.size(); ++a)
            if (tail[a] == x && head[a] == y)
                return a;
        return unsigned(invalid_id);
    };
    for (unsigned x = 0; x < n; ++x)
        for (unsigned y = 0; y < n; ++y) {
            EXPECT_EQ(find_arc(first_out, head, x, y), first_arc_by_scan(x, y));
            EXPECT_EQ(find_arc_given_sorted_head(first_out, head, x, y), first_arc_by_scan(x, y));
        }

    EXPECT_EQ(convert_node_path_to_arc_path(first_out, head, {}), Ids{});
    for (int walk = 0; walk < 50; ++walk) {
        Ids node_path = {static_cast<unsigned>(rng() % n)}, arcs;
        for (unsigned x = node_path[0]; int(node_path.size()) <= walk % 12 && first_out[x] < first_out[x + 1];) {
            const unsigned y = head[first_out[x] + rng() % (first_out[x + 1] - first_out[x])];
            arcs.push_back(first_arc_by_scan(x, y));
            node_path.push_back(x = y);
        }
        EXPECT_EQ(convert_node_path_to_arc_path(first_out, head, node_path), arcs);
        EXPECT_EQ(convert_arc_path_to_node_path(node_path[0], head, arcs), arcs.empty() ? Ids{} : node_path);
    }
}

} // namespace
