#ifndef ROUTING_CORE_CONSTANTS_H
#define ROUTING_CORE_CONSTANTS_H

namespace Routing {

// Stands for "no node" or "no arc" wherever a 32-bit id is expected.
inline constexpr unsigned invalid_id = 0xFFFFFFFFu;

} // namespace Routing

#endif
