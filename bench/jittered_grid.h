#ifndef BENCH_JITTERED_GRID_H
#define BENCH_JITTERED_GRID_H

#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

// A road-like test network: rows x cols nodes on a grid of 100-unit spacing,
// each moved by up to 30 units in x and y, joined to the right and lower
// neighbours in both directions with the rounded Euclidean length of the
// moved positions. The same seed gives the same graph on every machine.
struct JitteredGrid
{
    unsigned node_count = 0;
    std::vector<unsigned> tail, head, weight;
};

inline JitteredGrid make_jittered_grid(unsigned rows, unsigned cols, uint64_t seed)
{
    uint64_t state = seed;
    const auto next = [&state] { // splitmix64
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    };
    const auto jitter = [&] { return double(int(next() % 61) - 30); };

    JitteredGrid grid;
    grid.node_count = rows * cols;
    std::vector<double> x(grid.node_count), y(grid.node_count);
    for (unsigned r = 0; r < rows; ++r)
        for (unsigned c = 0; c < cols; ++c) {
            x[r * cols + c] = 100.0 * c + jitter();
            y[r * cols + c] = 100.0 * r + jitter();
        }
    const auto join = [&](unsigned a, unsigned b) {
        const unsigned length = unsigned(std::lround(std::hypot(x[a] - x[b], y[a] - y[b])));
        for (auto [from, to] : {std::pair{a, b}, std::pair{b, a}}) {
            grid.tail.push_back(from);
            grid.head.push_back(to);
            grid.weight.push_back(length);
        }
    };
    for (unsigned r = 0; r < rows; ++r)
        for (unsigned c = 0; c < cols; ++c) {
            if (c + 1 < cols)
                join(r * cols + c, r * cols + c + 1);
            if (r + 1 < rows)
                join(r * cols + c, (r + 1) * cols + c);
        }
    return grid;
}

#endif
