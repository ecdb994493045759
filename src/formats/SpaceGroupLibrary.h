// The space-group library: one operation that says what a symbol means, in the
// calling form the program has always used (a blank-padded symbol buffer, a
// position, ten integers of answers, an error flag). It is built on gemmi's
// symmetry tables and resolves symbols with ResolveSpaceGroup.
#pragma once

#include <gemmi/symmetry.hpp> // SpaceGroup, GroupOps

#include <cstdint>

namespace koralix {

constexpr int SymbolBufferLength = 20; // characters before the closing zero byte
constexpr int SpaceGroupInfoCount = 10;

// Laue-class codes returned in info[0]. Trigonal classes are told apart by
// their axes (rhombohedral or hexagonal) and, on hexagonal axes, by whether
// the 2-fold axes lie along a (-3m1) or perpendicular to it (-31m).
enum LaueCode : int32_t {
    LaueTriclinic = 1,        // -1
    LaueMonoclinic = 2,       // 2/m
    LaueOrthorhombic = 3,     // mmm
    LaueTetragonalLow = 4,    // 4/m
    LaueTetragonalHigh = 5,   // 4/mmm
    LaueRhombohedralLow = 6,  // -3, rhombohedral axes
    LaueRhombohedralHigh = 7, // -3m, rhombohedral axes
    LaueTrigonalLow = 8,      // -3, hexagonal axes
    LaueTrigonal3m1 = 9,      // -3m1, hexagonal axes (R groups included)
    LaueTrigonal31m = 10,     // -31m
    LaueHexagonalLow = 11,    // 6/m
    LaueHexagonalHigh = 12,   // 6/mmm
    LaueCubicLow = 13,        // m-3
    LaueCubicHigh = 14,       // m-3m
};

// Positions closer than this, per fractional coordinate, count as the same
// site when the operations that fix a site are counted. Files round 1/3 to
// 0.3333 or even 0.333; an operation such as (y-x, -x) then moves the rounded
// site by up to about 0.001, while 0.002 is still well below any real
// separation of distinct sites (0.002 of a 30 A cell is 0.06 A).
constexpr double SitePositionTolerance = 0.002;

// symbol: SymbolBufferLength characters (blank padded) and a zero byte.
// position: x, y, z as fractions of the cell edges.
// info (all set): [0] LaueCode, [1] multiplicity of the general position
// (centring included), [2] multiplicity of `position`, [7] unique axis of a
// monoclinic group (1 a, 2 b, 3 c; 0 otherwise); the rest are 0.
// error: 0 when the symbol names a group, 1 when it does not (info all 0).
void spacegp(const char* symbol, const float* position, int32_t* info, int32_t* error);

int32_t LaueCodeOf(const gemmi::SpaceGroup& group);
int32_t UniqueAxisOf(const gemmi::SpaceGroup& group);
// General multiplicity divided by the number of operations that map (x, y, z)
// onto itself within SitePositionTolerance; 0 for a coordinate that is not finite.
int32_t SiteMultiplicityOf(const gemmi::GroupOps& operations, double x, double y, double z);

} // namespace koralix
