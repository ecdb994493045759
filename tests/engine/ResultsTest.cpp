// What the engine derives from a refined structure: bond distances, angles and
// bond-valence sums, Fourier and Patterson maps, radial distribution functions.
// Distances are checked against gemmi's own nearest-image search.
#include "EngineTestSupport.h"
#include "FourierLayout.h"

#include <gemmi/symmetry.hpp>
#include <gemmi/unitcell.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

using namespace koralix;
using namespace koralix::engine;
using namespace koralix::engine::test;

namespace {

std::string Slurp(const std::string& file) {
    std::ifstream in(file);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

// The bundled corundum example refined against its simulated pattern.
class RefinedCorundum : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = new TempFolder;
        const std::string examples = KORALIX_EXAMPLES;
        std::filesystem::copy_file(examples + "/corundum.xy", folder_->File("corundum.xy"));
        engine_ = new TEngine;
        ASSERT_EQ(engine_->StartModel(ReadModel(examples + "/corundum.inp"),
                                      folder_->File("corundum"), folder_->File("corundum.out")),
                  0);
        RunToEnd(*engine_, 15);
    }
    static void TearDownTestSuite() {
        delete engine_;
        delete folder_;
    }

    // gemmi's cell with the images of the phase's space group.
    static gemmi::UnitCell GemmiCell() {
        const TPhase& p = engine_->Model().Phases[0];
        gemmi::UnitCell cell(p.A, p.B, p.C, p.Alpha, p.Beta, p.Gamma);
        cell.set_cell_images_from_spacegroup(gemmi::find_spacegroup_by_name("R -3 c"));
        return cell;
    }
    static gemmi::Position Site(int atom) {
        const TAtom& a = engine_->Model().Phases[0].Atoms[size_t(atom)];
        return GemmiCell().orthogonalize(gemmi::Fractional(a.X, a.Y, a.Z));
    }
    // The shortest distance from `position` to any image of atom `atom`.
    static double Nearest(const gemmi::Position& position, int atom) {
        const gemmi::UnitCell cell = GemmiCell();
        return std::sqrt(cell.find_nearest_image(position, Site(atom), gemmi::Asu::Any).dist_sq);
    }

    static TempFolder* folder_;
    static TEngine* engine_;
};

TempFolder* RefinedCorundum::folder_ = nullptr;
TEngine* RefinedCorundum::engine_ = nullptr;

TEST_F(RefinedCorundum, ShortestBondsAreGemmis) {
    const TPhaseGeometry g = engine_->Geometry(1);
    ASSERT_FALSE(g.Bonds.empty());
    for (int centre = 0; centre < 2; ++centre) {
        const int other = 1 - centre;
        double shortest = 1e9;
        for (const TBond& b : g.Bonds)
            if (b.Centre == centre && b.Other == other) shortest = std::min(shortest, b.Distance);
        EXPECT_NEAR(shortest, Nearest(Site(centre), other), 1e-4) << "centre " << centre;
    }
    // Corundum: each Al has three O near 1.86 A and three near 1.97 A.
    int near = 0, far = 0;
    for (const TBond& b : g.Bonds)
        if (b.Centre == 0 && b.Other == 1) {
            near += std::abs(b.Distance - 1.86) < 0.05;
            far += std::abs(b.Distance - 1.97) < 0.05;
            EXPECT_GT(b.Esd, 0);
            EXPECT_LT(b.Esd, 0.05);
        }
    EXPECT_EQ(near, 3);
    EXPECT_EQ(far, 3);
}

TEST_F(RefinedCorundum, BondValenceSumsMatchTheOxidationStates) {
    const TPhaseGeometry g = engine_->Geometry(1);
    ASSERT_EQ(g.Sums.size(), 2u);
    EXPECT_EQ(g.Sums[0].State, 3);
    EXPECT_EQ(g.Sums[1].State, -2);
    EXPECT_NEAR(g.Sums[0].Sum, 3.0, 0.25);
    EXPECT_NEAR(g.Sums[1].Sum, 2.0, 0.2);
    EXPECT_GT(g.Sums[0].Esd, 0);
}

TEST_F(RefinedCorundum, AnglesAroundAnAtomCloseTheOctahedron) {
    const TPhaseGeometry g = engine_->Geometry(1);
    int straight = 0;
    for (const TBondAngle& a : g.Angles) {
        const TBond& b1 = g.Bonds[a.First];
        const TBond& b2 = g.Bonds[a.Second];
        if (a.Centre == 0 && b1.Other == 1 && b2.Other == 1 && a.Angle > 160) ++straight;
        EXPECT_GE(a.Angle, 0);
        EXPECT_LE(a.Angle, 180);
    }
    EXPECT_EQ(straight, 3); // the three trans pairs of a distorted octahedron
}

TEST_F(RefinedCorundum, ObservedFourierPeaksSitOnTheAtoms) {
    std::vector<double> rho;
    ASSERT_EQ(engine_->FourierGrid(1, 1, 0, rho), 0);
    std::vector<float> map(MapSize);
    ArrangeSlices(rho, 3, map.data());
    const auto peaks = MapPeaks(map.data(), 3, 30);
    ASSERT_EQ(peaks.size(), 30u);
    const gemmi::UnitCell cell = GemmiCell();
    // 12 Al and 18 O per hexagonal cell: the 30 highest maxima, Al first.
    for (size_t k = 0; k < peaks.size(); ++k) {
        const gemmi::Position at = cell.orthogonalize(gemmi::Fractional(peaks[k].X, peaks[k].Y, peaks[k].Z));
        const double toAl = Nearest(at, 0), toO = Nearest(at, 1);
        EXPECT_LT(std::min(toAl, toO), 0.15) << "peak " << k;
        if (k < 12) {
            EXPECT_LT(toAl, 0.15) << "peak " << k;
        }
    }
}

TEST_F(RefinedCorundum, MapTypesDifferAsTheirCoefficients) {
    std::vector<double> obs, calc, diff;
    ASSERT_EQ(engine_->FourierGrid(1, 1, 0, obs), 0);
    ASSERT_EQ(engine_->FourierGrid(1, 1, 1, calc), 0);
    ASSERT_EQ(engine_->FourierGrid(1, 1, 2, diff), 0);
    double worst = 0, top = 0;
    for (size_t i = 0; i < obs.size(); ++i) {
        worst = std::max(worst, std::abs(obs[i] - calc[i] - diff[i]));
        top = std::max(top, std::abs(obs[i]));
    }
    EXPECT_LT(worst, 1e-9 * top);
    // A fitted pattern leaves a flat difference map.
    double largestDiff = 0;
    for (double v : diff)
        largestDiff = std::max(largestDiff, std::abs(v));
    EXPECT_LT(largestDiff, 0.2 * top);
    EXPECT_EQ(engine_->FourierGrid(1, 1, 6, obs), Status::HistogramRange);
    EXPECT_EQ(engine_->FourierGrid(2, 1, 0, obs), Status::HistogramRange);
}

TEST_F(RefinedCorundum, PattersonOriginPeakIsHighest) {
    for (int type : {3, 4}) {
        std::vector<double> rho;
        ASSERT_EQ(engine_->FourierGrid(1, 1, type, rho), 0);
        std::vector<float> map(MapSize);
        ArrangeSlices(rho, 1, map.data());
        const auto peaks = MapPeaks(map.data(), 1, 2);
        ASSERT_FALSE(peaks.empty());
        auto atOrigin = [](double f) { return std::min(f, 1 - f) < 1e-6; };
        EXPECT_TRUE(atOrigin(peaks[0].X) && atOrigin(peaks[0].Y) && atOrigin(peaks[0].Z))
            << "type " << type << " peak at " << peaks[0].X << " " << peaks[0].Y << " "
            << peaks[0].Z;
    }
}

TEST_F(RefinedCorundum, PairDistributionPeaksAtTheNearestNeighbours) {
    // Sharp atoms, so that the Al-O shells at 1.86 and 1.97 A stay apart.
    TEngine sharp;
    ASSERT_EQ(sharp.StartModel(engine_->Model(), folder_->File("corundum"), ""), 0);
    for (int atom : {1, 2})
        ASSERT_EQ(sharp.SetParameter({0, 1, atom, 4}, 0.02), 0);
    std::vector<double> g;
    ASSERT_EQ(sharp.RadialDistribution(1, 1, 10.0, 0.01, g), 0);
    ASSERT_EQ(g.size(), 1000u);
    size_t first = 1;
    while (first + 1 < g.size() && !(g[first] > 0.5 && g[first] >= g[first + 1]))
        ++first;
    const double shortest = Nearest(Site(0), 1); // Al-O, the shortest pair in corundum
    EXPECT_NEAR(0.01 * double(first), shortest, 0.011);
    EXPECT_DOUBLE_EQ(g[0], 0);
    // With the refined B the shells blur, and far away g(r) levels out at 1.
    ASSERT_EQ(engine_->RadialDistribution(1, 1, 10.0, 0.01, g), 0);
    double mean = 0;
    for (size_t i = 800; i < 1000; ++i)
        mean += g[i] / 200;
    EXPECT_NEAR(mean, 1.0, 0.15);
}

TEST_F(RefinedCorundum, CoordinationCountsTheFirstShell) {
    std::vector<double> n;
    ASSERT_EQ(engine_->RadialDistribution(1, 5, 10.0, 0.01, n), 0);
    // Below the first shell nothing; N(r) never falls.
    EXPECT_NEAR(n[100], 0, 1e-9);
    EXPECT_GT(n[220], 1);
    for (size_t i = 1; i < n.size(); ++i)
        EXPECT_GE(n[i], n[i - 1] - 1e-12);
    // T(r) = 4 pi r rho0 <b>^2 g(r) and D(r) = 4 pi r rho0 <b>^2 (g(r) - 1).
    std::vector<double> t, d, pdf;
    ASSERT_EQ(engine_->RadialDistribution(1, 4, 10.0, 0.01, t), 0);
    ASSERT_EQ(engine_->RadialDistribution(1, 3, 10.0, 0.01, d), 0);
    ASSERT_EQ(engine_->RadialDistribution(1, 1, 10.0, 0.01, pdf), 0);
    for (size_t i = 100; i < 1000; i += 37)
        EXPECT_NEAR((t[i] - d[i]) * pdf[i], t[i], 1e-6 * std::abs(t[i]) + 1e-9);
}

TEST(BondFiles, CloseWritesDistancesAndSumsWithTheirSource) {
    TempFolder folder;
    const std::string examples = KORALIX_EXAMPLES;
    std::filesystem::copy_file(examples + "/corundum.xy", folder.File("corundum.xy"));
    TRietveld model = ReadModel(examples + "/corundum.inp");
    model.Rmin = 1.5f;
    model.Rmax = 2.5f;
    TEngine engine;
    ASSERT_EQ(engine.StartModel(model, folder.File("corundum"), folder.File("run.out")), 0);
    RunToEnd(engine, 3);
    ASSERT_EQ(engine.Close(false), 0);
    const std::string ang = Slurp(folder.File("run.ang"));
    const std::string dst = Slurp(folder.File("run.dst"));
    EXPECT_NE(ang.find("distances from 1.500 to 2.500 A"), std::string::npos) << ang;
    EXPECT_NE(ang.find("AL    O     "), std::string::npos) << ang;
    EXPECT_EQ(ang.find(" 2.7"), std::string::npos) << "a distance beyond Rmax: " << ang;
    EXPECT_NE(dst.find("Brese"), std::string::npos);
    EXPECT_NE(dst.find("global instability index"), std::string::npos) << dst;
}

} // namespace
