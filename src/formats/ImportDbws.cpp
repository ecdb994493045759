// DBWS input files: one histogram, every record in fixed columns.
#include "ImportSupport.h"
#include "LineSource.h"
#include "Messenger.h"
#include "ModelImport.h"
#include "PcrLines.h"
#include "TextHelpers.h"

#include <algorithm>

namespace koralix {

namespace {

class DbwsReader {
  public:
    DbwsReader(TRietveld& model, PcrLines& lines) : m_(model), in_(lines) {}
    void Read();

  private:
    float Real(std::string_view line, int first, int count = 8) {
        return ReadRealField(line, first, count);
    }
    void Code(std::string_view line, int first, TAddress address, int count = 8) {
        m_.Parameters.AddFree(address, ReadRealField(line, first, count));
    }
    THistogram& H() { return m_.Histogram(1); }

    void ReadJobLine();
    void ReadControls();
    void ReadBackgroundAndRegions();
    void ReadPhase(int p);
    void ReadAtom(int p, int a, TPhase& phase);

    TRietveld& m_;
    PcrLines& in_;
    int phases_ = 0;
    int background_ = 0;
};

void DbwsReader::Read() {
    m_.Title = std::string(in_.Raw());
    m_.RecordLabel.Set(2);
    ReadJobLine();
    m_.RecordLabel.Set(3);
    ReadControls();
    ReadBackgroundAndRegions();
    for (int p = 1; p <= phases_; ++p)
        ReadPhase(p);
    m_.Loaded = true;
}

void DbwsReader::ReadJobLine() {
    std::string_view line = in_.Raw();
    THistogram histogram;
    histogram.JobType = ReadIntField(line, 4, 1);
    const int profile = ReadIntField(line, 5, 4);
    histogram.Profile = profile == 4 || profile == 6 ? 2 : 4;
    phases_ = ReadIntField(line, 9, 4);
    background_ = ReadIntField(line, 13, 4);
    histogram.Background.Kind = background_;
    const int regions = ReadIntField(line, 17, 4);
    const int entries = ReadIntField(line, 21, 4);
    // Every phase, region and scattering entry needs lines of its own.
    if (phases_ < 0 || !in_.CanHold(phases_) || entries < 0 || !in_.CanHold(entries) ||
        !in_.CanHold(regions) || !in_.CanHold(background_))
        throw InputError("counts beyond the file");
    for (int r = 0; r < regions && r < MaxExcludedRegions; ++r)
        histogram.Excluded.AddRegion(0, 0);
    for (int e = 0; e < entries; ++e)
        histogram.Scatter.AddEntry();
    histogram.ExtraFlag = 0;
    histogram.Absorption = 0;
    m_.AppendHistogram(histogram);
    m_.RecordLabel.Advance();
}

void DbwsReader::ReadControls() {
    std::string_view line = in_.Raw();
    int32_t* flags[10] = {&m_.IOT,  &m_.IPL,  &m_.IPC,  &m_.MAT,  &m_.Control5,
                          &m_.LST1, &m_.LST2, &m_.LST3, &m_.IPL1, &m_.PlotFileType};
    for (int k = 0; k < 10; ++k)
        *flags[k] = ReadIntField(line, k + 1, 1);
    if (m_.IPC == 2) m_.IPC = 1;
    m_.Control5 = 1;

    THistogram& h = H();
    line = in_.Raw();
    h.Wave1 = Real(line, 1);
    h.Wave2 = Real(line, 9);
    h.Ratio = Real(line, 17);
    h.BaseWidth = Real(line, 33);
    h.Polarization = Real(line, 41);
    h.Extra18 = Real(line, 49);
    m_.AsymLimit = Real(line, 57);

    line = in_.Raw();
    m_.Cycles = ReadIntField(line, 1, 4);
    m_.Eps = Real(line, 5, 4);
    for (int k = 0; k < 4; ++k)
        m_.Relax[static_cast<size_t>(k)] = Real(line, 9 + 4 * k, 4);
    h.ThetaMin = Real(line, 25);
    h.ThetaStep = Real(line, 33);
    h.ThetaMax = Real(line, 41);

    ResetUncarriedControls(m_, h);
}

void DbwsReader::ReadBackgroundAndRegions() {
    THistogram& h = H();
    if (background_ > 1) {
        for (int k = 0; k < background_; ++k) {
            std::string_view line = in_.Raw();
            h.Background.AddPoint(Real(line, 1), Real(line, 9));
        }
        h.Background.Kind = BkgUserPoints;
    }
    for (int r = 0; r < h.Excluded.RegionCount(); ++r) {
        std::string_view line = in_.Raw();
        h.Excluded.SetRegion(r, Real(line, 1), Real(line, 9));
    }
    ReadScatteringBlock(in_, h);
    m_.CodeCount = ReadIntField(in_.Raw(), 1, 8);
    h.Zero = Real(in_.Raw(), 1);
    Code(in_.Raw(), 1, {1, 0, 0, 1});
    if (background_ < 1) {
        std::string_view line = in_.Raw();
        for (int k = 0; k < 6; ++k)
            h.Background.Coeff[static_cast<size_t>(k)] = Real(line, 1 + 9 * k, 9);
        line = in_.Raw();
        for (int k = 0; k < 6; ++k)
            Code(line, 1 + 9 * k, {1, 0, 0, k + 2}, 9);
    }
}

void DbwsReader::ReadPhase(int p) {
    TPhase phase;
    TSample sample = NewSample(1, p);
    sample.AnisoH = sample.AnisoK = sample.AnisoL = 0;
    phase.Name = std::string(FieldText(in_.Raw(), 1, 80));
    std::string_view line = in_.Raw();
    const int count = ReadIntField(line, 1, 4);
    if (count < 0 || !in_.CanHold(4LL * count)) throw InputError("atom count beyond the file");
    phase.CalcMethod = count == 0 ? 1 : 0;
    phase.Z = ReadIntField(line, 5, 4);
    if (phase.Z == 0) phase.Z = 1;
    sample.POH = Real(line, 13, 4);
    sample.POK = Real(line, 17, 4);
    sample.POL = Real(line, 21, 4);
    phase.SpaceGroup = FieldText(in_.Raw(), 1, 20);
    for (int a = 1; a <= count; ++a)
        ReadAtom(p, a, phase);

    line = in_.Raw();
    phase.Scale = Real(line, 1);
    phase.OverallB = Real(line, 9);
    line = in_.Raw();
    Code(line, 1, {0, p, 0, 1});
    Code(line, 9, {0, p, 0, 2});
    line = in_.Raw();
    sample.U = Real(line, 1);
    sample.V = Real(line, 9);
    sample.W = Real(line, 17);
    line = in_.Raw();
    for (int k = 0; k < 3; ++k)
        Code(line, 1 + 8 * k, {1, p, 0, 3 + k});
    line = in_.Raw();
    float* cell[6] = {&phase.A, &phase.B, &phase.C, &phase.Alpha, &phase.Beta, &phase.Gamma};
    for (int k = 0; k < 6; ++k)
        *cell[k] = Real(line, 1 + 8 * k);
    line = in_.Raw();
    for (int k = 0; k < 6; ++k)
        Code(line, 1 + 8 * k, {0, p, 0, 6 + k});
    line = in_.Raw();
    sample.PO = Real(line, 1);
    sample.Asym1 = Real(line, 17);
    line = in_.Raw();
    Code(line, 1, {1, p, 0, 12});
    Code(line, 17, {1, p, 0, 14});
    line = in_.Raw();
    sample.Gam0 = Real(line, 1);
    sample.Gam1 = Real(line, 9);
    sample.Gam2 = Real(line, 17);
    line = in_.Raw();
    for (int k = 0; k < 3; ++k)
        Code(line, 1 + 8 * k, {1, p, 0, 15 + k});
    for (int k = 0; k < 4; ++k)
        in_.Raw();
    sample.AbsorptionR = 0;
    sample.Extinction = 0;
    sample.Pore = sample.Rough = 0;
    m_.AppendPhase(phase);
    m_.AppendSample(sample);
}

void DbwsReader::ReadAtom(int p, int a, TPhase& phase) {
    TAtom atom;
    std::string_view line = in_.Raw();
    atom.Label = FieldText(line, 1, 4);
    atom.AtomType = FieldText(line, 5, 4);
    float* values[5] = {&atom.X, &atom.Y, &atom.Z, &atom.B, &atom.N};
    for (int k = 0; k < 5; ++k)
        *values[k] = Real(line, 17 + 8 * k);
    line = in_.Raw();
    for (int k = 0; k < 5; ++k)
        Code(line, 17 + 8 * k, {0, p, a, k + 1});
    line = in_.Raw();
    float* aniso[6] = {&atom.B11, &atom.B22, &atom.B33, &atom.B12, &atom.B13, &atom.B23};
    for (int k = 0; k < 6; ++k)
        *aniso[k] = Real(line, 1 + 8 * k);
    line = in_.Raw();
    for (int k = 0; k < 6; ++k)
        Code(line, 1 + 8 * k, {0, p, a, k + 6});
    phase.AddAtom(atom);
}

} // namespace

void ImportDbwsText(TRietveld& model, const std::string& text, Messenger& messenger) {
    model.Loaded = false;
    model.Clear();
    model.RecordLabel.Set(1);
    PcrLines lines(text, model.RecordLabel);
    RunImport(model, messenger, [&] { DbwsReader(model, lines).Read(); });
    model.Parameters.Prune(model.CodeCount);
}

void ImportDbws(TRietveld& model, const std::string& fileName, Messenger& messenger) {
    model.Loaded = false;
    if (auto text = ReadImportFile(model, fileName, messenger, "Input file File does not exist"))
        ImportDbwsText(model, *text, messenger);
}

} // namespace koralix
