// Radial distribution functions of a phase from its refined structure. Every
// pair of atoms (i in the cell, j anywhere) within reach adds a Gaussian of
// unit area at its distance r_ij, of variance (B_i + B_j) / 8 pi^2, weighted by
// c_i c_j b_i b_j, where c is the occupancy and b the scattering power in the
// first histogram (neutron scattering length, or the X-ray form factor at
// sin(theta)/lambda = 0). With N the atoms per cell, rho0 = N / V and
// <b> = sum c_i b_i / N:
//   R(r)   = sum_ij c_i c_j b_i b_j G(r - r_ij) / (N <b>^2)
//   PDF(r) = g(r) = R(r) / (4 pi r^2 rho0)            -> 1 at large r
//   G(r)   = <b>^2 (g(r) - 1)
//   D(r)   = 4 pi r rho0 G(r)
//   T(r)   = 4 pi r rho0 <b>^2 g(r)
//   N(r)   = integral from 0 to r of R(s) ds          (neighbours within r)
#include "CellContents.h"
#include "Engine.h"

#include <cmath>
#include <numbers>

namespace koralix::engine {

namespace {

constexpr double Pi = std::numbers::pi;

} // namespace

int TEngine::RadialDistribution(int p, int function, double rmax, double step,
                                std::vector<double>& values) const {
    if (p < 1 || p > model_.PhaseCount() || function < 1 || function > 5 || !(step > 0))
        return Status::HistogramRange;
    if (setup_.Forms.empty()) return Status::NotAvailable;
    const TPhaseState& phase = state_.Phases[size_t(p - 1)];
    if (!ValidCell(phase)) return Status::NotAvailable;
    const gemmi::UnitCell cell = CellOf(phase);
    const std::vector<gemmi::Op> ops = AllOperations(setup_.Symmetry[size_t(p - 1)]);
    const std::vector<TImage> images = CellImages(phase, ops);
    const auto& forms = setup_.Forms[0][size_t(p - 1)];
    const auto& entries = state_.Scatter[0];
    const size_t nat = std::min(phase.Atoms.size(), forms.size());

    // Occupancy of each image: N is the fraction times site over general multiplicity.
    std::vector<int> distinct(phase.Atoms.size(), 0);
    for (const TImage& im : images)
        ++distinct[size_t(im.Atom)];
    auto occupancy = [&](int a) {
        return phase.Atoms[size_t(a)].N * static_cast<double>(ops.size()) / distinct[size_t(a)];
    };
    auto power = [&](int a) {
        return size_t(a) < nat ? forms[size_t(a)].At(0, entries).real() : 0.0;
    };
    double atoms = 0, sumB = 0;
    for (const TImage& im : images) {
        atoms += occupancy(im.Atom);
        sumB += occupancy(im.Atom) * power(im.Atom);
    }
    const size_t n = static_cast<size_t>(std::floor(rmax / step + 0.5));
    values.assign(n, 0.0);
    if (!(atoms > 0) || sumB == 0) return Status::Ok;
    const double meanB = sumB / atoms, rho0 = atoms / cell.volume;

    std::vector<double> radial(n, 0.0);
    for (const TImage& centre : images) {
        const double wc = occupancy(centre.Atom) * power(centre.Atom);
        const double bc = phase.Atoms[size_t(centre.Atom)].B;
        ForEachNeighbour(cell, images, centre.Frac, rmax + 1.0,
                         [&](const TImage& other, const Shift3&, double r) {
                             if (r < 1e-3) return;
                             const double w = wc * occupancy(other.Atom) * power(other.Atom);
                             const double b2 = bc + phase.Atoms[size_t(other.Atom)].B;
                             const double sigma =
                                 std::max(std::sqrt(std::max(b2, 0.0) / (8 * Pi * Pi)), step);
                             const double norm = w / (sigma * std::sqrt(2 * Pi));
                             const long lo = std::max(0L, std::lround((r - 5 * sigma) / step));
                             const long hi = std::min(long(n) - 1, std::lround((r + 5 * sigma) / step));
                             for (long i = lo; i <= hi; ++i) {
                                 const double u = (double(i) * step - r) / sigma;
                                 radial[size_t(i)] += norm * std::exp(-0.5 * u * u);
                             }
                         });
    }
    const double scale = atoms * meanB * meanB;
    double running = 0;
    for (size_t i = 0; i < n; ++i) {
        const double r = double(i) * step;
        const double big = radial[i] / scale;
        const double g = r > 0 ? big / (4 * Pi * r * r * rho0) : 0.0;
        switch (function) {
        case 1: values[i] = g; break;
        case 2: values[i] = meanB * meanB * (g - 1); break;
        case 3: values[i] = 4 * Pi * r * rho0 * meanB * meanB * (g - 1); break;
        case 4: values[i] = 4 * Pi * r * rho0 * meanB * meanB * g; break;
        default:
            running += big * step;
            values[i] = running;
            break;
        }
    }
    return Status::Ok;
}

} // namespace koralix::engine
