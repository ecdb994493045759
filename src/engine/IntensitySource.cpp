#include "IntensitySource.h"

#include <algorithm>

namespace koralix::engine {

TStructureFactors::TStructureFactors(const TSetup& setup, int phase)
    : setup_(setup), phase_(phase), cache_(setup.Data.size() * 2) {}

void TStructureFactors::Warm(const TState& state) {
    for (auto& c : cache_)
        c = Cache{};
    for (int h = 1; h <= static_cast<int>(setup_.Data.size()); ++h)
        Values(state, h);
}

const std::vector<double>& TStructureFactors::Values(const TState& state, int h) {
    const int p = phase_;
    const TPhaseState& phase = state.Phases[size_t(p - 1)];
    const auto& entries = state.Scatter[size_t(h - 1)];
    std::vector<double>& key = key_; // reused scratch
    key.clear();
    key.insert(key.end(), phase.Cell.begin(), phase.Cell.end());
    for (const auto& a : phase.Atoms) {
        key.insert(key.end(), {a.X, a.Y, a.Z, a.B, a.N});
        key.insert(key.end(), a.Bij.begin(), a.Bij.end());
    }
    for (const auto& e : entries)
        key.insert(key.end(), {e.FPrime, e.FDoublePrime});
    // Two entries per block: the first structure seen (the unshifted one, see
    // Warm) stays, with each atom's share of every F; the second holds the
    // last other one.
    const size_t slot = size_t(h - 1) * 2;
    for (size_t k = slot; k < slot + 2; ++k)
        if (!cache_[k].f2.empty() && cache_[k].key == key) return cache_[k].f2;
    const bool first = cache_[slot].f2.empty() && cache_[slot].key.empty();
    Cache& c = cache_[first ? slot : slot + 1];
    const Cache& base = cache_[slot];
    const auto& refl = setup_.Reflections[size_t(p - 1)];
    const auto& forms = setup_.Forms[size_t(h - 1)][size_t(p - 1)];
    const TPhaseSymmetry& symmetry = setup_.Symmetry[size_t(p - 1)];
    const gemmi::UnitCell cell = CellOf(phase);
    const size_t atoms = std::min(phase.Atoms.size(), forms.size());
    const bool mates = FriedelMatesDiffer(symmetry, forms, entries);
    auto f2Of = [&](std::complex<double> plus, std::complex<double> minus) {
        return mates ? 0.5 * (std::norm(plus) + std::norm(minus)) : std::norm(plus);
    };

    // One atom changed against the kept structure: replace its share only.
    int changed = -1;
    if (!first && base.key.size() == key.size() && base.parts.size() == refl.size() * atoms * 2) {
        const size_t perAtom = 11;
        bool sameRest = std::equal(key.begin(), key.begin() + 6, base.key.begin()) &&
                        std::equal(key.begin() + 6 + long(atoms * perAtom), key.end(),
                                   base.key.begin() + 6 + long(atoms * perAtom));
        for (size_t a = 0; sameRest && a < atoms; ++a) {
            const auto from = key.begin() + 6 + long(a * perAtom);
            if (!std::equal(from, from + perAtom, base.key.begin() + 6 + long(a * perAtom))) {
                if (changed >= 0) sameRest = false;
                changed = static_cast<int>(a);
            }
        }
        if (!sameRest) changed = -1;
    }
    c.key = key;
    c.f2.resize(refl.size());
    if (changed >= 0) {
        const size_t a = size_t(changed);
        for (size_t k = 0; k < refl.size(); ++k) {
            std::complex<double> plus = base.total[2 * k], minus = base.total[2 * k + 1];
            plus += AtomStructureFactor(refl[k], false, symmetry, phase.Atoms[a], cell, forms[a],
                                        entries) -
                    base.parts[(k * atoms + a) * 2];
            if (mates)
                minus += AtomStructureFactor(refl[k], true, symmetry, phase.Atoms[a], cell,
                                             forms[a], entries) -
                         base.parts[(k * atoms + a) * 2 + 1];
            c.f2[k] = f2Of(plus, minus);
        }
        return c.f2;
    }
    const bool keepParts = &c == &cache_[slot];
    c.parts.assign(keepParts ? refl.size() * atoms * 2 : 0, {});
    c.total.assign(keepParts ? refl.size() * 2 : 0, {});
    for (size_t k = 0; k < refl.size(); ++k) {
        std::complex<double> plus = 0, minus = 0;
        for (size_t a = 0; a < atoms; ++a) {
            const auto fp = AtomStructureFactor(refl[k], false, symmetry, phase.Atoms[a], cell,
                                                forms[a], entries);
            const auto fm = mates ? AtomStructureFactor(refl[k], true, symmetry, phase.Atoms[a],
                                                        cell, forms[a], entries)
                                  : std::complex<double>{};
            plus += fp;
            minus += fm;
            if (keepParts) {
                c.parts[(k * atoms + a) * 2] = fp;
                c.parts[(k * atoms + a) * 2 + 1] = fm;
            }
        }
        if (keepParts) {
            c.total[2 * k] = plus;
            c.total[2 * k + 1] = minus;
        }
        c.f2[k] = f2Of(plus, minus);
    }
    return c.f2;
}

std::unique_ptr<TIntensitySource> MakeIntensitySource(const TSetup& setup, int phase) {
    return std::make_unique<TStructureFactors>(setup, phase);
}

} // namespace koralix::engine
