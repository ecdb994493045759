#include "Contours.h"

#include <cstddef>

namespace koralix {

namespace {

// Where the level crosses the edge from value a to value b, as a fraction of it.
double Crossing(double a, double b, double level) {
    return a == b ? 0.5 : (level - a) / (b - a);
}

} // namespace

std::vector<TContourSegment> ContourSegments(const std::vector<double>& v, int columns, int rows,
                                             double level) {
    std::vector<TContourSegment> out;
    auto at = [&](int c, int r) { return v[std::size_t(r) * std::size_t(columns) + std::size_t(c)]; };
    for (int r = 0; r + 1 < rows; ++r)
        for (int c = 0; c + 1 < columns; ++c) {
            // Corners counter-clockwise from the lower left; edges 0 bottom, 1 right, 2 top, 3 left.
            const double a = at(c, r), b = at(c + 1, r), d = at(c + 1, r + 1), e = at(c, r + 1);
            const int mask = (a > level) | (b > level) << 1 | (d > level) << 2 | (e > level) << 3;
            if (mask == 0 || mask == 15) continue;
            auto point = [&](int edge, double& x, double& y) {
                switch (edge) {
                case 0: x = c + Crossing(a, b, level); y = r; break;
                case 1: x = c + 1; y = r + Crossing(b, d, level); break;
                case 2: x = c + Crossing(e, d, level); y = r + 1; break;
                default: x = c; y = r + Crossing(a, e, level); break;
                }
            };
            auto segment = [&](int e1, int e2) {
                TContourSegment s;
                point(e1, s.X1, s.Y1);
                point(e2, s.X2, s.Y2);
                out.push_back(s);
            };
            const double centre = 0.25 * (a + b + d + e);
            switch (mask) {
            case 1: case 14: segment(3, 0); break;
            case 2: case 13: segment(0, 1); break;
            case 3: case 12: segment(3, 1); break;
            case 4: case 11: segment(1, 2); break;
            case 6: case 9: segment(0, 2); break;
            case 7: case 8: segment(3, 2); break;
            case 5: // saddle: a and d above
                if (centre > level) { segment(3, 2); segment(0, 1); }
                else { segment(3, 0); segment(1, 2); }
                break;
            case 10: // saddle: b and e above
                if (centre > level) { segment(3, 0); segment(1, 2); }
                else { segment(0, 1); segment(3, 2); }
                break;
            default: break;
            }
        }
    return out;
}

std::vector<double> ContourLevels(double min, double max, int count) {
    std::vector<double> levels;
    for (int j = 1; j <= count; ++j)
        levels.push_back(min + j * (max - min) / count);
    return levels;
}

} // namespace koralix
