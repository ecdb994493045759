// DBWS input-file import.
#include "Messenger.h"
#include "ModelImport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace koralix {
namespace {

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

std::vector<std::string> Head(const std::string& jobLine, const std::string& switches) {
    return {"DBWS title",
            jobLine,
            switches,
            "  1.5406  1.5444    0.50            7.0     0.8     0.0    20.0",
            "  10 0.1 0.9 0.8 0.7 0.6  10.000   0.020 120.000",
            "  0.0000 10.0000", // excluded region
            "      40",         // code count
            "  0.0100",         // zero
            "   21.00"};        // zero code
}

std::vector<std::string> Phase(const std::string& name, const std::string& scale) {
    return {name,
            "   1   0    0.0 0.0 1.0",
            "F M 3 M",
            "O1  O          0.25000 0.25000 0.25000 0.50000 0.04167",
            "                 31.00    0.00    0.00   41.00    0.00",
            "  0.0000  0.0000  0.0000  0.0000  0.0000  0.0000",
            "    0.00    0.00    0.00    0.00    0.00    0.00",
            scale + "  0.1000",
            "   11.00    0.00",
            "  0.0100 -0.0100  0.0200",
            "    0.00    0.00   61.00",
            "  5.4000  5.4000  5.4000 90.0000 90.0000 90.0000",
            "   51.00   51.00   51.00    0.00    0.00    0.00",
            "  1.0000          0.0500",
            "    0.00            71.00",
            "  0.1000  0.2000  0.3000",
            "    0.00    0.00    0.00",
            "skipped 1",
            "skipped 2",
            "skipped 3",
            "skipped 4"};
}

TEST(DbwsImport, RecordsOfOnePhase) {
    std::vector<std::string> lines = Head("   1   6   1   0   1   0", "0020000003");
    // Nine-column fields.
    lines.push_back("   10.000    1.000    2.000    3.000    4.000    5.000");
    lines.push_back("     0.00     0.00    81.00     0.00     0.00     0.00");
    for (const std::string& l : Phase("Ceria", "  0.0010"))
        lines.push_back(l);
    RecordingMessenger messenger;
    TRietveld model;
    ImportDbwsText(model, Join(lines), messenger);
    ASSERT_TRUE(model.Loaded) << (messenger.messages.empty() ? "" : messenger.messages[0]);
    const THistogram& h = model.Histogram(1);
    EXPECT_EQ(h.JobType, 1);
    EXPECT_EQ(h.Profile, 2);
    EXPECT_EQ(model.IPC, 1); // 2 becomes 1
    EXPECT_EQ(model.PlotFileType, 3);
    EXPECT_FLOAT_EQ(h.Wave2, 1.5444f);
    EXPECT_FLOAT_EQ(model.AsymLimit, 20.0f);
    EXPECT_FLOAT_EQ(model.Relax[3], 0.6f);
    EXPECT_FLOAT_EQ(h.ThetaStep, 0.02f);
    EXPECT_FLOAT_EQ(h.Excluded.Regions.X(0), 0.0f);
    EXPECT_FLOAT_EQ(h.Zero, 0.01f);
    EXPECT_FLOAT_EQ(h.Background.Coeff[5], 5.0f);
    EXPECT_EQ(model.Parameters.CodeOf({1, 0, 0, 4}), 81.0f);
    const TPhase& p = model.Phase(1);
    EXPECT_EQ(p.Z, 1); // 0 reads as 1
    ASSERT_EQ(p.AtomCount(), 1);
    EXPECT_FLOAT_EQ(p.Atoms[0].N, 0.04167f);
    EXPECT_FLOAT_EQ(p.OverallB, 0.1f);
    const TSample& s = model.Samples.at(0);
    EXPECT_FLOAT_EQ(s.Gam2, 0.3f);
    EXPECT_FLOAT_EQ(s.POL, 1.0f);
    EXPECT_EQ(model.Parameters.CodeOf({0, 1, 1, 4}), 41.0f);
    EXPECT_EQ(model.Parameters.CodeOf({1, 1, 0, 14}), 71.0f);
}

TEST(DbwsImport, ProfileAndPlotSwitches) {
    struct Case {
        const char* job;
        int profile;
        const char* switches;
        int ipc;
    } cases[] = {{"   0   4   0   1   0   0", 2, "0030000000", 3},
                 {"   0   5   0   1   0   0", 4, "0010000000", 1}};
    for (const Case& c : cases) {
        RecordingMessenger messenger;
        TRietveld model;
        ImportDbwsText(model, Join(Head(c.job, c.switches)), messenger);
        ASSERT_TRUE(model.Loaded);
        EXPECT_EQ(model.Histogram(1).Profile, c.profile);
        EXPECT_EQ(model.Histogram(1).Background.Kind, 1); // count 1: no points, no terms
        EXPECT_EQ(model.IPC, c.ipc);
    }
}

TEST(DbwsImport, ErrorInTheThirdPhaseKeepsTheFirstTwo) {
    std::vector<std::string> lines = Head("   1   6   3   1   1   0", "0000000000");
    for (const char* name : {"one", "two"})
        for (const std::string& l : Phase(name, "  0.0010"))
            lines.push_back(l);
    for (const std::string& l : Phase("three", "  1e+999"))
        lines.push_back(l);
    RecordingMessenger messenger;
    TRietveld model;
    ImportDbwsText(model, Join(lines), messenger);
    EXPECT_FALSE(model.Loaded);
    ASSERT_EQ(messenger.messages.size(), 1u);
    EXPECT_EQ(messenger.messages[0], "Error reading a numeric value at line 3");
    EXPECT_EQ(model.PhaseCount(), 2);
    EXPECT_EQ(model.Parameters.CodeOf({0, 2, 0, 6}), 51.0f);
}

TEST(DbwsImport, MissingFile) {
    RecordingMessenger messenger;
    TRietveld model;
    ImportDbws(model, "/nonexistent/x.dwb", messenger);
    ASSERT_EQ(messenger.messages.size(), 1u);
    EXPECT_EQ(messenger.messages[0], "Input file File does not exist");
}

} // namespace
} // namespace koralix
