// The layout of a Fourier map as the engine returns it and the window shows
// it: 64 slices along the chosen axis (1 = x, 2 = y, 3 = z), each of 64 rows
// (i) of 64 points (k). Slice s, row i, point k (from 0) sits at
// (s * 64 + i) * 64 + k. The in-plane directions follow the axis cyclically:
// for z, k runs along x and i along y; for x, k along y and i along z; for y,
// k along z and i along x.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace koralix {

constexpr int MapSide = 64;
constexpr size_t MapSize = size_t(MapSide) * MapSide * MapSide;

inline size_t MapIndex(int s, int i, int k) {
    return (size_t(s) * MapSide + size_t(i)) * MapSide + size_t(k);
}

// The grid indices (x, y, z) of slice s, row i, point k along `axis`.
std::array<int, 3> GridPoint(int axis, int s, int i, int k);

// Rearranges a map held x slowest, z fastest into slices along `axis`.
void ArrangeSlices(const std::vector<double>& xyz, int axis, float* out);

struct TMapPeak {
    double X = 0, Y = 0, Z = 0; // fractional
    double Height = 0;
};

// The `count` highest local maxima (over the 26 neighbours, the cell repeating),
// highest first, each placed between grid points by a parabola along each axis.
std::vector<TMapPeak> MapPeaks(const float* map, int axis, size_t count);

} // namespace koralix
