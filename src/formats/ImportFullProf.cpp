// FullProf control files. The fixed layout is read line by line in columns.
// The free layout ("COMM" title) is read by words, "!" lines skipped; the
// files FullProf writes today carry more control lines than the records this
// reader takes, and a comment header before every block, so where those
// headers are present each block is found by its header instead of by
// counting lines.
#include "FullProfRefinement.h"
#include "ImportSupport.h"
#include "LineSource.h"
#include "Messenger.h"
#include "ModelImport.h"
#include "PcrLines.h"
#include "TextHelpers.h"

#include <algorithm>
#include <functional>
#include <optional>

namespace koralix {

namespace {

// FullProf's job codes for time of flight (-1 refinement, -3 calculation)
// are this model's 4 and 5.
int JobTypeOf(int job) {
    if (job == -1) return 4;
    if (job == -3) return 5;
    return job;
}

std::string RightTrimmed(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return std::string(text);
}

// The first word of a comment line, without the "!".
std::string_view CommentWord(std::string_view line) {
    Words words(line.substr(1));
    return words.Text(1);
}

// A free-format integer: the number read, truncated, or NumericOverflow when
// it is beyond the integer range.
int32_t ToInt(float value) {
    if (!(value > -2.1e9f && value < 2.1e9f))
        throw NumericOverflow("value out of the integer range");
    return static_cast<int32_t>(value);
}

struct Counts {
    int phases = 0;
    int background = 0;
    int excluded = 0;
    int scatter = 0;
};

class FullProfReader {
  public:
    FullProfReader(TRietveld& model, PcrLines& lines, TPcrTerms& terms)
        : m_(model), in_(lines), terms_(terms) {}
    void Read();

  private:
    std::string_view Line() { return free_ ? in_.Content() : in_.Raw(); }
    void Code(float code, TAddress address) { m_.Parameters.AddFree(address, code); }
    THistogram& H() { return m_.Histogram(1); }

    void ReadJobLine();
    void ReadControls();
    void ReadFixedControls();
    void ReadFreeControls();
    void ReadBackgroundPoints();
    void ReadExcludedRegions();
    void ReadZero();
    void ReadBackgroundCoefficients();
    void ReadMoreCosineCodes();
    void FindPhaseStarts();
    void ReadPhase(int p);
    void ReadFixedPhase(int p, TPhase& phase, TSample& sample);
    void ReadFreePhase(int p, TPhase& phase, TSample& sample);
    void ReadFreeAtoms(int p, int count, int jbt, TPhase& phase);
    bool JumpToHeader(const std::function<bool(std::string_view)>& isHeader);
    bool JumpToLineWith(std::string_view marker);

    TRietveld& m_;
    PcrLines& in_;
    TPcrTerms& terms_; // what the refinement needs beyond the model's fields
    bool free_ = false;
    Counts counts_;
    std::vector<size_t> phaseStarts_;
    size_t phaseEnd_ = 0; // end of the phase being read, when its start was found
    bool anchored_ = false;
};

void FullProfReader::Read() {
    std::string_view title = in_.Raw();
    free_ = title.substr(0, 4) == "COMM";
    m_.Title = RightTrimmed(title);
    m_.RecordLabel.Set(free_ ? 1 : 2);
    ReadJobLine();
    ReadControls();
    ReadBackgroundPoints();
    ReadExcludedRegions();
    ReadScatteringBlock(in_, H());
    m_.CodeCount = free_ ? Words(Line()).Int(1) : ReadIntField(Line(), 1, 8);
    ReadZero();
    ReadBackgroundCoefficients();
    if (free_) FindPhaseStarts();
    for (int p = 1; p <= counts_.phases; ++p)
        ReadPhase(p);
    m_.Loaded = true;
}

void FullProfReader::ReadJobLine() {
    THistogram histogram;
    std::string_view line = Line();
    int job, profile, geometry;
    bool resolutionLine = false;
    if (free_) {
        Words w(line);
        job = w.Int(1);
        profile = w.Int(2);
        counts_ = {w.Int(3), w.Int(4), w.Int(5), w.Int(6)};
        geometry = w.Int(7);
        // Today's job line: a non-zero Res (word 12) puts the name of the
        // resolution file on the next line.
        resolutionLine = w.Count() >= 12 && w.Int(12) != 0;
    } else {
        job = ReadIntField(line, 4, 1);
        profile = ReadIntField(line, 5, 4);
        counts_ = {ReadIntField(line, 9, 4), ReadIntField(line, 13, 4), ReadIntField(line, 17, 4),
                   ReadIntField(line, 21, 4)};
        geometry = ReadIntField(line, 37, 4);
        resolutionLine = ReadIntField(line, 45, 4) != 0;
    }
    // Every phase, region and scattering entry needs lines of its own.
    if (counts_.phases < 0 || !in_.CanHold(counts_.phases) || counts_.scatter < 0 ||
        !in_.CanHold(counts_.scatter) || !in_.CanHold(counts_.excluded) ||
        !in_.CanHold(counts_.background))
        throw InputError("counts beyond the file");
    terms_.Npr = profile;
    terms_.Nba = counts_.background;
    histogram.JobType = JobTypeOf(job);
    // Time-of-flight histograms take the time-of-flight profile, as in the
    // GSAS import; a constant-wavelength profile number means nothing there.
    histogram.Profile = histogram.IsTof() ? 7 : profile == 6 ? 2 : 4;
    histogram.Background.Kind = counts_.background;
    for (int r = 0; r < counts_.excluded && r < MaxExcludedRegions; ++r)
        histogram.Excluded.AddRegion(0, 0);
    for (int e = 0; e < counts_.scatter; ++e)
        histogram.Scatter.AddEntry();
    histogram.ExtraFlag = 0;
    histogram.Absorption = geometry >= 1 ? 1 : 0;
    m_.AppendHistogram(histogram);
    m_.RecordLabel.Advance();
    if (resolutionLine) {
        if (free_)
            in_.Content();
        else
            in_.Raw();
    }
    if (!free_) m_.RecordLabel.Set(3);
}

void FullProfReader::ReadControls() {
    if (free_)
        ReadFreeControls();
    else
        ReadFixedControls();
    ResetUncarriedControls(m_, H());
}

void FullProfReader::ReadFixedControls() {
    int32_t* flags[10] = {&m_.IOT,  &m_.IPL,  &m_.IPC,  &m_.MAT,  &m_.Control5,
                          &m_.LST1, &m_.LST2, &m_.LST3, &m_.IPL1, &m_.PlotFileType};
    for (int32_t* flag : flags)
        *flag = ToInt(in_.Number());
    terms_.Ins = ToInt(in_.Number());
    in_.EndNumbers();
    for (int32_t* flag : {&m_.IOT, &m_.IPL, &m_.IPC, &m_.Control5, &m_.PlotFileType})
        *flag = std::min(*flag, 1);
    float v[8];
    for (float& x : v)
        x = in_.Number();
    in_.EndNumbers();
    THistogram& h = H();
    h.Wave1 = v[0];
    h.Wave2 = v[1];
    h.Ratio = v[2];
    terms_.Bkpos = v[3];
    h.BaseWidth = v[4];
    h.Polarization = v[5];
    h.Extra18 = v[6];
    m_.AsymLimit = v[7];
    m_.Cycles = ToInt(in_.Number());
    m_.Eps = in_.Number();
    for (float& r : m_.Relax)
        r = in_.Number();
    h.ThetaMin = in_.Number();
    h.ThetaStep = in_.Number();
    h.ThetaMax = in_.Number();
    in_.EndNumbers();
}

void FullProfReader::ReadFreeControls() {
    Words flags(in_.Content());
    int32_t* targets[10] = {&m_.IOT,  &m_.IPL,  &m_.IPC,  &m_.MAT,  &m_.Control5,
                            &m_.LST1, &m_.LST2, &m_.LST3, &m_.IPL1, &m_.PlotFileType};
    for (int k = 0; k < 10; ++k)
        *targets[k] = flags.Int(k + 1);
    terms_.Ins = flags.Int(11);
    for (int32_t* flag : {&m_.IOT, &m_.IPL, &m_.IPC, &m_.PlotFileType})
        *flag = std::min(*flag, 1);
    m_.Control5 = 1;

    THistogram& h = H();
    Words instrument(in_.Content());
    if (h.IsTof() && instrument.Count() <= 3) {
        // Time of flight: the line holds Bkpos, Wdt and Iabscor, no wavelengths.
        h.BaseWidth = std::min(instrument.Real(2), 7.0f);
    } else {
        h.Wave1 = instrument.Real(1);
        h.Wave2 = instrument.Real(2);
        h.Ratio = instrument.Real(3);
        terms_.Bkpos = instrument.Real(4);
        h.BaseWidth = std::min(instrument.Real(5), 7.0f);
        h.Polarization = instrument.Real(6);
        h.Extra18 = instrument.Real(7);
        m_.AsymLimit = instrument.Real(8);
    }
    Words cycles(in_.Content());
    m_.Cycles = cycles.Int(1);
    m_.Eps = cycles.Real(2);
    for (int k = 0; k < 4; ++k)
        m_.Relax[static_cast<size_t>(k)] = cycles.Real(3 + k);
    h.ThetaMin = cycles.Real(7);
    h.ThetaStep = cycles.Real(8);
    h.ThetaMax = cycles.Real(9);
}

void FullProfReader::ReadBackgroundPoints() {
    if (counts_.background <= 1) return;
    TBackGround& background = H().Background;
    for (int k = 0; k < counts_.background; ++k) {
        std::string_view line = Line();
        if (free_) {
            Words w(line);
            background.AddPoint(w.Real(1), w.Real(2));
        } else {
            background.AddPoint(ReadRealField(line, 1, 8), ReadRealField(line, 9, 8));
        }
    }
    background.Kind = BkgUserPoints;
}

void FullProfReader::ReadExcludedRegions() {
    TExcluded& excluded = H().Excluded;
    for (int r = 0; r < counts_.excluded; ++r) {
        std::string_view line = Line();
        if (r >= excluded.RegionCount()) continue;
        if (free_) {
            Words w(line);
            excluded.SetRegion(r, w.Real(1), w.Real(2));
        } else {
            excluded.SetRegion(r, ReadRealField(line, 1, 8), ReadRealField(line, 9, 8));
        }
    }
}

void FullProfReader::ReadZero() {
    std::string_view line = Line();
    if (free_) {
        Words w(line);
        H().Zero = w.Real(1);
        Code(w.Real(2), {1, 0, 0, 1});
        terms_.SyCos = w.Real(3);
        terms_.SyCosCode = w.Real(4);
        terms_.SySin = w.Real(5);
        terms_.SySinCode = w.Real(6);
        // Constant-wavelength zero lines end in a MORE flag; 1 adds a line of
        // micro-absorption values (time of flight has the bank angle there).
        if (!H().IsTof() && w.Count() >= 9 && w.Int(9) != 0) in_.Content();
    } else {
        H().Zero = ReadRealField(line, 1, 8);
        Code(ReadRealField(line, 9, 8), {1, 0, 0, 1});
        terms_.SyCos = ReadRealField(line, 17, 8);
        terms_.SyCosCode = ReadRealField(line, 25, 8);
        terms_.SySin = ReadRealField(line, 33, 8);
    }
}

void FullProfReader::ReadBackgroundCoefficients() {
    if (counts_.background >= 1) return;
    TBackGround& background = H().Background;
    std::string_view values = Line();
    std::string_view codes = Line();
    Words v(values), c(codes);
    for (int k = 1; k <= 6; ++k) {
        const size_t i = static_cast<size_t>(k - 1);
        if (free_) {
            background.Coeff[i] = v.Real(k);
            Code(c.Real(k), {1, 0, 0, k + 1});
        } else {
            background.Coeff[i] = ReadRealField(values, 12 * k - 11, 12);
            Code(ReadRealField(codes, 12 * k - 11, 12), {1, 0, 0, k + 1});
        }
    }
    const int extra = counts_.background == -1 ? 4 : counts_.background == -2 ? 1 : 0;
    for (int k = 0; k < extra; ++k)
        Line();
    if (free_ && counts_.background == -4) ReadMoreCosineCodes();
}

// The Fourier-cosine series goes on in further pairs of value and code lines
// (up to 18 coefficients); only their codes are kept.
void FullProfReader::ReadMoreCosineCodes() {
    const auto numbersAt = [this](size_t i) {
        if (i >= in_.LineCount() || IsComment(in_.Line(i))) return false;
        const std::string_view first = Words(in_.Line(i)).Text(1);
        return !first.empty() && first.find_first_not_of("+-.0123456789Ee") == std::string::npos;
    };
    for (int pair = 0; pair < 2 && numbersAt(in_.Position()) && numbersAt(in_.Position() + 1);
         ++pair) {
        in_.Content();
        Words codes(in_.Content());
        for (int k = 1; k <= codes.Count(); ++k)
            terms_.MoreBackgroundCodes.push_back(codes.Real(k));
    }
}

// "!  Data for PHASE number:   p" headers, one per phase, when present.
void FullProfReader::FindPhaseStarts() {
    for (size_t i = in_.Position(); i < in_.LineCount(); ++i) {
        std::string_view line = in_.Line(i);
        if (IsComment(line) && line.find("Data for PHASE") != std::string_view::npos)
            phaseStarts_.push_back(i + 1);
    }
    if (phaseStarts_.size() < static_cast<size_t>(std::max(counts_.phases, 0)))
        phaseStarts_.clear();
}

bool FullProfReader::JumpToHeader(const std::function<bool(std::string_view)>& isHeader) {
    if (!anchored_) return false;
    for (size_t i = in_.Position(); i < phaseEnd_; ++i) {
        std::string_view line = in_.Line(i);
        if (IsComment(line) && isHeader(CommentWord(line))) {
            in_.MoveTo(i + 1);
            return true;
        }
    }
    return false;
}

bool FullProfReader::JumpToLineWith(std::string_view marker) {
    if (!anchored_) return false;
    for (size_t i = in_.Position(); i < phaseEnd_; ++i) {
        std::string_view line = in_.Line(i);
        if (!IsComment(line) && line.find(marker) != std::string_view::npos) {
            in_.MoveTo(i);
            return true;
        }
    }
    return false;
}

void FullProfReader::ReadPhase(int p) {
    TPhase phase;
    TSample sample = NewSample(1, p);
    terms_.Phases.emplace_back();
    phase.Z = 1;
    sample.AnisoH = sample.AnisoK = sample.AnisoL = 0;
    if (free_)
        ReadFreePhase(p, phase, sample);
    else
        ReadFixedPhase(p, phase, sample);
    sample.AbsorptionR = 0;
    sample.Gam0 = sample.Gam1 = sample.Gam2 = 0;
    sample.Extinction = 0;
    sample.Pore = sample.Rough = 0;
    m_.AppendPhase(phase);
    m_.AppendSample(sample);
}

void FullProfReader::ReadFixedPhase(int p, TPhase& phase, TSample& sample) {
    phase.Name = RightTrimmed(FieldText(in_.Raw(), 1, 80));
    const int count = ReadIntField(in_.Raw(), 1, 4);
    if (count < 0 || !in_.CanHold(4LL * count)) throw InputError("atom count beyond the file");
    phase.CalcMethod = count == 0 ? 1 : 0;
    sample.POH = 0;
    sample.POK = 0;
    sample.POL = 1;
    phase.SpaceGroup = RightTrimmed(FieldText(in_.Raw(), 1, 20));
    for (int a = 1; a <= count; ++a) {
        phase.AddAtom(TAtom());
        TAtom& atom = phase.Atoms.back();
        std::string_view line = in_.Raw();
        atom.Label = FieldText(line, 1, 4);
        atom.AtomType = FieldText(line, 5, 4);
        float* values[5] = {&atom.X, &atom.Y, &atom.Z, &atom.B, &atom.N};
        for (int k = 0; k < 5; ++k)
            *values[k] = ReadRealField(line, 17 + 8 * k, 8);
        line = in_.Raw();
        for (int k = 0; k < 5; ++k)
            Code(ReadRealField(line, 17 + 8 * k, 8), {0, p, a, k + 1});
        line = in_.Raw();
        float* aniso[6] = {&atom.B11, &atom.B22, &atom.B33, &atom.B12, &atom.B13, &atom.B23};
        for (int k = 0; k < 6; ++k)
            *aniso[k] = ReadRealField(line, 1 + 8 * k, 8);
        line = in_.Raw();
        for (int k = 0; k < 6; ++k)
            Code(ReadRealField(line, 1 + 8 * k, 8), {0, p, a, k + 6});
    }
    std::string_view line = in_.Raw();
    phase.Scale = ReadRealField(line, 1, 8);
    phase.OverallB = ReadRealField(line, 17, 8);
    line = in_.Raw();
    Code(ReadRealField(line, 1, 8), {0, p, 0, 1});
    Code(ReadRealField(line, 17, 8), {0, p, 0, 2});
    line = in_.Raw();
    sample.U = ReadRealField(line, 1, 8);
    sample.V = ReadRealField(line, 9, 8);
    sample.W = ReadRealField(line, 17, 8);
    line = in_.Raw();
    for (int k = 0; k < 3; ++k)
        Code(ReadRealField(line, 1 + 8 * k, 8), {1, p, 0, 3 + k});
    line = in_.Raw();
    float* cell[6] = {&phase.A, &phase.B, &phase.C, &phase.Alpha, &phase.Beta, &phase.Gamma};
    for (int k = 0; k < 6; ++k)
        *cell[k] = ReadRealField(line, 1 + 8 * k, 8);
    line = in_.Raw();
    for (int k = 0; k < 6; ++k)
        Code(ReadRealField(line, 1 + 8 * k, 8), {0, p, 0, 6 + k});
    line = in_.Raw();
    sample.PO = ReadRealField(line, 1, 8);
    sample.Asym1 = ReadRealField(line, 17, 8);
    line = in_.Raw();
    Code(ReadRealField(line, 1, 8), {1, p, 0, 12});
    Code(ReadRealField(line, 17, 8), {1, p, 0, 14});
    in_.Raw();
}

void FullProfReader::ReadFreePhase(int p, TPhase& phase, TSample& sample) {
    anchored_ = !phaseStarts_.empty();
    if (anchored_) {
        const size_t k = static_cast<size_t>(p - 1);
        in_.MoveTo(phaseStarts_[k]);
        phaseEnd_ = k + 1 < phaseStarts_.size() ? phaseStarts_[k + 1] : in_.LineCount();
    }
    phase.Name = RightTrimmed(in_.Content());
    Words counts(in_.Content());
    const int count = counts.Int(1);
    if (count < 0 || !in_.CanHold(2LL * count)) throw InputError("atom count beyond the file");
    phase.CalcMethod = count == 0 ? 1 : 0;
    sample.POH = counts.Real(4);
    sample.POK = counts.Real(5);
    sample.POL = counts.Real(6);
    // Today's counts line goes on with Jbt, Irf, ... More: magnetic phases
    // (Jbt 1 or -1) put the magnetic type and vector numbers before X.
    const int jbt = counts.Count() >= 12 ? counts.Int(7) : 0;
    TPcrPhaseTerms& terms = terms_.Phases.back();
    if (counts.Count() >= 14) terms.Npr = counts.Int(14);
    JumpToLineWith("<--Space group symbol");
    phase.SpaceGroup = RightTrimmed(FieldText(in_.Content(), 1, 20));
    JumpToHeader([](std::string_view w) { return w.substr(0, 4) == "Atom"; });
    ReadFreeAtoms(p, count, jbt, phase);

    JumpToHeader([](std::string_view w) { return w == "Scale"; });
    Words scale(in_.Content());
    phase.Scale = scale.Real(1);
    terms.Shape1 = scale.Real(2);
    Words scaleCodes(in_.Content());
    Code(scaleCodes.Real(1), {0, p, 0, 1});
    terms.Shape1Code = scaleCodes.Real(2);
    terms.OverallBCode = scaleCodes.Real(3);
    JumpToHeader([](std::string_view w) { return w == "U" || w == "Sigma-2"; });
    Words profile(in_.Content());
    sample.U = profile.Real(1);
    sample.V = profile.Real(2);
    sample.W = profile.Real(3);
    terms.X = profile.Real(4);
    terms.Y = profile.Real(5);
    Words profileCodes(in_.Content());
    for (int k = 0; k < 3; ++k)
        Code(profileCodes.Real(k + 1), {1, p, 0, 3 + k});
    terms.XCode = profileCodes.Real(4);
    terms.YCode = profileCodes.Real(5);
    for (size_t k = 0; k < 3; ++k) {
        terms.Sig[k] = profile.Real(static_cast<int>(k) + 1);
        terms.SigCodes[k] = profileCodes.Real(static_cast<int>(k) + 1);
    }
    if (H().IsTof() && JumpToHeader([](std::string_view w) { return w == "Gamma-2"; })) {
        Words gamma(in_.Content());
        Words gammaCodes(in_.Content());
        for (size_t k = 0; k < 3; ++k) {
            terms.Gam[k] = gamma.Real(static_cast<int>(k) + 1);
            terms.GamCodes[k] = gammaCodes.Real(static_cast<int>(k) + 1);
        }
    }
    JumpToHeader([](std::string_view w) { return w == "a"; });
    Words cell(in_.Content());
    float* values[6] = {&phase.A, &phase.B, &phase.C, &phase.Alpha, &phase.Beta, &phase.Gamma};
    for (int k = 0; k < 6; ++k)
        *values[k] = cell.Real(k + 1);
    Words cellCodes(in_.Content());
    for (int k = 0; k < 6; ++k)
        Code(cellCodes.Real(k + 1), {0, p, 0, 6 + k});
    JumpToHeader([](std::string_view w) { return w == "Pref1"; });
    Words shape(in_.Content());
    sample.PO = shape.Real(1);
    sample.Asym1 = shape.Real(3);
    Words shapeCodes(in_.Content());
    Code(shapeCodes.Real(1), {1, p, 0, 12});
    for (size_t k = 0; k < 4; ++k) {
        terms.Asy[k] = shape.Real(3 + static_cast<int>(k));
        terms.AsyCodes[k] = shapeCodes.Real(3 + static_cast<int>(k));
    }
    terms.SL = shape.Real(7);
    terms.DL = shape.Real(8);
    terms.SLCode = shapeCodes.Real(7);
    terms.DLCode = shapeCodes.Real(8);
}

void FullProfReader::ReadFreeAtoms(int p, int count, int jbt, TPhase& phase) {
    const int first = (jbt == 1 || jbt == -1) ? 5 : 3;
    for (int a = 1; a <= count; ++a) {
        phase.AddAtom(TAtom());
        TAtom& atom = phase.Atoms.back();
        Words line(in_.Content());
        atom.Label = Pad4Upper(line.Text(1));
        atom.AtomType = Pad4Upper(line.Text(2));
        float* values[5] = {&atom.X, &atom.Y, &atom.Z, &atom.B, &atom.N};
        for (int k = 0; k < 5; ++k)
            *values[k] = line.Real(first + k);
        Words codes(in_.Content());
        for (int k = 0; k < 5; ++k)
            Code(codes.Real(k + 1), {0, p, a, k + 1});
        if (!anchored_) continue;
        // Lines that go on this atom (anisotropic or magnetic values) start
        // with a blank; the next atom starts in column 1.
        while (in_.Position() < phaseEnd_) {
            std::string_view next = in_.Line(in_.Position());
            if (IsComment(next) || next.empty() || (next[0] != ' ' && next[0] != '\t')) break;
            in_.Content();
        }
    }
}

void ImportFullProfLines(TRietveld& model, const std::string& text, TPcrTerms& terms,
                         Messenger& messenger) {
    model.Clear();
    model.Loaded = false;
    model.RecordLabel.Set(1);
    PcrLines lines(text, model.RecordLabel);
    RunImport(model, messenger, [&] { FullProfReader(model, lines, terms).Read(); });
    model.Parameters.Prune(model.CodeCount);
}

} // namespace

void ImportFullProfText(TRietveld& model, const std::string& text, Messenger& messenger) {
    TPcrTerms terms;
    ImportFullProfLines(model, text, terms, messenger);
    if (!model.Loaded) return;
    RunImport(model, messenger, [&] { CarryFullProfRefinement(model, terms); });
}

void ImportFullProf(TRietveld& model, const std::string& fileName, Messenger& messenger) {
    if (auto text = ReadImportFile(model, fileName, messenger, "Input file File does not exist"))
        ImportFullProfText(model, *text, messenger);
}

} // namespace koralix
