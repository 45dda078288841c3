#include "routing/core/timer.h"

#include <chrono>

namespace Routing {

int64_t get_micro_time()
{
    const auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<int64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(since_epoch).count() / 1000);
}

} // namespace Routing
