// Structure factors against gemmi's own calculation for the same structure:
// special positions (this program's occupancy N against gemmi's chemical
// occupancy), anisotropic displacement (B = 8 pi^2 U) and f''.
#include "Crystal.h"
#include "SpaceGroupServices.h"

#include <gemmi/it92.hpp>
#include <gemmi/sfcalc.hpp>
#include <gemmi/small.hpp>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>

using namespace koralix;
using namespace koralix::engine;

namespace {

constexpr double EightPi2 = 8 * std::numbers::pi * std::numbers::pi;

struct TSite {
    const char* type;
    double x, y, z, b, occupancy; // chemical occupancy
    std::array<double, 6> bij;    // B11..B23, zero for isotropic
};

struct TStructure {
    const char* name;
    const char* symbol;
    std::array<double, 6> cell;
    std::vector<TSite> sites;
    double wavelength;
};

// f'' as a form factor without angle dependence, so that gemmi computes the
// imaginary part of the atomic scattering factors as a second structure factor.
std::array<double, 120> fDoublePrime{};
struct FppTable {
    struct Coef {
        double value;
        double calculate_sf(double) const { return value; }
    };
    static bool has(gemmi::El) { return true; }
    static Coef get(gemmi::El el) { return {fDoublePrime[static_cast<size_t>(el)]}; }
};

class StructureFactorTest : public ::testing::TestWithParam<TStructure> {};

TEST_P(StructureFactorTest, AgreesWithGemmi) {
    const TStructure& s = GetParam();
    TPhaseSymmetry symmetry;
    ASSERT_TRUE(PrepareSymmetry(s.symbol, symmetry));
    TPhaseState phase;
    phase.Cell = s.cell;
    THistogram histogram; // no scattering entries: built-in tables with Cromer-Liberman f', f''
    std::vector<TFormFactor> forms;

    gemmi::SmallStructure small;
    small.cell = gemmi::UnitCell(s.cell[0], s.cell[1], s.cell[2], s.cell[3], s.cell[4], s.cell[5]);
    small.spacegroup_hm = symmetry.Group->hm;
    gemmi::Addends fPrime;
    for (const TSite& site : s.sites) {
        TFormFactor form;
        ASSERT_TRUE(FindFormFactor(histogram, site.type, false, s.wavelength, form));
        forms.push_back(form);
        const gemmi::Element el(site.type);
        fPrime.set(el, static_cast<float>(form.FPrime));
        fDoublePrime[static_cast<size_t>(el.elem)] = form.FDoublePrime;

        const int siteMultiplicity =
            SiteMultiplicity(s.symbol, static_cast<float>(site.x), static_cast<float>(site.y),
                             static_cast<float>(site.z));
        TAtomState atom;
        atom.X = site.x;
        atom.Y = site.y;
        atom.Z = site.z;
        atom.B = site.b;
        atom.N = site.occupancy * siteMultiplicity / symmetry.GeneralMultiplicity;
        atom.Bij = site.bij;
        phase.Atoms.push_back(atom);

        gemmi::SmallStructure::Site g;
        g.label = site.type;
        g.type_symbol = site.type;
        g.element = el;
        g.fract = gemmi::Fractional(site.x, site.y, site.z);
        g.occ = site.occupancy;
        g.u_iso = site.b / EightPi2;
        g.aniso = {site.bij[0] / EightPi2, site.bij[1] / EightPi2, site.bij[2] / EightPi2,
                   site.bij[3] / EightPi2, site.bij[4] / EightPi2, site.bij[5] / EightPi2};
        small.sites.push_back(g);
    }
    small.setup_cell_images();
    small.change_occupancies_to_crystallographic();

    gemmi::StructureFactorCalculator<gemmi::IT92<double>> real(small.cell);
    real.addends = fPrime;
    gemmi::StructureFactorCalculator<FppTable> imaginary(small.cell);

    const gemmi::UnitCell cell = CellOf(phase);
    const auto reflections = ListReflections(symmetry, cell, 0.9);
    ASSERT_GT(reflections.size(), 20u);
    double largest = 0;
    for (const TReflection& r : reflections)
        largest = std::max(largest,
                           std::abs(StructureFactor(r, false, symmetry, phase, cell, forms, {})));
    for (const TReflection& r : reflections) {
        const gemmi::Miller hkl{{r.H[0], r.H[1], r.H[2]}};
        const std::complex<double> expected =
            real.calculate_sf_from_small_structure(small, hkl) +
            std::complex<double>(0, 1) * imaginary.calculate_sf_from_small_structure(small, hkl);
        const std::complex<double> ours =
            StructureFactor(r, false, symmetry, phase, cell, forms, {});
        EXPECT_NEAR(std::abs(ours - expected), 0, 1e-6 * largest)
            << r.H[0] << " " << r.H[1] << " " << r.H[2] << ": " << ours << " vs " << expected;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Structures, StructureFactorTest,
    ::testing::Values(
        // Special positions 12c and 18e in R -3 c (hexagonal axes), centric.
        TStructure{"CorundumSpecialPositions",
                   "R -3 C",
                   {4.7589, 4.7589, 12.991, 90, 90, 120},
                   {{"Al", 0, 0, 0.35216, 0.19, 1, {}}, {"O", 0.30624, 0, 0.25, 0.33, 1, {}}},
                   1.5406},
        // Anisotropic displacement in P n m a, Pb with large f'' at Cu Kalpha.
        TStructure{"PbSO4Anisotropic",
                   "P n m a",
                   {8.478, 5.396, 6.957, 90, 90, 90},
                   {{"Pb", 0.188, 0.25, 0.167, 0, 1, {0.012, 0.03, 0.02, 0, 0.004, 0}},
                    {"S", 0.063, 0.25, 0.684, 0.5, 1, {}},
                    {"O", 0.908, 0.25, 0.595, 1.9, 1, {}},
                    {"O", 0.194, 0.25, 0.543, 1.5, 1, {}},
                    {"O", 0.081, 0.027, 0.809, 0, 1, {0.02, 0.05, 0.03, 0.004, -0.003, 0.006}}},
                   1.5406},
        // Centrosymmetric rutile with f'' of Ti at Cu Kalpha, partial occupancy on O.
        TStructure{"RutileCentricWithFpp",
                   "P 42/M N M",
                   {4.5937, 4.5937, 2.9587, 90, 90, 90},
                   {{"Ti", 0, 0, 0, 0.4, 1, {}}, {"O", 0.3048, 0.3048, 0, 0.6, 0.9, {}}},
                   1.5406}),
    [](const auto& info) { return std::string(info.param.name); });

// Corundum's cell holds six Al2O3 (Z = 6): 611.8 u from N = 1/3 and 1/2.
TEST(CellMass, FollowsTheOccupancyConvention) {
    TPhaseSymmetry symmetry;
    ASSERT_TRUE(PrepareSymmetry("R -3 C", symmetry));
    TPhaseState phase;
    phase.Atoms.resize(2);
    phase.Atoms[0].N = 1.0 / 3;
    phase.Atoms[1].N = 0.5;
    EXPECT_NEAR(CellMass(phase, {"AL", "O2-"}, symmetry.GeneralMultiplicity), 6 * 101.961, 0.05);
    EXPECT_EQ(ElementOf("CA"), gemmi::El::Ca);
    EXPECT_EQ(ElementOf("Fe3+"), gemmi::El::Fe);
    EXPECT_EQ(ElementOf("??"), gemmi::El::X);
}

} // namespace

namespace {

// A 120 Angstrom axis: every reflection down to 1 Angstrom is listed, the
// indices along it reaching 120.
TEST(ReflectionList, LongAxisKeepsEveryReflectionInRange) {
    koralix::engine::TPhaseSymmetry symmetry;
    ASSERT_TRUE(koralix::engine::PrepareSymmetry("P 1", symmetry));
    const gemmi::UnitCell cell(4, 5, 120, 90, 90, 90);
    const auto list = koralix::engine::ListReflections(symmetry, cell, 1.0);
    int highest = 0;
    size_t expected = 0;
    for (int h = -4; h <= 4; ++h)
        for (int k = -5; k <= 5; ++k)
            for (int l = -120; l <= 120; ++l)
                if ((h || k || l) && cell.calculate_1_d2_double(h, k, l) <= 1.0) ++expected;
    for (const auto& r : list)
        highest = std::max(highest, std::abs(r.H[2]));
    EXPECT_EQ(highest, 120);
    EXPECT_EQ(list.size(), expected / 2); // Friedel pairs merged
}

} // namespace
