// BASE.out: what a crystallographer reads after a refinement. The whole text
// is kept and the file rewritten after each step, so that an abandoned run
// still leaves a complete listing of what happened.
#include "Engine.h"

#include "Crystal.h"
#include "NumberFormat.h"
#include "TextHelpers.h"
#include "TofProfile.h"

#include <fstream>

namespace koralix::engine {

namespace {

std::string Hkl3(const Hkl& h) {
    return I(4, h[0]) + I(4, h[1]) + I(4, h[2]);
}

std::string Padded(std::string text, size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

} // namespace

void TEngine::Listing(const std::string& text) {
    listing_ += text;
    if (output_.empty()) return;
    std::ofstream out(output_, std::ios::binary | std::ios::trunc);
    out << listing_;
}

void TEngine::ListInput() {
    std::string t;
    t += "Koralix Rietveld engine " + F(4, 1, EngineVersion) + "\n";
    t += "Title: " + model_.Title + "\n\n";
    t += "Histograms: " + std::to_string(model_.HistogramCount()) +
         "   Phases: " + std::to_string(model_.PhaseCount()) +
         "   Refined parameters: " + std::to_string(variables_.size()) + "\n";
    const char* strategies[] = {"Newton-Raphson", "Marquardt Manual", "Marquardt Auto"};
    t += "Strategy: " + std::string(strategies[std::clamp(model_.Strategy, 0, 2)]) +
         "   Cycles: " + std::to_string(model_.Cycles) + "   Eps: " + GeneralText(model_.Eps, 6) +
         "   Relax: " + F(6, 3, model_.Relax[0]) + F(6, 3, model_.Relax[1]) +
         F(6, 3, model_.Relax[2]) + F(6, 3, model_.Relax[3]) + "\n\n";
    for (int h = 1; h <= HistogramCount(); ++h) {
        const THistogram& hist = model_.Histograms[size_t(h - 1)];
        const auto& d = setup_.Data[size_t(h - 1)];
        int used = 0;
        for (char u : d.Used)
            used += u;
        t += "Histogram " + std::to_string(h) + ": job type " + std::to_string(hist.JobType) +
             ", profile " + std::to_string(hist.Profile) + ", points " +
             std::to_string(d.X.size()) + " (" + std::to_string(used) + " refined)";
        if (!d.X.empty())
            t += ", 2theta " + FixedText(d.X.front(), 3) + " to " + FixedText(d.X.back(), 3);
        t += ", wavelengths " + FixedText(hist.Wave1, 5) + " " + FixedText(hist.Wave2, 5) +
             " ratio " + FixedText(hist.Ratio, 5) + "\n";
        if (hist.IsTof()) t += TofProfileDescription();
    }
    for (int p = 1; p <= model_.PhaseCount(); ++p) {
        const TPhase& phase = model_.Phases[size_t(p - 1)];
        const auto& s = setup_.Symmetry[size_t(p - 1)];
        t += "Phase " + std::to_string(p) + ": " + phase.Name + ", space group " +
             TrimText(phase.SpaceGroup.str()) + " (general multiplicity " +
             std::to_string(s.GeneralMultiplicity) + "), " +
             std::to_string(setup_.Reflections[size_t(p - 1)].size()) +
             " independent reflections\n";
    }
    if (!siteNotes_.empty()) {
        t += "\nSite symmetry holds or ties these parameters:\n";
        for (const std::string& note : siteNotes_)
            t += "  " + note + "\n";
    }
    t += "\nCycle      Rp     Rwp    Rexp      chi2  (per histogram)\n";
    Listing(t);
}

void TEngine::ListCycle(int cycle) {
    std::string t;
    for (int h = 1; h <= HistogramCount(); ++h) {
        const TAgreement& a = agreement_[size_t(h - 1)];
        t += I(5, cycle) + F(8, 2, a.Rp) + F(8, 2, a.Rwp) + F(8, 2, a.Rexp) + G(6, 10, a.Chi2) +
             "  H" + std::to_string(h) + "\n";
    }
    Listing(t);
}

void TEngine::ListFinal() {
    std::string t = "\nRefined parameters after " + std::to_string(cyclesRun_) + " cycles\n";
    t += Padded("  No  Label", 40) + "       Value         Esd   Last shift\n";
    for (const TVariable& v : variables_)
        for (const auto& [a, m] : v.Fields) {
            TParameter p(a, 10);
            const double value = *FieldOf(state_, a);
            t += I(4, v.Code) + "  " + Padded(model_.LabelOf(p), 34) + G(10, 12, value) +
                 (v.Held ? std::string("        held (no effect on the pattern)")
                         : G(5, 12, std::abs(m) * v.Esd) + G(5, 12, m * v.LastShift)) +
                 "\n";
        }
    t += "\nAgreement factors (percent)\n";
    for (int h = 1; h <= HistogramCount(); ++h) {
        const TAgreement& a = agreement_[size_t(h - 1)];
        t += "Histogram " + std::to_string(h) + ": Rp " + FixedText(a.Rp, 2) + "  Rwp " +
             FixedText(a.Rwp, 2) + "  Rexp " + FixedText(a.Rexp, 2) + "  chi2 " +
             GeneralText(a.Chi2, 6) + "  points " + std::to_string(a.Points) + "\n";
    }
    if (model_.PhaseCount() > 1) {
        // Hill and Howard: the weight fraction of a phase goes as its scale times
        // the mass and volume of its cell.
        for (int h = 1; h <= HistogramCount(); ++h) {
            std::vector<double> share;
            double total = 0;
            for (int p = 1; p <= model_.PhaseCount(); ++p) {
                const TPhaseState& phase = state_.Phases[size_t(p - 1)];
                std::vector<std::string> types;
                for (const TAtom& a : model_.Phases[size_t(p - 1)].Atoms)
                    types.push_back(a.AtomType.str());
                const double mass =
                    CellMass(phase, types, setup_.Symmetry[size_t(p - 1)].GeneralMultiplicity);
                share.push_back(phase.Scale * mass * CellOf(phase).volume);
                total += share.back();
            }
            t += "Weight fractions (percent), histogram " + std::to_string(h) + ":";
            for (int p = 1; p <= model_.PhaseCount(); ++p)
                t += "  P" + std::to_string(p) + " " +
                     FixedText(total > 0 ? 100 * share[size_t(p - 1)] / total : 0, 2);
            t += "\n";
        }
    }
    if (model_.LST1) {
        for (int h = 1; h <= HistogramCount(); ++h) {
            t += "\nReflections of histogram " + std::to_string(h) +
                 "\nPhase   h   k   l  Mult         d    2theta          F^2   Intensity    FWHM\n";
            for (const TReflectionRow& r : ReflectionRows(h))
                t += I(5, r.Phase) + Hkl3(r.H) + I(6, r.Multiplicity) + F(10, 5, r.D) +
                     F(10, 3, r.TwoTheta) + G(6, 13, r.F2) + G(6, 12, r.Intensity) +
                     F(8, 4, r.Fwhm) + "\n";
        }
    }
    if (model_.MAT && !correlation_.empty()) {
        t += "\nCorrelation matrix (percent)\n";
        for (size_t v = 0; v < correlation_.size(); ++v) {
            t += I(4, variables_[v].Code) + ":";
            for (size_t w = 0; w < correlation_.size(); ++w)
                t += I(5, static_cast<long long>(std::lround(100 * correlation_[v][w])));
            t += "\n";
        }
    }
    Listing(t);
}

} // namespace koralix::engine
