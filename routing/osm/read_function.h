#ifndef ROUTING_OSM_READ_FUNCTION_H
#define ROUTING_OSM_READ_FUNCTION_H

#include <functional>

namespace Routing {

// Fills at most `capacity` bytes of the buffer and returns how many it wrote;
// 0 means the end of the data. Failures are thrown.
using ReadFunction = std::function<unsigned long long(char *buffer, unsigned long long capacity)>;

} // namespace Routing

#endif
