// What the symmetry of an atom's site allows: which coordinates and
// anisotropic thermal terms may move, and how the others follow them. An atom
// on a special position keeps it through the refinement: a shift of a free
// term carries the tied terms along, and a term the site fixes is held.
#pragma once

#include "Crystal.h"

#include <array>
#include <string>
#include <vector>

namespace koralix::engine {

// Linear ties among N terms: each term is free or a combination of the free
// ones (Follow[i][j] is term i's share of a shift of free term j; 1 on the
// diagonal of a free term).
template <size_t N> struct TTies {
    std::array<bool, N> Free{};
    std::array<std::array<double, N>, N> Follow{};
    bool AllFree() const {
        for (bool f : Free)
            if (!f) return false;
        return true;
    }
};

struct TSiteSymmetry {
    int Order = 1;            // operations that map the site onto itself (centring included)
    int Multiplicity = 0;     // positions in the cell
    TTies<3> Coordinates;     // x, y, z
    TTies<6> Anisotropic;     // B11, B22, B33, B12, B13, B23
    bool Special() const { return Order > 1; }
};

// The site symmetry of fractional position x, y, z in the group, with the
// anisotropic ties worked out for `cell` (its reciprocal edges scale the terms).
TSiteSymmetry SiteSymmetryOf(const TPhaseSymmetry& symmetry, const gemmi::UnitCell& cell,
                             double x, double y, double z);

// "x", "0.5*B11", "-y + z": term `term` as its ties make it follow the free
// terms named by `names`, for the listing; "fixed" when it follows none.
template <size_t N>
std::string TieText(const TTies<N>& ties, size_t term, const std::array<const char*, N>& names);

} // namespace koralix::engine
