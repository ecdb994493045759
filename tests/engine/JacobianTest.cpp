// The engine's derivatives against central differences of the calculated
// pattern, for every kind of parameter and every profile. Derivatives taken
// from the slopes of drawn peaks and those taken numerically (asymmetry, the
// Pearson VII exponent) are held to the same tolerance.
#include "EngineTestSupport.h"
#include "ParameterTable.h"

#include <gtest/gtest.h>

using namespace koralix;
using namespace koralix::engine;
using namespace koralix::engine::test;

namespace {

// Corundum as a calculated X-ray pattern over 20 to 90 degrees with one
// parameter of every kind refined.
TRietveld SmallModel(int profile) {
    TRietveld m = ReadModel(std::string(KORALIX_EXAMPLES) + "/corundum.inp");
    THistogram& h = m.Histograms[0];
    h.JobType = 2;
    h.Profile = profile;
    h.ThetaMin = 20;
    h.ThetaMax = 90;
    h.ThetaStep = 0.02f;
    h.Scatter.AddEntry();
    h.Scatter.Items[0].Name = "O";
    h.Scatter.Items[0].Coeff = {3.0485f, 13.2771f, 2.2868f,  5.7011f, 1.5463f,
                                0.3239f, 0.867f,   32.9089f, 0.2508f};
    TSample& s = m.Samples[0];
    s.Asym1 = profile == 6 ? 0.02f : 0.05f;
    s.Asym2 = profile == 6 ? 0.015f : 0;
    s.Gam0 = profile == 2 ? 1.8f : (profile == 3 || profile == 5 ? 0.02f : 0.4f);
    s.Gam1 = profile == 3 || profile == 5 ? 0.03f : 0.001f;
    s.PO = 1.1f;
    s.Extinction = 1;
    s.Uaniso = 0.002f;
    s.AnisoL = 1;
    s.AbsorptionR = 0.3f;
    m.Phases[0].OverallB = 0.2f;
    TAtom& al = m.Phases[0].Atoms[0];
    al.B11 = 0.004f;
    al.B22 = 0.004f;
    al.B12 = 0.002f;
    al.B33 = 0.0005f;
    m.Histograms[0].Displacement = 0.01f;
    m.AsymLimit = 60; // the Rietveld asymmetry of profiles 1 to 3 acts below it
    m.Parameters.Clear();
    const TAddress refined[] = {
        {1, 0, 0, ParamType::HistZero},
        {1, 0, 0, ParamType::HistBackground + 1},
        {1, 0, 0, ParamType::HistWave1},
        {1, 0, 0, ParamType::HistDisplacement},
        {0, 1, 0, ParamType::PhaseScale},
        {0, 1, 0, ParamType::PhaseOverallB},
        {0, 1, 0, ParamType::PhaseA},
        {0, 1, 0, ParamType::PhaseC},
        {0, 1, 1, ParamType::AtomZ},
        {0, 1, 2, ParamType::AtomX},
        {0, 1, 2, ParamType::AtomB},
        {0, 1, 1, ParamType::AtomN},
        {0, 1, 1, ParamType::AtomB11},
        {0, 1, 1, ParamType::AtomB33},
        {1, 1, 0, ParamType::SampleU},
        {1, 1, 0, ParamType::SampleV},
        {1, 1, 0, ParamType::SampleW},
        {1, 1, 0, ParamType::SampleGam0},
        {1, 1, 0, ParamType::SampleGam1},
        {1, 1, 0, ParamType::SampleAsym1},
        {1, 1, 0, ParamType::SamplePO},
        {1, 1, 0, ParamType::SampleExtinction},
        {1, 1, 0, ParamType::SampleUaniso},
        {1, 1, 0, ParamType::SampleAbsorption},
        {1, ScatterPhase, ParamType::ScatterFPrime, 1},
        {1, ScatterPhase, ParamType::ScatterFDoublePrime, 1},
    };
    int code = 0;
    for (const TAddress& a : refined)
        m.Parameters.AddFree(a, static_cast<float>(10 * ++code + 1));
    if (profile == 6) m.Parameters.AddFree({1, 1, 0, ParamType::SampleAsym2}, 10 * ++code + 1.0f);
    m.CodeCount = code;
    return m;
}

// The pattern with every field of variable v moved by `shift` times its multiplier.
std::vector<double> PatternShifted(TEngine& engine, const TVariable& v, double shift) {
    std::vector<double> start;
    for (const auto& [a, m] : v.Fields) {
        double value = 0, esd = 0;
        engine.GetParameter(a, value, esd);
        start.push_back(value);
        engine.SetParameter(a, value + m * shift);
    }
    std::vector<double> y = engine.Calculated(1);
    for (size_t f = 0; f < v.Fields.size(); ++f)
        engine.SetParameter(v.Fields[f].first, start[f]);
    return y;
}

// Every column of the engine's Jacobian of `model` against central differences.
void ExpectJacobianAgrees(const TRietveld& model) {
    TEngine engine;
    ASSERT_EQ(engine.StartModel(model, "", ""), 0);
    const Eigen::MatrixXd jacobian = engine.Jacobian();
    const auto& variables = engine.Variables();
    ASSERT_EQ(jacobian.cols(), static_cast<long>(variables.size()));
    for (size_t v = 0; v < variables.size(); ++v) {
        const TVariable& var = variables[v];
        const std::string label = engine.Model().LabelOf(TParameter(var.Fields.front().first, 10));
        double value = 0, esd = 0;
        engine.GetParameter(var.Fields.front().first, value, esd);
        const double step = 1e-6 * std::max(std::abs(value), 1e-2);
        const std::vector<double> plus = PatternShifted(engine, var, step);
        const std::vector<double> minus = PatternShifted(engine, var, -step);
        Eigen::VectorXd numeric(jacobian.rows());
        for (long i = 0; i < numeric.size(); ++i)
            numeric(i) = (plus[size_t(i)] - minus[size_t(i)]) / (2 * step);
        const double size = numeric.norm();
        ASSERT_GT(size, 0) << label << " engine " << jacobian.col(long(v)).norm();
        EXPECT_LT((jacobian.col(long(v)) - numeric).norm() / size, 2e-3) << label;
    }
}

class JacobianTest : public ::testing::TestWithParam<int> {};

TEST_P(JacobianTest, AgreesWithCentralDifferences) {
    const TRietveld model = SmallModel(GetParam());
    ExpectJacobianAgrees(model);
}

// The time-of-flight and energy-dispersive geometries and a Le Bail phase, as calculations.
struct TGeometryCase {
    const char* name;
    TRietveld (*make)();
};

class GeometryJacobianTest : public ::testing::TestWithParam<TGeometryCase> {};

TEST_P(GeometryJacobianTest, AgreesWithCentralDifferences) {
    TRietveld model = GetParam().make();
    if (!model.Histograms[0].IsCalculation()) model.Histograms[0].JobType += 1; // 4 to 5, 6 to 7
    model.Histograms[0].ThetaMax =
        model.Histograms[0].ThetaMin +
        (model.Histograms[0].ThetaMax - model.Histograms[0].ThetaMin) / 4;
    TSample& s = model.Samples[0];
    s.TofAlpha1 = 0.05f;
    if (model.Histograms[0].IsTof()) {
        // A Lorentzian FWHM of a few microseconds over the Gaussian's twelve or so.
        s.Gam0 = 3;
        s.Gam1 = 2;
        s.Gam2 = 1;
        for (int t : {koralix::ParamType::SampleGam0, koralix::ParamType::SampleGam1,
                      koralix::ParamType::SampleGam2})
            model.Parameters.AddFree({1, 1, 0, t}, 10.0f * float(++model.CodeCount) + 1);
        for (int t : {21, 24})
            model.Parameters.AddFree({1, 1, 0, t}, 10.0f * float(++model.CodeCount) + 1);
        model.Parameters.AddFree({1, 0, 0, 15}, 10.0f * float(++model.CodeCount) + 1); // DIFC
        model.Parameters.AddFree({1, 0, 0, 1}, 10.0f * float(++model.CodeCount) + 1);  // zero
    }
    ExpectJacobianAgrees(model);
}

// Corundum textured along a*, where the equivalents of a reflection lie at
// different angles to the axis: the preferred orientation of the
// representative alone, and averaged over the equivalents.
TRietveld TexturedCorundum(bool summed) {
    TRietveld m = SmallModel(4);
    m.IPREF = summed;
    m.Samples[0].POH = 1;
    m.Samples[0].POL = 0;
    return m;
}

class PreferredOrientationJacobianTest : public ::testing::TestWithParam<bool> {};

TEST_P(PreferredOrientationJacobianTest, AgreesWithCentralDifferences) {
    ExpectJacobianAgrees(TexturedCorundum(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Summation, PreferredOrientationJacobianTest, ::testing::Bool(),
                         [](const auto& info) {
                             return std::string(info.param ? "Summed" : "Representative");
                         });

// Corundum as a Le Bail phase: its extracted intensities held while the
// cell, profile and zero move.
TRietveld CorundumLeBail() {
    TRietveld m = SmallModel(4);
    m.Phases[0].CalcMethod = 1;
    std::vector<TAddress> dropped;
    for (const TParameter& f : m.Parameters.Free) {
        const TAddress a = f.Address();
        const bool intensity = KindOf(a) == KindAtom || KindOf(a) == KindScatter ||
                               a.Type == ParamType::PhaseOverallB ||
                               (KindOf(a) == KindSample && (a.Type == ParamType::SamplePO ||
                                                            a.Type == ParamType::SampleExtinction));
        if (intensity) dropped.push_back(a);
    }
    for (const TAddress& a : dropped)
        m.Parameters.SetRefined(a, false);
    return m;
}

INSTANTIATE_TEST_SUITE_P(Geometries, GeometryJacobianTest,
                         ::testing::Values(TGeometryCase{"TimeOfFlight", PbSO4TimeOfFlight},
                                           TGeometryCase{"EnergyDispersive", PbSO4EnergyDispersive},
                                           TGeometryCase{"LeBailPhase", CorundumLeBail}),
                         [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Profiles, JacobianTest, ::testing::Values(1, 2, 3, 4, 5, 6),
                         [](const auto& info) { return "Profile" + std::to_string(info.param); });

} // namespace
