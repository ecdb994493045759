// What an imported GSAS experiment carries over for refining: flags with the
// ties of cell and site symmetry, scales, profile terms, background, data file.
#include "GsasRefinement.h"
#include "Messenger.h"
#include "ModelImport.h"
#include "CoordinateFreedom.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>

namespace koralix {
namespace {

namespace fs = std::filesystem;

const fs::path GsasFolder = fs::path(KORALIX_TESTDATA) / "gsas_exp";

TRietveld ImportReal(const std::string& name) {
    RecordingMessenger messenger;
    TRietveld model;
    ImportGsasExperiment(model, (GsasFolder / name).string(), messenger);
    EXPECT_TRUE(messenger.messages.empty());
    return model;
}

struct Site {
    const char* name;
    const char* group;
    float x, y, z;
    const char* freedom; // free coordinates and what moves with them
};

std::string Describe(const std::vector<TCoordinateFreedom>& free) {
    const char axes[] = "xyz";
    std::string text;
    for (const TCoordinateFreedom& f : free) {
        if (!text.empty()) text += ", ";
        text += axes[f.Master];
        for (const auto& [c, m] : f.Tied) {
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, " %c=%g%c", axes[c], m, axes[f.Master]);
            text += buffer;
        }
    }
    return text;
}

class SiteFreedom : public ::testing::TestWithParam<Site> {};

TEST_P(SiteFreedom, OnlyWhatTheSiteSymmetryAllowsMoves) {
    const Site& s = GetParam();
    EXPECT_EQ(Describe(FreeCoordinates(s.group, s.x, s.y, s.z)), s.freedom);
}

INSTANTIATE_TEST_SUITE_P(
    Sites, SiteFreedom,
    ::testing::Values(Site{"general", "P N M A", 0.081f, 0.027f, 0.809f, "x, y, z"},
                      Site{"mirror", "P N M A", 0.187f, 0.25f, 0.167f, "x, z"},
                      Site{"inversion_centre", "P -1", 0.0f, 0.5f, 0.5f, ""},
                      Site{"cubic_diagonal", "F M -3 M", 0.3f, 0.3f, 0.3f, "x y=1x z=1x"},
                      Site{"hexagonal_x_2x", "P 63/M M C", 0.17f, 0.34f, 0.25f, "x y=2x"},
                      Site{"unknown_group", "Q 9", 0.1f, 0.2f, 0.3f, "x, y, z"}),
    [](const ::testing::TestParamInfo<Site>& info) { return std::string(info.param.name); });

bool Refined(const TRietveld& model, const TAddress& a) {
    return model.Parameters.IndexOfFree(a) >= 0 || model.Parameters.TakesPart(a);
}

TEST(GsasRefinement, LeadSulfateNeutronFlags) {
    if (!fs::exists(GsasFolder)) GTEST_SKIP() << "no test data at " << GsasFolder;
    const TRietveld model = ImportReal("PBSO4N.EXP");
    EXPECT_EQ(model.DataFormat, 3);
    struct Expect {
        TAddress address;
        bool refined;
    };
    const std::vector<Expect> expected = {
        {{0, 1, 0, 6}, true},  {{0, 1, 0, 7}, true},  {{0, 1, 0, 8}, true}, // cell
        {{0, 1, 0, 9}, false},                                             // orthorhombic angles
        {{0, 1, 1, 1}, true},  {{0, 1, 1, 2}, false}, {{0, 1, 1, 3}, true}, // Pb x, (y=1/4), z
        {{0, 1, 1, 4}, true},  {{0, 1, 1, 5}, false},                      // Pb B, no F flag
        {{0, 1, 5, 2}, true},                                              // O5 in general position
        {{1, 0, 0, 1}, true},                                              // zero
        {{0, 1, 0, 1}, true},                                              // scale (HSCALE Y)
        {{1, 1, 0, 3}, true},  {{1, 1, 0, 4}, true},  {{1, 1, 0, 5}, true}, // GU GV GW
        {{1, 1, 0, 14}, true},                                             // asymmetry
        {{1, 1, 0, 15}, false},                                            // LX not flagged
    };
    for (const Expect& e : expected) {
        SCOPED_TRACE(model.LabelOf(TParameter(e.address, 10)));
        EXPECT_EQ(Refined(model, e.address), e.refined);
    }
    const TSample& s = *model.FindSample(1, 1);
    const double toFwhm = 8 * std::numbers::ln2 / 1e4;
    EXPECT_NEAR(s.U, 232.295 * toFwhm, 1e-6);
    EXPECT_NEAR(s.V, -659.301 * toFwhm, 1e-6);
    EXPECT_NEAR(s.W, 754.334 * toFwhm, 1e-6);
    EXPECT_NEAR(s.Asym1, 0.294778, 1e-6);
    EXPECT_EQ(model.Histogram(1).Profile, 4); // no Lorentzian terms: Gaussian
    EXPECT_FLOAT_EQ(s.Gam0, 0);
}

TEST(GsasRefinement, BackgroundWithoutCounterpartBecomesPointsOnTheFunction) {
    if (!fs::exists(GsasFolder)) GTEST_SKIP() << "no test data at " << GsasFolder;
    const TRietveld model = ImportReal("PBSO4N.EXP");
    const TBackGround& b = model.Histogram(1).Background;
    ASSERT_EQ(b.Kind, BkgUserPoints);
    ASSERT_EQ(b.PointCount(), MaxBackgroundPoints);
    EXPECT_FLOAT_EQ(b.Points.X(0), 10.0f);
    EXPECT_FLOAT_EQ(b.Points.X(MaxBackgroundPoints - 1), 155.85f);
    // Function 6: B1 + B2 Q²/1! + B3 1!/Q² + B4 Q⁴/2! + B5 2!/Q⁴ + B6 Q⁶/3!.
    const double q = 4 * std::numbers::pi * std::sin(10.0 * std::numbers::pi / 360) / 1.909;
    const double q2 = q * q;
    const double expected = 231.840 - 4.97718 * q2 - 57.0163 / q2 + 0.777156 * q2 * q2 / 2 +
                            10.3864 * 2 / (q2 * q2) - 0.0374857 * q2 * q2 * q2 / 6;
    EXPECT_NEAR(b.Points.Y(0), expected, 1e-3 * expected);
}

TEST(GsasRefinement, LorentzianTermsChooseTheVoigtProfileAndChebyshevKeepsItsCoefficients) {
    if (!fs::exists(GsasFolder)) GTEST_SKIP() << "no test data at " << GsasFolder;
    const TRietveld model = ImportReal("GAPO4_XRAY_BAK.EXP");
    const THistogram& h = model.Histogram(1);
    EXPECT_EQ(h.Profile, 5);
    EXPECT_EQ(h.Background.Kind, BkgShiftedChebyI);
    EXPECT_EQ(model.Background12, 1); // eight terms
    EXPECT_NE(h.Background.Coeff[0], 0);
    EXPECT_TRUE(Refined(model, {1, 0, 0, 2}));
    EXPECT_TRUE(Refined(model, {1, 0, 0, 9}));
    EXPECT_FALSE(Refined(model, {1, 0, 0, 10}));
}

TEST(GsasRefinement, CellTiesFollowTheCrystalSystem) {
    if (!fs::exists(GsasFolder)) GTEST_SKIP() << "no test data at " << GsasFolder;
    const TRietveld garnet = ImportReal("GARNET.EXP"); // cubic: b and c follow a
    EXPECT_GE(garnet.Parameters.IndexOfFree({0, 1, 0, 6}), 0);
    EXPECT_GE(garnet.Parameters.IndexOfDependent({0, 1, 0, 7}), 0);
    EXPECT_GE(garnet.Parameters.IndexOfDependent({0, 1, 0, 8}), 0);
    const TRietveld fap = ImportReal("FAP.EXP"); // hexagonal: b follows a, c free
    EXPECT_GE(fap.Parameters.IndexOfDependent({0, 1, 0, 7}), 0);
    EXPECT_GE(fap.Parameters.IndexOfFree({0, 1, 0, 8}), 0);
    EXPECT_FALSE(Refined(fap, {0, 1, 0, 11}));
}

TEST(GsasRefinement, DataFileFoundBesideInAnyCase) {
    const fs::path folder = fs::temp_directory_path() / "koralix_gsas_data_beside";
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::ofstream(folder / "PBSO4_N.RAW") << "data\n";
    const std::string exp = (folder / "model.exp").string();
    EXPECT_EQ(FindBeside(exp, "..\\data\\pbso4_n.raw"), (folder / "PBSO4_N.RAW").string());
    EXPECT_EQ(FindBeside(exp, "C:/gsas/PBSO4_N.RAW"), (folder / "PBSO4_N.RAW").string());
    EXPECT_EQ(FindBeside(exp, "missing.raw"), "");
    EXPECT_EQ(FindBeside(exp, "..\\data\\"), "");
    std::ofstream(exp) << "HST  1  HFIL  ..\\data\\pbso4_n.raw\r\n";
    EXPECT_EQ(GsasDataFile(exp), (folder / "PBSO4_N.RAW").string());
    fs::remove_all(folder);
}

} // namespace
} // namespace koralix
