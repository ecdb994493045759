// BASE.out: what a crystallographer reads after a refinement. The whole text
// is kept and the file rewritten after each step, so that an abandoned run
// still leaves a complete listing of what happened.
#include "Engine.h"

#include "Crystal.h"
#include "NumberFormat.h"
#include "ParameterTable.h"
#include "SpaceGroupResolver.h"
#include "TextHelpers.h"
#include "TofProfile.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <numbers>

namespace koralix::engine {

namespace {

std::string Hkl3(const Hkl& h) {
    return I(4, h[0]) + I(4, h[1]) + I(4, h[2]);
}

std::string Padded(std::string text, size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

// Thermal parameters are refined as B; with PrintU they are listed as
// U = B / (8 pi^2), esd and shift with them.
bool IsThermal(const TAddress& a) {
    const int kind = KindOf(a);
    if (kind == KindPhase) return a.Type == ParamType::PhaseOverallB;
    return kind == KindAtom && (a.Type == ParamType::AtomB ||
                                (a.Type >= ParamType::AtomB11 && a.Type <= ParamType::AtomB23));
}

// The label with its B turned into U: "P  1: B (AL  )" -> "P  1: U (AL  )", "B11" -> "U11";
// "Isotropic Thermal" -> "Isotropic Thermal (U)". The parameter's name comes
// before the atom's label, which may hold a B of its own.
std::string ThermalLabelAsU(std::string label) {
    auto letter = [&](size_t i) {
        return i < label.size() && std::isalpha(static_cast<unsigned char>(label[i]));
    };
    for (size_t i = 0; i < label.size(); ++i)
        if (label[i] == 'B' && (i == 0 || !letter(i - 1)) && !letter(i + 1)) {
            label[i] = 'U';
            return label;
        }
    return label + " (U)";
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
        const bool tof = hist.IsTof(), energy = hist.JobType == 6 || hist.JobType == 7;
        if (!d.X.empty())
            t += std::string(tof      ? ", TOF (us) "
                             : energy ? ", energy (keV) "
                                      : ", 2theta ") +
                 FixedText(d.X.front(), 3) + " to " + FixedText(d.X.back(), 3);
        if (tof)
            t += ", DIFC " + FixedText(hist.Wave1, 5) + " DIFA " + FixedText(hist.Wave2, 5) + "\n";
        else if (energy)
            t += ", detector 2theta " + FixedText(hist.Wave1, 5) + "\n";
        else
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
    if (model_.IPL1) ListSymmetry(t);
    if (model_.LST2) ListSteps(t);
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
            const bool asU = model_.PrintU && IsThermal(a);
            const double unit = asU ? 1 / (8 * std::numbers::pi * std::numbers::pi) : 1.0;
            const std::string label = asU ? ThermalLabelAsU(model_.LabelOf(p)) : model_.LabelOf(p);
            const double value = *FieldOf(state_, a) * unit;
            t +=
                I(4, v.Code) + "  " + Padded(label, 34) + G(10, 12, value) +
                (v.Held ? std::string("        held (no effect on the pattern)")
                        : G(5, 12, std::abs(m) * v.Esd * unit) + G(5, 12, m * v.LastShift * unit)) +
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
    ListReflectionTables(t);
    if (model_.IOT) ListPoints(t);
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

void TEngine::ListSymmetry(std::string& t) const {
    for (int p = 1; p <= model_.PhaseCount(); ++p) {
        const TPhaseSymmetry& s = setup_.Symmetry[size_t(p - 1)];
        if (!s.Group) continue;
        const gemmi::GroupOps& ops = OperationsOf(*s.Group);
        t += "\nSymmetry operators of phase " + std::to_string(p) + "\n  No  Operator\n";
        int n = 0;
        for (const gemmi::Op& op : ops.sym_ops)
            t += I(4, ++n) + "  " + op.triplet() + "\n";
        if (ops.cen_ops.size() > 1) {
            t += "  centring translations:";
            for (const gemmi::Op::Tran& c : ops.cen_ops)
                t += "  (" + FixedText(c[0] / double(gemmi::Op::DEN), 4) + " " +
                     FixedText(c[1] / double(gemmi::Op::DEN), 4) + " " +
                     FixedText(c[2] / double(gemmi::Op::DEN), 4) + ")";
            t += "\n";
        }
        t += std::string("  ") + (s.Centric ? "centrosymmetric" : "non-centrosymmetric") + "\n";
    }
}

void TEngine::ListSteps(std::string& t) const {
    for (int h = 1; h <= HistogramCount(); ++h) {
        const THistogramData& d = setup_.Data[size_t(h - 1)];
        t += "\nInput step intensities of histogram " + std::to_string(h) +
             "\n Point         X        Yobs       Esd  Used\n";
        for (size_t i = 0; i < d.X.size(); ++i)
            t += I(6, static_cast<long long>(i + 1)) + F(10, 4, d.X[i]) + G(6, 12, d.Y[i]) +
                 G(5, 10, d.Weight[i] > 0 ? 1 / std::sqrt(d.Weight[i]) : 0.0) +
                 (d.Used[i] ? "   yes" : "    no") + "\n";
    }
}

// Per phase the reflection list (LST1) and the integrated intensities (IPC);
// all phases merged in order of position (LST3).
void TEngine::ListReflectionTables(std::string& t) const {
    if (!model_.LST1 && !model_.IPC && !model_.LST3) return;
    const std::string limit =
        model_.F2Limit > 0 ? " (F^2 calc below " + GeneralText(model_.F2Limit, 6) + " left out)"
                           : std::string();
    for (int h = 1; h <= HistogramCount(); ++h) {
        std::vector<TReflectionResult> merged;
        for (int p = 1; p <= model_.PhaseCount(); ++p) {
            const std::vector<TReflectionResult> list = ReflectionResults(h, p);
            const std::string which =
                " of phase " + std::to_string(p) + ", histogram " + std::to_string(h) + limit;
            if (model_.LST1) {
                t += "\nReflections" + which +
                     "\n   h   k   l  Mult  Position         d     F^2 obs    esd"
                     "        F^2 calc      FWHM\n";
                for (const TReflectionResult& r : list)
                    t += Hkl3(r.H) + I(6, r.Multiplicity) + F(10, 4, r.Position) + F(10, 5, r.D) +
                         G(6, 12, r.F2Obs) + G(4, 8, r.F2Sigma) + G(6, 14, r.F2Calc) +
                         F(10, 4, r.Fwhm) + "\n";
            }
            if (model_.IPC) {
                t += "\nIntegrated intensities" + which +
                     "\n   h   k   l  Position      I obs        esd      I calc\n";
                for (const TReflectionResult& r : list)
                    t += Hkl3(r.H) + F(10, 4, r.Position) + G(6, 12, r.IObs) + G(4, 10, r.ISigma) +
                         G(6, 12, r.ICalc) + "\n";
            }
            merged.insert(merged.end(), list.begin(), list.end());
        }
        if (!model_.LST3) continue;
        std::stable_sort(merged.begin(), merged.end(),
                         [](const auto& a, const auto& b) { return a.Position < b.Position; });
        t += "\nMerged reflection list of histogram " + std::to_string(h) + limit +
             "\nPhase   h   k   l  Mult  Position         d        F^2 calc\n";
        for (const TReflectionResult& r : merged)
            t += I(5, r.Phase) + Hkl3(r.H) + I(6, r.Multiplicity) + F(10, 4, r.Position) +
                 F(10, 5, r.D) + G(6, 16, r.F2Calc) + "\n";
    }
}

void TEngine::ListPoints(std::string& t) const {
    for (int h = 1; h <= HistogramCount(); ++h) {
        const THistogramData& d = setup_.Data[size_t(h - 1)];
        const auto& calc = calculated_[size_t(h - 1)];
        const auto& bkg = backgroundParts_[size_t(h - 1)];
        t += "\nObserved and calculated intensities of histogram " + std::to_string(h) +
             "\n Point         X        Yobs       Ycalc   Yobs-Ycalc  Background\n";
        for (size_t i = 0; i < d.X.size() && i < calc.size(); ++i)
            t += I(6, static_cast<long long>(i + 1)) + F(10, 4, d.X[i]) + G(6, 12, d.Y[i]) +
                 G(6, 12, calc[i]) + G(6, 13, d.Y[i] - calc[i]) +
                 G(6, 12, i < bkg.size() ? bkg[i] : 0.0) + "\n";
    }
}

} // namespace koralix::engine
