#include "BondValence.h"

#include <cctype>
#include <cmath>

namespace koralix::engine {

namespace {

using gemmi::El;

struct TUsualState {
    El Element;
    int State;
};

// States assumed when the atom type carries no charge.
constexpr TUsualState UsualStates[] = {
    {El::O, -2},  {El::F, -1},  {El::Cl, -1}, {El::Br, -1}, {El::I, -1},  {El::H, 1},
    {El::Li, 1},  {El::Na, 1},  {El::K, 1},   {El::Rb, 1},  {El::Cs, 1},  {El::Ag, 1},
    {El::Be, 2},  {El::Mg, 2},  {El::Ca, 2},  {El::Sr, 2},  {El::Ba, 2},  {El::Pb, 2},
    {El::Mn, 2},  {El::Co, 2},  {El::Ni, 2},  {El::Cu, 2},  {El::Zn, 2},  {El::Cd, 2},
    {El::Hg, 2},  {El::B, 3},   {El::Al, 3},  {El::Ga, 3},  {El::In, 3},  {El::Sc, 3},
    {El::Y, 3},   {El::La, 3},  {El::Bi, 3},  {El::Cr, 3},  {El::Fe, 3},  {El::C, 4},
    {El::Si, 4},  {El::Ge, 4},  {El::Sn, 4},  {El::Ti, 4},  {El::Zr, 4},  {El::Hf, 4},
    {El::Ce, 4},  {El::N, 5},   {El::P, 5},   {El::As, 5},  {El::Sb, 5},  {El::V, 5},
    {El::Nb, 5},  {El::Ta, 5},  {El::S, 6},   {El::Se, 6},  {El::Mo, 6},  {El::W, 6},
    {El::U, 6},
};

struct TR0 {
    El Cation;
    int State;
    El Anion;
    double R0;
};

// Brese and O'Keeffe (1991), Table 1, for the common oxides, fluorides and chlorides.
constexpr TR0 R0Table[] = {
    {El::Ag, 1, El::O, 1.842},  {El::Al, 3, El::O, 1.651},  {El::As, 5, El::O, 1.767},
    {El::B, 3, El::O, 1.371},   {El::Ba, 2, El::O, 2.285},  {El::Be, 2, El::O, 1.381},
    {El::Bi, 3, El::O, 2.094},  {El::C, 4, El::O, 1.390},   {El::Ca, 2, El::O, 1.967},
    {El::Cd, 2, El::O, 1.904},  {El::Ce, 4, El::O, 2.028},  {El::Co, 2, El::O, 1.692},
    {El::Cr, 3, El::O, 1.724},  {El::Cs, 1, El::O, 2.417},  {El::Cu, 2, El::O, 1.679},
    {El::Fe, 2, El::O, 1.734},  {El::Fe, 3, El::O, 1.759},  {El::Ga, 3, El::O, 1.730},
    {El::Ge, 4, El::O, 1.748},  {El::Hf, 4, El::O, 1.923},  {El::Hg, 2, El::O, 1.972},
    {El::In, 3, El::O, 1.902},  {El::K, 1, El::O, 2.132},   {El::La, 3, El::O, 2.172},
    {El::Li, 1, El::O, 1.466},  {El::Mg, 2, El::O, 1.693},  {El::Mn, 2, El::O, 1.790},
    {El::Mn, 3, El::O, 1.760},  {El::Mn, 4, El::O, 1.753},  {El::Mo, 6, El::O, 1.907},
    {El::N, 5, El::O, 1.432},   {El::Na, 1, El::O, 1.803},  {El::Nb, 5, El::O, 1.911},
    {El::Ni, 2, El::O, 1.654},  {El::P, 5, El::O, 1.617},   {El::Pb, 2, El::O, 2.112},
    {El::Rb, 1, El::O, 2.263},  {El::S, 6, El::O, 1.624},   {El::Sb, 5, El::O, 1.942},
    {El::Sc, 3, El::O, 1.849},  {El::Se, 6, El::O, 1.788},  {El::Si, 4, El::O, 1.624},
    {El::Sn, 4, El::O, 1.905},  {El::Sr, 2, El::O, 2.118},  {El::Ta, 5, El::O, 1.920},
    {El::Ti, 4, El::O, 1.815},  {El::U, 6, El::O, 2.075},   {El::V, 5, El::O, 1.803},
    {El::W, 6, El::O, 1.921},   {El::Y, 3, El::O, 2.019},   {El::Zn, 2, El::O, 1.704},
    {El::Zr, 4, El::O, 1.937},  {El::Al, 3, El::F, 1.545},  {El::Ba, 2, El::F, 2.188},
    {El::Ca, 2, El::F, 1.842},  {El::K, 1, El::F, 1.992},   {El::Li, 1, El::F, 1.360},
    {El::Mg, 2, El::F, 1.578},  {El::Na, 1, El::F, 1.677},  {El::Sr, 2, El::F, 2.019},
    {El::Ca, 2, El::Cl, 2.437}, {El::Cs, 1, El::Cl, 2.791}, {El::K, 1, El::Cl, 2.519},
    {El::Li, 1, El::Cl, 1.910}, {El::Na, 1, El::Cl, 2.150},
};

} // namespace

int OxidationState(const std::string& atomType, gemmi::El element) {
    // A charge written after the letters: "2-", "3+", "+", "-".
    size_t i = 0;
    while (i < atomType.size() && std::isalpha(static_cast<unsigned char>(atomType[i])))
        ++i;
    int magnitude = 0;
    bool digits = false;
    for (; i < atomType.size() && std::isdigit(static_cast<unsigned char>(atomType[i])); ++i) {
        magnitude = magnitude * 10 + (atomType[i] - '0');
        digits = true;
    }
    if (i < atomType.size() && (atomType[i] == '+' || atomType[i] == '-')) {
        const int m = digits ? magnitude : 1;
        return atomType[i] == '+' ? m : -m;
    }
    for (const TUsualState& u : UsualStates)
        if (u.Element == element) return u.State;
    return 0;
}

std::optional<double> BondValenceR0(gemmi::El cation, int state, gemmi::El anion) {
    for (const TR0& r : R0Table)
        if (r.Cation == cation && r.State == state && r.Anion == anion) return r.R0;
    return std::nullopt;
}

double BondValence(double r0, double distance) {
    return std::exp((r0 - distance) / BondValenceB);
}

} // namespace koralix::engine
