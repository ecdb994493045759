// GSAS experiment-file import: records placed in their columns by hand, and
// the real files of other programs.
#include "Messenger.h"
#include "ModelImport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

namespace koralix {
namespace {

// An 80-column record with each text written from its 1-based column on.
std::string Record(std::initializer_list<std::pair<int, std::string>> parts) {
    std::string line(80, ' ');
    for (const auto& [column, text] : parts)
        line.replace(static_cast<size_t>(column - 1), text.size(), text);
    return line;
}

TRietveld Import(const std::vector<std::string>& records, RecordingMessenger& messenger) {
    std::string text;
    for (const std::string& r : records)
        text += r + "\r\n";
    TRietveld model;
    ImportGsasExperimentText(model, text, messenger);
    return model;
}

TEST(GsasImport, CountsDefaultToOneHistogramAndOnePhase) {
    RecordingMessenger messenger;
    TRietveld model = Import({Record({{1, "     VERSION    6"}})}, messenger);
    EXPECT_TRUE(model.Loaded);
    EXPECT_EQ(model.HistogramCount(), 1);
    EXPECT_EQ(model.PhaseCount(), 1);
    EXPECT_EQ(model.Samples.size(), 1u);
    EXPECT_EQ(model.PrintU, 1);
    EXPECT_TRUE(messenger.messages.empty());
}

TEST(GsasImport, HapRecordsBeyondNhstAddHistograms) {
    RecordingMessenger messenger;
    TRietveld model =
        Import({Record({{1, " EXPR  NHST "}, {17, "2"}}), Record({{1, "CRS2    PNAM  second"}}),
                Record({{1, "HAP2 3SCALE "}, {13, "      2.5"}})},
               messenger);
    EXPECT_EQ(model.HistogramCount(), 3);
    EXPECT_EQ(model.PhaseCount(), 2);
    EXPECT_EQ(model.Samples.size(), 6u); // every phase has a sample on every histogram
    EXPECT_FLOAT_EQ(model.Phase(2).Scale, 2.5f);
}

TEST(GsasImport, HistogramTypesProfilesAndInstrument) {
    RecordingMessenger messenger;
    TRietveld model = Import(
        {Record({{1, " EXPR  NHST "}, {17, "3"}}), Record({{1, " EXPR  HTYP1  PNC  PNT"}}),
         Record({{1, "HAP1 1PRCF  "}, {17, "1"}}), Record({{1, "HAP1 2PRCF  "}, {17, "3"}}),
         Record({{1, "HAP1 3PRCF  "}, {17, "1"}}),
         Record({{1, "HAP1 1PRCF 1"},
                 {16, "0.200000E+03"},
                 {30, "-0.100000E+03"},
                 {46, "0.500000E+02"}}),
         Record({{1, "HAP1 2PRCF 1"},
                 {16, "0.100000E+00"},
                 {31, "0.200000E+00"},
                 {46, "0.300000E+00"},
                 {61, "0.400000E+00"}}),
         Record({{1, "HST  1 ICONS"}, {13, "  1.540500  1.544300    12.500"}, {53, "       0.5"}}),
         Record({{1, "HST  2 ICONS"}, {13, "   7464.48     -1.67     -3.12"}}),
         Record({{1, "HST  1 TRNGE  10.00000 159.97501"}}),
         Record({{1, "HST  1EXC  1   160.000  1000.000"}})},
        messenger);
    ASSERT_EQ(model.HistogramCount(), 3);
    const THistogram& cw = model.Histogram(1);
    EXPECT_EQ(cw.JobType, 1);
    EXPECT_EQ(cw.Profile, 1);
    EXPECT_FLOAT_EQ(cw.Wave1, 1.5405f);
    EXPECT_FLOAT_EQ(cw.Wave2, 1.5443f);
    EXPECT_FLOAT_EQ(cw.Zero, 0.125f); // centidegrees
    EXPECT_FLOAT_EQ(cw.Polarization, 0.5f);
    EXPECT_FLOAT_EQ(cw.ThetaMin, 10.0f);
    EXPECT_FLOAT_EQ(cw.ThetaMax, 159.97501f);
    ASSERT_EQ(cw.Excluded.RegionCount(), 1);
    const THistogram& tof = model.Histogram(2);
    EXPECT_EQ(tof.JobType, 4);
    EXPECT_EQ(tof.Profile, 7);
    EXPECT_FLOAT_EQ(tof.Zero, -3.12f);        // no scaling for time of flight
    EXPECT_EQ(model.Histogram(3).JobType, 0); // not typed by the record
    EXPECT_EQ(model.Histogram(3).Profile, 1);
    // GU, GV, GW are Gaussian variances in centidegrees squared: times
    // 8 ln 2 / 10^4 they are the Caglioti terms of the squared FWHM in degrees.
    const TSample& s1 = *model.FindSample(1, 1);
    const float toFwhm = static_cast<float>(8 * std::numbers::ln2 / 1e4);
    EXPECT_FLOAT_EQ(s1.U, 200 * toFwhm);
    EXPECT_FLOAT_EQ(s1.V, -100 * toFwhm);
    EXPECT_FLOAT_EQ(s1.W, 50 * toFwhm);
    // TOF profile type 3 lists alp, bet-0, bet-1, sig-0 first: alpha = alp / d.
    const TSample& s2 = *model.FindSample(2, 1);
    EXPECT_FLOAT_EQ(s2.TofAlpha1, 0);
    EXPECT_FLOAT_EQ(s2.TofAlpha2, 0.1f);
    EXPECT_FLOAT_EQ(s2.TofBeta1, 0.2f);
    EXPECT_FLOAT_EQ(s2.TofBeta2, 0.3f);
    EXPECT_FLOAT_EQ(s2.U, 0.4f);
}

// The other TOF profile types keep their own order: alpha-0, alpha-1,
// beta-0, beta-1, then sig-0, sig-1, sig-2.
TEST(GsasImport, TimeOfFlightProfileTypeOneTerms) {
    RecordingMessenger messenger;
    TRietveld model =
        Import({Record({{1, " EXPR  HTYP1  PNT"}}), Record({{1, "HAP1 1PRCF  "}, {17, "1"}}),
                Record({{1, "HAP1 1PRCF 1"},
                        {16, "0.100000E+00"},
                        {31, "0.200000E+00"},
                        {46, "0.300000E+00"},
                        {61, "0.400000E+00"}}),
                Record({{1, "HAP1 1PRCF 2"}, {16, "0.500000E+01"}, {31, "0.600000E+01"}})},
               messenger);
    const TSample& s = *model.FindSample(1, 1);
    EXPECT_FLOAT_EQ(s.TofAlpha1, 0.1f);
    EXPECT_FLOAT_EQ(s.TofAlpha2, 0.2f);
    EXPECT_FLOAT_EQ(s.TofBeta1, 0.3f);
    EXPECT_FLOAT_EQ(s.TofBeta2, 0.4f);
    EXPECT_FLOAT_EQ(s.U, 5);
    EXPECT_FLOAT_EQ(s.V, 6);
}

// A PAB3 table of exact model rates: the least-squares fit gives back the
// terms, and only the samples of type -3 take them.
TEST(GsasImport, TimeOfFlightRatesFittedToTheTypeMinusThreeTable) {
    std::vector<std::string> records = {
        Record({{1, " EXPR  NHST "}, {17, "2"}}),  Record({{1, " EXPR  HTYP1  PNT  PNT"}}),
        Record({{1, "HAP1 1PRCF  "}, {16, "-3"}}), Record({{1, "HAP1 2PRCF  "}, {17, "3"}}),
        Record({{1, "HST  1PAB3     5"}}),         Record({{1, "HST  2PAB3     5"}})};
    for (int h = 1; h <= 2; ++h)
        for (int row = 1; row <= 5; ++row) {
            const double d = 0.5 * row;
            char fields[64];
            std::snprintf(fields, sizeof fields, "%10.5f%10.4f%10.6f%10.6f", d, -3.0,
                          0.05 + 0.16 / d, 0.03 + 0.004 / std::pow(d, 4));
            char key[16];
            std::snprintf(key, sizeof key, "HST  %dPAB3%2d", h, row);
            records.push_back(Record({{1, key}, {13, fields}}));
        }
    RecordingMessenger messenger;
    TRietveld model = Import(records, messenger);
    const TSample& tabulated = *model.FindSample(1, 1);
    EXPECT_NEAR(tabulated.TofAlpha1, 0.05, 1e-5);
    EXPECT_NEAR(tabulated.TofAlpha2, 0.16, 1e-5);
    EXPECT_NEAR(tabulated.TofBeta1, 0.03, 1e-5);
    EXPECT_NEAR(tabulated.TofBeta2, 0.004, 1e-5);
    const TSample& terms = *model.FindSample(2, 1); // type 3: its own terms, here none
    EXPECT_FLOAT_EQ(terms.TofAlpha2, 0);
    EXPECT_FLOAT_EQ(terms.TofBeta2, 0);
    EXPECT_TRUE(messenger.messages.empty());
}

TEST(GsasImport, PhaseCellSymbolAtomsAndOccupancy) {
    RecordingMessenger messenger;
    TRietveld model = Import(
        {Record({{1, "CRS1    PNAM  garnet"}}),
         Record({{1, "CRS1  ABC    12.187720 12.187720 12.187720"}}),
         Record({{1, "CRS1  ANGLES   90.0000   90.0000   90.0000"}}),
         // Atoms before the symbol, as GSAS writes them.
         Record(
             {{1, "CRS1  AT  1A  Y         0.125000  0.000000  0.250000  1.000000Y1"}, {73, "24"}}),
         Record({{1, "CRS1  AT  1B  0.010000"}, {75, "I"}}),
         Record(
             {{1, "CRS1  AT  2A  O        -0.029366  0.053912  0.150731  0.500000O6"}, {73, "96"}}),
         Record({{1, "CRS1  AT  2B  0.010000  0.020000  0.030000  0.000000  0.000000  0.000000"},
                 {75, "A"}}),
         Record({{1, "CRS1  AT  2B  0.500000"}, {75, "X"}}), // neither I nor A: ignored
         Record({{1, "CRS1  SG SYM  I a 3 d"}}),
         Record({{1, "HAP1 1PREFO1  1.200000  0.000000  0.000000  1.000000  1.000000   NN"}})},
        messenger);
    const TPhase& phase = model.Phase(1);
    EXPECT_EQ(phase.Name, "garnet");
    EXPECT_EQ(phase.SpaceGroup, "I A 3 D");
    EXPECT_FLOAT_EQ(phase.A, 12.18772f);
    EXPECT_FLOAT_EQ(phase.Gamma, 90.0f);
    ASSERT_EQ(phase.AtomCount(), 2);
    EXPECT_EQ(phase.Atoms[0].AtomType, "Y   ");
    EXPECT_EQ(phase.Atoms[0].Label, "Y1  ");
    EXPECT_FLOAT_EQ(phase.Atoms[0].X, 0.125f);
    // Fully occupied 24c of I a -3 d (general position 96): N = 24 / 96.
    EXPECT_FLOAT_EQ(phase.Atoms[0].N, 0.25f);
    EXPECT_NEAR(phase.Atoms[0].B, 0.78957f, 1e-5);
    // Half-occupied general position.
    EXPECT_FLOAT_EQ(phase.Atoms[1].N, 0.5f);
    EXPECT_NEAR(phase.Atoms[1].B, 0.6f, 1e-5); // the default: the atom had no "I" record
    EXPECT_NEAR(phase.Atoms[1].B33, 0.03f * 78.957f, 1e-4);
    const TSample& sample = *model.FindSample(1, 1);
    EXPECT_FLOAT_EQ(sample.PO, 1.2f);
    EXPECT_FLOAT_EQ(sample.POH, 0.0f);
    EXPECT_FLOAT_EQ(sample.POL, 1.0f);
}

TEST(GsasImport, BackgroundRecords) {
    RecordingMessenger messenger;
    TRietveld model = Import({Record({{1, "HST  1BAKGD     3   13    Y    0    Y"}}),
                              Record({{1, "HST  1FXB  1    20.000   100.000"}})},
                             messenger);
    EXPECT_EQ(model.Histogram(1).Background.Kind, BkgAmorphous);
    EXPECT_EQ(model.Background12, 1);
    EXPECT_EQ(model.Histogram(1).Background.PointCount(), 1);
}

TEST(GsasImport, MissingFileLeavesTheModel) {
    RecordingMessenger messenger;
    TRietveld model;
    model.Title = "kept";
    ImportGsasExperiment(model, "/nonexistent/x.exp", messenger);
    ASSERT_EQ(messenger.messages.size(), 1u);
    EXPECT_EQ(messenger.messages[0], "File does not exist");
    EXPECT_EQ(model.Title, "kept");
}

struct RealGsas {
    const char* file;
    int histograms;
    std::vector<const char*> groups;
    std::vector<int> atoms;
    float a1;
    float wave1;
    float thetaMax1;
    int refined; // free parameters the file's flags ask for
};

TEST(GsasImport, RealFiles) {
    const std::filesystem::path folder = std::filesystem::path(KORALIX_TESTDATA) / "gsas_exp";
    if (!std::filesystem::exists(folder)) GTEST_SKIP() << "no test data at " << folder;
    const std::vector<RealGsas> files = {
        {"A_SI3N4X.EXP", 1, {"P 3 1 C", "P 63/M"}, {6, 3}, 7.753888f, 1.5405f, 119.96f, 28},
        {"FAP.EXP", 1, {"P 63/M"}, {7}, 9.371724f, 1.5405f, 129.98f, 24},
        {"GAPO4_XRAY_BAK.EXP", 1, {"P 31 2 1"}, {4}, 4.900632f, 0.1722f, 24.99f, 11},
        {"GARNET.EXP", 1, {"I A 3 D"}, {6}, 12.18772f, 1.909f, 157.60001f, 15},
        {"NAC-2015A.EXP", 3, {"I 21 3", "F M -3 M"}, {6, 2}, 10.251218f, 22581.63f, 103794.01f, 4},
        {"NEWSI.EXP", 1, {"F D 3 M"}, {1}, 5.440033f, 7464.48f, 29492.5f, 2},
        {"PBSO4N.EXP", 1, {"P N M A"}, {5}, 8.472792f, 1.909f, 155.85f, 25},
        {"PBSO4X.EXP", 1, {"P N M A"}, {5}, 8.482371f, 1.5405f, 159.97501f, 7},
        {"cpd2.exp",
         1,
         {"R -3 C", "F M 3 M", "P 63 M C", "P -3 M 1"},
         {2, 2, 2, 3},
         4.757563f,
         1.5405f,
         149.98f,
         17},
        {"tof2.exp",
         4,
         {"R -3 C", "F M 3 M", "P 63 M C", "P -3 M 1"},
         {2, 2, 2, 3},
         4.757563f,
         5074.11f,
         23993.68f,
         7},
    };
    for (const RealGsas& f : files) {
        SCOPED_TRACE(f.file);
        RecordingMessenger messenger;
        TRietveld model;
        ImportGsasExperiment(model, (folder / f.file).string(), messenger);
        EXPECT_TRUE(model.Loaded);
        EXPECT_TRUE(messenger.messages.empty());
        EXPECT_EQ(model.HistogramCount(), f.histograms);
        ASSERT_EQ(model.PhaseCount(), static_cast<int>(f.groups.size()));
        for (int p = 1; p <= model.PhaseCount(); ++p) {
            EXPECT_EQ(model.Phase(p).SpaceGroup, f.groups[static_cast<size_t>(p - 1)]);
            EXPECT_EQ(model.Phase(p).AtomCount(), f.atoms[static_cast<size_t>(p - 1)]);
        }
        EXPECT_FLOAT_EQ(model.Phase(1).A, f.a1);
        EXPECT_FLOAT_EQ(model.Histogram(1).Wave1, f.wave1);
        EXPECT_FLOAT_EQ(model.Histogram(1).ThetaMax, f.thetaMax1);
        EXPECT_EQ(model.Parameters.FreeCount(), f.refined);
    }
}

// The GSAS silicon example (SEPD, time of flight) imported.
class GsasSiliconImport : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::filesystem::path file =
            std::filesystem::path(KORALIX_TESTDATA) / "gsas_exp" / "NEWSI.EXP";
        if (!std::filesystem::exists(file)) GTEST_SKIP() << "no test data at " << file;
        RecordingMessenger messenger;
        ImportGsasExperiment(model, file.string(), messenger);
        ASSERT_TRUE(model.Loaded);
    }
    TRietveld model;
};

// Its TOF profile (type -3, its rates from a table): the widths land on V,
// Gam-1 and Gam-2 as the file's sig-1, gam-1 and gam-2.
TEST_F(GsasSiliconImport, TimeOfFlightTypeThreeTerms) {
    const TSample& s = *model.FindSample(1, 1);
    EXPECT_FLOAT_EQ(s.U, 0);
    EXPECT_FLOAT_EQ(s.V, 30.1337f);
    EXPECT_FLOAT_EQ(s.W, 0);
    EXPECT_FLOAT_EQ(s.Gam1, 0.665322f);
    EXPECT_FLOAT_EQ(s.Gam2, 0.432f);
    EXPECT_FLOAT_EQ(model.Histogram(1).Wave2, -1.67f); // DIFA
    EXPECT_FLOAT_EQ(model.Histogram(1).Zero, -3.12f);
    // Its rates are fitted to the PAB3 table, closely where the strong
    // silicon peaks lie (d from 1 to 3.2): at d = 1, 2 and 4.4445 the table
    // gives alpha 0.26067, 0.13795, 0.11041 and beta 0.05001, 0.038547, 0.036423.
    const auto alpha = [&](double d) { return s.TofAlpha1 + s.TofAlpha2 / d; };
    const auto beta = [&](double d) { return s.TofBeta1 + s.TofBeta2 / std::pow(d, 4); };
    EXPECT_NEAR(alpha(1), 0.26067, 0.01);
    EXPECT_NEAR(alpha(2), 0.13795, 0.02);
    EXPECT_NEAR(alpha(4.4445), 0.11041, 0.02);
    EXPECT_NEAR(beta(1), 0.05001, 0.01);
    EXPECT_NEAR(beta(2), 0.038547, 0.003);
    EXPECT_NEAR(beta(4.4445), 0.036423, 0.005);
}

// GSAS gives TOF ranges in ms; the data and the engine work in microseconds.
TEST_F(GsasSiliconImport, TimeOfFlightRangesInMicroseconds) {
    const THistogram& h = model.Histogram(1);
    EXPECT_FLOAT_EQ(h.ThetaMin, 2987.5f);
    EXPECT_FLOAT_EQ(h.ThetaMax, 29492.5f);
    ASSERT_EQ(h.Excluded.RegionCount(), 2);
    EXPECT_FLOAT_EQ(h.Excluded.Regions.X(0), 0);
    EXPECT_FLOAT_EQ(h.Excluded.Regions.Y(0), 2985);
    EXPECT_FLOAT_EQ(h.Excluded.Regions.X(1), 29495);
    EXPECT_FLOAT_EQ(h.Excluded.Regions.Y(1), 1e6f);
}

} // namespace
} // namespace koralix
