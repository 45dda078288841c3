#ifndef ROUTING_CORE_WEIGHT_H
#define ROUTING_CORE_WEIGHT_H

#include <cstdint>

namespace Routing {

// The distance of an unreachable target.
inline constexpr unsigned inf_weight = 2147483647;

// a + b, held at inf_weight: searches add path lengths and arc weights of any
// size without wrapping around, so a tentative distance never shrinks along
// a path. Sums below inf_weight are exact.
inline unsigned add_weights_saturated(unsigned a, unsigned b)
{
    const uint64_t sum = uint64_t(a) + b;
    return sum < inf_weight ? unsigned(sum) : inf_weight;
}

} // namespace Routing

#endif
