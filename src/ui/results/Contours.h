// Contour lines of a grid of values by marching squares: for each level the
// segments where the bilinear surface through the grid crosses it.
#pragma once

#include <vector>

namespace koralix {

struct TContourSegment {
    double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0; // in grid units: column, row
};

// `values` holds `rows` rows of `columns` values, row after row.
std::vector<TContourSegment> ContourSegments(const std::vector<double>& values, int columns,
                                             int rows, double level);

// The levels of a contour display: level j (1..count) at min + j (max - min) / count.
std::vector<double> ContourLevels(double min, double max, int count);

} // namespace koralix
