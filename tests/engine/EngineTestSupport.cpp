#include "EngineTestSupport.h"

#include "NumberFormat.h"
#include "ParameterTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>

namespace koralix::engine::test {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    static int counter = 0;
    path_ = fs::temp_directory_path() /
            ("koralix_engine_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    fs::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

TRietveld ReadModel(const std::string& fileName) {
    TRietveld model;
    RecordingMessenger messages;
    ReadInputFile(model, fileName, messages);
    EXPECT_TRUE(model.Loaded) << fileName;
    return model;
}

void AddEmptyAtom(TRietveld& model) {
    TAtom ghost = model.Phases[0].Atoms[1];
    ghost.Label = "GH";
    ghost.X = 0.1f;
    ghost.Y = 0.2f;
    ghost.Z = 0.3f;
    ghost.N = 0;
    model.Phases[0].AddAtom(ghost);
}

void SimulateXy(const TRietveld& model, const std::string& stem, unsigned seed) {
    TRietveld calc = model;
    // Each data job type as its calculation: X-ray, neutron, TOF, energy dispersive.
    static constexpr int CalculationOf[] = {2, 3, 2, 3, 5, 5, 7, 7};
    for (auto& h : calc.Histograms)
        h.JobType = CalculationOf[std::clamp(h.JobType, 0, 7)];
    TEngine engine;
    ASSERT_EQ(engine.StartModel(calc, "", ""), 0);
    std::mt19937 random(seed);
    for (int h = 1; h <= calc.HistogramCount(); ++h) {
        const auto& x = engine.Data(h).X;
        const auto& y = engine.Calculated(h);
        std::string text = "Simulated pattern\n";
        for (size_t i = 0; i < x.size(); ++i) {
            std::poisson_distribution<long> counts(std::max(y[i], 1e-3));
            text += FixedText(x[i], 4) + " " + std::to_string(counts(random)) + "\n";
        }
        const std::string name = model.SeparateData ? stem + std::to_string(h) : stem;
        std::ofstream(name + ".xy", std::ios::binary) << text;
    }
}

int RunToEnd(TEngine& engine, int maxCycles) {
    for (int cycle = 1; cycle <= maxCycles; ++cycle) {
        bool finished = false;
        const int status = engine.Iterate(cycle, finished);
        EXPECT_EQ(status, 0) << "cycle " << cycle;
        if (status != 0 || finished) return cycle;
    }
    return maxCycles;
}

TRietveld PbSO4Neutron() {
    TRietveld m;
    m.Title = "PbSO4 simulated neutron";
    m.Cycles = 40;
    m.Eps = 0.1f;
    m.Relax = {1, 1, 1, 1};
    m.DataFormat = 5;
    m.AddHistogram();
    THistogram& h = m.Histograms[0];
    h.JobType = 1;
    h.Profile = 4;
    h.ThetaMin = 10;
    h.ThetaMax = 150;
    h.ThetaStep = 0.05f;
    h.Wave1 = h.Wave2 = 1.909f;
    h.Ratio = 0;
    h.BaseWidth = 10;
    h.Background.Kind = BkgPolynomial;
    h.Background.Coeff = {200, -0.5f, 0.002f, 0, 0, 0};
    m.AddPhase();
    TPhase& p = m.Phases[0];
    p.Name = "PbSO4";
    p.SpaceGroup = "P n m a";
    p.A = 8.478f;
    p.B = 5.396f;
    p.C = 6.957f;
    p.Scale = 0.5f;
    auto atom = [&](const char* label, const char* type, float x, float y, float z, float b,
                    float n) {
        TAtom a;
        a.Label = label;
        a.AtomType = type;
        a.X = x;
        a.Y = y;
        a.Z = z;
        a.B = b;
        a.N = n;
        p.AddAtom(a);
    };
    atom("PB  ", "PB  ", 0.1880f, 0.25f, 0.1670f, 1.4f, 0.5f);
    atom("S   ", "S   ", 0.0630f, 0.25f, 0.6840f, 0.5f, 0.5f);
    atom("O1  ", "O   ", 0.9080f, 0.25f, 0.5950f, 1.9f, 0.5f);
    atom("O2  ", "O   ", 0.1940f, 0.25f, 0.5430f, 1.5f, 0.5f);
    atom("O3  ", "O   ", 0.0810f, 0.0270f, 0.8090f, 1.3f, 1.0f);
    TSample& s = m.Samples[0];
    s.U = 0.15f;
    s.V = -0.35f;
    s.W = 0.30f;
    s.Gam0 = 0.2f;
    s.Asym1 = 0.02f;
    int code = 0;
    auto refine = [&](TAddress a) { m.Parameters.AddFree(a, static_cast<float>(10 * ++code + 1)); };
    refine({1, 0, 0, 1}); // zero
    for (int k = 2; k <= 4; ++k)
        refine({1, 0, 0, k}); // background
    refine({0, 1, 0, 1});     // scale
    for (int k = 6; k <= 8; ++k)
        refine({0, 1, 0, k}); // a, b, c
    const int free[5][3] = {{1, 3, 4}, {1, 3, 4}, {1, 3, 4}, {1, 3, 4}, {1, 2, 3}};
    for (int a = 1; a <= 5; ++a)
        for (int t : free[a - 1])
            refine({0, 1, a, t});
    refine({0, 1, 5, 4}); // B of O3
    for (int k = 3; k <= 5; ++k)
        refine({1, 1, 0, k}); // U V W
    refine({1, 1, 0, 15});    // Gam0
    m.CodeCount = code;
    m.Loaded = true;
    return m;
}

namespace {

// The model's refined parameters as the given addresses, renumbered.
void RefineOnly(TRietveld& m, const std::vector<TAddress>& addresses) {
    m.Parameters.Clear();
    int code = 0;
    for (const TAddress& a : addresses)
        m.Parameters.AddFree(a, static_cast<float>(10 * ++code + 1));
    m.CodeCount = code;
}

// PbSO4's atom parameters as the neutron model refines them.
std::vector<TAddress> PbSO4AtomParameters() {
    std::vector<TAddress> out;
    const int free[5][3] = {{1, 3, 4}, {1, 3, 4}, {1, 3, 4}, {1, 3, 4}, {1, 2, 3}};
    for (int a = 1; a <= 5; ++a)
        for (int t : free[a - 1])
            out.push_back({0, 1, a, t});
    out.push_back({0, 1, 5, 4});
    return out;
}

} // namespace

TRietveld PbSO4TimeOfFlight() {
    TRietveld m = PbSO4Neutron();
    m.Title = "PbSO4 simulated time of flight";
    // Rise, decay and width are strongly correlated: Marquardt's damping keeps
    // the first steps from overshooting.
    m.Strategy = 2;
    THistogram& h = m.Histograms[0];
    h.JobType = 4;
    h.Profile = 7;
    h.ThetaMin = 5000; // microseconds: d from 1.0 to 2.6 Angstrom
    h.ThetaMax = 13000;
    h.ThetaStep = 4;
    h.Wave1 = 5000;  // DIFC
    h.Wave2 = -1.5f; // DIFA
    h.Zero = 5;
    h.Background.Coeff = {300, -0.01f, 0, 0, 0, 0};
    m.Phases[0].Scale = 0.05f;
    TSample& s = m.Samples[0];
    s.U = 4;
    s.V = 30;
    s.W = 0;
    s.Gam0 = 0;
    s.Asym1 = 0;
    s.TofAlpha1 = 0;
    s.TofAlpha2 = 0.6f;
    s.TofBeta1 = 0.03f;
    s.TofBeta2 = 0.005f;
    std::vector<TAddress> refined = {{1, 0, 0, 2}, {1, 0, 0, 3}, {0, 1, 0, 1},
                                     {0, 1, 0, 6}, {0, 1, 0, 7}, {0, 1, 0, 8}};
    for (const TAddress& a : PbSO4AtomParameters())
        refined.push_back(a);
    for (int t : {3, 4, 22, 23})
        refined.push_back({1, 1, 0, t}); // U, V, alpha-2, beta-1
    RefineOnly(m, refined);
    return m;
}

TRietveld PbSO4EnergyDispersive() {
    TRietveld m = PbSO4Neutron();
    m.Title = "PbSO4 simulated energy dispersive";
    THistogram& h = m.Histograms[0];
    h.JobType = 6;
    h.Profile = 4;
    h.ThetaMin = 15; // keV: d from 4.7 to 0.9 Angstrom
    h.ThetaMax = 80;
    h.ThetaStep = 0.03f;
    h.Wave1 = 10; // the detector's 2-theta
    h.Wave2 = 0;
    h.Zero = 0.05f;
    h.Background.Coeff = {300, -2, 0.01f, 0, 0, 0};
    m.Phases[0].Scale = 2e-4f;
    TSample& s = m.Samples[0];
    s.U = 1e-5f;
    s.V = 0.001f;
    s.W = 0.02f;
    s.Gam0 = 0.02f;
    s.Gam1 = 0.001f;
    s.Asym1 = 0;
    std::vector<TAddress> refined = {{1, 0, 0, 1}, {1, 0, 0, 2}, {1, 0, 0, 3}, {1, 0, 0, 4},
                                     {0, 1, 0, 1}, {0, 1, 0, 6}, {0, 1, 0, 7}, {0, 1, 0, 8}};
    for (const TAddress& a : PbSO4AtomParameters())
        refined.push_back(a);
    for (int t : {4, 5, 15})
        refined.push_back({1, 1, 0, t}); // V, W, Gam0: U E^2 is fixed
    RefineOnly(m, refined);
    return m;
}

TRietveld PbSO4JointXrayNeutron() {
    TRietveld m = PbSO4Neutron();
    m.Title = "PbSO4 simulated neutron and X-ray";
    m.SeparateData = 1;
    m.AddHistogram();
    THistogram& x = m.Histograms[1];
    x.JobType = 0;
    x.Profile = 5;
    x.ThetaMin = 15;
    x.ThetaMax = 120;
    x.ThetaStep = 0.02f;
    x.Wave1 = 1.5406f;
    x.Wave2 = 1.5444f;
    x.Ratio = 0.5f;
    x.Polarization = 0.8f;
    x.Scale = 0.002f; // relative to histogram 1
    x.Background.Coeff = {300, -2, 0.01f, 0, 0, 0};
    TSample& s = *m.FindSample(2, 1);
    s.U = 0.004f;
    s.V = -0.002f;
    s.W = 0.003f;
    s.Gam0 = 0.02f;
    s.Gam1 = 0.03f;
    s.Asym1 = 0.05f;
    int code = m.CodeCount;
    auto refine = [&](TAddress a) { m.Parameters.AddFree(a, static_cast<float>(10 * ++code + 1)); };
    refine({2, 0, 0, 1}); // zero
    for (int k = 2; k <= 4; ++k)
        refine({2, 0, 0, k}); // background
    refine({2, 0, 0, 14});    // histogram scale
    for (int k = 3; k <= 5; ++k)
        refine({2, 1, 0, k}); // U V W
    refine({2, 1, 0, 15});    // Gam0
    m.CodeCount = code;
    return m;
}

TRietveld CorundumWithPbSO4(const std::string& corundumFile) {
    TRietveld m = ReadModel(corundumFile);
    m.Title = "Corundum with 20 % PbSO4";
    const TRietveld lead = PbSO4Neutron();
    m.AddPhase();
    TPhase& p = m.Phases[1];
    const TPhase& source = lead.Phases[0];
    p.Name = source.Name;
    p.SpaceGroup = source.SpaceGroup;
    p.A = source.A;
    p.B = source.B;
    p.C = source.C;
    p.Z = 4;
    p.Scale = 2e-4f;
    for (const TAtom& a : source.Atoms)
        p.AddAtom(a);
    TSample& s = *m.FindSample(1, 2);
    s = *m.FindSample(1, 1);
    s.Phase = 2;
    int code = m.CodeCount;
    auto refine = [&](TAddress a) { m.Parameters.AddFree(a, static_cast<float>(10 * ++code + 1)); };
    refine({0, 2, 0, 1}); // scale
    for (int k = 6; k <= 8; ++k)
        refine({0, 2, 0, k}); // a, b, c
    refine({0, 2, 1, 1});     // Pb x
    refine({0, 2, 1, 3});     // Pb z
    refine({1, 2, 0, 5});     // W
    m.CodeCount = code;
    return m;
}

void MakeLeBail(TRietveld& model, int p) {
    model.Phases[size_t(p - 1)].CalcMethod = 1;
    std::vector<TAddress> dropped;
    for (const TParameter& f : model.Parameters.Free) {
        const TAddress a = f.Address();
        if (a.Phase == p && (KindOf(a) == KindAtom ||
                             (KindOf(a) == KindPhase && (a.Type == ParamType::PhaseScale ||
                                                         a.Type == ParamType::PhaseOverallB))))
            dropped.push_back(a);
    }
    for (const TAddress& a : dropped)
        model.Parameters.SetRefined(a, false);
}

} // namespace koralix::engine::test
