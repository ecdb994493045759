// The input-file reader: record by record into the model.
#include "InputFile.h"
#include "LineSource.h"
#include "Messenger.h"
#include "ModelText.h"
#include "TextFile.h"
#include "TextHelpers.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>

namespace koralix {

namespace {

class InputReader {
  public:
    InputReader(TRietveld& model, LineSource& lines) : m_(model), in_(lines) {
        in_.OnFirstPastEnd([this] {
            if (endedIn_.empty()) endedIn_ = section_;
        });
    }
    ~InputReader() { in_.OnFirstPastEnd(nullptr); }
    InputReader(const InputReader&) = delete;
    InputReader& operator=(const InputReader&) = delete;
    void Read();
    // The part of the file being read when its lines ran out, if they did.
    const std::string& EndedIn() const { return endedIn_; }

  private:
    void ReadHistogramControls();
    void ReadControlFlags();
    void ReadInstruments();
    void ReadRangeAndControls();
    void ReadOtherHistograms();
    void ReadBackgroundPoints();
    void ReadExcludedRegions();
    void ReadScatteringEntries();
    void ReadFormFactor(TScatterFactor& entry);
    void ReadZeroPoints();
    void ReadDisplacements();
    void ReadBackgroundFunctions();
    void ReadPhase(int p);
    void ReadPhaseCodes(int p, int atomCount);

    void Code(std::string_view line, int first, int count, TAddress address) {
        m_.Parameters.AddFree(address, ReadRealField(line, first, count));
    }
    // The next line's 8-column reals, from column 1, into the fields given.
    std::string_view Reals(std::initializer_list<float*> fields) {
        std::string_view line = in_.Next();
        int column = 1;
        for (float* field : fields) {
            *field = ReadRealField(line, column, 8);
            column += 8;
        }
        return line;
    }
    // The next line's 8-column codes, from column 1, at the addresses given.
    void Codes(std::initializer_list<TAddress> addresses) {
        std::string_view line = in_.Next();
        int column = 1;
        for (const TAddress& address : addresses) {
            Code(line, column, 8, address);
            column += 8;
        }
    }
    int H() const { return m_.HistogramCount(); }

    TRietveld& m_;
    LineSource& in_;
    int phaseCount_ = 0;
    std::vector<int> pointCounts_; // user background points announced per histogram
    long long announcedEntries_ = 0;
    std::string section_;
    std::string endedIn_;
};

void InputReader::Read() {
    m_.RecordLabel.Set(1);
    section_ = "the title (record 1)";
    m_.Title = std::string(in_.Next());
    section_ = "the histogram records (record 2)";
    ReadHistogramControls();
    section_ = "the control flags (record 3)";
    ReadControlFlags();
    section_ = "the instrument records (record 4)";
    ReadInstruments();
    section_ = "the refinement controls (record 5)";
    ReadRangeAndControls();
    section_ = "the ranges of the other histograms";
    ReadOtherHistograms();
    section_ = "the background points";
    ReadBackgroundPoints();
    section_ = "the excluded regions";
    ReadExcludedRegions();
    section_ = "the scattering factors";
    ReadScatteringEntries();
    section_ = "the code count";
    m_.CodeCount = ReadIntField(in_.Next(), 1, 8);
    section_ = "the zero points";
    ReadZeroPoints();
    section_ = "the sample displacements";
    ReadDisplacements();
    section_ = "the background functions";
    ReadBackgroundFunctions();
    for (int p = 1; p <= phaseCount_; ++p) {
        section_ = "phase " + std::to_string(p);
        ReadPhase(p);
    }
    in_.Skip(m_.TrailingLines1);
    in_.Skip(m_.TrailingLines2);
    m_.Loaded = endedIn_.empty();
}

void InputReader::ReadHistogramControls() {
    m_.RecordLabel.Set(2);
    std::string_view line = in_.Next();
    const int count = ReadIntField(line, 1, 3) + 1;
    phaseCount_ = ReadIntField(line, 9, 4);
    for (int h = 1; h <= count; ++h) {
        if (h > 1) line = in_.Next();
        THistogram histogram;
        histogram.JobType = ReadIntField(line, 4, 1);
        histogram.Profile = ReadIntField(line, 5, 4);
        int background = ReadIntField(line, 13, 4);
        pointCounts_.push_back(background >= 2 ? background : 0);
        histogram.Background.Kind = background >= 2 ? BkgUserPoints : background;
        const int regions = ReadIntField(line, 17, 4);
        for (int r = 0; r < regions && r < MaxExcludedRegions; ++r)
            histogram.Excluded.AddRegion(0, 0);
        const int entries = ReadIntField(line, 21, 4);
        for (int e = 0; e < entries; ++e)
            histogram.Scatter.AddEntry();
        histogram.ExtraFlag = ReadIntField(line, 25, 4);
        histogram.Absorption = ReadIntField(line, 29, 4);
        histogram.Illumination = ReadIntField(line, 33, 4);
        histogram.UseDisplacement = ReadIntField(line, 37, 4);
        m_.TrailingLines1 = ReadIntField(line, 41, 4);
        m_.TrailingLines2 = ReadIntField(line, 45, 4);
        m_.AppendHistogram(std::move(histogram));
        m_.RecordLabel.Advance();
    }
}

void InputReader::ReadControlFlags() {
    m_.RecordLabel.Set(3);
    std::string_view line = in_.Next();
    int32_t* flags[19] = {&m_.IOT,
                          &m_.IPL,
                          &m_.IPC,
                          &m_.MAT,
                          &m_.Control5,
                          &m_.LST1,
                          &m_.LST2,
                          &m_.LST3,
                          &m_.IPL1,
                          &m_.PlotFileType,
                          &m_.FourierFileType,
                          &m_.DataFormat,
                          &m_.LSync,
                          &m_.SeparateData,
                          &m_.RecycleLeBail,
                          &m_.Background12,
                          &m_.IPREF,
                          &m_.PrintU,
                          &m_.Strategy};
    for (int k = 0; k < 19; ++k)
        *flags[k] = ReadIntField(line, k + 1, 1);
    // The engine always writes the refined model back when asked to; the flag
    // only gates the refinement window's Update option.
    m_.Control5 = 1;
    m_.Rmin = ReadRealField(line, 21, 8);
    m_.Rmax = ReadRealField(line, 29, 8);
    m_.Marquardt = ReadRealField(line, 37, 8);
}

void InputReader::ReadInstruments() {
    m_.RecordLabel.Set(4);
    for (int h = 1; h <= H(); ++h) {
        THistogram& histogram = m_.Histogram(h);
        std::string_view line = in_.Next();
        histogram.Wave1 = ReadRealField(line, 1, 8);
        histogram.Wave2 = ReadRealField(line, 9, 8);
        histogram.Ratio = ReadRealField(line, 17, 8);
        histogram.Weighting = ReadRealField(line, 25, 8);
        histogram.BaseWidth = ReadRealField(line, 33, 8);
        histogram.Polarization = ReadRealField(line, 41, 8);
        histogram.Extra18 = ReadRealField(line, 49, 8);
        if (h == 1) {
            m_.AsymLimit = ReadRealField(line, 57, 8);
            m_.F2Limit = ReadRealField(line, 65, 8);
        }
        histogram.Background.Offset = ReadRealField(line, 73, 8);
        m_.RecordLabel.Advance();
        if (histogram.IsTof()) {
            line = in_.Next();
            for (int k = 0; k < 9; ++k)
                histogram.Spectrum.Coeff[k] = ReadRealField(line, 9 * k + 1, 9);
            m_.RecordLabel.Advance();
        }
    }
}

void InputReader::ReadRangeAndControls() {
    m_.RecordLabel.Set(5);
    std::string_view line = in_.Next();
    m_.Cycles = ReadIntField(line, 1, 4);
    m_.Eps = ReadRealField(line, 5, 4);
    for (int k = 0; k < 4; ++k)
        m_.Relax[k] = ReadRealField(line, 9 + 4 * k, 4);
    const int L = m_.LSync;
    const int width = 8 + 4 * L;
    THistogram& first = m_.Histogram(1);
    first.ThetaMin = ReadRealField(line, 25, width);
    first.ThetaStep = ReadRealField(line, 25 + width, width);
    first.ThetaMax = ReadRealField(line, 25 + 2 * width, width);
    Code(line, 49 + 12 * L, 8, {1, 0, 0, 15});
    Code(line, 57 + 12 * L, 8, {1, 0, 0, 16});
}

void InputReader::ReadOtherHistograms() {
    for (int h = 2; h <= H(); ++h) {
        THistogram& histogram = m_.Histogram(h);
        histogram.ThetaMin = in_.NextFreeNumber();
        histogram.ThetaStep = in_.NextFreeNumber();
        histogram.ThetaMax = in_.NextFreeNumber();
        histogram.Scale = in_.NextFreeNumber();
        float scaleCode = in_.NextFreeNumber();
        float wave1Code = in_.NextFreeNumber();
        float wave2Code = in_.NextFreeNumber();
        in_.EndFreeLine();
        m_.Parameters.AddFree({h, 0, 0, 14}, scaleCode);
        m_.Parameters.AddFree({h, 0, 0, 15}, wave1Code);
        m_.Parameters.AddFree({h, 0, 0, 16}, wave2Code);
    }
    m_.Histogram(1).Scale = 1.0f;
}

void InputReader::ReadBackgroundPoints() {
    for (int h = 1; h <= H(); ++h) {
        for (int k = 0; k < pointCounts_[static_cast<size_t>(h - 1)]; ++k) {
            std::string_view line = in_.Next();
            m_.Histogram(h).Background.AddPoint(ReadRealField(line, 1, 8),
                                                ReadRealField(line, 9, 8));
        }
    }
}

void InputReader::ReadExcludedRegions() {
    for (int h = 1; h <= H(); ++h) {
        TExcluded& excluded = m_.Histogram(h).Excluded;
        for (int r = 0; r < excluded.RegionCount(); ++r) {
            std::string_view line = in_.Next();
            excluded.SetRegion(r, ReadRealField(line, 1, 8), ReadRealField(line, 9, 8));
        }
    }
}

void InputReader::ReadScatteringEntries() {
    for (int h = 1; h <= H(); ++h) {
        THistogram& histogram = m_.Histogram(h);
        for (int e = 1; e <= histogram.Scatter.EntryCount(); ++e) {
            TScatterFactor& entry = histogram.Scatter.Items[static_cast<size_t>(e - 1)];
            std::string_view line = in_.Next();
            entry.Name = FieldText(line, 1, 4);
            entry.FPrime = ReadRealField(line, 5, 8);
            entry.FDoublePrime = ReadRealField(line, 13, 8);
            Code(line, 21, 8, {h, ScatterPhase, 1, e});
            Code(line, 29, 8, {h, ScatterPhase, 2, e});
            entry.Kind = 0;
            if (histogram.IsXrayCw()) ReadFormFactor(entry);
        }
    }
}

void InputReader::ReadFormFactor(TScatterFactor& entry) {
    std::string_view line = in_.Next();
    if (ReadRealField(line, 19, 8) != 0) {
        entry.Coeff[0] = ReadRealField(line, 1, 8);
        for (int k = 2; k <= 9; ++k)
            entry.Coeff[k - 1] = ReadRealField(line, 9 * (k - 1) + 1, 8);
        return;
    }
    entry.Kind = 1;
    // The table's y values are written in columns 9-17; reading all nine keeps
    // their last decimal. A table cut off by the end of the file ends there.
    while (ReadRealField(line, 1, 8) != -100.0f) {
        entry.AddTablePair(ReadRealField(line, 1, 8), ReadRealField(line, 9, 9));
        if (in_.AtEnd()) return;
        line = in_.Next();
    }
}

void InputReader::ReadZeroPoints() {
    std::string_view line;
    for (int h = 1; h <= H(); ++h) {
        const int offset = 16 * ((h - 1) % 5);
        if (offset == 0) line = in_.Next();
        m_.Histogram(h).Zero = ReadRealField(line, offset + 1, 8);
        Code(line, offset + 9, 8, {h, 0, 0, 1});
    }
}

void InputReader::ReadDisplacements() {
    for (int h = 1; h <= H(); ++h) {
        THistogram& histogram = m_.Histogram(h);
        if (histogram.UseDisplacement != 1) continue;
        std::string_view line = in_.Next();
        histogram.Displacement = ReadRealField(line, 1, 10);
        Code(line, 11, 8, {h, 0, 0, 17});
    }
}

int32_t RoundToInt(float value) {
    double r = std::nearbyint(static_cast<double>(value));
    if (!(r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max()))
        throw NumericOverflow("value out of the integer range");
    return static_cast<int32_t>(r);
}

void InputReader::ReadBackgroundFunctions() {
    const int K = m_.Background12;
    for (int h = 1; h <= H(); ++h) {
        TBackGround& background = m_.Histogram(h).Background;
        if (background.Kind > 0) continue;
        if (background.Kind == BkgAutomatic) {
            std::string_view line = in_.Next();
            background.SmoothSteps = RoundToInt(ReadRealField(line, 1, 12));
            background.SmoothCycles = RoundToInt(ReadRealField(line, 13, 12));
            continue;
        }
        for (int j = 1; j <= K + 1; ++j) {
            std::string_view line = in_.Next();
            for (int k = 0; k < 6; ++k)
                background.Coeff.at(static_cast<size_t>(6 * (j - 1) + k)) =
                    ReadRealField(line, 12 * k + 1, 12);
        }
        for (int j = 1; j <= K + 1; ++j) {
            std::string_view line = in_.Next();
            for (int k = 0; k < 6; ++k)
                Code(line, 12 * k + 1, 12, {h, 0, 0, 6 * (j - 1) + k + 2});
        }
    }
}

void InputReader::ReadPhase(int p) {
    TPhase phase;
    phase.Name = std::string(FieldText(in_.Next(), 1, 80));
    int atomCount = 0;
    std::vector<size_t> samples; // indices into the model's samples, by histogram
    for (int h = 1; h <= H(); ++h) {
        std::string_view line = in_.Next();
        TSample sample;
        sample.Histogram = h;
        sample.Phase = p;
        if (h == 1) {
            atomCount = ReadIntField(line, 1, 4);
            phase.CalcMethod = atomCount == 0 ? 1 : 0;
            phase.Z = ReadIntField(line, 7, 4);
            if (phase.Z == 0) phase.Z = 1;
        }
        sample.POH = ReadRealField(line, 13, 4);
        sample.POK = ReadRealField(line, 17, 4);
        sample.POL = ReadRealField(line, 21, 4);
        sample.AnisoH = ReadRealField(line, 33, 4);
        sample.AnisoK = ReadRealField(line, 37, 4);
        sample.AnisoL = ReadRealField(line, 41, 4);
        m_.AppendSample(sample);
        samples.push_back(m_.Samples.size() - 1);
    }
    phase.SpaceGroup = FieldText(in_.Next(), 1, 20);
    for (int a = 1; a <= atomCount; ++a) {
        TAtom atom;
        std::string_view line = in_.Next();
        atom.Label = FieldText(line, 1, 4);
        atom.AtomType = FieldText(line, 5, 4);
        atom.X = ReadRealField(line, 17, 8);
        atom.Y = ReadRealField(line, 25, 8);
        atom.Z = ReadRealField(line, 33, 8);
        atom.B = ReadRealField(line, 41, 8);
        atom.N = ReadRealField(line, 49, 8);
        Reals({&atom.B11, &atom.B22, &atom.B33, &atom.B12, &atom.B13, &atom.B23});
        phase.AddAtom(atom);
    }
    std::string_view line = in_.Next();
    phase.Scale = ReadRealField(line, 1, 12);
    phase.OverallB = ReadRealField(line, 17, 8);
    for (int h = 1; h <= H(); ++h) {
        const THistogram& histogram = m_.Histogram(h);
        TSample& s = m_.Samples.at(samples[static_cast<size_t>(h - 1)]);
        Reals({&s.U, &s.V, &s.W, &s.Uaniso});
        if (histogram.Profile == 7) Reals({&s.TofAlpha1, &s.TofAlpha2, &s.TofBeta1, &s.TofBeta2});
        if (h == 1) Reals({&phase.A, &phase.B, &phase.C, &phase.Alpha, &phase.Beta, &phase.Gamma});
        Reals({&s.PO, &s.AbsorptionR, &s.Asym1, &s.Asym2});
        Reals({&s.Gam0, &s.Gam1, &s.Gam2, &s.Extinction});
        if (histogram.Absorption == 1) {
            Reals({&s.Pore, &s.Rough});
        } else {
            s.Pore = 0;
            s.Rough = 0;
        }
    }
    if (!m_.AllCalculation()) ReadPhaseCodes(p, atomCount);
    m_.AppendPhase(std::move(phase));
}

void InputReader::ReadPhaseCodes(int p, int atomCount) {
    for (int a = 1; a <= atomCount; ++a) {
        Codes({{0, p, a, 1}, {0, p, a, 2}, {0, p, a, 3}, {0, p, a, 4}, {0, p, a, 5}});
        Codes(
            {{0, p, a, 6}, {0, p, a, 7}, {0, p, a, 8}, {0, p, a, 9}, {0, p, a, 10}, {0, p, a, 11}});
    }
    std::string_view line = in_.Next();
    Code(line, 1, 12, {0, p, 0, 1});
    Code(line, 17, 8, {0, p, 0, 2});
    for (int h = 1; h <= H(); ++h) {
        const THistogram& histogram = m_.Histogram(h);
        Codes({{h, p, 0, 3}, {h, p, 0, 4}, {h, p, 0, 5}, {h, p, 0, 19}});
        if (histogram.Profile == 7)
            Codes({{h, p, 0, 21}, {h, p, 0, 22}, {h, p, 0, 23}, {h, p, 0, 24}});
        if (h == 1)
            Codes({{0, p, 0, 6},
                   {0, p, 0, 7},
                   {0, p, 0, 8},
                   {0, p, 0, 9},
                   {0, p, 0, 10},
                   {0, p, 0, 11}});
        Codes({{h, p, 0, 12}, {h, p, 0, 13}, {h, p, 0, 14}, {h, p, 0, 20}});
        Codes({{h, p, 0, 15}, {h, p, 0, 16}, {h, p, 0, 17}, {h, p, 0, 18}});
        if (histogram.Absorption == 1) Codes({{h, p, 0, 25}, {h, p, 0, 26}});
    }
}

// A file that ran out before the records its own counts announce holds a
// different model than it says; it reads as far as it goes, but not as complete.
void ReportEarlyEnd(const InputReader& reader, const LineSource& lines, const std::string& source,
                    Messenger& messenger) {
    if (reader.EndedIn().empty()) return;
    messenger.Message(source + " ends after line " + std::to_string(lines.LineCount()) + ", in " +
                      reader.EndedIn() + ", before the records it announces.");
}

void ReadWithHandler(TRietveld& model, LineSource& lines, Messenger& messenger,
                     const std::string& source) {
    try {
        InputReader reader(model, lines);
        reader.Read();
        ReportEarlyEnd(reader, lines, source, messenger);
        if (auto field = NonTextField(model))
            messenger.Message(source + ": " + *field + " holds bytes that are not text.");
    } catch (const InputError&) {
        messenger.Message("Error reading Inputfile at line " + model.RecordLabel.Text());
    } catch (const NumericOverflow&) {
        messenger.Message("Error reading a numeric value at line " + model.RecordLabel.Text());
    } catch (const std::exception&) {
        messenger.Message("An unindentified error in reading line " + model.RecordLabel.Text());
    }
    model.Parameters.Prune(model.CodeCount);
}

} // namespace

void ReadInputText(TRietveld& model, const std::string& text, Messenger& messenger) {
    model.Loaded = false;
    model.Clear();
    model.RecordLabel.Set(1);
    LineSource lines(text);
    ReadWithHandler(model, lines, messenger, "The input text");
}

void ReadInputFile(TRietveld& model, const std::string& fileName, Messenger& messenger) {
    model.Loaded = false;
    TextFileRead file = ReadTextFile(fileName);
    if (file.Missing) {
        messenger.Message("Input file File does not exist");
        return;
    }
    model.Clear();
    model.RecordLabel.Set(1);
    if (auto problem = TextFileProblem(fileName, file)) {
        messenger.Message(*problem);
        return;
    }
    LineSource lines(std::move(*file.Text));
    ReadWithHandler(model, lines, messenger, fileName);
}

} // namespace koralix
