// libkoradll.so through the program's own driver: start, cycles, queries,
// plot arrays, parameter access and the updated input file.
#include "EngineTestSupport.h"
#include "ParameterTable.h"
#include "PlotData.h"
#include "Refine.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace koralix;
using namespace koralix::engine::test;

namespace {

class LibraryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string examples = KORALIX_EXAMPLES;
        std::filesystem::copy_file(examples + "/corundum.xy", folder.File("corundum.xy"));
        model = ReadModel(examples + "/corundum.inp");
        refine.LibraryPath = KORALIX_ENGINE_LIBRARY;
        refine.Model = &model;
        refine.DataName = folder.File("corundum");
        refine.BaseName = folder.File("corundum");
    }

    TempFolder folder;
    TRietveld model;
    RecordingMessenger messages;
    TRefine refine{messages};
};

TEST_F(LibraryTest, RefinesThroughTheDriver) {
    refine.StartRefinement();
    ASSERT_EQ(refine.State(), RefineState::Started)
        << (messages.messages.empty() ? "" : messages.messages[0]);
    EXPECT_TRUE(messages.messages.empty());
    const float startRwp = refine.GetRwp(1);
    float lastRwp = startRwp;
    for (int cycle = 0; cycle < 30 && refine.State() != RefineState::Finished; ++cycle) {
        refine.StepRefinement();
        ASSERT_NE(refine.State(), RefineState::Closed) << messages.messages.back();
        lastRwp = refine.GetRwp(1);
    }
    EXPECT_EQ(refine.State(), RefineState::Finished);
    EXPECT_LT(lastRwp, 0.6f * startRwp);
    EXPECT_GT(refine.GetChi2(1), 0.8f);
    EXPECT_LT(refine.GetChi2(1), 1.2f);

    // Cell edge a (code 13, shared with b): value and esd by identity and by number.
    EXPECT_NEAR(refine.GetParValue(0, 1, 0, 6), 4.7602f, 0.0005f);
    EXPECT_GT(refine.GetParEsd(0, 1, 0, 6), 0.0f);
    EXPECT_FLOAT_EQ(refine.GetParValue(0, 1, 0, 7), refine.GetParValue(0, 1, 0, 6));
    EXPECT_GT(refine.GetParEsd(1, 0, 0, 1), 0.0f); // zero, through getpar2

    TPlotData plot;
    refine.GetPlot(plot, 1);
    ASSERT_EQ(plot.PointCount, 5001);
    EXPECT_FLOAT_EQ(plot.X[0], 20.0f);
    EXPECT_GT(plot.ReflectionCount(), 40);
    EXPECT_EQ(plot.ReflPhase(1), 1);
    for (int i = 0; i < plot.PointCount; i += 500)
        EXPECT_GT(plot.YCalc[size_t(i)], 50.0f);

    EXPECT_EQ(refine.SetParValue(0, 1, 0, 1, 0.002f), 0);
    EXPECT_FLOAT_EQ(refine.GetParValue(0, 1, 0, 1), 0.002f);

    refine.CloseRefinement(true);
    EXPECT_EQ(refine.LastError, 0);
    const TRietveld updated = ReadModel(folder.File("corundum.upd"));
    EXPECT_FLOAT_EQ(updated.Phases[0].Scale, 0.002f);
    EXPECT_NEAR(updated.Phases[0].C, 12.9935f, 0.002f);
    EXPECT_TRUE(std::filesystem::exists(folder.File("corundum.out")));
}

// An atom of zero occupancy gives the pattern nothing: its refined x is held
// and the user is told through the driver, while the refinement goes on.
TEST_F(LibraryTest, AParameterWithoutEffectIsToldAndTheRefinementGoesOn) {
    AddEmptyAtom(model);
    model.Parameters.AddFree({0, 1, 3, ParamType::AtomX}, 161);
    model.CodeCount = model.Parameters.FreeCount() + 10;
    refine.StartRefinement();
    ASSERT_EQ(refine.State(), RefineState::Started)
        << (messages.messages.empty() ? "" : messages.messages[0]);
    EXPECT_TRUE(refine.Notes().empty()) << "found by the first cycle's normal matrix";
    refine.StepRefinement();
    EXPECT_EQ(refine.LastError, 0);
    EXPECT_EQ(refine.State(), RefineState::Cycled);
    ASSERT_EQ(refine.Notes().size(), 1u);
    EXPECT_NE(refine.Notes()[0].find("x (  GH)"), std::string::npos) << refine.Notes()[0];
    EXPECT_NE(refine.Notes()[0].find("held: the calculated pattern does not depend on it"),
              std::string::npos)
        << refine.Notes()[0];
    EXPECT_EQ(messages.notices, refine.Notes());
    EXPECT_TRUE(messages.messages.empty()) << ::testing::PrintToString(messages.messages);
    EXPECT_FLOAT_EQ(refine.GetParValue(0, 1, 3, ParamType::AtomX), 0.1f);
    refine.StepRefinement();
    EXPECT_NE(refine.State(), RefineState::Closed);
    EXPECT_EQ(messages.notices.size(), 1u) << "told once";
    refine.CloseRefinement(false);
    EXPECT_EQ(refine.LastError, 0);
}

TEST_F(LibraryTest, BrokenInputIsReportedAndTheLibraryUnloaded) {
    model.Phases[0].SpaceGroup = "Q 9 9";
    refine.StartRefinement();
    EXPECT_EQ(refine.State(), RefineState::Closed);
    EXPECT_EQ(refine.LastError, 51);
    ASSERT_FALSE(messages.messages.empty());
    EXPECT_EQ(messages.messages.back(), "Error in space group");
    EXPECT_FALSE(refine.IsLoaded());
}

} // namespace
