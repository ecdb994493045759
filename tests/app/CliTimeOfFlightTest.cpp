// Real time-of-flight patterns through koralix-cli: the POWGEN LaB6 standard
// (NIST SRM 660b, bank 2) with the instrument's own calibration and profile
// terms from its GSAS instrument parameter file, and the GSAS silicon example
// (SEPD, CONST binning in microseconds) as its experiment file brings it.
#include "CliRun.h"
#include "InputFile.h"
#include "Messenger.h"
#include "Model.h"
#include "ParameterTable.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <vector>

namespace koralix::testing {
namespace {

// The engine refines a, b and c as three parameters: a cubic cell keeps its
// shape only when b and c are tied to a.
void TieCubicCell(TRietveld& m) {
    for (int length : {ParamType::PhaseB, ParamType::PhaseC}) {
        TParameter master, dependent;
        master.SetAddress({0, 1, 0, ParamType::PhaseA});
        dependent.SetAddress({0, 1, 0, length});
        dependent.Multiplier = 1;
        m.Parameters.AddConstraint(master, dependent);
    }
}

namespace fs = std::filesystem;

const fs::path TestData(KORALIX_TESTDATA);
const fs::path PowgenData = TestData / "powder_gsas" / "PG3_17541.gsa";
const fs::path SiliconExperiment = TestData / "gsas_exp" / "NEWSI.EXP";
const fs::path SiliconData = TestData / "reference" / "si_standard" / "si9737.gda";

double Value(const nlohmann::json& result, const std::string& label) {
    for (const auto& p : result["parameters"])
        if (p["label"] == label) return p["value"].get<double>();
    ADD_FAILURE() << "no parameter " << label;
    return 0;
}

// LaB6 in P m -3 m as a user enters it, the histogram as bank 2 of
// PGHR_60-2015A.prm gives it (ICONS and the 21 terms of TOF profile type 3,
// whose alp, bet-0, bet-1, sig-0..2 and gam-0..2 are this engine's TOF
// Alpha-2, Beta-1, Beta-2, U, V, W and Gam-0..2 without conversion), over
// 9 to 72 ms (d from 0.4 to 3.2 Angstrom).
TRietveld PowgenLanthanumHexaboride() {
    TRietveld m;
    m.Title = "LaB6 NIST 660b, POWGEN bank 2";
    m.Cycles = 20;
    m.Eps = 0.01f;
    m.Relax = {1, 1, 1, 1};
    m.Strategy = 2;
    m.DataFormat = 3; // GSAS
    m.AddHistogram();
    THistogram& h = m.Histograms[0];
    h.JobType = 4;
    h.Profile = 7;
    h.ThetaMin = 9000;
    h.ThetaMax = 72000;
    h.Wave1 = 22581.63f; // DIFC
    h.Wave2 = 0;         // DIFA
    h.Zero = 4.41f;
    h.Ratio = 0;
    h.BaseWidth = 10;
    h.Background.Kind = BkgShiftedChebyI;
    h.Background.Coeff = {300, 0, 0, 0, 0, 0};
    m.AddPhase();
    TPhase& p = m.Phases[0];
    p.Name = "LaB6";
    p.SpaceGroup = "P m -3 m";
    p.A = p.B = p.C = 4.1569f;
    p.Scale = 1;
    // La on 1a, B on 6f (x, 1/2, 1/2); N is the site's share of the 48 general positions.
    TAtom lanthanum, boron;
    lanthanum.Label = lanthanum.AtomType = "LA";
    lanthanum.B = 0.3f;
    lanthanum.N = 1.0f / 48;
    boron.Label = boron.AtomType = "B";
    boron.X = 0.1996f;
    boron.Y = boron.Z = 0.5f;
    boron.B = 0.4f;
    boron.N = 6.0f / 48;
    p.AddAtom(lanthanum);
    p.AddAtom(boron);
    TSample& s = m.Samples[0];
    s.TofAlpha1 = 0;
    s.TofAlpha2 = 0.25746f;
    s.TofBeta1 = 0.091563f;
    s.TofBeta2 = 0.017334f;
    s.U = 0;
    s.V = 10;
    s.W = 203.581f;
    s.Gam0 = 0;
    s.Gam1 = 10.651f;
    s.Gam2 = 0;
    s.Asym1 = 0;
    int code = 0;
    auto refine = [&](TAddress a) { m.Parameters.AddFree(a, static_cast<float>(10 * ++code + 1)); };
    for (int k = 0; k < 6; ++k)
        refine({1, 0, 0, ParamType::HistBackground + k});
    refine({0, 1, 0, ParamType::PhaseScale});
    refine({0, 1, 0, ParamType::PhaseA});
    TieCubicCell(m);
    // The Gaussian sig-2 refines; the Lorentzian gam-1 and the rise and decay
    // stay at the instrument's values: gam-1 and sig-2 together are too
    // correlated on one bank, and from the far-off starting scale the rates
    // run negative and take the cell into a false minimum.
    refine({1, 1, 0, ParamType::SampleW});
    refine({0, 1, 1, ParamType::AtomB});
    refine({0, 1, 2, ParamType::AtomB});
    refine({0, 1, 2, ParamType::AtomX});
    m.CodeCount = code;
    m.Loaded = true;
    return m;
}

using CliTimeOfFlight = ScratchFolder;

TEST_F(CliTimeOfFlight, PowgenLanthanumHexaborideRefinesToItsCell) {
    if (!fs::exists(PowgenData)) GTEST_SKIP() << "no test data at " << PowgenData;
    TRietveld model = PowgenLanthanumHexaboride();
    WriteInputFile(model, (dir_ / "lab6.inp").string());
    // The data file beside the model under the GSAS data name the engine looks for.
    fs::create_symlink(PowgenData, dir_ / "lab6.gs");
    const CliRun run = RunCli("refine " + Quoted(dir_ / "lab6.inp") + " --json --pattern " +
                              Quoted(dir_ / "lab6.pattern"));
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const nlohmann::json result = nlohmann::json::parse(run.out);
    EXPECT_EQ(result["status"], 0);
    EXPECT_TRUE(result["finished"].get<bool>());
    EXPECT_LT(result["histograms"][0]["Rwp"].get<double>(), 10.0);
    // NIST certifies a = 4.15689 Angstrom for SRM 660b; the boron position
    // of LaB6 is x = 0.1996 to 0.1998 in the literature.
    EXPECT_NEAR(Value(result, "P  1: a"), 4.15689, 5e-4);
    EXPECT_NEAR(Value(result, "P  1: x (   B)"), 0.1997, 1e-3);
    EXPECT_TRUE(fs::exists(dir_ / "lab6.out"));
}

struct PatternPoint {
    double X, Observed, Calculated;
};

struct Reflection {
    int H, K, L;
    double Position, D, Multiplicity, F2;
};

// The lines of a --pattern or --reflections file, each read by `read`.
template <typename Row, typename ReadRow>
std::vector<Row> ReadRows(const fs::path& file, ReadRow read) {
    std::vector<Row> rows;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        Row row;
        if (read(words, row)) rows.push_back(row);
    }
    return rows;
}

std::vector<PatternPoint> ReadPattern(const fs::path& file) {
    return ReadRows<PatternPoint>(file, [](std::istream& in, PatternPoint& p) {
        return static_cast<bool>(in >> p.X >> p.Observed >> p.Calculated);
    });
}

std::vector<Reflection> ReadReflections(const fs::path& file) {
    return ReadRows<Reflection>(file, [](std::istream& in, Reflection& r) {
        int phase = 0;
        return static_cast<bool>(in >> phase >> r.H >> r.K >> r.L >> r.Position >> r.D >>
                                 r.Multiplicity >> r.F2);
    });
}

// Index of the largest of `values` over the points whose x lies within
// `halfWidth` of `centre`.
size_t HighestNear(const std::vector<PatternPoint>& pattern, double centre, double halfWidth,
                   double PatternPoint::*value) {
    size_t best = pattern.size();
    for (size_t i = 0; i < pattern.size(); ++i)
        if (std::abs(pattern[i].X - centre) <= halfWidth &&
            (best == pattern.size() || pattern[i].*value > pattern[best].*value))
            best = i;
    return best;
}

using CliGsasTimeOfFlight = ScratchFolder;

// si9737.gda is "CONST 2000 5" in microseconds: the engine must see its
// points at 2000 + 5 i microseconds (within the experiment's 2.9875 to
// 29.4925 ms), where DIFC puts the silicon reflections, and not at the
// reader's BCOEF / 100.
TEST_F(CliGsasTimeOfFlight, SiliconPeaksLieOnTheObservedMaxima) {
    if (!fs::exists(SiliconExperiment) || !fs::exists(SiliconData))
        GTEST_SKIP() << "no test data at " << SiliconExperiment << " or " << SiliconData;
    fs::create_symlink(SiliconExperiment, dir_ / "NEWSI.EXP");
    fs::create_symlink(SiliconData, dir_ / "si9737.gda");
    const CliRun run = RunCli("refine " + Quoted(dir_ / "NEWSI.EXP") + " --cycles 0 --pattern " +
                                  Quoted(dir_ / "si.pattern") + " --reflections " +
                                  Quoted(dir_ / "si.reflections"),
                              true);
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const std::vector<PatternPoint> pattern = ReadPattern(dir_ / "si.pattern");
    ASSERT_GT(pattern.size(), 5000u);
    EXPECT_DOUBLE_EQ(pattern.front().X, 2990);
    EXPECT_DOUBLE_EQ(pattern[1].X, 2995);
    EXPECT_DOUBLE_EQ(pattern.back().X, 29490);

    std::vector<Reflection> reflections = ReadReflections(dir_ / "si.reflections");
    ASSERT_GT(reflections.size(), 10u);
    // TOF intensities grow as d^4: the strongest reflections by that measure.
    const auto strength = [](const Reflection& r) {
        return r.Multiplicity * r.F2 * std::pow(r.D, 4);
    };
    std::sort(reflections.begin(), reflections.end(),
              [&](const Reflection& a, const Reflection& b) { return strength(a) > strength(b); });
    const double bin = 5, window = 12 * bin;
    for (size_t k = 0; k < 6; ++k) {
        const Reflection& r = reflections[k];
        SCOPED_TRACE("(" + std::to_string(r.H) + " " + std::to_string(r.K) + " " +
                     std::to_string(r.L) + ") at " + std::to_string(r.Position));
        const size_t observed = HighestNear(pattern, r.Position, window, &PatternPoint::Observed);
        const size_t calculated =
            HighestNear(pattern, r.Position, window, &PatternPoint::Calculated);
        ASSERT_TRUE(observed >= 10 && observed + 10 < pattern.size());
        ASSERT_LT(calculated, pattern.size());
        EXPECT_NEAR(pattern[observed].X, r.Position, 2 * bin);
        EXPECT_NEAR(pattern[calculated].X, pattern[observed].X, 2 * bin);
        // A peak, not a point of noise, stands at the observed maximum.
        EXPECT_GT(pattern[observed].Observed,
                  3 * std::min(pattern[observed - 10].Observed, pattern[observed + 10].Observed));
    }
}

// NEWSI.EXP as imported, its rates fitted to its PAB3 table, with what the
// import leaves out: a background (GSAS TOF background functions are not
// carried over) and a cubic cell to refine. GSAS divides by the incident
// spectrum of a vanadium run, which is not in the experiment file and which
// this model cannot hold as a table; over 11 to 15.5 ms, around (3 1 1) and
// (2 2 0), a low-order background absorbs most of it.
TRietveld SiliconFromItsExperiment(const fs::path& inputFile) {
    RecordingMessenger messages;
    TRietveld m;
    ReadInputFile(m, inputFile.string(), messages);
    EXPECT_TRUE(messages.messages.empty());
    m.Cycles = 20;
    m.Eps = 0.01f;
    THistogram& h = m.Histograms[0];
    h.ThetaMin = 11000;
    h.ThetaMax = 15500;
    h.Background.Kind = BkgShiftedChebyI;
    h.Background.Coeff = {500, 0, 0, 0, 0, 0};
    m.Phases[0].Scale = 10;
    m.Parameters.Clear();
    int code = 0;
    auto refine = [&](TAddress a) { m.Parameters.AddFree(a, static_cast<float>(10 * ++code + 1)); };
    for (int k = 0; k < 3; ++k)
        refine({1, 0, 0, ParamType::HistBackground + k});
    refine({0, 1, 0, ParamType::PhaseScale});
    refine({0, 1, 0, ParamType::PhaseA});
    TieCubicCell(m);
    m.CodeCount = code;
    return m;
}

// Refined against the experiment's own calibration (DIFC 7464.48), the
// silicon cell comes out where GSAS put it with that DIFC, 5.44003 Angstrom
// (here 5.4386: the table's peak shift of about -3 microseconds is not in this
// model). The certified 5.4309 would need DIFC calibrated against a standard.
TEST_F(CliGsasTimeOfFlight, SiliconRefinesToItsCell) {
    if (!fs::exists(SiliconExperiment) || !fs::exists(SiliconData))
        GTEST_SKIP() << "no test data at " << SiliconExperiment << " or " << SiliconData;
    fs::create_symlink(SiliconExperiment, dir_ / "NEWSI.EXP");
    ASSERT_EQ(
        RunCli("convert " + Quoted(dir_ / "NEWSI.EXP") + " " + Quoted(dir_ / "si.inp")).exitCode,
        0);
    TRietveld model = SiliconFromItsExperiment(dir_ / "si.inp");
    WriteInputFile(model, (dir_ / "si.inp").string());
    fs::create_symlink(SiliconData, dir_ / "si.gs");
    const CliRun run = RunCli("refine " + Quoted(dir_ / "si.inp") + " --json");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const nlohmann::json result = nlohmann::json::parse(run.out);
    EXPECT_EQ(result["status"], 0);
    EXPECT_TRUE(result["finished"].get<bool>());
    EXPECT_LT(result["histograms"][0]["Rwp"].get<double>(), 30.0);
    EXPECT_NEAR(Value(result, "P  1: a"), 5.44003, 2e-3);
}

} // namespace
} // namespace koralix::testing
