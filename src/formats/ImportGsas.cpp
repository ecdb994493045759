// GSAS experiment files: fixed-column records keyed by their first twelve
// columns, read in two passes (first the counts, then the values).
#include "GsasRefinement.h"
#include "ImportSupport.h"
#include "LineSource.h"
#include "Messenger.h"
#include "ModelImport.h"
#include "TextHelpers.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <utility>
#include <vector>

namespace koralix {

namespace {

// 8 pi^2: GSAS keeps thermal displacements as U, this model as B.
constexpr float UToB = 78.957f;
constexpr int MaxGsasHistograms = 99; // the HAP record has two columns for it
constexpr int MaxGsasPhases = 9;      // and one for the phase

std::string_view Cols(std::string_view line, int first, int count) {
    return FieldText(line, first, count);
}

// Names and titles without the blanks that pad the record to 80 columns.
std::string TextCols(std::string_view line, int first, int count) {
    std::string_view text = FieldText(line, first, count);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return std::string(text);
}

// GSAS writes TOF data ranges in milliseconds; this model keeps them in microseconds.
float RangeUnit(const THistogram& histogram) {
    return histogram.IsTof() ? 1000.0f : 1.0f;
}

bool StartsWith(std::string_view line, std::string_view key) {
    return line.substr(0, key.size()) == key;
}

// A digit in column 4 of CRS and HAP records, else 0.
int PhaseDigit(std::string_view line) {
    return line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line[3])) ? line[3] - '0'
                                                                                 : 0;
}

// One row of a histogram's PAB3 table of TOF profile type -3: at spacing d,
// a peak shift and the rise and decay rates (per microsecond).
struct RateRow {
    float D, Shift, Alpha, Beta;
};

// Intercept and slope of the weighted least-squares line y = a + b x.
struct WeightedPoint {
    double X, Y, Weight;
};
std::pair<double, double> StraightLine(const std::vector<WeightedPoint>& points) {
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const auto& [x, y, w] : points) {
        n += w;
        sx += w * x;
        sy += w * y;
        sxx += w * x * x;
        sxy += w * x * y;
    }
    if (n == 0) return {0, 0};
    const double det = n * sxx - sx * sx;
    if (det == 0) return {sy / n, 0};
    return {(sxx * sy - sx * sxy) / det, (n * sxy - sx * sy) / det};
}

// TOF profile type -3 takes its rates from the table instead of from terms,
// and the model holds only alpha = TofAlpha1 + TofAlpha2 / d and
// beta = TofBeta1 + TofBeta2 / d^4: the nearest of those to the table by
// least squares. Each row counts for the stretch of d it stands for (half
// the way to its neighbours), so that every part of the pattern, whose points
// are spread in time of flight and so in d, counts alike; GSAS tables are
// spaced evenly in 1/d and would otherwise favour the short spacings. The
// table's peak shift has no place in this model.
void FitTabulatedRates(TSample& sample, std::vector<RateRow> table) {
    std::erase_if(table, [](const RateRow& row) { return !(row.D > 0); });
    std::sort(table.begin(), table.end(),
              [](const RateRow& a, const RateRow& b) { return a.D < b.D; });
    if (table.size() < 2) return;
    std::vector<WeightedPoint> alpha, beta;
    for (size_t i = 0; i < table.size(); ++i) {
        const double below = table[i == 0 ? 0 : i - 1].D;
        const double above = table[i + 1 == table.size() ? i : i + 1].D;
        const double weight = (above - below) / 2;
        const double d = table[i].D;
        alpha.push_back({1 / d, table[i].Alpha, weight});
        beta.push_back({std::pow(d, -4.0), table[i].Beta, weight});
    }
    const auto [a1, a2] = StraightLine(alpha);
    const auto [b1, b2] = StraightLine(beta);
    sample.TofAlpha1 = static_cast<float>(a1);
    sample.TofAlpha2 = static_cast<float>(a2);
    sample.TofBeta1 = static_cast<float>(b1);
    sample.TofBeta2 = static_cast<float>(b2);
}

struct AtomFraction {
    int Phase;
    size_t Atom;
    float Fraction;
};

class GsasReader {
  public:
    GsasReader(TRietveld& model, LineSource& lines) : m_(model), lines_(lines) {}

    void Read();

  private:
    void CountHistogramsAndPhases();
    void CreateHistogramsAndPhases();
    void Apply(std::string_view line);
    void ApplyCrystal(std::string_view line, int p);
    void ApplyHistogramPhase(std::string_view line, int p, int h);
    void ApplyHistogram(std::string_view line, int h);
    void ApplyBackground(std::string_view line, THistogram& histogram);
    void SetOccupancies();
    void SetTabulatedRates();

    TRietveld& m_;
    LineSource& lines_;
    std::vector<std::string_view> all_;
    int histograms_ = 1;
    int phases_ = 1;
    std::vector<AtomFraction> fractions_;
    std::map<std::pair<int, int>, int> tofTypes_; // GSAS TOF profile type by (phase, histogram)
    std::map<int, std::vector<RateRow>> rateTables_; // PAB3 rows by histogram
};

// GSAS TOF profile type 3 (back-to-back exponentials with a pseudo-Voigt)
// lists alp, bet-0, bet-1, sig-0, sig-1, sig-2, gam-0, gam-1, gam-2, ...,
// four to a PRCF record. They are this model's terms without conversion:
// alpha = alp / d, beta = bet-0 + bet-1 / d^4, s^2 = sig-0 + sig-1 d^2 +
// sig-2 d^4, Lorentzian FWHM gam-0 + gam-1 d + gam-2 d^2.
void SetTofTypeThreeTerm(TSample& sample, int term, float value) {
    float* targets[] = {&sample.TofAlpha2, &sample.TofBeta1, &sample.TofBeta2,
                        &sample.U,         &sample.V,        &sample.W,
                        &sample.Gam0,      &sample.Gam1,     &sample.Gam2};
    if (term >= 0 && term < 9) *targets[term] = value;
    if (term == 0) sample.TofAlpha1 = 0;
}

void GsasReader::Read() {
    while (!lines_.AtEnd())
        all_.push_back(lines_.Next());
    CountHistogramsAndPhases();
    CreateHistogramsAndPhases();
    for (std::string_view line : all_)
        Apply(line);
    SetOccupancies();
    SetTabulatedRates();
    m_.Loaded = true;
}

void GsasReader::CountHistogramsAndPhases() {
    int nhst = 0, largestHap = 0;
    for (std::string_view line : all_) {
        if (StartsWith(line, " EXPR  NHST ")) nhst = ReadIntField(line, 13, 5);
        if (StartsWith(line, "CRS")) phases_ = std::max(phases_, PhaseDigit(line));
        if (StartsWith(line, "HAP")) largestHap = std::max(largestHap, ReadIntField(line, 5, 2));
    }
    // A HAP record naming a histogram beyond NHST adds it; a HAP record never
    // drops histograms NHST announces (their records would be lost).
    histograms_ = std::clamp(std::max(nhst, largestHap), 1, MaxGsasHistograms);
    phases_ = std::clamp(phases_, 1, MaxGsasPhases);
}

void GsasReader::CreateHistogramsAndPhases() {
    for (int h = 1; h <= histograms_; ++h) {
        THistogram histogram;
        histogram.JobType = 0;
        histogram.Profile = 4;
        histogram.Background.Kind = BkgPolynomial;
        histogram.ExtraFlag = 0;
        histogram.Absorption = 0;
        m_.AppendHistogram(histogram);
    }
    for (int p = 1; p <= phases_; ++p) {
        for (int h = 1; h <= histograms_; ++h)
            m_.AppendSample(NewSample(h, p));
        m_.AppendPhase(TPhase());
    }
}

void GsasReader::Apply(std::string_view line) {
    if (StartsWith(line, " EXPR  HTYP")) {
        for (int i = 1; i <= 9 && i <= histograms_; ++i) {
            std::string_view type = Cols(line, 5 * i + 11, 2);
            m_.Histogram(i).JobType = type == "NC" ? 1 : type == "NT" ? 4 : 0;
        }
    } else if (StartsWith(line, "      DESCR ")) {
        m_.Title = TextCols(line, 15, 66);
    } else if (StartsWith(line, "CRS")) {
        const int p = PhaseDigit(line);
        if (p >= 1 && p <= phases_) ApplyCrystal(line, p);
    } else if (StartsWith(line, "HAP")) {
        const int p = PhaseDigit(line);
        const int h = ReadIntField(line, 5, 2);
        if (p >= 1 && p <= phases_ && h >= 1 && h <= histograms_) ApplyHistogramPhase(line, p, h);
    } else if (StartsWith(line, "HST")) {
        const int h = ReadIntField(line, 4, 3);
        if (h >= 1 && h <= histograms_) ApplyHistogram(line, h);
    }
}

void GsasReader::ApplyCrystal(std::string_view line, int p) {
    TPhase& phase = m_.Phase(p);
    std::string_view key = Cols(line, 7, 6);
    if (key == "  PNAM") {
        phase.Name = TextCols(line, 15, 66);
    } else if (key == "ABC   ") {
        phase.A = ReadRealField(line, 13, 10);
        phase.B = ReadRealField(line, 23, 10);
        phase.C = ReadRealField(line, 33, 10);
    } else if (key == "ANGLES") {
        phase.Alpha = ReadRealField(line, 13, 10);
        phase.Beta = ReadRealField(line, 23, 10);
        phase.Gamma = ReadRealField(line, 33, 10);
    } else if (key == "SG SYM") {
        std::string symbol = TextCols(line, 15, 20);
        for (char& c : symbol)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        phase.SpaceGroup = symbol;
    } else if (key == "SPAXIS") {
        for (TSample& sample : m_.Samples) {
            if (sample.Phase != p) continue;
            sample.AnisoH = static_cast<float>(ReadIntField(line, 13, 5));
            sample.AnisoK = static_cast<float>(ReadIntField(line, 18, 5));
            sample.AnisoL = static_cast<float>(ReadIntField(line, 23, 5));
        }
    } else if (Cols(line, 7, 2) == "AT" && Cols(line, 12, 1) == "A") {
        TAtom atom;
        atom.AtomType = Cols(line, 15, 4);
        atom.Label = Cols(line, 63, 4);
        atom.X = ReadRealField(line, 23, 10);
        atom.Y = ReadRealField(line, 33, 10);
        atom.Z = ReadRealField(line, 43, 10);
        const float fraction = ReadRealField(line, 53, 10);
        atom.N = fraction;
        phase.AddAtom(atom);
        fractions_.push_back({p, phase.Atoms.size() - 1, fraction});
    } else if (Cols(line, 7, 2) == "AT" && Cols(line, 12, 1) == "B") {
        if (fractions_.empty()) return;
        const AtomFraction& last = fractions_.back();
        TAtom& atom = m_.Phase(last.Phase).Atoms[last.Atom];
        std::string_view kind = Cols(line, 75, 1);
        if (kind == "I") {
            atom.B = ReadRealField(line, 13, 10) * UToB;
        } else if (kind == "A") {
            float* b[6] = {&atom.B11, &atom.B22, &atom.B33, &atom.B12, &atom.B13, &atom.B23};
            for (int k = 0; k < 6; ++k)
                *b[k] = ReadRealField(line, 13 + 10 * k, 10) * UToB;
        }
    }
}

void GsasReader::ApplyHistogramPhase(std::string_view line, int p, int h) {
    TSample* sample = m_.FindSample(h, p);
    if (!sample) return;
    THistogram& histogram = m_.Histogram(h);
    std::string_view key = Cols(line, 7, 6);
    if (key == "SCALE ") {
        m_.Phase(p).Scale = ReadRealField(line, 13, 15);
    } else if (key == "EXTPOW") {
        sample->Extinction = ReadRealField(line, 13, 15);
    } else if (key == "PREFOR" || key == "PREFO1") {
        // March-Dollase preferred orientation, first axis (GSAS writes one
        // PREFOn record per axis, this model holds one): ratio in 13-22, the
        // axis h, k, l in 23-32, 33-42, 43-52, the axis fraction in 53-62.
        sample->PO = ReadRealField(line, 13, 10);
        sample->POH = ReadRealField(line, 23, 10);
        sample->POK = ReadRealField(line, 33, 10);
        sample->POL = ReadRealField(line, 43, 10);
    } else if (key == "PRCF  ") {
        histogram.Profile = histogram.IsTof() ? 7 : ReadIntField(line, 13, 5) == 1 ? 1 : 4;
        if (histogram.IsTof()) tofTypes_[{p, h}] = ReadIntField(line, 13, 5);
    } else if (Cols(line, 7, 4) == "PRCF") {
        const int n = ReadIntField(line, 11, 2);
        auto field = [&](int k) { return ReadRealField(line, 13 + 15 * k, 15); };
        const auto tofType = tofTypes_.find({p, h});
        if (histogram.IsTof() && tofType != tofTypes_.end() && std::abs(tofType->second) == 3) {
            for (int k = 0; k < 4; ++k)
                SetTofTypeThreeTerm(*sample, 4 * (n - 1) + k, field(k));
        } else if (histogram.IsTof()) {
            if (n == 1) {
                sample->TofAlpha1 = field(0);
                sample->TofAlpha2 = field(1);
                sample->TofBeta1 = field(2);
                sample->TofBeta2 = field(3);
            } else if (n == 2) {
                sample->U = field(0);
                sample->V = field(1);
                sample->W = field(2);
            } else if (n == 3) {
                sample->Uaniso = field(0);
            }
        } else if (n == 1) {
            sample->U = field(0) / 1000;
            sample->V = field(1) / 1000;
            sample->W = field(2) / 1000;
        }
    }
}

void GsasReader::ApplyHistogram(std::string_view line, int h) {
    THistogram& histogram = m_.Histogram(h);
    std::string_view key = Cols(line, 7, 6);
    if (key == " ICONS") {
        histogram.Wave1 = ReadRealField(line, 13, 10);
        histogram.Wave2 = ReadRealField(line, 23, 10);
        const float zero = ReadRealField(line, 33, 10);
        histogram.Zero = histogram.IsTof() ? zero : zero / 100;
        histogram.Polarization = ReadRealField(line, 53, 10);
    } else if (key == " TRNGE") {
        // The data range the refinement uses: degrees 2-theta, or TOF in ms,
        // which the engine takes in microseconds like the data.
        histogram.ThetaMin = ReadRealField(line, 13, 10) * RangeUnit(histogram);
        histogram.ThetaMax = ReadRealField(line, 23, 10) * RangeUnit(histogram);
    } else if (Cols(line, 7, 3) == "EXC") {
        if (histogram.Excluded.RegionCount() < MaxExcludedRegions)
            histogram.Excluded.AddRegion(ReadRealField(line, 13, 10) * RangeUnit(histogram),
                                         ReadRealField(line, 23, 10) * RangeUnit(histogram));
    } else if (key == " NFXB ") {
        histogram.Background.Kind = ReadIntField(line, 13, 5);
    } else if (Cols(line, 7, 3) == "FXB") {
        if (histogram.Background.PointCount() < MaxBackgroundPoints)
            histogram.Background.AddPoint(ReadRealField(line, 13, 10), ReadRealField(line, 23, 10));
    } else if (Cols(line, 7, 4) == "PAB3" && ReadIntField(line, 11, 2) >= 1) {
        rateTables_[h].push_back({ReadRealField(line, 13, 10), ReadRealField(line, 23, 10),
                                  ReadRealField(line, 33, 10), ReadRealField(line, 43, 10)});
    } else if (key == "HSCALE") {
        histogram.Scale = ReadRealField(line, 13, 15);
    } else if (key == "BAKGD ") {
        ApplyBackground(line, histogram);
    }
}

void GsasReader::ApplyBackground(std::string_view line, THistogram& histogram) {
    const int k = ReadIntField(line, 18, 5);
    m_.Background12 = (k - 1) / 6 >= 1 ? 1 : 0;
    const int t = ReadIntField(line, 13, 5);
    if (t == 1 || t == 2 || t == 4)
        histogram.Background.Kind = BkgPolynomial;
    else if (t == 3)
        histogram.Background.Kind = BkgAmorphous;
    else if (histogram.Background.Kind <= 1)
        histogram.Background.Kind = BkgPolynomial;
}

// The symbol may follow the atoms in the file, so occupancies are set last.
void GsasReader::SetOccupancies() {
    for (const AtomFraction& f : fractions_) {
        TPhase& phase = m_.Phase(f.Phase);
        TAtom& atom = phase.Atoms[f.Atom];
        atom.N = OccupancyFromFraction(phase.SpaceGroup.str(), f.Fraction, atom.X, atom.Y, atom.Z);
    }
}

void GsasReader::SetTabulatedRates() {
    for (const auto& [key, type] : tofTypes_) {
        const auto [p, h] = key;
        const auto table = rateTables_.find(h);
        TSample* sample = m_.FindSample(h, p);
        if (type == -3 && table != rateTables_.end() && sample)
            FitTabulatedRates(*sample, table->second);
    }
}

void ImportGsasLines(TRietveld& model, LineSource& lines, Messenger& messenger) {
    model.Clear();
    model.Loaded = false;
    model.RecordLabel.Set(1);
    model.PrintU = 1;
    RunImport(model, messenger, [&] { GsasReader(model, lines).Read(); });
    model.Parameters.Prune(0);
}

} // namespace

void ImportGsasExperimentText(TRietveld& model, const std::string& text, Messenger& messenger) {
    LineSource lines(text);
    ImportGsasLines(model, lines, messenger);
    if (!model.Loaded) return;
    // The data of a GSAS experiment are GSAS raw files.
    model.DataFormat = 3;
    LineSource again(text);
    RunImport(model, messenger, [&] { CarryGsasRefinement(model, again); });
}

void ImportGsasExperiment(TRietveld& model, const std::string& fileName, Messenger& messenger) {
    if (auto text = ReadImportFile(model, fileName, messenger, "File does not exist"))
        ImportGsasExperimentText(model, *text, messenger);
}

} // namespace koralix
