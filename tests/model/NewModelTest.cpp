#include "InputFile.h"
#include "Messenger.h"
#include "NewModel.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>

using namespace koralix;

namespace {

TInstrumentSetup CuKa() {
    TInstrumentSetup i;
    i.Pol = 1;
    i.Gamma = 0.2;
    i.Stop = 80;
    return i;
}

TInstrumentSetup Tof() {
    TInstrumentSetup i;
    i.Radiation = 2;
    i.Profile = 6;
    i.Wave1 = 10000;
    i.Start = 2000;
    i.Stop = 20000;
    i.Step = 5;
    return i;
}

} // namespace

TEST(NewModel, JobTypeByKindAndRadiation) {
    const int data[] = {0, 1, 4, 6}, calculation[] = {2, 3, 5, 7};
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(NewJobType(true, r), data[r]);
        EXPECT_EQ(NewJobType(false, r), calculation[r]);
    }
}

struct WizardCase {
    std::string name;
    std::vector<TNewHistogram> histograms;
    std::vector<int32_t> atoms;
    friend void PrintTo(const WizardCase& c, std::ostream* os) { *os << c.name; }
};

class NewModelCases : public ::testing::TestWithParam<WizardCase> {};

TEST_P(NewModelCases, BuildsWritesAndReadsBack) {
    const WizardCase& c = GetParam();
    TRietveld model;
    model.Title = "old";
    model.AddPhase();
    BuildNewModel(model, c.histograms, c.atoms);
    ASSERT_TRUE(model.Loaded);
    ASSERT_EQ(model.HistogramCount(), int(c.histograms.size()));
    ASSERT_EQ(model.PhaseCount(), int(c.atoms.size()));
    EXPECT_EQ(model.Samples.size(), c.histograms.size() * c.atoms.size());
    for (int h = 1; h <= model.HistogramCount(); ++h) {
        const TNewHistogram& choice = c.histograms[size_t(h - 1)];
        const THistogram& x = model.Histogram(h);
        EXPECT_EQ(x.JobType, NewJobType(choice.DataFile, choice.Instrument.Radiation));
        EXPECT_EQ(x.Profile, choice.Instrument.Profile + 1);
        EXPECT_FLOAT_EQ(x.ThetaMax, float(choice.Instrument.Stop));
        EXPECT_EQ(model.IsRefined({h, 0, 0, 2}), choice.DataFile) << "background refined with data";
        for (int p = 1; p <= model.PhaseCount(); ++p)
            EXPECT_FLOAT_EQ(model.FindSample(h, p)->Gam0, float(choice.Instrument.Gamma));
    }
    for (int p = 1; p <= model.PhaseCount(); ++p) {
        EXPECT_EQ(model.Phase(p).AtomCount(), c.atoms[size_t(p - 1)]);
        EXPECT_EQ(model.Phase(p).CalcMethod, c.atoms[size_t(p - 1)] == 0 ? 1 : 0);
        EXPECT_TRUE(model.IsRefined({0, p, 0, 1})) << "phase scale";
    }

    const auto file = std::filesystem::temp_directory_path() / ("koralix-new-" + c.name + ".inp");
    RecordingMessenger messages;
    WriteInputFile(model, file.string());
    TRietveld back;
    ReadInputFile(back, file.string(), messages);
    ASSERT_TRUE(back.Loaded) << (messages.messages.empty() ? "" : messages.messages[0]);
    EXPECT_EQ(back.Histograms, model.Histograms);
    EXPECT_EQ(back.Samples, model.Samples);
    EXPECT_EQ(back.Parameters.FreeCount(), model.Parameters.FreeCount());
    std::filesystem::remove(file);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, NewModelCases,
    ::testing::Values(WizardCase{"defaults", {{true, CuKa()}}, {1}},
                      WizardCase{"extraction", {{true, CuKa()}}, {0}},
                      WizardCase{"calculation_and_tof",
                                 {{true, CuKa()}, {false, Tof()}, {false, Tof()}},
                                 {2, 0, 5}}),
    [](const auto& info) { return info.param.name; });
