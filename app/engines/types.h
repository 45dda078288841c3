#ifndef APP_ENGINES_TYPES_H
#define APP_ENGINES_TYPES_H

#include <vector>

// A point is {latitude, longitude} in degrees.
using vector_2d_double = std::vector<std::vector<double>>;
// Row i holds the distances in whole metres from point i, column j those to point j.
using vector_2d_int = std::vector<std::vector<int>>;

// Makes the point, list and matrix types known to Qt's meta-type system, so
// that they can travel through queued signals. Safe to call from any thread,
// any number of times.
void register_engine_meta_types();

#endif
