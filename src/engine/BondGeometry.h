// Bond distances, bond angles and bond-valence sums of a phase, with esds
// propagated from the covariance of the refined variables.
#pragma once

#include "CellContents.h"

#include <string>
#include <vector>

namespace koralix::engine {

struct TBond {
    int Centre = 0, Other = 0; // atoms of the phase, from 0
    int Op = 0;                // into AllOperations
    Shift3 Shift{};            // whole cells added after the operation
    std::string Symmetry;      // the operation with the shift, "-x+1/2,y+1,z"
    double Distance = 0, Esd = 0;
};

struct TBondAngle {
    int Centre = 0;
    size_t First = 0, Second = 0; // bonds of the centre
    double Angle = 0, Esd = 0;    // degrees
};

struct TValenceSum {
    int Atom = 0, State = 0, Bonds = 0;
    bool Known = false; // a parameter pair existed for at least one bond
    double Sum = 0, Esd = 0;
};

struct TPhaseGeometry {
    double Rmin = 0, Rmax = 0, ValenceRange = 0;
    std::vector<TBond> Bonds;
    std::vector<TBondAngle> Angles;
    std::vector<TValenceSum> Sums;
};

// A range that holds no distance (Rmax not above Rmin) stands for 0 to this.
inline constexpr double DefaultBondRange = 3.5;

} // namespace koralix::engine
