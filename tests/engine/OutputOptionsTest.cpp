// The model's output and correction options: the preferred-orientation
// summation over equivalents, the F^2 limit, the sections of the listing each
// switch adds, and the plot and reflection files written beside the listing.
#include "EngineTestSupport.h"
#include "ParameterTable.h"
#include "PreferredOrientation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <set>
#include <sstream>

using namespace koralix;
using namespace koralix::engine;
using namespace koralix::engine::test;

namespace {

namespace fs = std::filesystem;

std::string Slurp(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TRietveld Corundum() {
    return ReadModel(std::string(KORALIX_EXAMPLES) + "/corundum.inp");
}

// The corundum example against its simulated pattern, in a folder of its own.
class CorundumRun {
  public:
    explicit CorundumRun(const TRietveld& model, int cycles = 3) {
        fs::copy_file(std::string(KORALIX_EXAMPLES) + "/corundum.xy", folder_.File("corundum.xy"));
        EXPECT_EQ(engine_.StartModel(model, Base(), Base() + ".out"), 0);
        RunToEnd(engine_, cycles);
    }
    TEngine& Engine() { return engine_; }
    std::string Base() const { return folder_.File("corundum"); }
    // Closes the refinement; the listing and the files beside it are then complete.
    std::string Close() {
        EXPECT_EQ(engine_.Close(false), 0);
        return Slurp(Base() + ".out");
    }

  private:
    TempFolder folder_;
    TEngine engine_;
};

const TReflectionResult* Find(const std::vector<TReflectionResult>& list, const Hkl& h) {
    for (const TReflectionResult& r : list)
        if (r.H == h) return &r;
    return nullptr;
}

// ---- preferred orientation: representative or summed over equivalents ----

struct TPreferredCase {
    const char* name;
    float h, k, l; // the preferred axis
    bool choiceMatters;
};

void PrintTo(const TPreferredCase& c, std::ostream* os) { *os << c.name; }

class PreferredOrientationSummation : public ::testing::TestWithParam<TPreferredCase> {};

// In R-3c the equivalents of (1 0 4) all make the same angle with c*, but
// different angles with a*.
TEST_P(PreferredOrientationSummation, ChangesTheIntensityOnlyWhereEquivalentsDiffer) {
    const TPreferredCase& c = GetParam();
    double intensity[2] = {0, 0};
    for (int summed = 0; summed <= 1; ++summed) {
        TRietveld model = Corundum();
        model.IPREF = summed;
        model.Samples[0].PO = 0.7f;
        model.Samples[0].POH = c.h;
        model.Samples[0].POK = c.k;
        model.Samples[0].POL = c.l;
        CorundumRun run(model, 0);
        const TReflectionResult* r = Find(run.Engine().ReflectionResults(1, 1), {1, 0, 4});
        ASSERT_NE(r, nullptr);
        intensity[summed] = r->ICalc;
    }
    if (c.choiceMatters)
        EXPECT_GT(std::abs(intensity[1] - intensity[0]), 0.01 * intensity[1]);
    else
        EXPECT_NEAR(intensity[1], intensity[0], 1e-9 * intensity[1]);
}

INSTANTIATE_TEST_SUITE_P(Axes, PreferredOrientationSummation,
                         ::testing::Values(TPreferredCase{"AlongCStar", 0, 0, 1, false},
                                           TPreferredCase{"AlongAStar", 1, 0, 0, true},
                                           TPreferredCase{"Oblique", 1, 1, 2, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// The set of equivalents of h, generated from h itself with the group's
// rotations and Friedel's law.
TReflection FromRepresentative(const Hkl& h, const TPhaseSymmetry& symmetry) {
    TReflection r;
    r.H = h;
    std::set<Hkl> all;
    for (const TSymOp& op : symmetry.Ops) {
        Hkl e{};
        for (int j = 0; j < 3; ++j)
            e[size_t(j)] = h[0] * op.Rot[0][size_t(j)] + h[1] * op.Rot[1][size_t(j)] +
                           h[2] * op.Rot[2][size_t(j)];
        all.insert(e);
        all.insert({-e[0], -e[1], -e[2]});
    }
    r.Equivalents.assign(all.begin(), all.end());
    return r;
}

TEST(PreferredOrientationSummation, SummedFactorIsTheSameWhicheverEquivalentRepresentsTheSet) {
    TPhaseSymmetry symmetry;
    ASSERT_TRUE(PrepareSymmetry("R -3 c", symmetry));
    const gemmi::UnitCell cell(4.7589, 4.7589, 12.991, 90, 90, 120);
    TSample sample;
    sample.POH = 1;
    sample.POK = 0;
    sample.POL = 0;
    for (const Hkl& h : std::vector<Hkl>{{1, 0, 4}, {1, 1, 3}, {1, 1, 6}, {2, 1, 4}}) {
        const TReflection first = FromRepresentative(h, symmetry);
        const double summed = MarchDollase(cell, first, sample, 0.7, true);
        std::set<double> alone;
        for (const Hkl& e : first.Equivalents) {
            const TReflection other = FromRepresentative(e, symmetry);
            EXPECT_NEAR(MarchDollase(cell, other, sample, 0.7, true), summed, 1e-12)
                << h[0] << h[1] << h[2] << " from " << e[0] << e[1] << e[2];
            alone.insert(std::round(1e9 * MarchDollase(cell, other, sample, 0.7, false)));
        }
        // Each representative alone gives its own factor: the choice is arbitrary.
        EXPECT_GT(alone.size(), 1u) << h[0] << h[1] << h[2];
    }
}

// ---- the F^2 limit ----

TEST(F2Limit, LeavesWeakReflectionsOutOfTheListButNotOutOfThePattern) {
    TRietveld model = Corundum();
    CorundumRun all(model, 0);
    const std::vector<TReflectionResult> every = all.Engine().ReflectionResults(1, 1);
    ASSERT_GT(every.size(), 10u);
    std::vector<double> f2;
    for (const TReflectionResult& r : every)
        f2.push_back(r.F2Calc);
    std::sort(f2.begin(), f2.end());
    const double limit = f2[f2.size() / 2];

    model.F2Limit = static_cast<float>(limit);
    model.LST1 = 1;
    CorundumRun limited(model, 0);
    const std::vector<TReflectionResult> strong = limited.Engine().ReflectionResults(1, 1);
    EXPECT_LT(strong.size(), every.size());
    size_t expected = 0;
    for (const TReflectionResult& r : every)
        expected += r.F2Calc >= static_cast<float>(limit);
    EXPECT_EQ(strong.size(), expected);
    for (const TReflectionResult& r : strong)
        EXPECT_GE(r.F2Calc, static_cast<float>(limit));
    // The weak reflections still belong to the calculated pattern.
    EXPECT_EQ(limited.Engine().Calculated(1), all.Engine().Calculated(1));
    EXPECT_NE(limited.Close().find("left out"), std::string::npos);
}

// ---- observed intensities ----

TEST(ReflectionResults, ObservedFollowsCalculatedAfterAFitAndEqualsItWithoutData) {
    CorundumRun run(Corundum(), 10);
    double obs = 0, calc = 0;
    int within = 0, strong = 0;
    for (const TReflectionResult& r : run.Engine().ReflectionResults(1, 1)) {
        obs += r.IObs;
        calc += r.ICalc;
        EXPECT_NEAR(r.F2Obs / r.F2Calc, r.IObs / r.ICalc, 1e-9);
        EXPECT_GE(r.F2Sigma, 0);
        if (r.F2Calc > 0.05 * r.F2Obs && r.F2Sigma > 0 && r.IObs > 20 * r.ISigma) {
            ++strong;
            within += std::abs(r.F2Obs - r.F2Calc) < 4 * r.F2Sigma;
        }
    }
    EXPECT_NEAR(obs / calc, 1, 0.02);
    ASSERT_GT(strong, 5);
    EXPECT_GE(within, strong * 8 / 10);

    TRietveld calculation = Corundum();
    calculation.Histograms[0].JobType = 2;
    TEngine engine;
    ASSERT_EQ(engine.StartModel(calculation, "", ""), 0);
    for (const TReflectionResult& r : engine.ReflectionResults(1, 1)) {
        EXPECT_EQ(r.F2Obs, r.F2Calc);
        EXPECT_EQ(r.F2Sigma, 0);
    }
}

// A Le Bail phase: its F^2 is the extracted intensity, which after a few
// cycles is what the pattern shows; it has no phase angle.
TEST(ReflectionResults, LeBailIntensitiesAreTheObservedOnes) {
    TRietveld model = Corundum();
    MakeLeBail(model, 1);
    CorundumRun run(model, 5);
    int strong = 0;
    for (const TReflectionResult& r : run.Engine().ReflectionResults(1, 1)) {
        EXPECT_EQ(r.PhaseAngle, 0);
        if (r.IObs > 20 * r.ISigma) {
            ++strong;
            EXPECT_NEAR(r.F2Obs / r.F2Calc, 1, 0.05) << r.H[0] << r.H[1] << r.H[2];
        }
    }
    EXPECT_GT(strong, 5);
}

// ---- listing sections ----

struct TSectionCase {
    const char* name;
    std::function<void(TRietveld&, int)> set;
    const char* heading;
};

void PrintTo(const TSectionCase& c, std::ostream* os) { *os << c.name; }

class ListingSection : public ::testing::TestWithParam<TSectionCase> {};

TEST_P(ListingSection, AppearsOnlyWhenItsSwitchIsOn) {
    const TSectionCase& c = GetParam();
    for (int on = 0; on <= 1; ++on) {
        TRietveld model = Corundum();
        for (auto* flag : {&model.IOT, &model.IPC, &model.MAT, &model.LST1, &model.LST2,
                           &model.LST3, &model.IPL1})
            *flag = 0;
        c.set(model, on);
        CorundumRun run(model, 1);
        const std::string listing = run.Close();
        EXPECT_EQ(listing.find(c.heading) != std::string::npos, on == 1)
            << c.heading << (on ? " missing" : " present with the switch off");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Switches, ListingSection,
    ::testing::Values(
        TSectionCase{"IOT", [](TRietveld& m, int on) { m.IOT = on; },
                     "Observed and calculated intensities"},
        TSectionCase{"IPC", [](TRietveld& m, int on) { m.IPC = on; }, "Integrated intensities"},
        TSectionCase{"MAT", [](TRietveld& m, int on) { m.MAT = on; }, "Correlation matrix"},
        TSectionCase{"LST1", [](TRietveld& m, int on) { m.LST1 = on; }, "Reflections of phase 1"},
        TSectionCase{"LST2", [](TRietveld& m, int on) { m.LST2 = on; },
                     "Input step intensities"},
        TSectionCase{"LST3", [](TRietveld& m, int on) { m.LST3 = on; },
                     "Merged reflection list"},
        TSectionCase{"IPL1", [](TRietveld& m, int on) { m.IPL1 = on; },
                     "Symmetry operators of phase 1"}),
    [](const auto& info) { return std::string(info.param.name); });

// The numbers in the sections: one row per point, per reflection, per operator.
TEST(ListingSection, RowsMatchPointsReflectionsAndOperators) {
    TRietveld model = Corundum();
    model.IOT = model.LST1 = model.LST2 = model.LST3 = model.IPL1 = 1;
    CorundumRun run(model, 1);
    const size_t points = run.Engine().Data(1).X.size();
    const size_t reflections = run.Engine().ReflectionResults(1, 1).size();
    const std::vector<std::string> lines = Lines(run.Close());
    auto rowsAfter = [&](const std::string& heading) {
        auto it = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
            return l.rfind(heading, 0) == 0;
        });
        if (it == lines.end()) return size_t(0);
        it += 2; // the heading and the column names
        size_t n = 0;
        while (it != lines.end() && !it->empty() && (*it)[0] == ' ') {
            ++n;
            ++it;
        }
        return n;
    };
    EXPECT_EQ(rowsAfter("Observed and calculated intensities"), points);
    EXPECT_EQ(rowsAfter("Input step intensities"), points);
    EXPECT_EQ(rowsAfter("Reflections of phase 1"), reflections);
    EXPECT_EQ(rowsAfter("Merged reflection list"), reflections);
    const std::vector<TReflectionResult> list = run.Engine().ReflectionResults(1, 1);
    EXPECT_TRUE(std::is_sorted(list.begin(), list.end(), [](const auto& a, const auto& b) {
        return a.Position < b.Position;
    }));
    // R-3c: 12 operators without the centring, listed with the R centring below.
    EXPECT_EQ(rowsAfter("Symmetry operators of phase 1"), 12u + 2u);
}

TEST(ListingSection, PrintUListsThermalParametersAsU) {
    double listed[2] = {0, 0};
    for (int printU = 0; printU <= 1; ++printU) {
        TRietveld model = Corundum();
        model.PrintU = printU;
        CorundumRun run(model, 1);
        const std::string label = model.LabelOf(TParameter({0, 1, 1, ParamType::AtomB}, 10));
        std::string expected = label;
        if (printU) expected[expected.find(": B") + 2] = 'U';
        bool found = false;
        for (const std::string& line : Lines(run.Close())) {
            if (line.size() < 40 || line.substr(6, expected.size()) != expected ||
                line.substr(6 + expected.size(), 34 - expected.size()).find_first_not_of(' ') !=
                    std::string::npos)
                continue;
            listed[printU] = std::stod(line.substr(40, 12));
            found = true;
        }
        ASSERT_TRUE(found) << expected;
    }
    EXPECT_NEAR(listed[1], listed[0] / (8 * std::numbers::pi * std::numbers::pi),
                1e-4 * listed[0]);
}

// ---- plot and reflection files ----

struct TPlotCase {
    int type;
    const char* columns;
    bool reflections;
};

void PrintTo(const TPlotCase& c, std::ostream* os) { *os << "plot file type " << c.type; }

class PlotFile : public ::testing::TestWithParam<TPlotCase> {};

TEST_P(PlotFile, HoldsOneRowPerPointInTheColumnsOfItsType) {
    const TPlotCase& c = GetParam();
    TRietveld model = Corundum();
    model.PlotFileType = c.type;
    CorundumRun run(model, 1);
    const size_t points = run.Engine().Data(1).X.size();
    const std::vector<double> calc = run.Engine().Calculated(1);
    run.Close();
    const std::string file = TEngine::PlotFileName(run.Base());
    if (c.type == 0) {
        EXPECT_FALSE(fs::exists(file));
        return;
    }
    const std::vector<std::string> lines = Lines(Slurp(file));
    ASSERT_GE(lines.size(), points + 2);
    EXPECT_EQ(lines[1], c.columns);
    // The third column is the calculated pattern.
    for (size_t i : {size_t(0), points / 2, points - 1}) {
        std::istringstream row(lines[2 + i]);
        double x = 0, yobs = 0, ycalc = 0;
        ASSERT_TRUE(row >> x >> yobs >> ycalc) << lines[2 + i];
        EXPECT_NEAR(x, run.Engine().Data(1).X[i], 1e-4);
        EXPECT_NEAR(ycalc, calc[i], 0.006);
    }
    EXPECT_EQ(lines.size() > 2 + points && lines[2 + points] == "Reflections", c.reflections);
}

INSTANTIATE_TEST_SUITE_P(
    Types, PlotFile,
    ::testing::Values(TPlotCase{0, "", false},
                      TPlotCase{1, "X\tYobs\tYcalc\tYobs-Ycalc\tBackground", false},
                      TPlotCase{2, "X Yobs Ycalc Yobs-Ycalc", true},
                      TPlotCase{3, "X Yobs Ycalc (Yobs-Ycalc)/Esd", false},
                      TPlotCase{4, "X Yobs Ycalc Yobs-Ycalc Background Esd", true}),
    [](const auto& info) { return "Type" + std::to_string(info.param.type); });

struct TFourierCase {
    int type;
    int fields;       // numbers on a reflection line
    bool terminated;  // ends with a line of zero indices
    bool equivalents; // every equivalent written
};

void PrintTo(const TFourierCase& c, std::ostream* os) {
    *os << "reflection file type " << c.type;
}

class FourierFile : public ::testing::TestWithParam<TFourierCase> {};

TEST_P(FourierFile, HoldsTheReflectionsInTheLayoutOfItsType) {
    const TFourierCase& c = GetParam();
    TRietveld model = Corundum();
    model.FourierFileType = c.type;
    CorundumRun run(model, 1);
    const std::vector<TReflectionResult> list = run.Engine().ReflectionResults(1, 1);
    run.Close();
    const std::string file = TEngine::FourierFileName(run.Base());
    if (c.type == 0) {
        EXPECT_FALSE(fs::exists(file));
        return;
    }
    std::vector<std::string> lines = Lines(Slurp(file));
    if (c.terminated) {
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back().substr(0, 12), "   0   0   0");
        lines.pop_back();
    }
    size_t expected = 0;
    for (const TReflectionResult& r : list)
        expected += c.equivalents ? r.Equivalents.size() : 1;
    ASSERT_EQ(lines.size(), expected);
    std::set<Hkl> seen;
    // SHELX's fixed columns (3I4, 2F8.2) may touch; the others are apart.
    auto numbers = [&](const std::string& line) {
        std::string spaced = line;
        if (c.type <= 2)
            for (size_t at : {20, 12, 8, 4})
                if (spaced.size() > at) spaced.insert(at, " ");
        std::istringstream row(spaced);
        std::vector<double> v;
        for (double x; row >> x;)
            v.push_back(x);
        return v;
    };
    for (const std::string& line : lines) {
        const std::vector<double> v = numbers(line);
        ASSERT_EQ(v.size(), size_t(c.fields)) << line;
        seen.insert({int(v[0]), int(v[1]), int(v[2])});
    }
    EXPECT_EQ(seen.size(), lines.size()); // no reflection twice
    // The first reflection's numbers as its type names them.
    const TReflectionResult& r = list.front();
    const std::vector<double> first = numbers(lines.front());
    const double a = first[3], b = first[4];
    switch (c.type) {
    case 3: EXPECT_NEAR(a, r.F2Obs, 0.01); break;
    case 4: EXPECT_NEAR(a, r.F2Calc, 0.01); break;
    case 5:
        EXPECT_NEAR(a, std::sqrt(r.F2Obs), 0.001);
        EXPECT_NEAR(b, std::sqrt(r.F2Calc), 0.001);
        break;
    default: break;
    }
}

INSTANTIATE_TEST_SUITE_P(Types, FourierFile,
                         ::testing::Values(TFourierCase{0, 0, false, false},
                                           TFourierCase{1, 5, true, true},
                                           TFourierCase{2, 5, true, false},
                                           TFourierCase{3, 5, false, false},
                                           TFourierCase{4, 5, false, false},
                                           TFourierCase{5, 5, false, false},
                                           TFourierCase{6, 7, false, false}),
                         [](const auto& info) { return "Type" + std::to_string(info.param.type); });

// Two phases give two blocks, each headed by its histogram, phase and name.
TEST(FourierFile, HoldsOneHeadedBlockPerPhase) {
    TRietveld model = CorundumWithPbSO4(std::string(KORALIX_EXAMPLES) + "/corundum.inp");
    model.FourierFileType = 4;
    CorundumRun run(model, 0);
    const size_t counts[] = {run.Engine().ReflectionResults(1, 1).size(),
                             run.Engine().ReflectionResults(1, 2).size()};
    run.Close();
    const std::vector<std::string> lines = Lines(Slurp(TEngine::FourierFileName(run.Base())));
    ASSERT_EQ(lines.size(), counts[0] + counts[1] + 2);
    EXPECT_EQ(lines[0], "# histogram 1 phase 1 " + model.Phases[0].Name);
    EXPECT_EQ(lines[counts[0] + 1], "# histogram 1 phase 2 " + model.Phases[1].Name);
}

} // namespace
