#ifndef APP_MATRIX_SHAPE_H
#define APP_MATRIX_SHAPE_H

#include "app/engines/types.h"

#include <algorithm>

// The matrix has one row of one value per point for every point, so it can be
// read for those points without a bound check.
inline bool matrix_fits_points(const vector_2d_double &points, const vector_2d_int &distances)
{
    return distances.size() == points.size() &&
           std::all_of(distances.begin(), distances.end(),
                       [&](const std::vector<int> &row) { return row.size() == points.size(); });
}

#endif
