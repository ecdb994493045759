// Bond-valence parameters and the oxidation states the bond-valence sums need.
#pragma once

#include <gemmi/elem.hpp>

#include <optional>
#include <string>

namespace koralix::engine {

// Where the parameters come from, as the summary file names it.
inline constexpr const char* BondValenceSource =
    "Brese, N. E. & O'Keeffe, M. (1991). Acta Cryst. B47, 192-197 (b = 0.37 A)";
inline constexpr double BondValenceB = 0.37;

// The oxidation state an atom type names: "O2-" is -2, "FE3+" is +3; a bare
// element gets its usual state (oxygen -2, lead +2, sulfur bonded to oxygen +6).
int OxidationState(const std::string& atomType, gemmi::El element);

// R0 of a cation (element, oxidation state) bonded to an anion; none when the
// table holds no such pair.
std::optional<double> BondValenceR0(gemmi::El cation, int state, gemmi::El anion);

// s = exp((R0 - R) / b).
double BondValence(double r0, double distance);

} // namespace koralix::engine
