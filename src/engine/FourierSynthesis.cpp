// Fourier and Patterson maps of a phase. Observed structure factors come from
// the pattern the usual Rietveld way: each point's observed intensity above
// the background is shared among the peaks that reach it in proportion to
// their calculated shares, so |Fo|^2 = |Fc|^2 Iobs / Icalc for each
// reflection; phases are those of the calculated structure factors. The map
// is the transform of the coefficients of every equivalent reflection (and
// Friedel mate) on a 64 x 64 x 64 grid, F(000) left out, divided by the cell volume.
#include "Engine.h"

// One thread: the engine runs its own; no pool is left behind when the library unloads.
#define POCKETFFT_NO_MULTITHREADING
#include <gemmi/third_party/pocketfft_hdronly.h>

#include <algorithm>
#include <cmath>
#include <complex>

namespace koralix::engine {

namespace {

constexpr int Side = 64;

size_t GridIndex(int h, int k, int l) {
    auto wrap = [](int v) { return static_cast<size_t>(((v % Side) + Side) % Side); };
    return (wrap(h) * Side + wrap(k)) * Side + wrap(l);
}

bool OnGrid(const Hkl& h) {
    for (int v : h)
        if (std::abs(v) >= Side / 2) return false;
    return true;
}

} // namespace

std::vector<double> TEngine::ObservedRatios(int h, int p) const {
    const TObservedShares shares = ObservedShares(h, p);
    std::vector<double> ratio(shares.Observed.size(), 1.0);
    if (setup_.Data[size_t(h - 1)].Calculation) return ratio;
    for (size_t k = 0; k < ratio.size(); ++k)
        if (shares.Calculated[k] > 0)
            ratio[k] = std::max(0.0, shares.Observed[k] / shares.Calculated[k]);
    return ratio;
}

int TEngine::FourierGrid(int h, int p, int type, std::vector<double>& rho) const {
    if (h < 1 || h > HistogramCount() || p < 1 || p > model_.PhaseCount() || type < 0 || type > 5)
        return Status::HistogramRange;
    if (renderings_.size() != setup_.Data.size()) return Status::NotAvailable;
    const TPhaseState& phase = state_.Phases[size_t(p - 1)];
    if (!ValidCell(phase)) return Status::NotAvailable;
    const gemmi::UnitCell cell = CellOf(phase);
    const TPhaseSymmetry& symmetry = setup_.Symmetry[size_t(p - 1)];
    const auto& refl = setup_.Reflections[size_t(p - 1)];
    const auto& forms = setup_.Forms[size_t(h - 1)][size_t(p - 1)];
    const auto& entries = state_.Scatter[size_t(h - 1)];
    const std::vector<double> ratio = ObservedRatios(h, p);

    std::vector<std::complex<double>> grid(size_t(Side) * Side * Side);
    for (size_t k = 0; k < refl.size(); ++k) {
        const TReflection& r = refl[k];
        const double stol2 = 0.25 * cell.calculate_1_d2_double(r.H[0], r.H[1], r.H[2]);
        const std::complex<double> fc =
            StructureFactor(r, false, symmetry, phase, cell, forms, entries) *
            std::exp(-phase.OverallB * stol2);
        const double ac = std::abs(fc), ao = ac * std::sqrt(ratio[k]);
        const std::complex<double> unit = ac > 0 ? fc / ac : std::complex<double>(1, 0);
        std::complex<double> c;
        switch (type) {
        case 0: c = ao * unit; break;
        case 1: c = fc; break;
        case 2: c = (ao - ac) * unit; break;
        case 3: c = ao * ao; break;
        case 4: c = ac * ac; break;
        default: c = (ao - ac) * (ao - ac); break;
        }
        const bool patterson = type >= 3;
        for (size_t o = 0; o < r.Rotated.size(); ++o) {
            const Hkl& e = r.Rotated[o];
            if (!OnGrid(e)) continue;
            // F(hR) = F(h) exp(-2 pi i h.t) for the operation x -> Rx + t.
            const std::complex<double> v =
                patterson ? c : c * std::polar(1.0, -r.PhaseShift[o]);
            grid[GridIndex(e[0], e[1], e[2])] = v;
            grid[GridIndex(-e[0], -e[1], -e[2])] = std::conj(v);
        }
    }
    grid[0] = 0;
    // rho(x) = (1/V) sum F(h) exp(-2 pi i h.x): the forward transform.
    const pocketfft::shape_t shape{size_t(Side), size_t(Side), size_t(Side)};
    const ptrdiff_t s = sizeof(std::complex<double>);
    const pocketfft::stride_t stride{s * Side * Side, s * Side, s};
    pocketfft::c2c(shape, stride, stride, {0, 1, 2}, pocketfft::FORWARD, grid.data(), grid.data(),
                   1.0 / cell.volume, 1);
    rho.resize(grid.size());
    for (size_t i = 0; i < grid.size(); ++i)
        rho[i] = grid[i].real();
    return Status::Ok;
}

} // namespace koralix::engine
