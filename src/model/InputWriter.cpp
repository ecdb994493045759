// The input-file writer. Its number forms are part of the file format: the
// engine reads what is written here. Every number is kept inside its columns
// (see FitNumber), so one wide value can never shift the rest of its line.
#include "InputFile.h"
#include "NumberFormat.h"
#include "SafeFile.h"
#include "TextHelpers.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>

namespace koralix {

namespace {

constexpr const char* EndOfLine = "\r\n";

class InputWriter {
  public:
    explicit InputWriter(TRietveld& model) : m_(model) {}
    std::string Write();

  private:
    void HistogramControls();
    void ControlFlags();
    void Instruments();
    void RangeAndControls();
    void OtherHistograms();
    void BackgroundPoints();
    void ExcludedRegions();
    void ScatteringEntries();
    void ZeroPoints();
    void Displacements();
    void BackgroundFunctions();
    void Phase(int p);
    void PhaseCodes(int p);

    std::string Code(TAddress address, int width = 8) const {
        return F(width, 3, codes_->CodeOf(address));
    }
    void EndLine() { out_ += EndOfLine; }
    int H() const { return m_.HistogramCount(); }
    int P() const { return m_.PhaseCount(); }
    int BackgroundCode(const THistogram& h) const {
        return h.Background.Kind == BkgUserPoints ? h.Background.PointCount() : h.Background.Kind;
    }

    TRietveld& m_;
    std::string out_;
    std::unique_ptr<TCodeTable> codes_;
};

// U, V, W and Uaniso: five decimals for small values, three for large ones.
std::string WidthValue(float value) {
    return F(8, std::fabs(value) <= 10 ? 5 : 3, value);
}

std::string InputWriter::Write() {
    if (H() == 0) throw std::runtime_error("the model has no histogram");
    m_.Parameters.Renumber();
    codes_ = std::make_unique<TCodeTable>(m_.Parameters);
    for (THistogram& h : m_.Histograms)
        if (h.Background.Kind == BkgUserPoints) h.Background.SortPoints();
    out_ = m_.Title.substr(0, 80);
    EndLine();
    HistogramControls();
    ControlFlags();
    Instruments();
    RangeAndControls();
    OtherHistograms();
    BackgroundPoints();
    ExcludedRegions();
    ScatteringEntries();
    out_ += I(8, m_.Parameters.FreeCount());
    EndLine();
    ZeroPoints();
    Displacements();
    BackgroundFunctions();
    for (int p = 1; p <= P(); ++p)
        Phase(p);
    return std::move(out_);
}

void InputWriter::HistogramControls() {
    for (int k = 1; k <= H(); ++k) {
        const THistogram& h = m_.Histogram(k);
        if (H() == 1)
            out_ += I(4, h.JobType);
        else if (k == 1)
            out_ += I(3, H() - 1) + I(1, h.JobType);
        else
            out_ += I(4, h.JobType);
        for (int value :
             {h.Profile, P(), BackgroundCode(h), h.Excluded.RegionCount(), h.Scatter.EntryCount(),
              h.ExtraFlag, h.Absorption, h.Illumination, h.UseDisplacement})
            out_ += I(4, value);
        if (H() == 1) out_ += I(4, 0) + I(4, m_.TrailingLines2);
        EndLine();
    }
}

void InputWriter::ControlFlags() {
    for (int flag :
         {m_.IOT, m_.IPL, m_.IPC, m_.MAT, m_.Control5, m_.LST1, m_.LST2, m_.LST3, m_.IPL1,
          m_.PlotFileType, m_.FourierFileType, m_.DataFormat, m_.LSync, m_.SeparateData,
          m_.RecycleLeBail, m_.Background12, m_.IPREF, m_.PrintU, m_.Strategy})
        out_ += I(1, flag);
    out_ += " " + F(8, 3, m_.Rmin) + F(8, 3, m_.Rmax) + F(8, 5, m_.Marquardt);
    EndLine();
}

void InputWriter::Instruments() {
    for (const THistogram& h : m_.Histograms) {
        out_ += G(7, 8, h.Wave1) + G(7, 8, h.Wave2) + F(8, 5, h.Ratio) + F(8, 2, h.Weighting) +
                F(8, 4, h.BaseWidth) + F(8, 4, h.Polarization) + F(8, 2, h.Extra18) +
                F(8, 4, m_.AsymLimit) + F(8, 4, m_.F2Limit) + F(8, 3, h.Background.Offset);
        EndLine();
        if (h.IsTof()) {
            for (float a : h.Spectrum.Coeff)
                out_ += G(4, 9, a);
            EndLine();
        }
    }
}

void InputWriter::RangeAndControls() {
    out_ += I(4, m_.Cycles) + F(4, 2, m_.Eps);
    for (float r : m_.Relax)
        out_ += F(4, 2, r);
    const int L = m_.LSync == 1 ? 1 : 0;
    const THistogram& first = m_.Histogram(1);
    for (float v : {first.ThetaMin, first.ThetaStep, first.ThetaMax})
        out_ += F(8 + 4 * L, 3 + 4 * L, v);
    out_ += Code({1, 0, 0, 15}) + Code({1, 0, 0, 16});
    EndLine();
}

void InputWriter::OtherHistograms() {
    for (int k = 2; k <= H(); ++k) {
        const THistogram& h = m_.Histogram(k);
        out_ += F(12, 6, h.ThetaMin) + " " + F(12, 6, h.ThetaStep) + " " + F(12, 6, h.ThetaMax) +
                F(12, 4, h.Scale) + " " + Code({k, 0, 0, 14}) + " " + Code({k, 0, 0, 15}) + " " +
                Code({k, 0, 0, 16});
        EndLine();
    }
}

void InputWriter::BackgroundPoints() {
    for (const THistogram& h : m_.Histograms) {
        if (h.Background.Kind != BkgUserPoints) continue;
        for (const TPair& point : h.Background.Points.Items) {
            out_ += X(6, 3, 8, point.X) + X(6, 3, 8, point.Y);
            EndLine();
        }
    }
}

void InputWriter::ExcludedRegions() {
    for (THistogram& h : m_.Histograms) {
        h.Excluded.Regions.Sort();
        for (const TPair& region : h.Excluded.Regions.Items) {
            out_ += X(6, 2, 8, region.X) + X(6, 2, 8, region.Y);
            EndLine();
        }
    }
}

void InputWriter::ScatteringEntries() {
    for (int k = 1; k <= H(); ++k) {
        THistogram& h = m_.Histogram(k);
        for (int e = 1; e <= h.Scatter.EntryCount(); ++e) {
            TScatterFactor& entry = h.Scatter.Items[static_cast<size_t>(e - 1)];
            if (entry.Name.size() < 4) {
                std::string name = entry.Name;
                name.resize(4, ' ');
                entry.Name = name;
            }
            out_ += RightAlign(entry.Name, 4) + F(8, 3, entry.FPrime) +
                    F(8, 3, entry.FDoublePrime) + Code({k, ScatterPhase, 1, e}) +
                    Code({k, ScatterPhase, 2, e});
            EndLine();
            if (!h.IsXrayCw()) continue;
            if (entry.Kind == 1) {
                entry.Table.Sort();
                for (const TPair& pair : entry.Table.Items) {
                    out_ += F(8, 4, pair.X) + F(9, 4, pair.Y);
                    EndLine();
                }
                // The end marker keeps its nine characters: it is read from columns 1-8.
                out_ += FormatReal(8, 4, -100.0) + F(8, 4, 0.0);
                EndLine();
            } else {
                // Each further coefficient is read from the last eight of its nine
                // columns: keep the first one blank.
                out_ += F(8, 4, entry.Coeff[0]);
                for (int c = 1; c < 9; ++c)
                    out_ += " " + F(8, 4, entry.Coeff[static_cast<size_t>(c)]);
                EndLine();
            }
        }
    }
}

void InputWriter::ZeroPoints() {
    for (int k = 1; k <= H(); ++k) {
        out_ += F(8, 3, m_.Histogram(k).Zero) + Code({k, 0, 0, 1});
        if (k % 5 == 0 || k == H()) EndLine();
    }
}

void InputWriter::Displacements() {
    for (int k = 1; k <= H(); ++k) {
        const THistogram& h = m_.Histogram(k);
        if (h.UseDisplacement != 1) continue;
        out_ += F(10, 6, h.Displacement) + Code({k, 0, 0, 17});
        EndLine();
    }
}

void InputWriter::BackgroundFunctions() {
    const int K = m_.Background12 == 1 ? 1 : 0;
    for (int k = 1; k <= H(); ++k) {
        const TBackGround& b = m_.Histogram(k).Background;
        if (b.Kind > 0) continue;
        if (b.Kind == BkgAutomatic) {
            // Both texts are wider than their columns; the reader still gets both
            // integers back, and the engine expects exactly this line.
            out_ += RightAlign(FormatWide(12, b.SmoothSteps), 12) +
                    RightAlign(FormatWide(12, b.SmoothCycles), 12);
            EndLine();
            continue;
        }
        const int count = 6 * (K + 1);
        for (int c = 0; c < count; ++c) {
            out_ += FitNumber(FormatWide(6, b.Coeff[static_cast<size_t>(c)]),
                              b.Coeff[static_cast<size_t>(c)], 12);
            if (c % 6 == 5) EndLine();
        }
        for (int c = 0; c < count; ++c) {
            out_ += Code({k, 0, 0, c + 2}, 12);
            if (c % 6 == 5) EndLine();
        }
    }
}

void InputWriter::Phase(int p) {
    TPhase& phase = m_.Phase(p);
    const bool leBail = phase.CalcMethod == 1;
    out_ += phase.Name;
    EndLine();
    for (int h = 1; h <= H(); ++h) {
        const TSample* s = m_.FindSample(h, p);
        const TSample defaults;
        if (!s) s = &defaults;
        out_ += I(4, leBail ? 0 : phase.AtomCount()) + "  " + I(4, phase.Z) + "  " +
                F(4, 1, s->POH) + F(4, 1, s->POK) + F(4, 1, s->POL) + "        " +
                F(4, 1, s->AnisoH) + F(4, 1, s->AnisoK) + F(4, 1, s->AnisoL);
        EndLine();
    }
    out_ += phase.SpaceGroup.str();
    EndLine();
    if (!leBail) {
        for (const TAtom& a : phase.Atoms) {
            out_ += RightAlign(a.Label, 4) + RightAlign(a.AtomType, 4) + "        ";
            for (float v : {a.X, a.Y, a.Z, a.B, a.N})
                out_ += F(8, 5, v);
            EndLine();
            for (float v : {a.B11, a.B22, a.B33, a.B12, a.B13, a.B23})
                out_ += F(8, 5, v);
            EndLine();
        }
    }
    out_ += S(7, 12, phase.Scale) + "    " + F(8, 4, phase.OverallB);
    EndLine();
    for (int h = 1; h <= H(); ++h) {
        const THistogram& histogram = m_.Histogram(h);
        TSample* found = m_.FindSample(h, p);
        TSample defaults;
        TSample& s = found ? *found : defaults;
        out_ += WidthValue(s.U) + WidthValue(s.V) + WidthValue(s.W) + WidthValue(s.Uaniso);
        EndLine();
        if (histogram.Profile == 7) {
            for (float v : {s.TofAlpha1, s.TofAlpha2, s.TofBeta1, s.TofBeta2})
                out_ += F(8, 4, v);
            EndLine();
        }
        if (h == 1) {
            for (float v : {phase.A, phase.B, phase.C, phase.Alpha, phase.Beta, phase.Gamma})
                out_ += F(8, 4, v);
            EndLine();
        }
        if (leBail) {
            s.PO = 1.0f;
            s.AbsorptionR = 0;
        }
        for (float v : {s.PO, s.AbsorptionR, s.Asym1, s.Asym2})
            out_ += F(8, 5, v);
        EndLine();
        const int gamDecimals = histogram.Profile == 7 ? 3 : 5;
        for (float v : {s.Gam0, s.Gam1, s.Gam2})
            out_ += F(8, gamDecimals, v);
        out_ += F(8, 5, s.Extinction);
        EndLine();
        if (histogram.Absorption == 1) {
            out_ += F(8, 5, s.Pore) + F(8, 5, s.Rough);
            EndLine();
        }
    }
    if (!m_.AllCalculation()) PhaseCodes(p);
}

void InputWriter::PhaseCodes(int p) {
    const TPhase& phase = m_.Phase(p);
    if (phase.CalcMethod == 0) {
        for (int a = 1; a <= phase.AtomCount(); ++a) {
            for (int t = 1; t <= 5; ++t)
                out_ += Code({0, p, a, t});
            EndLine();
            for (int t = 6; t <= 11; ++t)
                out_ += Code({0, p, a, t});
            EndLine();
        }
    }
    out_ += Code({0, p, 0, 1}) + "        " + Code({0, p, 0, 2});
    EndLine();
    for (int h = 1; h <= H(); ++h) {
        const THistogram& histogram = m_.Histogram(h);
        out_ += Code({h, p, 0, 3}) + Code({h, p, 0, 4}) + Code({h, p, 0, 5}) + Code({h, p, 0, 19});
        EndLine();
        if (histogram.Profile == 7) {
            for (int t = 21; t <= 24; ++t)
                out_ += Code({h, p, 0, t});
            EndLine();
        }
        if (h == 1) {
            for (int t = 6; t <= 11; ++t)
                out_ += Code({0, p, 0, t});
            EndLine();
        }
        out_ +=
            Code({h, p, 0, 12}) + Code({h, p, 0, 13}) + Code({h, p, 0, 14}) + Code({h, p, 0, 20});
        EndLine();
        for (int t = 15; t <= 18; ++t)
            out_ += Code({h, p, 0, t});
        EndLine();
        if (histogram.Absorption == 1) {
            out_ += Code({h, p, 0, 25}) + Code({h, p, 0, 26});
            EndLine();
        }
    }
}

} // namespace

std::string InputFileText(TRietveld& model) {
    return InputWriter(model).Write();
}

void WriteInputFile(TRietveld& model, const std::string& fileName) {
    std::string text;
    try {
        text = InputFileText(model);
    } catch (const std::exception& e) {
        throw std::runtime_error("Cannot write " + fileName + ": " + e.what());
    }
    WriteFileSafely(fileName, text);
}

} // namespace koralix
