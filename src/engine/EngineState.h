// The refinable numbers of a model in double precision. The engine computes
// and shifts these, and writes them back to the single-precision model only
// when it reports or saves, so that finite-difference steps and small shifts
// are not lost to rounding.
#pragma once

#include "Model.h"
#include "Parameters.h"

#include <array>
#include <vector>

namespace koralix::engine {

struct TAtomState {
    double X = 0, Y = 0, Z = 0, B = 0, N = 1;
    std::array<double, 6> Bij{}; // B11, B22, B33, B12, B13, B23
};

struct TPhaseState {
    double Scale = 0, OverallB = 0;
    std::array<double, 6> Cell{}; // a, b, c, alpha, beta, gamma
    std::vector<TAtomState> Atoms;
};

struct THistogramState {
    double Zero = 0, Scale = 1, Wave1 = 1.5406, Wave2 = 1.5406, Displacement = 0, Extra18 = 0;
    std::array<double, 12> Background{};
};

struct TSampleState {
    double U = 0, V = 0, W = 0, PO = 1, AbsorptionR = 0, Asym1 = 0;
    double Gam0 = 0, Gam1 = 0, Gam2 = 0, Extinction = 0, Uaniso = 0, Asym2 = 0;
    std::array<double, 4> Tof{};
    double Pore = 0, Rough = 0;
};

struct TScatterState {
    double FPrime = 0, FDoublePrime = 0;
};

struct TState {
    int PhaseCount = 0;
    std::vector<THistogramState> Histograms;
    std::vector<TPhaseState> Phases;
    std::vector<TSampleState> Samples;               // (h - 1) * PhaseCount + (p - 1)
    std::vector<std::vector<TScatterState>> Scatter; // per histogram, per entry
    // Intensities of Le Bail phases extracted from the observed pattern,
    // [h][p][reflection]; empty for structure phases. Not least-squares
    // variables: each cycle extracts them again before the derivatives.
    std::vector<std::vector<std::vector<double>>> LeBail;

    const TSampleState& Sample(int h, int p) const {
        return Samples[static_cast<size_t>((h - 1) * PhaseCount + (p - 1))];
    }
};

TState StateFromModel(const TRietveld& model);
// Writes every refinable number back into the model (rounded to single).
void StateToModel(const TState& state, TRietveld& model);
// The number a parameter address names, in the parameter-list addressing
// (scattering: atom 1 f', 2 f'', type the entry); nullptr when it names none.
double* FieldOf(TState& state, const TAddress& address);
const double* FieldOf(const TState& state, const TAddress& address);

} // namespace koralix::engine
