// Observed intensities per reflection, the usual Rietveld way: each point's
// observed intensity above the background is shared among the peaks that
// reach it in proportion to their calculated shares.
#include "Engine.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>

namespace koralix::engine {

TObservedShares TEngine::ObservedShares(int h, int p) const {
    const size_t n = setup_.Reflections[size_t(p - 1)].size();
    TObservedShares s{std::vector<double>(n, 0.0), std::vector<double>(n, 0.0),
                      std::vector<double>(n, 0.0)};
    const THistogramData& d = setup_.Data[size_t(h - 1)];
    const TRendering& drawn = renderings_[size_t(h - 1)][size_t(p - 1)];
    const auto& total = calculated_[size_t(h - 1)];
    const auto& bkg = backgroundParts_[size_t(h - 1)];
    for (size_t j = 0; j < drawn.Reflection.size(); ++j) {
        const size_t k = drawn.Reflection[j];
        for (int i = 0; i < drawn.Count[j]; ++i) {
            const size_t point = static_cast<size_t>(drawn.First[j] + i);
            const double share = drawn.Intensity[j] * drawn.Values[size_t(drawn.Offset[j] + i)];
            const double above = total[point] - bkg[point];
            if (!d.Used[point] || !(above > 0) || !(share > 0)) continue;
            const double part = share / above;
            s.Observed[k] += part * (d.Y[point] - bkg[point]);
            s.Calculated[k] += share;
            if (d.Weight[point] > 0) s.Variance[k] += part * part / d.Weight[point];
        }
    }
    return s;
}

std::vector<TReflectionResult> TEngine::ReflectionResults(int h, int p) const {
    std::vector<TReflectionResult> results;
    if (size_t(h - 1) >= renderings_.size()) return results;
    const auto& refl = setup_.Reflections[size_t(p - 1)];
    const TRendering& drawn = renderings_[size_t(h - 1)][size_t(p - 1)];
    const TObservedShares shares = ObservedShares(h, p);
    const bool observed = !setup_.Data[size_t(h - 1)].Calculation;
    const TPhaseState& phase = state_.Phases[size_t(p - 1)];
    const gemmi::UnitCell cell = CellOf(phase);
    const bool structure = model_.Phases[size_t(p - 1)].CalcMethod != 1;

    // The first component drawn gives the place and width; all of them the intensity.
    std::map<size_t, TReflectionResult> byReflection;
    for (size_t j = 0; j < drawn.Reflection.size(); ++j) {
        const size_t k = drawn.Reflection[j];
        auto [it, added] = byReflection.try_emplace(k);
        TReflectionResult& r = it->second;
        r.ICalc += drawn.Intensity[j];
        if (!added) continue;
        r.Phase = p;
        r.H = refl[k].H;
        r.Multiplicity = refl[k].Multiplicity;
        r.Equivalents = refl[k].Equivalents;
        r.D = 1 / std::sqrt(cell.calculate_1_d2_double(r.H[0], r.H[1], r.H[2]));
        r.Position = drawn.Position[j];
        r.Fwhm = drawn.Width[j];
    }
    const auto& forms = setup_.Forms[size_t(h - 1)][size_t(p - 1)];
    const auto& entries = state_.Scatter[size_t(h - 1)];
    TCalculator calc(setup_);
    std::vector<TReflectionRow> rows;
    std::vector<double> scratch(setup_.Data[size_t(h - 1)].X.size(), 0.0);
    calc.AddPhase(state_, h, p, scratch, nullptr, &rows);
    std::map<Hkl, double> f2;
    for (const TReflectionRow& row : rows)
        f2[row.H] = row.F2;
    for (auto& [k, r] : byReflection) {
        r.F2Calc = f2.count(r.H) ? f2[r.H] : 0.0;
        const double calculated = shares.Calculated[k];
        const double ratio =
            observed && calculated > 0 ? std::max(0.0, shares.Observed[k] / calculated) : 1.0;
        const double relative =
            observed && calculated > 0 ? std::sqrt(shares.Variance[k]) / calculated : 0.0;
        r.F2Obs = r.F2Calc * ratio;
        r.F2Sigma = r.F2Calc * relative;
        r.IObs = r.ICalc * ratio;
        r.ISigma = r.ICalc * relative;
        if (structure)
            r.PhaseAngle = std::arg(StructureFactor(refl[k], false,
                                                    setup_.Symmetry[size_t(p - 1)], phase, cell,
                                                    forms, entries)) *
                           180 / std::numbers::pi;
        if (model_.F2Limit > 0 && r.F2Calc < model_.F2Limit) continue;
        results.push_back(r);
    }
    // In the order they lie along the pattern, as the reader scans it.
    std::stable_sort(results.begin(), results.end(),
                     [](const auto& a, const auto& b) { return a.Position < b.Position; });
    return results;
}

} // namespace koralix::engine
