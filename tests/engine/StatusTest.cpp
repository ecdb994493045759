// Every failure a user can cause ends in its status code, never in a crash.
#include "EngineTestSupport.h"
#include "ParameterTable.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

using namespace koralix;
using namespace koralix::engine;
using namespace koralix::engine::test;

namespace {

struct TBrokenCase {
    const char* name;
    int status;
    // Changes the model (written as the input file) and the start arguments.
    std::function<void(TRietveld&, TStartArguments&, const TempFolder&)> breakIt;
};

void WriteText(const std::string& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

std::string ReadText(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

const TBrokenCase Cases[] = {
    {"MissingInput", Status::InputFile,
     [](TRietveld&, TStartArguments& a, const TempFolder& f) { a.Input = f.File("none.inp"); }},
    {"GarbledInput", Status::InputContent,
     [](TRietveld&, TStartArguments& a, const TempFolder& f) {
         // A cell edge too large for a single: the reader stops with an error.
         a.Input = f.File("garbled.inp");
         std::ifstream in(std::string(KORALIX_EXAMPLES) + "/corundum.inp", std::ios::binary);
         std::string text((std::istreambuf_iterator<char>(in)), {});
         text.replace(text.find(" 12.9910"), 8, "9.99E+99");
         WriteText(a.Input, text);
     }},
    {"OutputNotWritable", Status::OutputFile,
     [](TRietveld&, TStartArguments& a, const TempFolder& f) {
         a.Output = f.File("no/such/dir.out");
     }},
    {"MissingData", Status::DataFile,
     [](TRietveld&, TStartArguments& a, const TempFolder& f) { a.DataName = f.File("absent"); }},
    {"EmptyData", Status::DataFirstLine,
     [](TRietveld&, TStartArguments& a, const TempFolder& f) {
         a.DataName = f.File("empty");
         WriteText(a.DataName + ".xy", "title only\n");
     }},
    {"BrokenDataLine", Status::DataLines,
     [](TRietveld&, TStartArguments& a, const TempFolder& f) {
         a.DataName = f.File("broken");
         WriteText(a.DataName + ".xy", "title\n20.0 100\n20.02 1x0\n20.04 100\n");
     }},
    {"MoreHistogramsThanAllowed", Status::Histograms,
     [](TRietveld&, TStartArguments& a, const TempFolder&) { a.Histograms = MaxHistograms + 1; }},
    {"MoreVariablesThanIdsz", Status::Variables,
     [](TRietveld&, TStartArguments& a, const TempFolder&) { a.Idsz = 3; }},
    {"UnknownJobType", Status::JobType,
     [](TRietveld& m, TStartArguments&, const TempFolder&) { m.Histograms[0].JobType = 8; }},
    {"UnknownAtomType", Status::Scattering,
     [](TRietveld& m, TStartArguments&, const TempFolder&) {
         m.Phases[0].Atoms[0].AtomType = "QQ  ";
     }},
    {"UnknownSpaceGroup", Status::SpaceGroup,
     [](TRietveld& m, TStartArguments&, const TempFolder&) { m.Phases[0].SpaceGroup = "Q 9 9"; }},
    {"ImpossibleCellAngles", Status::SpaceGroup,
     [](TRietveld& m, TStartArguments&, const TempFolder&) {
         m.Phases[0].Alpha = m.Phases[0].Beta = m.Phases[0].Gamma = 120;
     }},
    {"NoReflectionsInRange", Status::NoReflections,
     [](TRietveld& m, TStartArguments&, const TempFolder&) {
         m.Histograms[0].ThetaMin = 20;
         m.Histograms[0].ThetaMax = 22;
     }},
    {"MissingBackgroundFile", Status::BackgroundFile,
     [](TRietveld& m, TStartArguments&, const TempFolder&) {
         m.Histograms[0].Background.Kind = BkgDataFile;
     }},
    {"AmorphousDistanceZero", Status::AmorphousZero,
     [](TRietveld& m, TStartArguments&, const TempFolder&) {
         m.Histograms[0].Background.Kind = BkgAmorphous;
         m.Histograms[0].Background.Coeff = {100, 50, 0, 0, 0, 0};
     }},
    {"UserPointsAtOneAngle", Status::InterpolationZero,
     [](TRietveld& m, TStartArguments&, const TempFolder&) {
         m.Histograms[0].Background.Kind = BkgUserPoints;
         m.Histograms[0].Background.AddPoint(30, 100);
         m.Histograms[0].Background.AddPoint(30, 120);
     }},
    // The corundum pattern runs from 20 to 120 degrees: a peak wider than
    // those 100 degrees cannot be told from the background.
    {"RunawayCagliotiU", Status::Unstable,
     [](TRietveld& m, TStartArguments&, const TempFolder&) { m.Samples[0].U = 708000; }},
    {"PeakWiderThanThePattern", Status::Unstable,
     [](TRietveld& m, TStartArguments&, const TempFolder&) {
         m.Samples[0].U = m.Samples[0].V = 0;
         m.Samples[0].W = 110 * 110;
     }},
};

class StatusTest : public ::testing::TestWithParam<TBrokenCase> {};

TEST_P(StatusTest, StartReportsTheFailure) {
    TempFolder folder;
    const std::string examples = KORALIX_EXAMPLES;
    TRietveld model = ReadModel(examples + "/corundum.inp");
    TStartArguments args;
    args.Histograms = 1;
    args.Input = folder.File("model.inp");
    args.DataName = examples + "/corundum";
    args.Output = folder.File("model.out");
    args.BaseName = folder.File("model");
    GetParam().breakIt(model, args, folder);
    if (args.Input == folder.File("model.inp")) WriteInputFile(model, args.Input);
    TEngine engine;
    EXPECT_EQ(engine.Start(args), GetParam().status);
    bool finished = false;
    EXPECT_NE(engine.Iterate(1, finished), Status::Ok) << "no cycle after a failed start";
}

INSTANTIATE_TEST_SUITE_P(BrokenInputs, StatusTest, ::testing::ValuesIn(Cases),
                         [](const auto& info) { return std::string(info.param.name); });

// Two parameters that act on the pattern in exactly the same way (the
// histogram scale and the phase scale of a one-phase pattern) make the normal
// matrix singular: the cycle reports an unstable refinement instead of shifting.
TEST(UnstableRefinement, SingularSystemGivesStatus200) {
    TempFolder folder;
    const std::string examples = KORALIX_EXAMPLES;
    TRietveld model = ReadModel(examples + "/corundum.inp");
    model.Parameters.AddFree({1, 0, 0, 14}, 161); // the histogram scale beside the phase scale
    model.CodeCount = 16;
    TEngine engine;
    ASSERT_EQ(engine.StartModel(model, examples + "/corundum", folder.File("model.out")), 0);
    bool finished = false;
    EXPECT_EQ(engine.Iterate(1, finished), Status::Unstable);
}

// A parameter the pattern does not depend on at all is held, not shifted.
TEST(UnstableRefinement, ParameterWithoutEffectIsHeld) {
    TempFolder folder;
    const std::string examples = KORALIX_EXAMPLES;
    TRietveld model = ReadModel(examples + "/corundum.inp");
    model.Parameters.AddFree({1, 1, 0, 21}, 161); // a TOF shape parameter of a CW histogram
    model.CodeCount = 16;
    TEngine engine;
    ASSERT_EQ(engine.StartModel(model, examples + "/corundum", folder.File("model.out")), 0);
    bool finished = false;
    EXPECT_EQ(engine.Iterate(1, finished), Status::Ok);
    double value = 1, esd = 1;
    EXPECT_EQ(engine.GetParameter({1, 1, 0, 21}, value, esd), 0);
    EXPECT_EQ(value, 0.0);
    EXPECT_EQ(engine.HeldNotes().size(), 1u);
}

// When no refined parameter has any effect there is nothing to refine.
TEST(UnstableRefinement, NothingButParametersWithoutEffectGivesStatus200) {
    TempFolder folder;
    const std::string examples = KORALIX_EXAMPLES;
    TRietveld model = ReadModel(examples + "/corundum.inp");
    model.Parameters.Clear();
    model.Parameters.AddFree({1, 1, 0, 21}, 11);
    model.CodeCount = 1;
    TEngine engine;
    ASSERT_EQ(engine.StartModel(model, examples + "/corundum", folder.File("model.out")), 0);
    bool finished = false;
    EXPECT_EQ(engine.Iterate(1, finished), Status::Unstable);
}

// Widths are checked against the pattern's range before any peak is drawn:
// up to the whole range the refinement starts, beyond it it is refused, and
// the listing says why.
struct TWidthCase {
    const char* name;
    double fwhm; // degrees, the same at every angle
    int status;
};

class PeakWidthLimit : public ::testing::TestWithParam<TWidthCase> {};

TEST_P(PeakWidthLimit, StartsOnlyWhenThePeaksFitThePattern) {
    TempFolder folder;
    const std::string examples = KORALIX_EXAMPLES;
    TRietveld model = ReadModel(examples + "/corundum.inp");
    model.Samples[0].U = model.Samples[0].V = 0;
    model.Samples[0].W = static_cast<float>(GetParam().fwhm * GetParam().fwhm);
    TEngine engine;
    EXPECT_EQ(engine.StartModel(model, examples + "/corundum", folder.File("model.out")),
              GetParam().status);
    const bool listed =
        ReadText(folder.File("model.out")).find("wider (FWHM up to") != std::string::npos;
    EXPECT_EQ(listed, GetParam().status != Status::Ok);
}

INSTANTIATE_TEST_SUITE_P(Fwhm, PeakWidthLimit,
                         ::testing::Values(TWidthCase{"Ordinary", 0.1, Status::Ok},
                                           TWidthCase{"NearlyTheWholeRange", 95, Status::Ok},
                                           TWidthCase{"JustBeyondTheRange", 101, Status::Unstable},
                                           TWidthCase{"Runaway", 5000, Status::Unstable}),
                         [](const auto& info) { return std::string(info.param.name); });

// A runaway width set into an open refinement is refused like one read from
// the input file: the value stays as it was and the refinement goes on.
TEST(RunawayWidths, SettingOneIntoAnOpenRefinementIsRefused) {
    TempFolder folder;
    const std::string examples = KORALIX_EXAMPLES;
    TEngine engine;
    ASSERT_EQ(engine.StartModel(ReadModel(examples + "/corundum.inp"), examples + "/corundum",
                                folder.File("model.out")),
              Status::Ok);
    const TAddress u{1, 1, 0, ParamType::SampleU};
    double before = 0, esd = 0;
    engine.GetParameter(u, before, esd);
    EXPECT_EQ(engine.SetParameter(u, 708000), Status::Unstable);
    double after = 0;
    engine.GetParameter(u, after, esd);
    EXPECT_EQ(after, before);
    bool finished = false;
    EXPECT_EQ(engine.Iterate(1, finished), Status::Ok);
}

} // namespace
