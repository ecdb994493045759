// What a GSAS experiment file says about the refinement itself, carried into
// an imported model so that it refines straight away: the refinement flags,
// the phase fractions, the background functions and the profile terms in the
// units this program uses.
#include "GsasRefinement.h"

#include "ImportSupport.h"
#include "CoordinateFreedom.h"
#include "SpaceGroupServices.h"
#include "TextFile.h"
#include "TextHelpers.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <map>
#include <numbers>
#include <optional>
#include <vector>

namespace koralix {

namespace {

// GSAS keeps Gaussian variances in centidegrees squared; the Caglioti terms
// here are of the squared FWHM in degrees squared.
constexpr double SigmaToFwhm = 8 * std::numbers::ln2 / 1e4;
constexpr double Deg = std::numbers::pi / 180;
// GSAS's histogram scale times phase fraction over this program's phase
// scale is about GsasScaleFactor / V^2 (V the cell volume): found by refining
// GSAS models against their own data (for neutrons GSAS's scattering lengths
// are in 10^-12 cm where these are in fm, a further factor of 100). Only a
// start: the scale refines.
constexpr double GsasScaleFactor = 1.585;

bool StartsWith(std::string_view line, std::string_view key) {
    return line.substr(0, key.size()) == key;
}

char Column(std::string_view line, int column) {
    return line.size() >= static_cast<size_t>(column) ? line[static_cast<size_t>(column - 1)] : ' ';
}

bool HasFlag(std::string_view line, int first, int count, char flag) {
    return FieldText(line, first, count).find(flag) != std::string_view::npos;
}

int PhaseDigit(std::string_view line) {
    const char c = Column(line, 4);
    return std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : 0;
}

// The profile coefficients and flags of one histogram-phase pair.
struct ProfileTerms {
    int Type = 0;
    std::vector<double> Values = std::vector<double>(40, 0.0);
    std::string Flags;
    bool Refined(size_t term) const { return term >= 1 && term <= Flags.size() && Flags[term - 1] == 'Y'; }
};

struct BackgroundTerms {
    int Type = 0;
    int Count = 0;
    bool Refined = false;
    std::vector<double> Values;
};

TAddress HistogramAddress(int h, int type) { return {h, 0, 0, type}; }
TAddress PhaseAddress(int p, int type) { return {0, p, 0, type}; }
TAddress SampleAddress(int h, int p, int type) { return {h, p, 0, type}; }

void Constrain(TParameterList& list, const TAddress& master, const TAddress& dependent,
               float multiplier) {
    TParameter m, d;
    m.SetAddress(master);
    d.SetAddress(dependent);
    d.Multiplier = multiplier;
    list.SetRefined(master, true);
    list.AddConstraint(m, d);
}

// Cell flags: only the lengths and angles the crystal system leaves free, the
// tied lengths constrained to a.
void RefineCell(TRietveld& model, int p) {
    TParameterList& list = model.Parameters;
    const int system = CrystalSystem(model.Phase(p).SpaceGroup.str()).Code;
    const TAddress a = PhaseAddress(p, 6), b = PhaseAddress(p, 7), c = PhaseAddress(p, 8);
    list.SetRefined(a, true);
    switch (system) {
    case csCubic:
    case csTrigonalRh:
        Constrain(list, a, b, 1);
        Constrain(list, a, c, 1);
        if (system == csTrigonalRh) {
            list.SetRefined(PhaseAddress(p, 9), true);
            Constrain(list, PhaseAddress(p, 9), PhaseAddress(p, 10), 1);
            Constrain(list, PhaseAddress(p, 9), PhaseAddress(p, 11), 1);
        }
        break;
    case csTetragonal:
    case csTrigonalHex:
    case csHexagonal:
        Constrain(list, a, b, 1);
        list.SetRefined(c, true);
        break;
    default:
        list.SetRefined(b, true);
        list.SetRefined(c, true);
        if (system == csMonoclinic) {
            const int axis = CrystalSystem(model.Phase(p).SpaceGroup.str()).UniqueAxis;
            list.SetRefined(PhaseAddress(p, axis == 1 ? 9 : axis == 3 ? 11 : 10), true);
        } else if (system == csTriclinic || system == csUnknown) {
            for (int t = 9; t <= 11; ++t)
                list.SetRefined(PhaseAddress(p, t), true);
        }
        break;
    }
}

void RefineCoordinates(TRietveld& model, int p, int atom) {
    const TPhase& phase = model.Phase(p);
    const TAtom& a = phase.Atoms[static_cast<size_t>(atom - 1)];
    for (const TCoordinateFreedom& f : FreeCoordinates(phase.SpaceGroup.str(), a.X, a.Y, a.Z)) {
        const TAddress master{0, p, atom, 1 + f.Master};
        model.Parameters.SetRefined(master, true);
        for (const auto& [coordinate, multiplier] : f.Tied)
            Constrain(model.Parameters, master, {0, p, atom, 1 + coordinate}, multiplier);
    }
}

// Atom flags of a GSAS "AT nB" record: F fraction, X coordinates, U thermal
// motion (isotropic only; anisotropic terms are tied by the site symmetry in
// ways this import does not work out, so they stay fixed).
void RefineAtom(TRietveld& model, int p, int atom, std::string_view line) {
    if (HasFlag(line, 76, 3, 'F')) model.Parameters.SetRefined({0, p, atom, 5}, true);
    if (HasFlag(line, 76, 3, 'X')) RefineCoordinates(model, p, atom);
    if (HasFlag(line, 76, 3, 'U') && Column(line, 75) == 'I')
        model.Parameters.SetRefined({0, p, atom, 4}, true);
}

// Term numbers (1-based) of GU, GV, GW, LX, LY and the Howard asymmetry in the
// constant-wavelength profile functions 1 to 4; 0 where the function has none.
struct TermIndex {
    size_t LX, LY, Asym;
};
TermIndex TermsOf(int type) {
    switch (type) {
    case 2:
        return {4, 5, 7};
    case 3:
    case 4:
        return {5, type == 3 ? 6u : 0u, 0};
    default:
        return {0, 0, 0};
    }
}

void ApplyProfile(TRietveld& model, int h, int p, const ProfileTerms& terms) {
    TSample* s = model.FindSample(h, p);
    THistogram& histogram = model.Histogram(h);
    if (!s || histogram.IsTof() || terms.Type < 1 || terms.Type > 4) return;
    s->U = static_cast<float>(terms.Values[0] * SigmaToFwhm);
    s->V = static_cast<float>(terms.Values[1] * SigmaToFwhm);
    s->W = static_cast<float>(terms.Values[2] * SigmaToFwhm);
    for (int k = 0; k < 3; ++k)
        if (terms.Refined(static_cast<size_t>(k + 1)))
            model.Parameters.SetRefined(SampleAddress(h, p, 3 + k), true);
    const TermIndex index = TermsOf(terms.Type);
    if (terms.Type == 1) {
        s->Gam0 = 0; // a Gaussian
        s->Gam1 = s->Gam2 = 0;
        return;
    }
    const double lx = index.LX ? terms.Values[index.LX - 1] : 0;
    const double ly = index.LY ? terms.Values[index.LY - 1] : 0;
    s->Gam0 = s->Gam1 = s->Gam2 = 0;
    if (lx != 0 || ly != 0) {
        // The Thompson-Cox-Hastings pseudo-Voigt with Howard's asymmetry takes
        // the Lorentzian FWHM LX / cos θ + LY tan θ as Gam0 and Gam1 (degrees).
        histogram.Profile = 5;
        s->Gam0 = static_cast<float>(lx / 100);
        s->Gam1 = static_cast<float>(ly / 100);
    }
    if (index.LX && terms.Refined(index.LX)) model.Parameters.SetRefined(SampleAddress(h, p, 15), true);
    if (index.LY && terms.Refined(index.LY)) model.Parameters.SetRefined(SampleAddress(h, p, 16), true);
    if (index.Asym) {
        // Howard's asymmetry, in centidegrees there and degrees here.
        s->Asym1 = static_cast<float>(terms.Values[index.Asym - 1] / 100);
        if (terms.Refined(index.Asym)) model.Parameters.SetRefined(SampleAddress(h, p, 14), true);
    }
}

double Factorial(int n) {
    double f = 1;
    for (int k = 2; k <= n; ++k)
        f *= k;
    return f;
}

// The GSAS background functions at 2θ (degrees) for wavelength `wave`.
double GsasBackground(const BackgroundTerms& b, const THistogram& histogram, double x) {
    const std::vector<double>& c = b.Values;
    const size_t n = std::min(c.size(), static_cast<size_t>(std::max(b.Count, 0)));
    if (n == 0) return 0;
    const double q = 4 * std::numbers::pi * std::sin(x * Deg / 2) / histogram.Wave1;
    const double q2 = q * q;
    double y = c[0];
    switch (b.Type) {
    case 2: // cosine Fourier series in 2θ
        for (size_t j = 1; j < n; ++j)
            y += c[j] * std::cos(x * Deg * static_cast<double>(j));
        return y;
    case 4: // powers Q^2j / j!
        for (size_t j = 1; j < n; ++j)
            y += c[j] * std::pow(q2, static_cast<double>(j)) / Factorial(static_cast<int>(j));
        return y;
    case 5: // j! / Q^2j
        for (size_t j = 1; j < n; ++j)
            if (q2 > 0) y += c[j] * Factorial(static_cast<int>(j)) / std::pow(q2, double(j));
        return y;
    case 6: // both, alternating
        for (size_t k = 1; k < n; ++k) {
            const int j = static_cast<int>((k + 1) / 2);
            if (k % 2 == 1)
                y += c[k] * std::pow(q2, j) / Factorial(j);
            else if (q2 > 0)
                y += c[k] * Factorial(j) / std::pow(q2, j);
        }
        return y;
    case 7: { // linear interpolation over the range
        if (n == 1) return y;
        const double lo = histogram.ThetaMin, hi = histogram.ThetaMax;
        const double t = std::clamp((x - lo) / (hi - lo) * double(n - 1), 0.0, double(n - 1));
        const size_t i = std::min(static_cast<size_t>(t), n - 2);
        return c[i] + (c[i + 1] - c[i]) * (t - double(i));
    }
    default:
        return y;
    }
}

void ApplyBackground(TRietveld& model, int h, const BackgroundTerms& b) {
    THistogram& histogram = model.Histogram(h);
    if (histogram.IsTof() || b.Count <= 0) return;
    if (b.Type == 1) {
        // GSAS's shifted Chebyshev series over the refined range is the
        // model's shifted Chebyshev background of the first kind.
        histogram.Background.Kind = BkgShiftedChebyI;
        const int n = std::min({b.Count, 12, static_cast<int>(b.Values.size())});
        model.Background12 = n > 6 ? 1 : model.Background12;
        for (int j = 0; j < n; ++j) {
            histogram.Background.Coeff[static_cast<size_t>(j)] = static_cast<float>(b.Values[size_t(j)]);
            if (b.Refined) model.Parameters.SetRefined(HistogramAddress(h, 2 + j), true);
        }
        return;
    }
    if (b.Type == 3) return; // the amorphous form the import already chose
    // No counterpart: points sampled from the function, evenly over the range.
    histogram.Background.Kind = BkgUserPoints;
    histogram.Background.ClearPoints();
    const double lo = histogram.ThetaMin, hi = histogram.ThetaMax;
    const int points = hi > lo ? MaxBackgroundPoints : 1;
    for (int k = 0; k < points; ++k) {
        const double x = points == 1 ? lo : lo + (hi - lo) * k / (points - 1);
        histogram.Background.AddPoint(static_cast<float>(x),
                                      static_cast<float>(GsasBackground(b, histogram, x)));
    }
}

class GsasRefinementReader {
  public:
    explicit GsasRefinementReader(TRietveld& model) : m_(model) {}
    void Apply(std::string_view line);
    void Finish();

  private:
    bool ValidHistogram(int h) const { return h >= 1 && h <= m_.HistogramCount(); }
    bool ValidPhase(int p) const { return p >= 1 && p <= m_.PhaseCount(); }

    TRietveld& m_;
    std::map<int, int> atomCounts_;
    std::map<std::pair<int, int>, ProfileTerms> profiles_;
    std::map<int, BackgroundTerms> backgrounds_;
    struct Refinable {
        float Value = 1;
        bool Refined = false;
    };
    std::map<int, Refinable> scales_;    // by histogram
    std::map<int, Refinable> fractions_; // by phase, on histogram 1
    void ApplyScales();
    double ScaleFactor(int p) const;
};

void GsasRefinementReader::Apply(std::string_view line) {
    if (StartsWith(line, "CRS")) {
        const int p = PhaseDigit(line);
        if (!ValidPhase(p)) return;
        const std::string_view key = FieldText(line, 7, 6);
        if (key == "ABC   " && Column(line, 47) == 'Y') RefineCell(m_, p);
        if (FieldText(line, 7, 2) == "AT" && Column(line, 12) == 'A') ++atomCounts_[p];
        if (FieldText(line, 7, 2) == "AT" && Column(line, 12) == 'B') {
            const int atom = atomCounts_[p];
            if (atom >= 1 && atom <= m_.Phase(p).AtomCount()) RefineAtom(m_, p, atom, line);
        }
    } else if (StartsWith(line, "HAP")) {
        const int p = PhaseDigit(line), h = ReadIntField(line, 5, 2);
        if (!ValidPhase(p) || !ValidHistogram(h)) return;
        const std::string_view key = FieldText(line, 7, 6);
        if (key == "PHSFR ") {
            if (h == 1) fractions_[p] = {ReadRealField(line, 13, 15), Column(line, 32) == 'Y'};
        } else if (key == "PRCF  ") {
            ProfileTerms& t = profiles_[{h, p}];
            t.Type = ReadIntField(line, 13, 5);
            t.Flags = TrimText(FieldText(line, 38, 43));
        } else if (FieldText(line, 7, 4) == "PRCF") {
            const int n = ReadIntField(line, 11, 2);
            ProfileTerms& t = profiles_[{h, p}];
            for (int k = 0; k < 4 && n >= 1 && n <= 9; ++k)
                t.Values[static_cast<size_t>(4 * (n - 1) + k)] =
                    TextToDouble(FieldText(line, 13 + 15 * k, 15));
        }
    } else if (StartsWith(line, "HST")) {
        const int h = ReadIntField(line, 4, 3);
        if (!ValidHistogram(h)) return;
        const std::string_view key = FieldText(line, 7, 6);
        if (key == " ICONS" && !m_.Histogram(h).IsTof() && HasFlag(line, 43, 10, 'Z'))
            m_.Parameters.SetRefined(HistogramAddress(h, 1), true);
        else if (key == "HSCALE") {
            scales_[h] = {ReadRealField(line, 13, 15), Column(line, 32) == 'Y'};
        }
        else if (key == "BAKGD ") {
            BackgroundTerms& b = backgrounds_[h];
            b.Type = ReadIntField(line, 13, 5);
            b.Count = ReadIntField(line, 18, 5);
            b.Refined = Column(line, 27) == 'Y';
        } else if (FieldText(line, 7, 5) == "BAKGD") {
            BackgroundTerms& b = backgrounds_[h];
            for (int k = 0; k < 4; ++k) {
                const std::string field = TrimText(FieldText(line, 13 + 15 * k, 15));
                if (!field.empty()) b.Values.push_back(TextToDouble(field));
            }
        }
    }
}

double GsasRefinementReader::ScaleFactor(int p) const {
    const TPhase& c = m_.Phase(p);
    const double ca = std::cos(c.Alpha * Deg), cb = std::cos(c.Beta * Deg), cg = std::cos(c.Gamma * Deg);
    const double volume = double(c.A) * c.B * c.C *
                          std::sqrt(std::max(1e-12, 1 - ca * ca - cb * cb - cg * cg + 2 * ca * cb * cg));
    const bool neutron = m_.HistogramCount() >= 1 && !m_.Histogram(1).IsXrayCw();
    return GsasScaleFactor * (neutron ? 0.01 : 1.0) / (volume * volume);
}

// The input file holds histogram 1 at scale 1 and the others relative to it;
// GSAS's histogram scale times phase fraction becomes the phase scale.
void GsasRefinementReader::ApplyScales() {
    const Refinable first = scales_.count(1) ? scales_[1] : Refinable{};
    for (int p = 1; p <= m_.PhaseCount(); ++p) {
        if (!scales_.count(1) && !fractions_.count(p)) continue; // the import's own scale stays
        const Refinable fraction = fractions_.count(p) ? fractions_[p] : Refinable{};
        m_.Phase(p).Scale = static_cast<float>(first.Value * fraction.Value * ScaleFactor(p));
        if (first.Refined || fraction.Refined) m_.Parameters.SetRefined(PhaseAddress(p, 1), true);
    }
    for (int h = 2; h <= m_.HistogramCount(); ++h) {
        if (!scales_.count(h) || first.Value == 0) continue;
        m_.Histogram(h).Scale = scales_[h].Value / first.Value;
        if (scales_[h].Refined) m_.Parameters.SetRefined(HistogramAddress(h, 14), true);
    }
}

void GsasRefinementReader::Finish() {
    ApplyScales();
    for (const auto& [key, terms] : profiles_)
        ApplyProfile(m_, key.first, key.second, terms);
    for (const auto& [h, terms] : backgrounds_)
        ApplyBackground(m_, h, terms);
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

void CarryGsasRefinement(TRietveld& model, LineSource& lines) {
    GsasRefinementReader reader(model);
    while (!lines.AtEnd())
        reader.Apply(lines.Next());
    reader.Finish();
}

std::string GsasDataFileName(const std::string& text) {
    LineSource lines(text);
    while (!lines.AtEnd()) {
        std::string_view line = lines.Next();
        if (StartsWith(line, "HST  1  HFIL")) return TrimText(FieldText(line, 15, 66));
    }
    return {};
}

std::string GsasDataFile(const std::string& expPath) {
    const std::optional<std::string> text = ReadTextFile(expPath).Text;
    if (!text) return {};
    const std::string name = GsasDataFileName(*text);
    return name.empty() ? std::string() : FindBeside(expPath, name);
}

std::string FindBeside(const std::string& folderOf, const std::string& name) {
    namespace fs = std::filesystem;
    std::string base = name;
    if (const size_t slash = base.find_last_of("/\\"); slash != std::string::npos)
        base = base.substr(slash + 1);
    if (base.empty()) return {};
    const fs::path folder = fs::path(folderOf).parent_path();
    std::error_code ec;
    const fs::path exact = (folder.empty() ? fs::path(".") : folder) / base;
    if (fs::is_regular_file(exact, ec)) return exact.string();
    for (const auto& entry : fs::directory_iterator(folder.empty() ? fs::path(".") : folder, ec)) {
        if (!entry.is_regular_file(ec)) continue;
        if (Lower(entry.path().filename().string()) == Lower(base)) return entry.path().string();
    }
    return {};
}

} // namespace koralix
