#include "InputFile.h"
#include "Messenger.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

using namespace koralix;

namespace {

std::string Fixture(const std::string& name) {
    return std::string(KORALIX_FIXTURES) + "/" + name;
}

std::vector<std::string> FixtureLines(const std::string& name) {
    std::ifstream in(Fixture(name), std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines)
        text += l + "\r\n";
    return text;
}

struct ReadResult {
    TRietveld model;
    RecordingMessenger messenger;
};

std::unique_ptr<ReadResult> ReadText(const std::string& text) {
    auto r = std::make_unique<ReadResult>();
    ReadInputText(r->model, text, r->messenger);
    return r;
}

} // namespace

class ThreeHistogramFile : public ::testing::Test {
  protected:
    void SetUp() override { ReadInputFile(m, Fixture("three_histograms.inp"), messenger); }
    TRietveld m;
    RecordingMessenger messenger;
};

TEST_F(ThreeHistogramFile, ReadsCompletelyWithoutMessages) {
    EXPECT_TRUE(m.Loaded);
    EXPECT_TRUE(messenger.messages.empty());
    EXPECT_EQ(m.HistogramCount(), 3);
    EXPECT_EQ(m.PhaseCount(), 2);
    EXPECT_EQ(m.Samples.size(), 6u);
    // Every record-2 line overwrites the trailing-line counts: the last one wins.
    EXPECT_EQ(m.TrailingLines1, 1);
    EXPECT_EQ(m.TrailingLines2, 2);
}

TEST_F(ThreeHistogramFile, ControlFlagsAndWideRange) {
    EXPECT_EQ(m.IOT, 1);
    EXPECT_EQ(m.Control5, 1); // always set, whatever the file holds
    EXPECT_EQ(m.PlotFileType, 3);
    EXPECT_EQ(m.DataFormat, 4);
    EXPECT_EQ(m.LSync, 1);
    EXPECT_EQ(m.Background12, 1);
    EXPECT_EQ(m.Strategy, 2);
    EXPECT_FLOAT_EQ(m.Rmax, 3.25f);
    EXPECT_FLOAT_EQ(m.Marquardt, 0.001f);
    EXPECT_FLOAT_EQ(m.AsymLimit, 15.0f);
    EXPECT_FLOAT_EQ(m.F2Limit, 2.5f);
    EXPECT_EQ(m.Cycles, 25);
    EXPECT_FLOAT_EQ(m.Eps, 0.05f);
    EXPECT_FLOAT_EQ(m.Relax[3], 0.5f);
    const THistogram& h1 = m.Histograms[0];
    EXPECT_FLOAT_EQ(h1.ThetaMin, 10.0f);
    EXPECT_FLOAT_EQ(h1.ThetaStep, 0.02f);
    EXPECT_FLOAT_EQ(h1.ThetaMax, 150.0f);
    EXPECT_FLOAT_EQ(h1.Background.Offset, 12.5f);
    EXPECT_FLOAT_EQ(h1.Scale, 1.0f);
}

TEST_F(ThreeHistogramFile, FreeFormatHistogramsContinueOverLines) {
    const THistogram& h2 = m.Histograms[1];
    EXPECT_FLOAT_EQ(h2.ThetaMin, 1000.0f);
    EXPECT_FLOAT_EQ(h2.ThetaMax, 20000.0f);
    EXPECT_FLOAT_EQ(h2.Scale, 0.75f);
    const THistogram& h3 = m.Histograms[2];
    EXPECT_FLOAT_EQ(h3.ThetaStep, 0.05f);
    EXPECT_FLOAT_EQ(h3.ThetaMax, 160.0f);
    EXPECT_FLOAT_EQ(h3.Scale, 1.25f);
    EXPECT_TRUE(m.IsRefined({2, 0, 0, 14}));
    EXPECT_TRUE(m.IsRefined({3, 0, 0, 16}));
}

TEST_F(ThreeHistogramFile, TimeOfFlightHistogram) {
    const THistogram& h2 = m.Histograms[1];
    EXPECT_EQ(h2.JobType, 4);
    EXPECT_EQ(h2.Profile, 7);
    EXPECT_FLOAT_EQ(h2.Wave1, 7000.123f);
    EXPECT_FLOAT_EQ(h2.Spectrum.Coeff[0], 1.25f);
    EXPECT_FLOAT_EQ(h2.Spectrum.Coeff[8], 3.5f);
    EXPECT_FLOAT_EQ(h2.Displacement, 0.0125f);
    EXPECT_TRUE(m.IsRefined({2, 0, 0, 17}));
    EXPECT_EQ(h2.Background.Kind, BkgAutomatic);
    EXPECT_EQ(h2.Background.SmoothSteps, 40);
    EXPECT_EQ(h2.Background.SmoothCycles, 25);
    const TSample* s = m.FindSample(2, 1);
    ASSERT_NE(s, nullptr);
    EXPECT_FLOAT_EQ(s->U, 12.5f);
    EXPECT_FLOAT_EQ(s->TofBeta2, 0.04f);
    EXPECT_FLOAT_EQ(s->Gam0, 2.5f);
    EXPECT_FLOAT_EQ(s->Pore, 0.3f);
    EXPECT_FLOAT_EQ(s->Rough, 0.4f);
}

TEST_F(ThreeHistogramFile, BackgroundsRegionsAndScattering) {
    const THistogram& h1 = m.Histograms[0];
    EXPECT_EQ(h1.Background.Kind, BkgUserPoints);
    ASSERT_EQ(h1.Background.PointCount(), 3);
    EXPECT_FLOAT_EQ(h1.Background.Points.X(1), 20.0f); // as read, not yet sorted
    ASSERT_EQ(h1.Excluded.RegionCount(), 2);
    EXPECT_EQ(h1.Excluded.Regions.Items[1], (TPair{140, 150}));
    ASSERT_EQ(h1.Scatter.EntryCount(), 2);
    const TScatterFactor& fe = h1.Scatter.Items[0];
    EXPECT_EQ(fe.Name, "Fe  ");
    EXPECT_EQ(fe.Kind, 0);
    EXPECT_FLOAT_EQ(fe.FPrime, -1.179f);
    EXPECT_FLOAT_EQ(fe.Coeff[8], 1.0369f);
    const TScatterFactor& ox = h1.Scatter.Items[1];
    EXPECT_EQ(ox.Kind, 1);
    ASSERT_EQ(ox.TableCount(), 3);
    EXPECT_FLOAT_EQ(ox.Table.Y(1), 7.2479f);
    // A neutron entry has no form-factor line.
    EXPECT_EQ(m.Histograms[1].Scatter.Items[0].Name, "Li  ");
    const THistogram& h3 = m.Histograms[2];
    EXPECT_EQ(h3.Background.Kind, BkgChebyI);
    EXPECT_FLOAT_EQ(h3.Background.Coeff[0], 100.0f);
    EXPECT_FLOAT_EQ(h3.Background.Coeff[11], 7.25f);
    EXPECT_FLOAT_EQ(h3.Zero, 0.5f);
}

TEST_F(ThreeHistogramFile, PhasesAndSamples) {
    const TPhase& p1 = m.Phases[0];
    EXPECT_EQ(p1.Name, "Hematite");
    EXPECT_EQ(p1.SpaceGroup, "R -3 C");
    EXPECT_EQ(p1.Z, 6);
    EXPECT_EQ(p1.CalcMethod, 0);
    ASSERT_EQ(p1.AtomCount(), 2);
    EXPECT_EQ(p1.Atoms[0].Label, "FE1 ");
    EXPECT_FLOAT_EQ(p1.Atoms[0].Z, 0.35528f);
    EXPECT_FLOAT_EQ(p1.Atoms[0].B12, 0.0005f);
    EXPECT_FLOAT_EQ(p1.Scale, 0.0123f);
    EXPECT_FLOAT_EQ(p1.C, 13.7489f);
    EXPECT_FLOAT_EQ(p1.Gamma, 120.0f);
    const TSample* s11 = m.FindSample(1, 1);
    EXPECT_FLOAT_EQ(s11->POL, 4.0f);
    EXPECT_FLOAT_EQ(s11->PO, 0.9f);
    EXPECT_FLOAT_EQ(s11->Extinction, 0.003f);
    EXPECT_FLOAT_EQ(m.FindSample(2, 1)->AnisoH, 1.0f);
    const TPhase& p2 = m.Phases[1];
    EXPECT_EQ(p2.CalcMethod, 1);
    EXPECT_EQ(p2.AtomCount(), 0);
    EXPECT_EQ(p2.Z, 2);
    EXPECT_FLOAT_EQ(p2.Scale, 0.5f);
}

TEST_F(ThreeHistogramFile, SharedCodesWithMultipliers) {
    const TParameterList& list = m.Parameters;
    EXPECT_EQ(m.CodeCount, 9);
    // Atom 1 z (21.0), atom 2 x (20.5) and atom 2 z (-21.0) share code number 2.
    int master = list.IndexOfMaster({0, 1, 1, 3});
    ASSERT_GE(master, 0);
    EXPECT_GE(list.IndexOfFree({0, 1, 1, 3}), 0);
    int half = list.IndexOfDependent({0, 1, 2, 1});
    int minus = list.IndexOfDependent({0, 1, 2, 3});
    ASSERT_GE(half, 0);
    ASSERT_GE(minus, 0);
    EXPECT_FLOAT_EQ(list.Constraints[half].Dependent.Multiplier, 0.5f);
    EXPECT_FLOAT_EQ(list.Constraints[minus].Dependent.Multiplier, -1.0f);
    // f' of Fe and f'' of the O entry share code number 6; background 12 follows
    // background 1 of histogram 3 with ratio 5.
    EXPECT_GE(list.IndexOfDependent({1, ScatterPhase, 2, 2}), 0);
    int bkg = list.IndexOfDependent({3, 0, 0, 13});
    ASSERT_GE(bkg, 0);
    EXPECT_FLOAT_EQ(list.Constraints[bkg].Dependent.Multiplier, 5.0f);
    EXPECT_EQ(list.FreeCount(), 9);
}

TEST(InputReader, MinimalFileHasNoMessages) {
    TRietveld m;
    RecordingMessenger messenger;
    ReadInputFile(m, Fixture("minimal.inp"), messenger);
    EXPECT_TRUE(m.Loaded);
    EXPECT_TRUE(messenger.messages.empty());
    EXPECT_EQ(m.Parameters.FreeCount(), 2);
}

TEST(InputReader, MissingFileLeavesTheModelAlone) {
    TRietveld m;
    m.Title = "kept";
    m.AddHistogram();
    m.Loaded = true;
    RecordingMessenger messenger;
    ReadInputFile(m, Fixture("no-such-file.inp"), messenger);
    EXPECT_FALSE(m.Loaded);
    EXPECT_EQ(m.Title, "kept");
    EXPECT_EQ(m.HistogramCount(), 1);
    ASSERT_EQ(messenger.messages.size(), 1u);
    EXPECT_EQ(messenger.messages[0], "Input file File does not exist");
}

TEST(InputReader, UnreadableFileSaysWhy) {
    TRietveld m;
    m.AddHistogram();
    RecordingMessenger messenger;
    ReadInputFile(m, KORALIX_FIXTURES, messenger); // a folder
    EXPECT_FALSE(m.Loaded);
    EXPECT_EQ(m.HistogramCount(), 0);
    ASSERT_EQ(messenger.messages.size(), 1u);
    EXPECT_EQ(messenger.messages[0],
              std::string("Cannot read ") + KORALIX_FIXTURES + ": it is a folder, not a file.");
}

// Every cut of a complete file ends before the records its counts announce:
// it reads as far as it goes, says where it ended, and is not complete.
TEST(InputReader, EveryCutOfAFileIsReportedWhereItEnds) {
    const std::vector<std::string> lines = FixtureLines("three_histograms.inp");
    auto whole = ReadText(Join(lines));
    EXPECT_TRUE(whole->model.Loaded);
    EXPECT_TRUE(whole->messenger.messages.empty());
    // Trailing lines the file announces, and one ignored line after them, are
    // skipped as far as they go.
    const size_t needed =
        lines.size() - whole->model.TrailingLines1 - whole->model.TrailingLines2 - 1;
    for (size_t keep = 0; keep < needed; ++keep) {
        const std::vector<std::string> head(lines.begin(), lines.begin() + keep);
        auto r = ReadText(Join(head));
        EXPECT_FALSE(r->model.Loaded) << keep << " lines";
        ASSERT_FALSE(r->messenger.messages.empty()) << keep << " lines";
        const std::string& message = r->messenger.messages.back();
        if (message.rfind("Error reading Inputfile", 0) == 0) continue; // garbage counts
        EXPECT_EQ(message.find("The input text ends after line " + std::to_string(keep) + ", in "),
                  0u)
            << message;
    }
}

TEST(InputReader, EmptyAndBinaryFilesHoldNoModel) {
    const std::string folder = ::testing::TempDir();
    struct Case {
        const char* name;
        std::string content;
        const char* message;
    };
    const Case cases[] = {{"empty.inp", "", " is empty."},
                          {"blank.inp", "\r\n  \r\n", " is empty."},
                          {"binary.inp", std::string("title\r\n\0\x01\x02", 10),
                           " is not a text file (a control byte in line 2)."}};
    for (const Case& c : cases) {
        const std::string path = folder + c.name;
        std::ofstream(path, std::ios::binary) << c.content;
        TRietveld m;
        RecordingMessenger messenger;
        ReadInputFile(m, path, messenger);
        EXPECT_FALSE(m.Loaded) << c.name;
        ASSERT_EQ(messenger.messages.size(), 1u) << c.name;
        EXPECT_EQ(messenger.messages[0], path + c.message);
    }
}

TEST(InputReader, TitleThatIsNotTextIsReported) {
    std::vector<std::string> lines = FixtureLines("minimal.inp");
    lines[0] = "Caf\xE9 Latin-1"; // a byte of another encoding, not UTF-8
    auto r = ReadText(Join(lines));
    EXPECT_TRUE(r->model.Loaded); // the model itself is complete
    ASSERT_EQ(r->messenger.messages.size(), 1u);
    EXPECT_EQ(r->messenger.messages[0], "The input text: the title holds bytes that are not text.");
}

// Each case edits the minimal file (line numbers 0-based) and names the message.
struct ErrorCase {
    const char* name;
    std::vector<std::pair<int, std::string>> edits;
    const char* message;
    int histograms;
    int phases;
};

void PrintTo(const ErrorCase& c, std::ostream* out) {
    *out << c.name;
}

class ReaderErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ReaderErrors, StopWithOneMessageAndKeepWhatWasRead) {
    const ErrorCase& c = GetParam();
    std::vector<std::string> lines = FixtureLines("minimal.inp");
    // Edits apply from the end so that inserted lines do not shift later edits.
    for (auto it = c.edits.rbegin(); it != c.edits.rend(); ++it) {
        if (it->second.rfind("+", 0) == 0)
            lines.insert(lines.begin() + it->first, it->second.substr(1));
        else
            lines[static_cast<size_t>(it->first)] = it->second;
    }
    auto r = ReadText(Join(lines));
    EXPECT_FALSE(r->model.Loaded);
    ASSERT_EQ(r->messenger.messages.size(), 1u);
    EXPECT_EQ(r->messenger.messages[0], c.message);
    EXPECT_EQ(r->model.HistogramCount(), c.histograms);
    EXPECT_EQ(r->model.PhaseCount(), c.phases);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReaderErrors,
    ::testing::Values(
        // Two histograms; record 6 holds a word where a number belongs.
        ErrorCase{
            "NonNumericRecord6",
            {{1, "  10   4   1   0   0   0   0   0   0   0"},
             {2, "+   0   4   1   0   0   0   0   0   0   0"},
             {4,
              "+  1.5406  1.5444 0.50000    1.00  7.0000  0.0000    0.00 20.0000  0.0000   0.000"},
             {5, "+ 5.0 0.02 abc 1.0 0 0 0"}},
            "Error reading Inputfile at line 5",
            2,
            0},
        ErrorCase{
            "TooLargeForASingle",
            {{3,
              "  1.5406  1.5444 0.50000    1.00  7.0000  0.0000    0.00 20.0000  0.0000   9e+99"}},
            "Error reading a numeric value at line 4",
            1,
            0},
        ErrorCase{
            "SecondRecord2LineLabel",
            {{1, "  10   4   1   0   0   0   0   0   0   0"},
             {2, "+   0   4   1   0   0   0   0   0   0   0"},
             {4,
              "+  1.5406  1.5444 0.50000    1.00  7.0000  0.0000    0.00 20.0000  0.0000   1e40"}},
            "Error reading a numeric value at line 4.01",
            2,
            0},
        ErrorCase{"NoHistogram",
                  {{1, " -1   4   1   0   0   0   0   0   0   0   0   0"}},
                  "An unindentified error in reading line 5",
                  0,
                  0},
        // The phase being read is dropped; the histogram stays.
        ErrorCase{"ErrorInsideAPhase",
                  {{14, "9.9e+99           0.0000"}},
                  "Error reading a numeric value at line 5",
                  1,
                  0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InputReader, SamplesOfADroppedPhaseStay) {
    std::vector<std::string> lines = FixtureLines("minimal.inp");
    lines[14] = "9.9e+99           0.0000";
    auto r = ReadText(Join(lines));
    EXPECT_EQ(r->model.Samples.size(), 1u);
    // The parameter list is pruned even after an error.
    EXPECT_EQ(r->model.Parameters.FreeCount(), 1);
}

TEST(InputReader, OddButValidInput) {
    std::vector<std::string> lines = FixtureLines("minimal.inp");
    lines[12] = "O1  O            0,25000 0.20000 0.30000 0.60000 1.00000";
    auto r = ReadText(Join(lines));
    EXPECT_TRUE(r->model.Loaded);
    EXPECT_FLOAT_EQ(r->model.Phases[0].Atoms[0].X, 0.25f);

    // Cut after the phase title: the rest reads as empty lines, but the file
    // ends before the phase records it announces, which is said.
    lines.resize(10);
    r = ReadText(Join(lines));
    EXPECT_FALSE(r->model.Loaded);
    ASSERT_EQ(r->messenger.messages.size(), 1u);
    EXPECT_EQ(r->messenger.messages[0],
              "The input text ends after line 10, in phase 1, before the records it announces.");
    ASSERT_EQ(r->model.PhaseCount(), 1);
    EXPECT_EQ(r->model.Phases[0].CalcMethod, 1);
    EXPECT_EQ(r->model.Phases[0].Z, 1);
}

TEST(InputReader, LineEndsOfEveryKind) {
    std::vector<std::string> lines = FixtureLines("minimal.inp");
    for (const char* end : {"\n", "\r", "\r\n"}) {
        std::string text;
        for (const auto& l : lines)
            text += l + end;
        auto r = ReadText(text);
        EXPECT_TRUE(r->model.Loaded) << "line end " << int(end[0]);
        EXPECT_EQ(r->model.Phases.size(), 1u);
    }
}

TEST(InputReader, ExcludedRegionsBackgroundFileAndCutTable) {
    std::vector<std::string> lines = FixtureLines("minimal.inp");
    // 60 regions announced: 50 are created and 50 lines read; data-file background
    // has no coefficient lines; one scattering entry whose table runs to the end.
    lines[1] = "   0   4   1   1  60   1   0   0   0   0   0   0";
    lines.erase(lines.begin() + 7, lines.begin() + 9); // no record-13 lines
    std::vector<std::string> extra;
    for (int k = 0; k < 50; ++k)
        extra.push_back("    1.00    2.00");
    lines.insert(lines.begin() + 5, extra.begin(), extra.end());
    auto r = ReadText(Join(lines));
    // The table ran to the end, so the records after it are missing.
    EXPECT_FALSE(r->model.Loaded);
    ASSERT_EQ(r->messenger.messages.size(), 1u);
    EXPECT_NE(r->messenger.messages[0].find("in the code count"), std::string::npos);
    const THistogram& h = r->model.Histograms[0];
    EXPECT_EQ(h.Excluded.RegionCount(), 50);
    EXPECT_EQ(h.Background.Kind, BkgDataFile);

    std::vector<std::string> cut = FixtureLines("minimal.inp");
    cut[1] = "   0   4   1   0   0   1   0   0   0   0   0   0";
    cut.resize(5);
    cut.push_back("O   " + std::string(32, ' '));
    cut.push_back("  0.0000   8.0000");
    cut.push_back("  0.1000   7.2500");
    r = ReadText(Join(cut));
    ASSERT_EQ(r->model.HistogramCount(), 1);
    EXPECT_EQ(r->model.Histograms[0].Scatter.Items[0].TableCount(), 2);
}

TEST(InputReader, AllCalculationModelHasNoCodeLines) {
    std::vector<std::string> lines = FixtureLines("minimal.inp");
    lines[1] = "   2   4   1   0   0   0   0   0   0   0   0   0";
    lines.resize(19); // drop the phase's code lines
    lines.push_back("a trailing line that is ignored");
    auto r = ReadText(Join(lines));
    EXPECT_TRUE(r->model.Loaded);
    EXPECT_TRUE(r->model.AllCalculation());
    // Only the codes outside the phase remain: the wavelength.
    EXPECT_EQ(r->model.Parameters.FreeCount(), 1);
}

// Counts read from garbage must not make the reader build defaults for ever.
TEST(InputReader, AbsurdCountsEndWithAnError) {
    std::vector<std::string> lines = FixtureLines("minimal.inp");
    lines[1] = "999   49999   0   0   0   0   0   0   0   0   0";
    auto r = ReadText(Join(lines));
    EXPECT_FALSE(r->model.Loaded);
    ASSERT_EQ(r->messenger.messages.size(), 1u);
    EXPECT_EQ(r->messenger.messages[0].rfind("Error reading Inputfile at line ", 0), 0u);
    EXPECT_EQ(r->model.HistogramCount(), 1000);
    EXPECT_EQ(r->model.PhaseCount(), 0);
}
