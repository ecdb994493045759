// FullProf control-file import: both layouts by hand, and real files.
#include "Messenger.h"
#include "ModelImport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace koralix {
namespace {

TRietveld Import(const std::string& text, RecordingMessenger& messenger) {
    TRietveld model;
    ImportFullProfText(model, text, messenger);
    return model;
}

// The free layout as the records go, comments between them.
const char* FreeFile = R"(COMM free layout test
! job line
   1   6   1   0   1   0   1
   2   0   1   0   1   0   4   0   0   1   6
! wavelengths
 1.912000 1.912000  1.00000   70.000  9.0000  0.0000  0.0000  160.00
 15  0.10  1.00  1.00  1.00  1.00     10.0000   0.050000   155.4500
        0.00       10.00
      30    !Number of refined parameters
 -0.14406   81.0
   209.48   42.554   35.081  -35.872  -32.737   19.997
    21.00    31.00     0.00     0.00     0.00     0.00
 PbSO4
!
   2   0   0 0.0 1.0 0.0
P n m a
Pb     PB      0.18747  0.25000  0.16698  1.25990   0.50000
                171.00     0.00   181.00    41.00      0.00
O3     O       0.08116  0.02725  0.80847  1.21916   1.00000
                251.00   161.00    31.00    21.00      0.00
  1.409766       0.00000   0.00000
      11.00000     0.000     0.000
     0.152035    -0.477739     0.448106
       121.00       131.00       141.00
   8.477934   5.396462   6.957720  90.000000  90.000000  90.000000
   91.00000  101.00000  111.00000    0.00000    0.00000    0.00000
  1.10000  0.00000  0.03000
    61.00     0.00
)";

TEST(FullProfImport, FreeLayoutRecords) {
    RecordingMessenger messenger;
    TRietveld model = Import(FreeFile, messenger);
    ASSERT_TRUE(model.Loaded) << (messenger.messages.empty() ? "" : messenger.messages[0]);
    EXPECT_EQ(model.Title, "COMM free layout test");
    ASSERT_EQ(model.HistogramCount(), 1);
    const THistogram& h = model.Histogram(1);
    EXPECT_EQ(h.JobType, 1);
    EXPECT_EQ(h.Profile, 2);
    EXPECT_EQ(h.Absorption, 1);
    EXPECT_EQ(model.PlotFileType, 1); // 6 becomes 1
    EXPECT_EQ(model.Control5, 1);
    EXPECT_FLOAT_EQ(h.Wave1, 1.912f);
    EXPECT_FLOAT_EQ(h.BaseWidth, 7.0f); // at most 7
    EXPECT_FLOAT_EQ(model.AsymLimit, 160.0f);
    EXPECT_EQ(model.Cycles, 15);
    EXPECT_FLOAT_EQ(h.ThetaMax, 155.45f);
    EXPECT_FLOAT_EQ(h.Zero, -0.14406f);
    // The polynomial around Bkpos becomes the same function in the model's
    // terms (FullProfPolynomialBackground below).
    EXPECT_EQ(h.Background.Kind, BkgShiftedChebyI);
    EXPECT_EQ(model.CodeCount, 30);
    ASSERT_EQ(model.PhaseCount(), 1);
    const TPhase& p = model.Phase(1);
    EXPECT_EQ(p.Name, " PbSO4");
    EXPECT_EQ(p.SpaceGroup, "P n m a");
    ASSERT_EQ(p.AtomCount(), 2);
    EXPECT_EQ(p.Atoms[1].Label, "O3  ");
    EXPECT_FLOAT_EQ(p.Atoms[0].N, 0.5f);
    EXPECT_FLOAT_EQ(p.Atoms[1].Z, 0.80847f);
    EXPECT_FLOAT_EQ(p.A, 8.477934f);
    ASSERT_EQ(model.Samples.size(), 1u);
    EXPECT_FLOAT_EQ(model.Samples[0].POK, 1.0f);
    EXPECT_FLOAT_EQ(model.Samples[0].W, 0.448106f);
    EXPECT_FLOAT_EQ(model.Samples[0].PO, 1.1f);
    EXPECT_FLOAT_EQ(model.Samples[0].Asym1, 0.03f);
    // Codes: zero, two background terms, atoms, scale, profile, cell, PO.
    EXPECT_EQ(model.Parameters.CodeOf({1, 0, 0, 1}), 81.0f);
    EXPECT_EQ(model.Parameters.CodeOf({1, 0, 0, 3}), 31.0f);
    EXPECT_EQ(model.Parameters.CodeOf({0, 1, 2, 2}), 161.0f);
    EXPECT_EQ(model.Parameters.CodeOf({0, 1, 0, 1}), 11.0f);
    EXPECT_EQ(model.Parameters.CodeOf({1, 1, 0, 5}), 141.0f);
    EXPECT_EQ(model.Parameters.CodeOf({0, 1, 0, 8}), 111.0f);
    EXPECT_EQ(model.Parameters.CodeOf({1, 1, 0, 12}), 61.0f);
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// B0..B5 in powers of (2θ / 70 - 1) in the file; the model's series over
// the refined range 10..155.45 gives the same background everywhere.
TEST(FullProfImport, FullProfPolynomialBackground) {
    RecordingMessenger messenger;
    TRietveld model = Import(FreeFile, messenger);
    ASSERT_TRUE(model.Loaded);
    const TBackGround& b = model.Histogram(1).Background;
    ASSERT_EQ(b.Kind, BkgShiftedChebyI);
    const double fullprof[6] = {209.48, 42.554, 35.081, -35.872, -32.737, 19.997};
    for (double x : {10.0, 33.3, 70.0, 101.7, 155.45}) {
        SCOPED_TRACE(x);
        double expected = 0, power = 1;
        for (double c : fullprof) {
            expected += c * power;
            power *= x / 70 - 1;
        }
        const double u = 2 * (x - 10) / (155.45 - 10) - 1;
        double series = 0;
        for (size_t j = 0; j < 6; ++j)
            series += b.Coeff[j] * std::cos(double(j) * std::acos(std::clamp(u, -1.0, 1.0)));
        EXPECT_NEAR(series, expected, 1e-3);
    }
    // The codes stay on the coefficients the file refines.
    EXPECT_EQ(model.Parameters.CodeOf({1, 0, 0, 2}), 21.0f);
    EXPECT_EQ(model.Parameters.CodeOf({1, 0, 0, 3}), 31.0f);
}

struct PeakShapeCase {
    const char* name;
    int npr;
    int profile;
    float gam0, gam1, asym1;
    float gam0Code, gam1Code;
};

class FullProfPeakShapes : public ::testing::TestWithParam<PeakShapeCase> {};

// Npr with Shape1 (Eta0 or m), X and Y: the model's profile and its terms.
TEST_P(FullProfPeakShapes, BecomeTheModelsProfile) {
    const PeakShapeCase& c = GetParam();
    std::string text = Replaced(FreeFile, "   1   6   1   0   1   0   1",
                                "   1   " + std::to_string(c.npr) + "   1   0   1   0   1");
    text = Replaced(text, "  1.409766       0.00000   0.00000\n      11.00000     0.000     0.000",
                    "  1.409766       0.60000   0.00000\n      11.00000   191.000     0.000");
    text = Replaced(text, "0.448106\n       121.00       131.00       141.00",
                    "0.448106  0.11  0.02\n       121.00       131.00       141.00  201.0  221.0");
    RecordingMessenger messenger;
    TRietveld model = Import(text, messenger);
    ASSERT_TRUE(model.Loaded) << (messenger.messages.empty() ? "" : messenger.messages[0]);
    const TSample& s = model.Samples[0];
    EXPECT_EQ(model.Histogram(1).Profile, c.profile);
    EXPECT_FLOAT_EQ(s.Gam0, c.gam0);
    EXPECT_FLOAT_EQ(s.Gam1, c.gam1);
    EXPECT_FLOAT_EQ(s.Asym1, c.asym1);
    EXPECT_EQ(model.Parameters.CodeOf({1, 1, 0, 15}), c.gam0Code);
    EXPECT_EQ(model.Parameters.CodeOf({1, 1, 0, 16}), c.gam1Code);
    EXPECT_EQ(model.Parameters.CodeOf({1, 1, 0, 5}), 141.0f); // W as before
}

INSTANTIATE_TEST_SUITE_P(
    Npr, FullProfPeakShapes,
    ::testing::Values(
        // Lorentzian FWHM X tanθ + Y / cosθ; FullProf's asymmetry is not Howard's.
        PeakShapeCase{"ThompsonCoxHastings", 7, 5, 0.02f, 0.11f, 0, 221, 201},
        // Mixing Eta0 + X 2θ.
        PeakShapeCase{"PseudoVoigt", 5, 4, 0.6f, 0.11f, 0, 191, 201},
        // Exponent m; the single asymmetry term keeps the Rietveld form.
        PeakShapeCase{"PearsonVII", 6, 2, 0.6f, 0, 0.03f, 191, 0},
        PeakShapeCase{"Gaussian", 0, 4, 0, 0, 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// SyCos shifts every peak by SyCos cosθ: the model's sample displacement.
// A code the file shares between two terms ties them.
TEST(FullProfImport, DisplacementAndSharedCodes) {
    std::string text = Replaced(FreeFile, " -0.14406   81.0", " -0.14406   81.0  0.012  221.0");
    text = Replaced(text, "0.448106\n       121.00       131.00       141.00",
                    "0.448106  0.11  0.0\n       121.00       131.00       141.00  -122.0");
    text = Replaced(text, "   1   6   1   0   1   0   1", "   1   7   1   0   1   0   1");
    RecordingMessenger messenger;
    TRietveld model = Import(text, messenger);
    ASSERT_TRUE(model.Loaded) << (messenger.messages.empty() ? "" : messenger.messages[0]);
    const THistogram& h = model.Histogram(1);
    EXPECT_EQ(h.UseDisplacement, 1);
    EXPECT_FLOAT_EQ(h.Displacement, 0.012f);
    EXPECT_FLOAT_EQ(h.Zero, -0.14406f); // the same sense as here
    EXPECT_EQ(model.Parameters.CodeOf({1, 0, 0, 17}), 221.0f);
    bool tied = false;
    for (const TConstraint& c : model.Parameters.Constraints)
        if (c.Master.Address() == TAddress{1, 1, 0, 3} &&
            c.Dependent.Address() == TAddress{1, 1, 0, 16})
            tied = c.Dependent.Multiplier == -2.0f;
    EXPECT_TRUE(tied) << "X follows U times -2";
}

TEST(FullProfImport, FreeLayoutEndingEarlyIsAnError) {
    RecordingMessenger messenger;
    std::string text(FreeFile);
    text.resize(text.find("P n m a"));
    TRietveld model = Import(text, messenger);
    EXPECT_FALSE(model.Loaded);
    ASSERT_EQ(messenger.messages.size(), 1u);
    EXPECT_EQ(messenger.messages[0].rfind("An unindentified error in reading line ", 0), 0u);
}

TEST(FullProfImport, FixedLayoutRecords) {
    const std::string text = "fixed layout\n"
                             "   0   6   1   1   0   0\n"
                             "0 0 1 0 1 0 0 0 0 2 0\n"
                             "1.5406 1.5444 0.5 0 7 0.8 0 20\n"
                             "10 0.1 1 1 1 1 5 0.02 120\n"
                             "      10\n"
                             "  0.0100    11.00\n"
                             "Phase A\n"
                             "   0\n"
                             "F M 3 M\n"
                             "  0.5000          0.3000\n"
                             "   21.00            0.00\n"
                             "  0.0100 -0.0100  0.0200\n"
                             "    0.00    0.00   31.00\n"
                             "  5.4000  5.4000  5.4000 90.0000 90.0000 90.0000\n"
                             "   41.00   41.00   41.00    0.00    0.00    0.00\n"
                             "  1.0000          0.0500\n"
                             "    0.00             0.00\n"
                             "extra\n";
    RecordingMessenger messenger;
    TRietveld model = Import(text, messenger);
    ASSERT_TRUE(model.Loaded) << (messenger.messages.empty() ? "" : messenger.messages[0]);
    const THistogram& h = model.Histogram(1);
    EXPECT_EQ(h.Profile, 2);
    EXPECT_EQ(h.Background.Kind, 1); // count 1: no points, no coefficients
    EXPECT_EQ(model.PlotFileType, 1);
    EXPECT_FLOAT_EQ(h.Wave2, 1.5444f);
    EXPECT_FLOAT_EQ(h.ThetaStep, 0.02f);
    EXPECT_FLOAT_EQ(h.Zero, 0.01f);
    const TPhase& p = model.Phase(1);
    EXPECT_EQ(p.CalcMethod, 1); // no atoms: Le Bail
    EXPECT_EQ(p.SpaceGroup, "F M 3 M");
    EXPECT_FLOAT_EQ(p.Scale, 0.5f);
    EXPECT_FLOAT_EQ(p.OverallB, 0.3f);
    EXPECT_FLOAT_EQ(p.C, 5.4f);
    EXPECT_FLOAT_EQ(model.Samples[0].POL, 1.0f);
    EXPECT_FLOAT_EQ(model.Samples[0].Asym1, 0.05f);
    EXPECT_EQ(model.Parameters.CodeOf({0, 1, 0, 6}), 41.0f);
}

TEST(FullProfImport, FixedLayoutBackgroundCounts) {
    // Count 0 reads the coefficient and code lines; -1 also skips four lines
    // and -2 one, so the phase name is read from the right line every time.
    struct Case {
        int count;
        int skipped;
    } cases[] = {{0, 0}, {-1, 4}, {-2, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        std::string text =
            "title\n   0   0   1" + std::string(c.count < 0 ? "  " : "   ") +
            std::to_string(c.count) + "   0   0\n" +
            "0 0 0 0 0 0 0 0 0 0 0\n1.54 1.54 0 0 7 0 0 20\n1 0.1 1 1 1 1 5 0.02 "
            "120\n       0\n  0.0000     0.00\n" +
            "       1.0         2.0         3.0         4.0         5.0         6.0\n" +
            "       0.0         0.0         0.0         0.0         0.0         0.0\n";
        for (int k = 0; k < c.skipped; ++k)
            text += "skipped\n";
        text += "The phase\n   0\nP 1\n";
        RecordingMessenger messenger;
        TRietveld model = Import(text, messenger);
        ASSERT_TRUE(model.Loaded);
        EXPECT_EQ(model.Histogram(1).Background.Kind, c.count);
        EXPECT_FLOAT_EQ(model.Histogram(1).Background.Coeff[5], 6.0f);
        EXPECT_EQ(model.Phase(1).Name, "The phase");
        EXPECT_EQ(model.Phase(1).SpaceGroup, "P 1");
    }
}

TEST(FullProfImport, FixedLayoutIntegerBeyondRangeIsANumericError) {
    RecordingMessenger messenger;
    TRietveld model =
        Import("title\n   0   0   0   1   0   0\n0 0 3e18 0 0 0 0 0 0 0 0\n", messenger);
    EXPECT_FALSE(model.Loaded);
    ASSERT_EQ(messenger.messages.size(), 1u);
    EXPECT_EQ(messenger.messages[0], "Error reading a numeric value at line 3");
}

TEST(FullProfImport, MissingFile) {
    RecordingMessenger messenger;
    TRietveld model;
    ImportFullProf(model, "/nonexistent/x.pcr", messenger);
    ASSERT_EQ(messenger.messages.size(), 1u);
    EXPECT_EQ(messenger.messages[0], "Input file File does not exist");
}

struct RealPcr {
    const char* file;
    int job;
    std::vector<const char*> groups;
    std::vector<int> atoms;
    float a1, c1, beta1;
    float wave1;
    float thetaMax;
    int points;
};

TEST(FullProfImport, RealFiles) {
    const std::filesystem::path folder = std::filesystem::path(KORALIX_TESTDATA) / "fullprof_pcr";
    if (!std::filesystem::exists(folder)) GTEST_SKIP() << "no test data at " << folder;
    const std::vector<RealPcr> files = {
        {"arg_si_tof.pcr", 4, {"F d 3 m"}, {1}, 5.431343f, 5.431343f, 90, 7476.91016f, 29995.0f, 0},
        {"ce1.pcr", 0, {"F m 3 m"}, {2}, 5.412223f, 5.412223f, 90, 1.54056f, 143.0f, 0},
        {"cuf1k.pcr",
         1,
         {"P 21/n", "P -1"},
         {2, 1},
         4.596812f,
         3.294647f,
         96.418663f,
         1.9845f,
         137.55f,
         0},
        {"hobk_bas.pcr",
         1,
         {"I m m m", "I -1"},
         {5, 2},
         3.754163f,
         11.269387f,
         90,
         2.524f,
         89.81f,
         0},
        {"lbco.pcr", 1, {"P m -3 m"}, {4}, 3.8909f, 3.8909f, 90, 1.494f, 164.85f, 10},
        {"maghem.pcr",
         1,
         {"F d -3 m", "F -1", "R -3 c", "P -1"},
         {3, 6, 2, 4},
         8.407253f,
         8.407253f,
         90,
         1.8876f,
         159.7f,
         0},
        {"pbso4_d1a_easyscience.pcr",
         1,
         {"P n m a"},
         {5},
         8.477934f,
         6.95772f,
         90,
         1.912f,
         155.45f,
         8},
        {"pbso4_d1a_pycrysfml.pcr",
         1,
         {"P n m a"},
         {5},
         8.478356f,
         6.957969f,
         90,
         1.912f,
         155.45f,
         0},
    };
    for (const RealPcr& f : files) {
        SCOPED_TRACE(f.file);
        RecordingMessenger messenger;
        TRietveld model;
        ImportFullProf(model, (folder / f.file).string(), messenger);
        EXPECT_TRUE(model.Loaded);
        EXPECT_TRUE(messenger.messages.empty());
        ASSERT_EQ(model.HistogramCount(), 1);
        EXPECT_EQ(model.Histogram(1).JobType, f.job);
        EXPECT_FLOAT_EQ(model.Histogram(1).Wave1, f.wave1);
        EXPECT_FLOAT_EQ(model.Histogram(1).ThetaMax, f.thetaMax);
        EXPECT_EQ(model.Histogram(1).Background.PointCount(), f.points);
        ASSERT_EQ(model.PhaseCount(), static_cast<int>(f.groups.size()));
        EXPECT_EQ(model.Samples.size(), f.groups.size());
        for (int p = 1; p <= model.PhaseCount(); ++p) {
            EXPECT_EQ(model.Phase(p).SpaceGroup, f.groups[static_cast<size_t>(p - 1)]);
            EXPECT_EQ(model.Phase(p).AtomCount(), f.atoms[static_cast<size_t>(p - 1)]);
        }
        EXPECT_FLOAT_EQ(model.Phase(1).A, f.a1);
        EXPECT_FLOAT_EQ(model.Phase(1).C, f.c1);
        EXPECT_FLOAT_EQ(model.Phase(1).Beta, f.beta1);
        EXPECT_LE(model.Parameters.FreeCount(), model.CodeCount);
    }
}

// A time-of-flight control file (Npr 9, GSAS data, Fourier-cosine
// background): the calibration, widths and rates land in the terms of the
// time-of-flight profile, each with the code the file gives it.
TEST(FullProfImport, TimeOfFlightTermsAndCodes) {
    const std::filesystem::path pcr =
        std::filesystem::path(KORALIX_TESTDATA) / "fullprof_pcr" / "arg_si_tof.pcr";
    if (!std::filesystem::exists(pcr)) GTEST_SKIP() << "no test data at " << pcr;
    RecordingMessenger messenger;
    TRietveld model;
    ImportFullProf(model, pcr.string(), messenger);
    ASSERT_TRUE(model.Loaded);
    const THistogram& h = model.Histogram(1);
    EXPECT_EQ(h.JobType, 4);
    EXPECT_EQ(h.Profile, 7);
    EXPECT_EQ(model.DataFormat, 3) << "Ins 12 is GSAS data";
    EXPECT_FLOAT_EQ(h.Zero, -9.18824f);
    EXPECT_FLOAT_EQ(h.Wave1, 7476.91016f) << "DIFC is Dtt1";
    EXPECT_FLOAT_EQ(h.Wave2, -1.54f) << "DIFA is Dtt2";
    EXPECT_EQ(h.Background.Kind, BkgShiftedChebyI);
    EXPECT_FLOAT_EQ(h.Background.Coeff[0], 152.735f) << "the cosine series' level";
    for (size_t k = 1; k < h.Background.Coeff.size(); ++k)
        EXPECT_EQ(h.Background.Coeff[k], 0.0f) << k;
    const TSample& s = *model.FindSample(1, 1);
    struct Term {
        const char* name;
        float value, expected;
        int type;
        float code;
    };
    const Term terms[] = {
        {"U = Sig-0", s.U, 3.5542f, 3, 131},
        {"V = Sig-1", s.V, 33.0417f, 4, 91},
        {"W = Sig-2", s.W, 0, 5, 0},
        {"Gam0 = Gam-0", s.Gam0, 0, 15, 0},
        {"Gam1 = Gam-1", s.Gam1, 2.5435f, 16, 101},
        {"Gam2 = Gam-2", s.Gam2, 0, 17, 0},
        {"TofAlpha1 = alph0", s.TofAlpha1, 0, 21, 0},
        {"TofAlpha2 = alph1", s.TofAlpha2, 0.5971f, 22, 0},
        {"TofBeta1 = beta0", s.TofBeta1, 0.04221f, 23, 0},
        {"TofBeta2 = beta1", s.TofBeta2, 0.00946f, 24, 0},
        {"Asym1 (not alph0)", s.Asym1, 0, 14, 0},
    };
    for (const Term& t : terms) {
        EXPECT_FLOAT_EQ(t.value, t.expected) << t.name;
        EXPECT_EQ(model.Parameters.CodeOf({1, 1, 0, t.type}), t.code) << t.name;
    }
    EXPECT_EQ(model.Parameters.CodeOf({1, 0, 0, 1}), 141.0f) << "zero";
    EXPECT_EQ(model.Parameters.CodeOf({1, 0, 0, 2}), 21.0f) << "first background term";
    EXPECT_EQ(model.Parameters.CodeOf({1, 0, 0, 7}), 81.0f) << "sixth background term";
    EXPECT_EQ(model.Parameters.CodeOf({1, 0, 0, 8}), 121.0f) << "seventh, from the next lines";
    EXPECT_EQ(model.Background12, 1) << "a seventh term counts only among twelve";
    EXPECT_EQ(model.Parameters.CodeOf({1, 0, 0, 15}), 0.0f) << "DIFC fixed as in the file";
    EXPECT_EQ(model.Parameters.CodeOf({1, 0, 0, 17}), 0.0f) << "Dtt1 is no displacement";
    EXPECT_EQ(h.UseDisplacement, 0);
}

// A cosine series written with its first six coefficients only: the phase
// that follows is not taken for more coefficients.
TEST(FullProfImport, TimeOfFlightCosineSeriesOfSixTerms) {
    const std::filesystem::path pcr =
        std::filesystem::path(KORALIX_TESTDATA) / "fullprof_pcr" / "arg_si_tof.pcr";
    if (!std::filesystem::exists(pcr)) GTEST_SKIP() << "no test data at " << pcr;
    std::stringstream file;
    file << std::ifstream(pcr).rdbuf();
    std::string text = file.str();
    const size_t start = text.find("       8.738");
    const size_t end = text.find("!----", start);
    ASSERT_NE(start, std::string::npos);
    text.erase(start, end - start);
    for (const char* between : {"", "!\n"}) {
        SCOPED_TRACE(between);
        const std::string cut = Replaced(text, "!----", std::string(between) + "!----");
        RecordingMessenger messenger;
        TRietveld model = Import(cut, messenger);
        ASSERT_TRUE(model.Loaded) << (messenger.messages.empty() ? "" : messenger.messages[0]);
        EXPECT_EQ(model.Background12, 0);
        EXPECT_EQ(model.Parameters.CodeOf({1, 0, 0, 8}), 0.0f);
        EXPECT_EQ(model.Phase(1).Name, "Standard-Si");
        EXPECT_FLOAT_EQ(model.Phase(1).A, 5.431343f);
    }
}

} // namespace
} // namespace koralix
