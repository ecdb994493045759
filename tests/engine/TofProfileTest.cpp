// The time-of-flight peak's Lorentzian part: the exponential integral it
// rests on, the peak against a brute-force convolution, and finite values
// over the whole range of rates, widths and offsets a refinement can reach.
#include "EngineTestSupport.h"
#include "ExponentialIntegral.h"
#include "Profiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <fstream>
#include <numbers>
#include <sstream>
#include <vector>

using namespace koralix;
using namespace koralix::engine;
using Complex = std::complex<double>;

namespace {

constexpr double Pi = std::numbers::pi;

// exp(z) E1(z) on the real axis from the real exponential integral:
// E1(x) = -Ei(-x) for x > 0, and E1(-x + i0) = -Ei(x) - i pi.
Complex RealAxisReference(double x) {
    if (x > 0) return -std::exp(x) * std::expint(-x);
    return {-std::exp(x) * std::expint(-x), -Pi * std::exp(x)};
}

struct TRealCase {
    const char* name;
    double x;
};

class ScaledE1OnRealAxis : public ::testing::TestWithParam<TRealCase> {};

// Each form the function switches between (series, continued fraction,
// asymptotic expansion) meets the reference on its own stretch.
TEST_P(ScaledE1OnRealAxis, MatchesTheRealExponentialIntegral) {
    const double x = GetParam().x;
    const Complex value = ScaledE1({x, 0.0}), reference = RealAxisReference(x);
    EXPECT_NEAR(value.real(), reference.real(), 1e-12 * std::abs(reference));
    EXPECT_NEAR(value.imag(), reference.imag(), 1e-12 * std::abs(reference) + 1e-300);
    // A negative zero imaginary part is the same side of the cut.
    const Complex fromBelowZero = ScaledE1({x, -0.0});
    EXPECT_EQ(fromBelowZero.imag(), value.imag());
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ScaledE1OnRealAxis,
    ::testing::Values(TRealCase{"SmallPositive", 0.01}, TRealCase{"UnitPositive", 1},
                      TRealCase{"BeyondTheSeries", 7}, TRealCase{"LargePositive", 60},
                      TRealCase{"SmallNegative", -0.01}, TRealCase{"UnitNegative", -1},
                      TRealCase{"NegativeSeries", -25}, TRealCase{"NegativeAsymptotic", -60},
                      TRealCase{"FarNegative", -700}),
    [](const auto& info) { return std::string(info.param.name); });

// Where the function changes form it does not jump: just inside and just
// outside each border the values agree.
TEST(ScaledE1, IsContinuousWhereItsFormChanges) {
    const Complex borders[] = {std::polar(4.0, 0.1),        std::polar(4.0, 1.5),
                               std::polar(4.0, 2.3),        std::polar(40.0, 2.9),
                               std::polar(40.0, 3.1),       std::polar(10.0, 0.75 * Pi),
                               std::polar(20.0, 0.75 * Pi), std::polar(60.0, 0.75 * Pi)};
    for (const Complex z : borders) {
        // Steps of 1e-13 move the value by about as much; the forms agree to 1e-11.
        const Complex in = ScaledE1(z * (1 - 1e-13)), out = ScaledE1(z * (1 + 1e-13));
        const Complex turnedIn = ScaledE1(z * std::polar(1.0, 1e-13));
        const Complex turnedOut = ScaledE1(z * std::polar(1.0, -1e-13));
        EXPECT_LT(std::abs(in - out), 1e-11 * std::abs(in)) << z;
        EXPECT_LT(std::abs(turnedIn - turnedOut), 1e-11 * std::abs(in)) << z;
    }
}

// The peak by direct numerical convolution of the back-to-back exponentials
// with a Gaussian and a Lorentzian of the same FWHM, mixed by eta.
double BruteForce(const TPeakShape& s, double delta) {
    const double n = s.Alpha * s.Beta / (s.Alpha + s.Beta);
    const double sigma = s.H / (2 * std::sqrt(2 * std::log(2.0))), gamma = s.H / 2;
    auto voigtLike = [&](double x) {
        const double g = std::exp(-x * x / (2 * sigma * sigma)) / (sigma * std::sqrt(2 * Pi));
        const double l = gamma / (Pi * (x * x + gamma * gamma));
        return (1 - s.Eta) * g + s.Eta * l;
    };
    // Simpson's rule on either side of the exponentials' kink at 0.
    auto simpson = [&](double from, double to, auto f) {
        const int steps = 2 * static_cast<int>(std::max(20000.0, 40 * std::abs(to - from) / s.H));
        const double h = (to - from) / steps;
        double sum = f(from) + f(to);
        for (int i = 1; i < steps; ++i)
            sum += (i % 2 ? 4 : 2) * f(from + i * h);
        return sum * h / 3;
    };
    const double rise = simpson(
        -45 / s.Alpha, 0.0, [&](double t) { return std::exp(s.Alpha * t) * voigtLike(delta - t); });
    const double decay = simpson(
        0.0, 45 / s.Beta, [&](double t) { return std::exp(-s.Beta * t) * voigtLike(delta - t); });
    return n * (rise + decay);
}

struct TConvolutionCase {
    const char* name;
    double h, eta, alpha, beta;
};

class TofConvolution : public ::testing::TestWithParam<TConvolutionCase> {};

TEST_P(TofConvolution, MatchesTheBruteForceConvolution) {
    const TConvolutionCase& c = GetParam();
    TPeakShape s;
    s.Profile = 7;
    s.H = c.h;
    s.Eta = c.eta;
    s.Alpha = c.alpha;
    s.Beta = c.beta;
    std::vector<double> delta;
    for (double f : {-30.0, -8.0, -3.0, -1.0, -0.4, 0.0, 0.3, 1.0, 2.5, 6.0, 20.0, 60.0})
        delta.push_back(f * c.h);
    std::vector<double> value(delta.size(), 0.0);
    AddProfile(s, delta.data(), static_cast<int>(delta.size()), 1.0, value.data());
    double top = 0;
    for (double v : value)
        top = std::max(top, v);
    for (size_t i = 0; i < delta.size(); ++i)
        EXPECT_NEAR(value[i], BruteForce(s, delta[i]), 1e-6 * top) << "offset " << delta[i];
}

INSTANTIATE_TEST_SUITE_P(Widths, TofConvolution,
                         ::testing::Values(TConvolutionCase{"NarrowAgainstTheRise", 0.5, 0.6, 0.6,
                                                            0.03},
                                           TConvolutionCase{"Typical", 12, 0.5, 0.6, 0.03},
                                           TConvolutionCase{"WideAgainstBoth", 80, 0.3, 1.5, 0.2},
                                           TConvolutionCase{"PureLorentzian", 6, 1, 0.2, 0.05},
                                           TConvolutionCase{"FastDecay", 3, 0.7, 0.05, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

// Unit area with the Lorentzian part: the area within +-R plus the
// Lorentzian's share beyond it, eta (2/pi) (gamma / R) to first order.
TEST(TofProfile, HasUnitAreaWithItsLorentzianTails) {
    TPeakShape s;
    s.Profile = 7;
    s.H = 8;
    s.Eta = 0.6;
    s.Alpha = 0.4;
    s.Beta = 0.05;
    const double reach = 3000 * s.H, step = s.H / 50;
    std::vector<double> delta;
    for (double d = -reach; d <= reach; d += step)
        delta.push_back(d);
    std::vector<double> value(delta.size(), 0.0);
    AddProfile(s, delta.data(), static_cast<int>(delta.size()), 1.0, value.data());
    double area = 0;
    for (double v : value)
        area += v * step;
    area += s.Eta * 2 / Pi * (s.H / 2) / reach;
    EXPECT_NEAR(area, 1.0, 1e-4);
}

// Rates, widths and offsets from far below to far above anything measured:
// every value and slope finite and no value below zero.
TEST(TofProfile, StaysFiniteOverTheWholeRange) {
    std::vector<double> delta;
    for (double d = 1e-4; d < 1e6; d *= 1.7) {
        delta.push_back(d);
        delta.push_back(-d);
    }
    delta.push_back(0);
    const size_t n = delta.size();
    std::vector<double> value(n), dDelta(n), dWidth(n), dEta(n), dAngle(n);
    int failures = 0;
    for (double alpha : {1e-3, 0.05, 1.0, 30.0})
        for (double beta : {1e-3, 0.03, 1.0, 30.0})
            for (double h : {1e-3, 0.3, 10.0, 2000.0})
                for (double eta : {0.0, 0.4, 1.0}) {
                    TPeakShape s;
                    s.Profile = 7;
                    s.H = h;
                    s.Eta = eta;
                    s.Alpha = alpha;
                    s.Beta = beta;
                    ProfileWithSlopes(
                        s, delta.data(), static_cast<int>(n),
                        {value.data(), dDelta.data(), dWidth.data(), dEta.data(), dAngle.data()});
                    for (size_t i = 0; i < n && failures < 10; ++i) {
                        const bool finite = std::isfinite(value[i]) && std::isfinite(dDelta[i]) &&
                                            std::isfinite(dWidth[i]) && std::isfinite(dEta[i]);
                        if (finite && value[i] >= -1e-12 * alpha) continue;
                        ++failures;
                        ADD_FAILURE()
                            << "alpha " << alpha << " beta " << beta << " H " << h << " eta " << eta
                            << " offset " << delta[i] << ": " << value[i] << " " << dDelta[i] << " "
                            << dWidth[i] << " " << dEta[i];
                    }
                }
}

// The listing states the forms a time-of-flight histogram is computed with,
// the Lorentzian width among them, under the histogram's line, and names its
// range and calibration as such rather than as angles and wavelengths.
TEST(TofProfile, ListingStatesTheForms) {
    test::TempFolder folder;
    TRietveld model = test::PbSO4TimeOfFlight();
    model.Histograms[0].JobType = 5; // calculated: no data needed
    TEngine engine;
    ASSERT_EQ(engine.StartModel(model, "", folder.File("run.out")), 0);
    engine.Close(false);
    std::ifstream in(folder.File("run.out"));
    std::stringstream text;
    text << in.rdbuf();
    const std::string listing = text.str();
    for (const char* form :
         {"T = Zero + DIFC d + DIFA d^2", "s^2 = U + V d^2 + W d^4",
          "Lorentzian FWHM g = Gam0 + Gam1 d + Gam2 d^2", "alpha = TofAlpha1 + TofAlpha2 / d",
          "beta = TofBeta1 + TofBeta2 / d^4", ", TOF (us) ", ", DIFC "})
        EXPECT_NE(listing.find(form), std::string::npos) << form << "\n" << listing;
}

} // namespace
