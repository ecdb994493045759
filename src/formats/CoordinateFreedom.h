// Which coordinates of a site the space group leaves free, found by moving
// the site a little and asking whether its multiplicity stays the same.
#pragma once

#include <string_view>
#include <utility>
#include <vector>

namespace koralix {

// A free coordinate (0 x, 1 y, 2 z) and the coordinates that move with it,
// each with its multiplier (y = x, z = -x, y = 2x, ...).
struct TCoordinateFreedom {
    int Master = 0;
    std::vector<std::pair<int, float>> Tied;
};

// The free coordinates of the site (x, y, z) in the group; a general position
// has three, a site on a centre of symmetry none. An unknown group leaves all
// three free.
std::vector<TCoordinateFreedom> FreeCoordinates(std::string_view spaceGroup, float x, float y,
                                                float z);

} // namespace koralix
