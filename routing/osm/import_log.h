#ifndef ROUTING_OSM_IMPORT_LOG_H
#define ROUTING_OSM_IMPORT_LOG_H

#include "routing/core/timer.h"

#include <cstdint>
#include <functional>
#include <string>

namespace Routing {

// Log lines of the OSM import's steps with their durations in microseconds;
// silent, and without reading the clock, when the callback is empty.
class ImportLog
{
public:
    explicit ImportLog(const std::function<void(const std::string &)> &log_message) : log_message(log_message) {}

    void line(const std::string &text) const
    {
        if (log_message)
            log_message(text);
    }
    void start()
    {
        if (log_message)
            started = get_micro_time();
    }
    void start(const std::string &text)
    {
        line(text);
        start();
    }
    // prefix + microseconds since start + " musec."
    void finish(const std::string &prefix = "Finished, needed ") const
    {
        if (log_message)
            log_message(prefix + std::to_string(get_micro_time() - started) + " musec.");
    }

private:
    const std::function<void(const std::string &)> &log_message;
    int64_t started = 0;
};

} // namespace Routing

#endif
