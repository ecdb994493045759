// What a phase contributes regardless of the profile: the reflections of its
// space group over a range, their multiplicities, and structure factors with
// this program's occupancy convention.
#pragma once

#include "EngineState.h"
#include "Model.h"

#include <gemmi/elem.hpp>
#include <gemmi/symmetry.hpp>
#include <gemmi/unitcell.hpp>

#include <array>
#include <complex>
#include <string>
#include <vector>

namespace koralix::engine {

using Hkl = std::array<int, 3>;

// A symmetry operation as the structure factor needs it: the rotated index
// h' = h R of a reflection is formed per reflection, the translation as is.
struct TSymOp {
    std::array<std::array<int, 3>, 3> Rot{}; // integer rotation
    std::array<double, 3> Tran{};            // fractional translation
};

struct TReflection {
    Hkl H{};
    int Multiplicity = 0;
    std::vector<Hkl> Equivalents;   // the distinct h R, Friedel mates included
    std::vector<Hkl> Rotated;       // h R for each symmetry operation
    std::vector<double> PhaseShift; // 2 pi h.t for each symmetry operation
};

struct TPhaseSymmetry {
    const gemmi::SpaceGroup* Group = nullptr;
    std::vector<TSymOp> Ops; // without centring
    int Centring = 1;        // number of centring vectors
    bool Centric = false;
    int GeneralMultiplicity = 1;
};

// A scattering factor of one atom in one histogram: Gaussian coefficients
// (a1, b1, ..., a4, b4, c), a table over sin(theta)/lambda, or a neutron
// scattering length; f' and f'' from a scattering entry (refinable) or fixed.
struct TFormFactor {
    enum Kind { Gaussian, Table, Neutron } Type = Gaussian;
    std::array<double, 9> Coeff{};
    std::vector<std::pair<double, double>> Points;
    double Length = 0;
    int Entry = -1; // 0-based scattering entry supplying f' and f''
    double FPrime = 0, FDoublePrime = 0;

    std::complex<double> At(double stol2, const std::vector<TScatterState>& entries) const;
};

// Edges positive, angles between 0 and 180 degrees that close a cell.
bool ValidCell(const TPhaseState& phase);
// The cell, or gemmi's unit cube when the cell is not valid.
gemmi::UnitCell CellOf(const TPhaseState& phase);

// The element an atom type names: "PB", "O2-", "Fe3+", "CA"; X when none.
gemmi::El ElementOf(const std::string& type);

// The mass of the cell contents (atomic mass units) from the occupancies.
double CellMass(const TPhaseState& phase, const std::vector<std::string>& atomTypes,
                int generalMultiplicity);

// Resolves the symbol; false when it names no group.
bool PrepareSymmetry(const std::string& symbol, TPhaseSymmetry& symmetry);

// The reflections with d between dMin and infinity, absences removed, one per
// set of equivalents (Friedel mates merged).
std::vector<TReflection> ListReflections(const TPhaseSymmetry& symmetry,
                                         const gemmi::UnitCell& cell, double dMin);

// The form factor of `atomType` in histogram `histogram`: its scattering entry
// matched by name, else the built-in X-ray (with Cromer-Liberman f', f'' at
// `wavelength`) or neutron table. False when neither exists.
bool FindFormFactor(const THistogram& histogram, const std::string& atomType, bool neutron,
                    double wavelength, TFormFactor& form);

// |F|^2 of a reflection, averaged over the Friedel pair when anomalous
// scattering makes them differ. The overall B is not included.
double StructureFactorSquared(const TReflection& reflection, const TPhaseSymmetry& symmetry,
                              const TPhaseState& phase, const gemmi::UnitCell& cell,
                              const std::vector<TFormFactor>& forms,
                              const std::vector<TScatterState>& entries);

// One atom's share of F(h) (or of F(-h) for the Friedel mate).
std::complex<double> AtomStructureFactor(const TReflection& reflection, bool friedelMate,
                                         const TPhaseSymmetry& symmetry, const TAtomState& atom,
                                         const gemmi::UnitCell& cell, const TFormFactor& form,
                                         const std::vector<TScatterState>& entries);

// Whether |F(h)| and |F(-h)| differ: an acentric group with anomalous scattering.
bool FriedelMatesDiffer(const TPhaseSymmetry& symmetry, const std::vector<TFormFactor>& forms,
                        const std::vector<TScatterState>& entries);

// The complex structure factor F(h) itself (for comparisons and listings).
std::complex<double> StructureFactor(const TReflection& reflection, bool friedelMate,
                                     const TPhaseSymmetry& symmetry, const TPhaseState& phase,
                                     const gemmi::UnitCell& cell,
                                     const std::vector<TFormFactor>& forms,
                                     const std::vector<TScatterState>& entries);

} // namespace koralix::engine
