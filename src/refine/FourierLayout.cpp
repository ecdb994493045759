#include "FourierLayout.h"

#include <algorithm>
#include <cmath>

namespace koralix {

namespace {

int Wrap(int v) {
    return ((v % MapSide) + MapSide) % MapSide;
}

} // namespace

std::array<int, 3> GridPoint(int axis, int s, int i, int k) {
    std::array<int, 3> g{};
    const int a = std::clamp(axis, 1, 3) - 1;
    g[size_t(a)] = s;
    g[size_t((a + 1) % 3)] = k;
    g[size_t((a + 2) % 3)] = i;
    return g;
}

void ArrangeSlices(const std::vector<double>& xyz, int axis, float* out) {
    for (int s = 0; s < MapSide; ++s)
        for (int i = 0; i < MapSide; ++i)
            for (int k = 0; k < MapSide; ++k) {
                const auto g = GridPoint(axis, s, i, k);
                out[MapIndex(s, i, k)] = static_cast<float>(xyz[MapIndex(g[0], g[1], g[2])]);
            }
}

std::vector<TMapPeak> MapPeaks(const float* map, int axis, size_t count) {
    // Back to x, y, z order so that the neighbours are simple to name.
    std::vector<float> v(MapSize);
    for (int s = 0; s < MapSide; ++s)
        for (int i = 0; i < MapSide; ++i)
            for (int k = 0; k < MapSide; ++k) {
                const auto g = GridPoint(axis, s, i, k);
                v[MapIndex(g[0], g[1], g[2])] = map[MapIndex(s, i, k)];
            }
    auto at = [&](int x, int y, int z) { return v[MapIndex(Wrap(x), Wrap(y), Wrap(z))]; };
    std::vector<TMapPeak> peaks;
    for (int x = 0; x < MapSide; ++x)
        for (int y = 0; y < MapSide; ++y)
            for (int z = 0; z < MapSide; ++z) {
                const float c = at(x, y, z);
                bool top = true;
                for (int dx = -1; dx <= 1 && top; ++dx)
                    for (int dy = -1; dy <= 1 && top; ++dy)
                        for (int dz = -1; dz <= 1 && top; ++dz) {
                            if (dx == 0 && dy == 0 && dz == 0) continue;
                            const float n = at(x + dx, y + dy, z + dz);
                            // Ties go to the first point in scan order.
                            const bool before = dx < 0 || (dx == 0 && (dy < 0 || (dy == 0 && dz < 0)));
                            if (n > c || (n == c && before)) top = false;
                        }
                if (!top) continue;
                auto offset = [&](float minus, float plus) {
                    const double curve = double(minus) - 2.0 * c + plus;
                    if (!(curve < 0)) return 0.0;
                    const double o = std::clamp(0.5 * (double(minus) - plus) / curve, -0.5, 0.5);
                    // A symmetric top (a Patterson origin) stays on its grid point.
                    return std::abs(o) < 1e-6 ? 0.0 : o;
                };
                TMapPeak p;
                p.X = (x + offset(at(x - 1, y, z), at(x + 1, y, z))) / MapSide;
                p.Y = (y + offset(at(x, y - 1, z), at(x, y + 1, z))) / MapSide;
                p.Z = (z + offset(at(x, y, z - 1), at(x, y, z + 1))) / MapSide;
                auto unit = [](double f) { return f < 0 ? f + 1 : (f >= 1 ? f - 1 : f); };
                p.X = unit(p.X);
                p.Y = unit(p.Y);
                p.Z = unit(p.Z);
                p.Height = c;
                peaks.push_back(p);
            }
    std::stable_sort(peaks.begin(), peaks.end(),
                     [](const TMapPeak& a, const TMapPeak& b) { return a.Height > b.Height; });
    if (peaks.size() > count) peaks.resize(count);
    return peaks;
}

} // namespace koralix
