#ifndef ROUTING_CORE_TIMER_H
#define ROUTING_CORE_TIMER_H

#include <cstdint>

namespace Routing {

// Wall-clock microseconds since the system clock's epoch; log lines report
// durations as differences of two readings.
int64_t get_micro_time();

} // namespace Routing

#endif
