// The atoms of a phase as they fill space: every symmetry image of every site
// in the cell, and the neighbours of a point out to a distance. Bond
// distances, bond-valence sums and the radial distribution build on these.
#pragma once

#include "Crystal.h"
#include "EngineState.h"

#include <gemmi/symmetry.hpp>
#include <gemmi/unitcell.hpp>

#include <array>
#include <functional>
#include <vector>

namespace koralix::engine {

using Fract3 = std::array<double, 3>;
using Shift3 = std::array<int, 3>;

// One distinct image of a site: operation `Op` applied to atom `Atom`, moved
// into the cell by `Shift` whole cells.
struct TImage {
    int Atom = 0;
    int Op = 0;
    Shift3 Shift{};
    Fract3 Frac{};
};

// Every operation of the group, centring included, in a fixed order.
std::vector<gemmi::Op> AllOperations(const TPhaseSymmetry& symmetry);

// The fractional position of op(atom) + shift for the current state.
Fract3 ImagePosition(const TPhaseState& phase, const gemmi::Op& op, int atom, const Shift3& shift);

// The distinct images of every site in the cell (special positions once).
std::vector<TImage> CellImages(const TPhaseState& phase, const std::vector<gemmi::Op>& ops);

// The length of a fractional vector in the cell.
double Length(const gemmi::UnitCell& cell, const Fract3& d);

// Calls visit(image, lattice, distance) for each image + lattice translation
// within rmax of `centre` (the centre itself, at distance 0, included).
void ForEachNeighbour(const gemmi::UnitCell& cell, const std::vector<TImage>& images,
                      const Fract3& centre, double rmax,
                      const std::function<void(const TImage&, const Shift3&, double)>& visit);

} // namespace koralix::engine
