#ifndef ROUTING_CORE_STEP_LOG_H
#define ROUTING_CORE_STEP_LOG_H

#include "routing/core/timer.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace Routing {

// The start and end lines of one build step: "Start <step>." and "Finished
// <step>. Needed <microseconds><unit>". With an empty callback it writes
// nothing and reads no clock.
class StepLog
{
public:
    StepLog(const std::function<void(std::string)> &log_message, std::string step)
        : log_message(log_message), step(std::move(step))
    {
        if (log_message) {
            start_time = get_micro_time();
            log_message("Start " + this->step + ".");
        }
    }

    // Clock reading at the start line; 0 when silent.
    int64_t started_at() const { return start_time; }

    void finish(const char *unit = "musec.") const
    {
        if (log_message)
            log_message("Finished " + step + ". Needed " + std::to_string(get_micro_time() - start_time) + unit);
    }

private:
    const std::function<void(std::string)> &log_message;
    std::string step;
    int64_t start_time = 0;
};

} // namespace Routing

#endif
