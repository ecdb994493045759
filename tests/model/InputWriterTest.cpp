#include "InputFile.h"
#include "Messenger.h"
#include "TextHelpers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace koralix;
namespace fs = std::filesystem;

namespace {

std::string Fixture(const std::string& name) {
    return std::string(KORALIX_FIXTURES) + "/" + name;
}

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

TRietveld Read(const std::string& path) {
    TRietveld m;
    RecordingMessenger messenger;
    ReadInputFile(m, path, messenger);
    EXPECT_TRUE(messenger.messages.empty()) << path;
    return m;
}

TRietveld ReadText(const std::string& text) {
    TRietveld m;
    RecordingMessenger messenger;
    ReadInputText(m, text, messenger);
    EXPECT_TRUE(messenger.messages.empty());
    return m;
}

TRietveld DefaultModel(int histograms = 1) {
    TRietveld m;
    for (int h = 0; h < histograms; ++h)
        m.AddHistogram();
    m.AddPhase();
    return m;
}

class TempFolder {
  public:
    TempFolder() {
        path_ =
            fs::temp_directory_path() /
            ("koralix-writer-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempFolder() { fs::remove_all(path_); }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    size_t EntryCount() const {
        return static_cast<size_t>(
            std::distance(fs::directory_iterator(path_), fs::directory_iterator()));
    }

  private:
    fs::path path_;
};

} // namespace

// The example and the fixtures are in the writer's own form: reading and writing
// them again must give the same bytes.
TEST(InputWriter, CanonicalFilesAreWrittenByteForByte) {
    for (std::string path :
         {std::string(KORALIX_EXAMPLES) + "/corundum.inp", Fixture("minimal.inp")}) {
        SCOPED_TRACE(path);
        TRietveld m = Read(path);
        EXPECT_EQ(InputFileText(m), FileText(path));
    }
}

TEST(InputWriter, WriteReadWriteIsStable) {
    TRietveld m = Read(Fixture("three_histograms.inp"));
    const std::string first = InputFileText(m);
    TRietveld again = ReadText(first);
    const std::string second = InputFileText(again);
    EXPECT_EQ(first, second);
    // The model survives except for what the writer is allowed to change.
    again.TrailingLines1 = m.TrailingLines1;
    again.TrailingLines2 = m.TrailingLines2;
    again.CodeCount = m.CodeCount;
    EXPECT_EQ(again.Histograms, m.Histograms);
    EXPECT_EQ(again.Phases, m.Phases);
    EXPECT_EQ(again.Samples, m.Samples);
    EXPECT_EQ(again.Parameters.Constraints.size(), m.Parameters.Constraints.size());
    EXPECT_EQ(again.Parameters.FreeCount(), m.Parameters.FreeCount());
}

TEST(InputWriter, WhatTheWriterChangesInTheModel) {
    TRietveld m = Read(Fixture("three_histograms.inp"));
    m.Histograms[0].Scatter.Items[1].Name = "O";
    m.Histograms[0].Excluded.Regions.Items = {{140, 150}, {0, 10}};
    InputFileText(m);
    EXPECT_FLOAT_EQ(m.Histograms[0].Background.Points.X(0), 20.0f);
    EXPECT_FLOAT_EQ(m.Histograms[0].Excluded.Regions.X(0), 0.0f);
    EXPECT_EQ(m.Histograms[0].Scatter.Items[1].Name, "O   ");
    for (int i = 0; i < m.Parameters.FreeCount(); ++i)
        EXPECT_EQ(m.Parameters.Free[i].CodeNumber, i + 1);
}

TEST(InputWriter, RecordTwoForOneAndSeveralHistograms) {
    TRietveld one = DefaultModel();
    std::vector<std::string> lines = Lines(InputFileText(one));
    EXPECT_EQ(lines[1], "   0   4   1   0   0   0   0   0   0   0   0   0");
    TRietveld two = DefaultModel(2);
    two.Histograms[1].JobType = 1;
    two.TrailingLines2 = 3;
    lines = Lines(InputFileText(two));
    EXPECT_EQ(lines[1], "  10   4   1   0   0   0   0   0   0   0");
    EXPECT_EQ(lines[2], "   1   4   1   0   0   0   0   0   0   0");
}

TEST(InputWriter, ExactLinesOfADefaultModel) {
    TRietveld m = DefaultModel();
    std::vector<std::string> lines = Lines(InputFileText(m));
    ASSERT_GE(lines.size(), 20u);
    EXPECT_EQ(lines[0], "A New refinement");
    EXPECT_EQ(lines[2], "0011100002000000000    0.000   0.000 0.00000");
    EXPECT_EQ(lines[3],
              "  1.5414  1.5414 0.00000    1.00  7.0000  0.0000    0.00 20.0000  0.0000   0.000");
    EXPECT_EQ(lines[4], "  300.100.900.900.900.90   5.000   0.010 100.000   0.000   0.000");
    EXPECT_EQ(lines[5], "       0");
    EXPECT_EQ(lines[6], "   0.000   0.000");
    EXPECT_EQ(lines[7], "  0.00000E+0  0.00000E+0  0.00000E+0  0.00000E+0  0.00000E+0  0.00000E+0");
    EXPECT_EQ(lines[9], "A new phase");
    EXPECT_EQ(lines[10], "   0     1   0.0 0.0 1.0         0.0 0.0 1.0");
    EXPECT_EQ(lines[11], "P 1");
    EXPECT_EQ(lines[12], "1.000000E-02      0.0000");
    EXPECT_EQ(lines[13], " 0.08000-0.15000 0.15000 0.00000");
    EXPECT_EQ(lines[14], "  3.8000  3.8000  3.8000 90.0000 90.0000 90.0000");
    EXPECT_EQ(lines[15], " 1.00000 0.00000 0.01000 0.00000");
    EXPECT_EQ(lines[16], " 0.01000 0.00000 0.00000 0.00000");
    EXPECT_EQ(lines[17], "   0.000           0.000");
}

TEST(InputWriter, CodesAreRenumberedInListOrder) {
    TRietveld m = DefaultModel();
    m.Parameters.AddFree({1, 0, 0, 1}, 31);
    m.Parameters.AddFree({0, 1, 0, 1}, 71);
    m.Parameters.AddFree({1, 0, 0, 15}, 92);
    std::vector<std::string> lines = Lines(InputFileText(m));
    EXPECT_EQ(lines[4].substr(48), "  32.000   0.000");
    EXPECT_EQ(lines[5], "       3");
    EXPECT_EQ(lines[6], "   0.000  11.000");
    EXPECT_EQ(lines[17], "  21.000           0.000");
}

TEST(InputWriter, UserPointsLeBailAndWideRange) {
    TRietveld m = DefaultModel();
    THistogram& h = m.Histograms[0];
    h.Background.Kind = BkgUserPoints;
    for (int k = 12; k >= 1; --k)
        h.Background.AddPoint(10.0f * k, 100.0f + k);
    m.Phases[0].CalcMethod = 1;
    m.Phases[0].AddAtom({});
    m.Samples[0].PO = 0.7f;
    m.Samples[0].AbsorptionR = 0.3f;
    m.LSync = 1;
    h.ThetaMax = 150.123456f;
    std::vector<std::string> lines = Lines(InputFileText(m));
    EXPECT_EQ(lines[1].substr(12, 4), "  12");
    EXPECT_EQ(lines[4].substr(24, 36), "   5.0000000   0.0100000 150.1234589");
    EXPECT_EQ(lines[5], "  10.000 101.000");
    EXPECT_EQ(lines[16], " 120.000 112.000");
    EXPECT_FLOAT_EQ(m.Samples[0].PO, 1.0f);
    EXPECT_FLOAT_EQ(m.Samples[0].AbsorptionR, 0.0f);
    TRietveld back = ReadText(Lines(InputFileText(m)).empty() ? "" : InputFileText(m));
    EXPECT_EQ(back.Phases[0].CalcMethod, 1);
    EXPECT_EQ(back.Phases[0].AtomCount(), 0);
    EXPECT_FLOAT_EQ(back.Histograms[0].ThetaMax, 150.123456f);
    EXPECT_EQ(back.Histograms[0].Background.PointCount(), 12);
}

TEST(InputWriter, AutomaticBackgroundKeepsItsWidenedLine) {
    TRietveld m = DefaultModel();
    m.Histograms[0].Background.Kind = BkgAutomatic;
    m.Histograms[0].Background.SmoothSteps = 40;
    m.Histograms[0].Background.SmoothCycles = 500;
    std::vector<std::string> lines = Lines(InputFileText(m));
    EXPECT_EQ(lines[7], "40.000000000000500.000000000000");
    TRietveld back = ReadText(InputFileText(m));
    EXPECT_EQ(back.Histograms[0].Background.SmoothSteps, 40);
    EXPECT_EQ(back.Histograms[0].Background.SmoothCycles, 500);
}

// Values too wide for their columns must not shift the fields after them.
TEST(InputWriter, WideValuesReadBackInTheirColumns) {
    TRietveld m = DefaultModel();
    THistogram& h = m.Histograms[0];
    h.JobType = 4;
    h.Profile = 7;
    h.ThetaMin = 1000.0f;
    h.ThetaStep = 2.5f;
    h.ThetaMax = 19999.5f;
    h.Wave1 = 12345.678f;
    h.Spectrum.Coeff = {-0.0006784f, 123456.7f, 0.5f, -12.345f, 0, 0, 0, 0, 1e-7f};
    m.Phases[0].AddAtom({});
    m.Phases[0].Atoms[0].B = -12.5f;
    m.Phases[0].Atoms[0].N = 0.5f;
    m.Phases[0].Scale = -0.0123f;
    m.Samples[0].U = -123.456f;
    m.Samples[0].V = 2.0f;
    m.Phases[0].A = 12345.6f;
    m.Phases[0].B = 4.0f;
    m.Parameters.AddFree({1, 0, 0, 15}, 11);
    TRietveld back = ReadText(InputFileText(m));
    const THistogram& b = back.Histograms[0];
    EXPECT_NEAR(b.ThetaMin, 1000.0f, 0.01f);
    EXPECT_NEAR(b.ThetaStep, 2.5f, 0.01f);
    EXPECT_NEAR(b.ThetaMax, 19999.5f, 0.01f);
    EXPECT_TRUE(back.IsRefined({1, 0, 0, 15}));
    EXPECT_NEAR(b.Wave1, 12345.678f, 0.01f);
    for (size_t k = 0; k < 9; ++k)
        EXPECT_NEAR(b.Spectrum.Coeff[k], h.Spectrum.Coeff[k],
                    std::abs(h.Spectrum.Coeff[k]) * 1e-3 + 1e-9)
            << k;
    EXPECT_FLOAT_EQ(back.Phases[0].Atoms[0].B, -12.5f);
    EXPECT_FLOAT_EQ(back.Phases[0].Atoms[0].N, 0.5f);
    EXPECT_FLOAT_EQ(back.Phases[0].Scale, -0.0123f);
    EXPECT_NEAR(back.Samples[0].U, -123.456f, 0.001f);
    EXPECT_FLOAT_EQ(back.Samples[0].V, 2.0f);
    EXPECT_NEAR(back.Phases[0].A, 12345.6f, 0.01f);
    EXPECT_FLOAT_EQ(back.Phases[0].B, 4.0f);
}

TEST(InputWriter, FormFactorLines) {
    TRietveld m = DefaultModel();
    THistogram& h = m.Histograms[0];
    h.Scatter.AddEntry();
    h.Scatter.AddEntry();
    h.Scatter.Items[0].Name = "Fe";
    h.Scatter.Items[0].Coeff = {11.7695f, 4.7611f, 7.3573f,    0.3072f, 3.5222f,
                                15.3535f, 2.3045f, -176.8805f, 1.0369f};
    h.Scatter.Items[1].Kind = 1;
    h.Scatter.Items[1].Table.Add(0.1f, 7.24786f);
    h.Scatter.Items[1].Table.Add(0.0f, 8.0f);
    std::vector<std::string> lines = Lines(InputFileText(m));
    EXPECT_EQ(lines[5], "Fe     0.000   0.000   0.000   0.000");
    EXPECT_EQ(lines[6],
              " 11.7695   4.7611   7.3573   0.3072   3.5222  15.3535   2.3045 -176.880   1.0369");
    EXPECT_EQ(lines[8], "  0.0000   8.0000");
    EXPECT_EQ(lines[9], "  0.1000   7.2479");
    EXPECT_EQ(lines[10], "-100.0000  0.0000");
    TRietveld back = ReadText(InputFileText(m));
    const auto& entries = back.Histograms[0].Scatter.Items;
    EXPECT_NEAR(entries[0].Coeff[7], -176.8805f, 0.001f);
    EXPECT_FLOAT_EQ(entries[0].Coeff[8], 1.0369f);
    EXPECT_FLOAT_EQ(entries[1].Table.Y(1), 7.2479f);
}

TEST(InputWriter, SafeWriteReplacesOnlyCompleteFiles) {
    TempFolder folder;
    TRietveld m = DefaultModel();
    const std::string target = folder / "model.inp";
    { std::ofstream(target) << "old content"; }
    WriteInputFile(m, target);
    EXPECT_EQ(FileText(target), InputFileText(m));
    EXPECT_EQ(folder.EntryCount(), 1u); // no temporary file left behind

    // A model that cannot be written leaves the old file as it was.
    TRietveld empty;
    EXPECT_THROW(WriteInputFile(empty, target), std::runtime_error);
    EXPECT_EQ(FileText(target), InputFileText(m));

    // A target that cannot be replaced: the error names the file, nothing is left.
    fs::create_directory(folder / "taken.inp");
    try {
        WriteInputFile(m, folder / "taken.inp");
        ADD_FAILURE() << "expected an error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("taken.inp"), std::string::npos);
    }
    EXPECT_EQ(folder.EntryCount(), 2u);
    EXPECT_THROW(WriteInputFile(m, folder / "no/such/folder.inp"), std::runtime_error);
}
