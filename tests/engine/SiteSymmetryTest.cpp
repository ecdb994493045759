// Atoms on special positions keep them: the ties of each Wyckoff site, and
// refinements that hold what the site fixes.
#include "EngineTestSupport.h"
#include "ParameterTable.h"
#include "SiteSymmetry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

using namespace koralix;
using namespace koralix::engine;
using namespace koralix::engine::test;

namespace {

struct TSiteCase {
    const char* name;
    const char* group;
    std::array<double, 6> cell;
    double x, y, z;
    int multiplicity;
    std::array<const char*, 3> coordinates; // how x, y, z follow the free terms
    std::array<const char*, 6> anisotropic; // how B11..B23 follow
};

constexpr std::array<double, 6> Hexagonal{4.76, 4.76, 12.99, 90, 90, 120};
constexpr std::array<double, 6> Cubic{5.4, 5.4, 5.4, 90, 90, 90};

const TSiteCase SiteCases[] = {
    {"TriclinicInversionCentre", "P -1", {5.1, 5.2, 9.2, 90.4, 99.2, 90.2}, 0, 0.5, 0, 1,
     {"fixed", "fixed", "fixed"}, {"B11", "B22", "B33", "B12", "B13", "B23"}},
    {"MonoclinicMirror", "P 1 2/m 1", {5.1, 5.2, 9.2, 90, 99.2, 90}, 0.12, 0.5, 0.31, 2,
     {"x", "fixed", "z"}, {"B11", "B22", "B33", "fixed", "B13", "fixed"}},
    {"OrthorhombicMirror", "P n m a", {8.48, 5.40, 6.96, 90, 90, 90}, 0.188, 0.25, 0.167, 4,
     {"x", "fixed", "z"}, {"B11", "B22", "B33", "fixed", "B13", "fixed"}},
    {"OrthorhombicGeneral", "P n m a", {8.48, 5.40, 6.96, 90, 90, 90}, 0.081, 0.027, 0.809, 8,
     {"x", "y", "z"}, {"B11", "B22", "B33", "B12", "B13", "B23"}},
    {"TetragonalDiagonalMirror", "P 4/m m m", {4.0, 4.0, 6.0, 90, 90, 90}, 0.21, 0.21, 0, 4,
     {"x", "x", "fixed"}, {"B11", "B11", "B33", "B12", "fixed", "fixed"}},
    {"TrigonalThreeFoldAxis", "R -3 c", Hexagonal, 0, 0, 0.35216, 12,
     {"fixed", "fixed", "z"}, {"B11", "B11", "B33", "0.5*B11", "fixed", "fixed"}},
    {"TrigonalTwoFoldAxis", "R -3 c", Hexagonal, 0.30624, 0, 0.25, 18,
     {"x", "fixed", "fixed"}, {"B11", "B22", "B33", "0.5*B22", "B13", "2*B13"}},
    {"HexagonalSixBar", "P 63/m m c", {3.2, 3.2, 5.2, 90, 90, 120}, 1.0 / 3, 2.0 / 3, 0.25, 2,
     {"fixed", "fixed", "fixed"}, {"B11", "B11", "B33", "0.5*B11", "fixed", "fixed"}},
    {"CubicOrigin", "F m -3 m", Cubic, 0, 0, 0, 4,
     {"fixed", "fixed", "fixed"}, {"B11", "B11", "B11", "fixed", "fixed", "fixed"}},
    {"CubicThreeFoldRounded", "F m -3 m", Cubic, 0.3333, 0.3333, 0.3333, 32,
     {"x", "x", "x"}, {"B11", "B11", "B11", "B12", "B12", "B12"}},
};

class SiteTiesTest : public ::testing::TestWithParam<TSiteCase> {};

TEST_P(SiteTiesTest, HoldsAndTiesWhatTheSiteDemands) {
    const TSiteCase& c = GetParam();
    TPhaseSymmetry symmetry;
    ASSERT_TRUE(PrepareSymmetry(c.group, symmetry));
    TPhaseState phase;
    phase.Cell = c.cell;
    const TSiteSymmetry site = SiteSymmetryOf(symmetry, CellOf(phase), c.x, c.y, c.z);
    EXPECT_EQ(site.Multiplicity, c.multiplicity);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(TieText(site.Coordinates, i, {"x", "y", "z"}), c.coordinates[i]) << i;
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(TieText(site.Anisotropic, i, {"B11", "B22", "B33", "B12", "B13", "B23"}),
                  c.anisotropic[i])
            << i;
}

INSTANTIATE_TEST_SUITE_P(Wyckoff, SiteTiesTest, ::testing::ValuesIn(SiteCases),
                         [](const auto& info) { return std::string(info.param.name); });

std::string ReadText(const std::string& file) {
    std::ifstream in(file);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

// The example refined with parameters its pattern cannot determine added.
struct TExampleRun {
    TempFolder folder;
    TEngine engine;
    int status = -1;

    explicit TExampleRun(const std::function<void(TRietveld&)>& change, int cycles = 3) {
        const std::string examples = KORALIX_EXAMPLES;
        std::filesystem::copy_file(examples + "/corundum.xy", folder.File("corundum.xy"));
        TRietveld model = ReadModel(examples + "/corundum.inp");
        change(model);
        model.CodeCount = model.Parameters.FreeCount() + 10;
        status = engine.StartModel(model, folder.File("corundum"), folder.File("corundum.out"));
        for (int c = 1; c <= cycles && status == 0; ++c) {
            bool finished = false;
            status = engine.Iterate(c, finished);
            if (finished) break;
        }
    }
    double Value(const TAddress& a) {
        double value = 0, esd = 0;
        engine.GetParameter(a, value, esd);
        return value;
    }
    std::string Listing() {
        engine.Close(false);
        return ReadText(folder.File("corundum.out"));
    }
};

TEST(SpecialPositionRefinement, AluminiumXStaysOnTheThreeFoldAxis) {
    TExampleRun run([](TRietveld& m) {
        m.Parameters.AddFree({0, 1, 1, ParamType::AtomX}, 161);
        m.Parameters.AddFree({0, 1, 1, ParamType::AtomY}, 171);
    });
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.Value({0, 1, 1, ParamType::AtomX}), 0.0);
    EXPECT_EQ(run.Value({0, 1, 1, ParamType::AtomY}), 0.0);
    EXPECT_LT(run.engine.Agreement(1).Rwp, 20);
    const std::string listing = run.Listing();
    EXPECT_NE(listing.find("P  1: x (AL  ) held: the site symmetry fixes it"), std::string::npos)
        << listing;
}

TEST(SpecialPositionRefinement, AnisotropicTermsKeepTheirTies) {
    TExampleRun run([](TRietveld& m) {
        TAtom& al = m.Phases[0].Atoms[0];
        al.B11 = 0.004f;
        al.B22 = 0.004f;
        al.B33 = 0.0006f;
        al.B12 = 0.002f;
        int code = 16;
        for (int t = ParamType::AtomB11; t <= ParamType::AtomB23; ++t)
            m.Parameters.AddFree({0, 1, 1, t}, static_cast<float>(10 * code++ + 1));
    });
    ASSERT_EQ(run.status, 0);
    const double b11 = run.Value({0, 1, 1, ParamType::AtomB11});
    EXPECT_NE(b11, 0.004);
    EXPECT_NEAR(run.Value({0, 1, 1, ParamType::AtomB22}), b11, 1e-6);
    EXPECT_NEAR(run.Value({0, 1, 1, ParamType::AtomB12}), b11 / 2, 1e-6);
    EXPECT_EQ(run.Value({0, 1, 1, ParamType::AtomB13}), 0.0);
    EXPECT_EQ(run.Value({0, 1, 1, ParamType::AtomB23}), 0.0);
    const std::string listing = run.Listing();
    EXPECT_NE(listing.find("B22 (AL  ) held: the site symmetry ties it, B22 = B11"),
              std::string::npos)
        << listing;
}

struct TIneffectiveCase {
    const char* name;
    std::function<void(TRietveld&)> change;
    TAddress held;
    double value; // where it stays
};

const TIneffectiveCase IneffectiveCases[] = {
    {"EmptySitePosition",
     [](TRietveld& m) {
         AddEmptyAtom(m);
         m.Parameters.AddFree({0, 1, 3, ParamType::AtomY}, 161);
     },
     {0, 1, 3, ParamType::AtomY}, 0.2f},
    {"BackgroundTermNotInUse",
     [](TRietveld& m) { m.Parameters.AddFree({1, 0, 0, ParamType::HistBackground + 9}, 161); },
     {1, 0, 0, ParamType::HistBackground + 9}, 0},
    {"UnusedHistogramTerm",
     [](TRietveld& m) { m.Parameters.AddFree({1, 0, 0, ParamType::HistExtra18}, 161); },
     {1, 0, 0, ParamType::HistExtra18}, 0},
};

class IneffectiveParameterTest : public ::testing::TestWithParam<TIneffectiveCase> {};

TEST_P(IneffectiveParameterTest, IsHeldAndListed) {
    TExampleRun run(GetParam().change);
    ASSERT_EQ(run.status, 0);
    double value = 0, esd = 0;
    run.engine.GetParameter(GetParam().held, value, esd);
    EXPECT_EQ(esd, 0.0);
    EXPECT_EQ(value, GetParam().value);
    EXPECT_LT(run.engine.Agreement(1).Rwp, 20);
    const std::string listing = run.Listing();
    EXPECT_NE(listing.find("held: the calculated pattern does not depend on it"),
              std::string::npos)
        << listing;
}

INSTANTIATE_TEST_SUITE_P(Parameters, IneffectiveParameterTest,
                         ::testing::ValuesIn(IneffectiveCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
