// Peak shapes and backgrounds: properties a crystallographer relies on.
#include "Pattern.h"
#include "Profiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace koralix;
using namespace koralix::engine;

namespace {

struct TShapeCase {
    const char* name;
    int profile;
    double twoTheta, asym1, asym2;
    double gam0 = 0.3; // eta, or the Pearson VII exponent
    // Time of flight (profile 7): FWHM in microseconds, rise and decay.
    double h = 0, alpha = 0, beta = 0;
};

double Area(const TPeakShape& shape, double half, double step, double* centroid = nullptr) {
    std::vector<double> delta, y;
    for (double d = -half; d <= half; d += step)
        delta.push_back(d);
    y.assign(delta.size(), 0.0);
    AddProfile(shape, delta.data(), static_cast<int>(delta.size()), 1.0, y.data());
    double area = 0, moment = 0;
    for (size_t i = 0; i < y.size(); ++i) {
        area += y[i] * step;
        moment += y[i] * delta[i] * step;
    }
    if (centroid) *centroid = moment / area;
    return area;
}

TPeakShape ShapeOf(const TShapeCase& c) {
    TPeakShape shape = MakePeakShape(c.profile, c.twoTheta, 0.01, -0.005, 0.01, c.gam0, 0.01, 0);
    shape.Asym1 = c.asym1;
    shape.Asym2 = c.asym2;
    shape.Rietveld = c.profile <= 3;
    if (c.profile == 7) {
        shape.H = c.h;
        shape.Eta = c.gam0;
        shape.Alpha = c.alpha;
        shape.Beta = c.beta;
    }
    return shape;
}

class ProfileTest : public ::testing::TestWithParam<TShapeCase> {};

// Unit area, so that intensities are integrated intensities whatever the width.
TEST_P(ProfileTest, HasUnitArea) {
    TPeakShape shape = ShapeOf(GetParam());
    EXPECT_NEAR(Area(shape, 400 * shape.H, shape.H / 200), 1.0, 0.01) << "FWHM " << shape.H;
}

// The values at the offsets of a window of +-4 FWHM around the peak.
std::vector<double> Values(const TPeakShape& shape, const std::vector<double>& delta) {
    std::vector<double> y(delta.size(), 0.0);
    AddProfile(shape, delta.data(), static_cast<int>(delta.size()), 1.0, y.data());
    return y;
}

// The analytic slopes against central differences of the drawn values: the
// offset, the width, the mixing, and the asymmetry's angle at fixed offset.
TEST_P(ProfileTest, SlopesAgreeWithCentralDifferences) {
    TPeakShape shape = ShapeOf(GetParam());
    if (shape.Profile == 1) shape.Asym1 = 0.05; // Rietveld's factor, which moves with the angle
    std::vector<double> delta;
    for (double d = -4 * shape.H; d <= 4 * shape.H; d += shape.H / 37)
        delta.push_back(d);
    const size_t n = delta.size();
    std::vector<double> value(n), dDelta(n), dWidth(n), dEta(n), dAngle(n), dAlpha(n), dBeta(n);
    ProfileWithSlopes(shape, delta.data(), static_cast<int>(n),
                      {value.data(), dDelta.data(), dWidth.data(), dEta.data(), dAngle.data(),
                       dAlpha.data(), dBeta.data()});
    const std::vector<double> reference = Values(shape, delta);

    struct TChange {
        const char* name;
        const std::vector<double>& slope;
        double step;
        void (*apply)(TPeakShape&, std::vector<double>&, double);
    };
    const TChange changes[] = {
        {"offset", dDelta, 1e-5 * shape.H,
         [](TPeakShape&, std::vector<double>& d, double e) {
             for (double& x : d)
                 x += e;
         }},
        {"width", dWidth, 1e-5 * shape.H,
         [](TPeakShape& s, std::vector<double>&, double e) { s.H += e; }},
        {"mixing", dEta, 1e-5, [](TPeakShape& s, std::vector<double>&, double e) { s.Eta += e; }},
        {"angle", dAngle, 1e-4,
         [](TPeakShape& s, std::vector<double>&, double e) { s.TwoTheta += e; }},
        // Time of flight only; the other profiles leave these slopes at 0.
        {"rise", dAlpha, 1e-6, [](TPeakShape& s, std::vector<double>&, double e) { s.Alpha += e; }},
        {"decay", dBeta, 1e-7, [](TPeakShape& s, std::vector<double>&, double e) { s.Beta += e; }},
    };
    double peak = 0;
    for (size_t i = 0; i < n; ++i) {
        EXPECT_NEAR(value[i], reference[i], 1e-12 * std::abs(reference[i]) + 1e-15);
        peak = std::max(peak, reference[i]);
    }
    for (const TChange& change : changes) {
        TPeakShape plus = shape, minus = shape;
        std::vector<double> dPlus = delta, dMinus = delta;
        change.apply(plus, dPlus, change.step);
        change.apply(minus, dMinus, -change.step);
        const std::vector<double> up = Values(plus, dPlus), down = Values(minus, dMinus);
        double error = 0, size = 0;
        for (size_t i = 0; i < n; ++i) {
            const double numeric = (up[i] - down[i]) / (2 * change.step);
            error = std::max(error, std::abs(change.slope[i] - numeric));
            size = std::max(size, std::abs(numeric));
        }
        // Slopes that vanish (a symmetric peak's angle) must vanish here too.
        EXPECT_LE(error, 2e-3 * std::max(size, peak / shape.H)) << change.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ProfileTest,
    ::testing::Values(TShapeCase{"PseudoVoigt", 1, 40, 0, 0},
                      TShapeCase{"PearsonVII", 2, 40, 0, 0, 2.0}, TShapeCase{"Voigt", 3, 40, 0, 0},
                      TShapeCase{"PseudoVoigtHoward", 4, 15, 0.1, 0},
                      TShapeCase{"VoigtHoward", 5, 140, 0.1, 0},
                      TShapeCase{"Fcj", 6, 12, 0.02, 0.02},
                      TShapeCase{"FcjBackReflection", 6, 150, 0.02, 0.02},
                      TShapeCase{"TofGaussian", 7, 9000, 0, 0, 0, 12, 0.6, 0.03},
                      TShapeCase{"TofPseudoVoigt", 7, 9000, 0, 0, 0.5, 12, 0.6, 0.03},
                      TShapeCase{"TofSharpLorentzian", 7, 9000, 0, 0, 0.9, 1.5, 2, 0.4}),
    [](const auto& info) { return std::string(info.param.name); });

// Rietveld's asymmetry factor is odd in the offset: over the window a peak is
// drawn in it moves intensity to the low-angle side and keeps the area.
TEST(RietveldAsymmetry, KeepsTheAreaInsideThePeakWindow) {
    TPeakShape shape = MakePeakShape(1, 15, 0, 0, 0.01, 0.3, 0, 0);
    const double symmetric = Area(shape, 3.5 * shape.H, shape.H / 400);
    shape.Rietveld = true;
    shape.Asym1 = 0.05;
    double centroid = 0;
    EXPECT_NEAR(Area(shape, 3.5 * shape.H, shape.H / 400, &centroid), symmetric, 1e-3);
    EXPECT_LT(centroid, 0);
}

// The widths the peak-width window shows: FWHM sqrt(W) and eta Gam0 for
// U = V = 0, W = 0.01, Gam0 = 0.5; the TCH rule for the Voigt profiles.
TEST(PeakWidths, FollowThePeakWidthWindow) {
    const TPeakShape pv = MakePeakShape(1, 60, 0, 0, 0.01, 0.5, 0, 0);
    EXPECT_NEAR(pv.H, 0.1, 1e-12);
    EXPECT_NEAR(pv.Eta, 0.5, 1e-12);
    const TPeakShape pearson = MakePeakShape(2, 60, 0, 0, 0.01, 0.2, 0, 0);
    EXPECT_NEAR(pearson.M, 0.6, 1e-12);
    const TPeakShape gauss = MakePeakShape(3, 60, 0, 0, 0.01, 0, 0, 0);
    EXPECT_NEAR(gauss.H, 0.1, 1e-12);
    EXPECT_NEAR(gauss.Eta, 0, 1e-12);
    // Half maximum at half the FWHM for the symmetric pseudo-Voigt.
    EXPECT_NEAR(SymmetricProfile(pv, 0.05) / SymmetricProfile(pv, 0), 0.5, 1e-12);
}

// The window is BaseWidth FWHMs for real peaks; runaway widths (U = 708000
// gives an FWHM of hundreds of degrees) are bounded, so that one reflection
// never costs every point of the pattern.
TEST(PeakWindow, FollowsTheWidthUpToItsBound) {
    const TPeakShape narrow = MakePeakShape(1, 60, 0, 0, 0.01, 0.5, 0, 0);
    EXPECT_NEAR(HalfWindow(narrow, 7), 0.35, 1e-12);
    const TPeakShape broad = MakePeakShape(1, 150, 0.2, 0, 0.01, 0.5, 0, 0); // FWHM 1.7
    EXPECT_NEAR(HalfWindow(broad, 7), 3.5 * broad.H, 1e-12);
    const TPeakShape runaway = MakePeakShape(1, 150, 708000, 0, 0.01, 0.5, 0, 0);
    EXPECT_GT(runaway.H, 1000);
    EXPECT_EQ(HalfWindow(runaway, 7), 20);
    EXPECT_EQ(HalfWindow(runaway, 1e6), 20);
    // Room for the asymmetric tail comes on top of the bound, itself bounded.
    TPeakShape howard = runaway;
    howard.Profile = 4;
    howard.Asym1 = 100;
    EXPECT_LE(HalfWindow(howard, 7), 25);
}

// Axial divergence moves intensity to the low-angle side below 90 degrees and
// to the high-angle side above.
TEST(Asymmetry, ShiftsTheCentroidAwayFrom90Degrees) {
    for (int profile : {4, 6}) {
        SCOPED_TRACE(profile);
        for (double tth : {20.0, 160.0}) {
            TPeakShape shape = MakePeakShape(profile, tth, 0, 0, 0.01, 0.2, 0, 0);
            shape.Asym1 = profile == 6 ? 0.03 : 0.1;
            shape.Asym2 = 0.03;
            double centroid = 0;
            Area(shape, 40 * shape.H, shape.H / 200, &centroid);
            if (tth < 90)
                EXPECT_LT(centroid, -0.001);
            else
                EXPECT_GT(centroid, 0.001);
        }
    }
}

struct TBackgroundCase {
    const char* name;
    int kind;
    std::array<float, 12> coeff;
    double x, expected;
};

class BackgroundTest : public ::testing::TestWithParam<TBackgroundCase> {};

TEST_P(BackgroundTest, HasTheDocumentedForm) {
    const TBackgroundCase& c = GetParam();
    TRietveld model;
    model.Background12 = 0;
    THistogram hist;
    hist.Background.Kind = c.kind;
    hist.ThetaMin = 10;
    hist.ThetaMax = 110;
    hist.Background.Offset = c.kind == BkgPolynomial ? 10.0f : 0.0f;
    THistogramState state;
    state.Wave1 = 1.5406;
    for (size_t k = 0; k < 12; ++k)
        state.Background[k] = c.coeff[k];
    EXPECT_NEAR(CoefficientBackground(model, hist, THistogramData{}, state, c.x), c.expected, 1e-9);
}

const double Q60 = 4 * M_PI * std::sin(30 * M_PI / 180) / 1.5406;

INSTANTIATE_TEST_SUITE_P(
    Kinds, BackgroundTest,
    ::testing::Values(
        // B0 + B1 t + B2 t^2 + B-1 / t with t = 2theta - Offset (coefficient 6 is B-1).
        TBackgroundCase{
            "Polynomial", BkgPolynomial, {100, 2, 0.5f, 0, 0, 40}, 30, 100 + 40 + 200 + 2},
        // T0 + T1 u + T2 (2u^2 - 1) with u = (2theta - 90) / 90.
        TBackgroundCase{
            "ChebyshevI", BkgChebyI, {10, 4, 2}, 135, 10 + 4 * 0.5 + 2 * (2 * 0.25 - 1)},
        // Shifted: u over the histogram's range, 60 is its middle.
        TBackgroundCase{"ShiftedChebyshevII", BkgShiftedChebyII, {10, 4, 2}, 60, 10 + 0 + 2 * -1},
        // B0 + A sin(QR) / (QR).
        TBackgroundCase{
            "Amorphous", BkgAmorphous, {50, 20, 3}, 60, 50 + 20 * std::sin(Q60 * 3) / (Q60 * 3)}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
