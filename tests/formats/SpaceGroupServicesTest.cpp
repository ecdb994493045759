#include "SpaceGroupServices.h"
#include "SpaceGroupLibrary.h"
#include "SpaceGroupResolver.h"
#include "SpaceGroupTable.h"

#include <gtest/gtest.h>

#include <limits>

namespace koralix {
namespace {

// Point-group order and crystal system by space-group number, from the
// International Tables, to check the library against an independent source.
struct TNumberRange {
    int last;
    int pointGroupOrder;
    int crystalSystem;
};
const TNumberRange Ranges[] = {
    {1, 1, csTriclinic},     {2, 2, csTriclinic},      {9, 2, csMonoclinic},
    {15, 4, csMonoclinic},   {46, 4, csOrthorhombic},  {74, 8, csOrthorhombic},
    {82, 4, csTetragonal},   {88, 8, csTetragonal},    {122, 8, csTetragonal},
    {142, 16, csTetragonal}, {146, 3, csTrigonalHex},  {148, 6, csTrigonalHex},
    {161, 6, csTrigonalHex}, {167, 12, csTrigonalHex}, {174, 6, csHexagonal},
    {176, 12, csHexagonal},  {190, 12, csHexagonal},   {194, 24, csHexagonal},
    {199, 12, csCubic},      {206, 24, csCubic},       {214, 24, csCubic},
    {220, 24, csCubic},      {230, 48, csCubic},
};

const TNumberRange& RangeOf(int number) {
    for (const TNumberRange& range : Ranges)
        if (number <= range.last) return range;
    return Ranges[0];
}

// Lattice points per cell; R groups count on hexagonal axes.
int CentringOf(char lattice) {
    switch (lattice) {
    case 'A':
    case 'B':
    case 'C':
    case 'I':
        return 2;
    case 'F':
        return 4;
    case 'R':
        return 3;
    default:
        return 1;
    }
}

TEST(SpaceGroupServices, EveryTableSymbolHasItsCrystalSystemAndGeneralMultiplicity) {
    for (int n = 1; n <= SpaceGroupCount; ++n) {
        const std::string symbol = SpaceGroupSymbol(n);
        SCOPED_TRACE(std::to_string(n) + " " + symbol);
        const TNumberRange& range = RangeOf(n);
        TCrystalSystem system = CrystalSystem(symbol);
        EXPECT_EQ(system.Code, range.crystalSystem);
        EXPECT_EQ(system.UniqueAxis, range.crystalSystem == csMonoclinic ? 2 : 0);
        EXPECT_EQ(GeneralMultiplicity(symbol), range.pointGroupOrder * CentringOf(symbol[0]));
        EXPECT_EQ(SiteMultiplicity(symbol, 0.1234f, 0.2345f, 0.3678f), GeneralMultiplicity(symbol));
    }
}

TEST(SpaceGroupServices, CaseAndBlanksDoNotMatter) {
    EXPECT_EQ(CrystalSystem("  p 21/c  ").Code, csMonoclinic);
    EXPECT_EQ(GeneralMultiplicity("  f m 3 m "), 192);
    EXPECT_EQ(SiteMultiplicity(" i a 3 d", 0, 0, 0), 16);
}

TEST(SpaceGroupServices, AxesAndSettingsDecideTheSystem) {
    EXPECT_EQ(CrystalSystem("R -3 M").Code, csTrigonalHex);
    EXPECT_EQ(CrystalSystem("R -3 M R").Code, csTrigonalRh);
    EXPECT_EQ(CrystalSystem("R 3:R").Code, csTrigonalRh);
    EXPECT_EQ(GeneralMultiplicity("R -3 M"), 36);
    EXPECT_EQ(GeneralMultiplicity("R -3 M R"), 12);
    EXPECT_EQ(CrystalSystem("P 1 1 21/B").UniqueAxis, 3);
    EXPECT_EQ(CrystalSystem("P 21/B 1 1").UniqueAxis, 1);
    EXPECT_EQ(CrystalSystem("C 2/C").UniqueAxis, 2);
}

TEST(SpaceGroupServices, InvalidSymbolsAreUnknownWithNoMultiplicity) {
    for (const char* symbol : {"", "P 7", "XYZ", "P 21/C:1", "123456789012345678901 P 1"}) {
        SCOPED_TRACE(symbol);
        EXPECT_EQ(CrystalSystem(symbol).Code, csUnknown);
        EXPECT_EQ(CrystalSystem(symbol).UniqueAxis, 0);
        EXPECT_EQ(GeneralMultiplicity(symbol), 0);
        EXPECT_EQ(SiteMultiplicity(symbol, 0, 0, 0), 0);
    }
    EXPECT_EQ(CrystalSystemName(csUnknown), "Unknown SG");
}

TEST(SpaceGroupServices, SymbolsLongerThanTheBufferAreUnknown) {
    EXPECT_EQ(CrystalSystem("P 1 21/c 1          ").Code, csMonoclinic); // trimmed first
    EXPECT_EQ(CrystalSystem("P 1 21/c 1 {setting b}").Code, csUnknown);
}

TEST(SpaceGroupServices, CrystalSystemNamesAreThePhaseEditors) {
    const char* names[] = {"Triclinic",  "Monoclinic",   "Orthorhombic",
                           "Tetragonal", "Trigonal[Rh]", "Trigonal[Hex]",
                           "Hexagonal",  "Cubic",        "Unknown SG"};
    for (int code = 0; code <= 8; ++code)
        EXPECT_EQ(CrystalSystemName(code), names[code]);
    EXPECT_EQ(CrystalSystemName(-1), "Unknown SG");
    EXPECT_EQ(CrystalSystemName(9), "Unknown SG");
}

struct TSite {
    const char* symbol;
    float x, y, z;
    int multiplicity;
};

class SpecialPositions : public testing::TestWithParam<TSite> {};

TEST_P(SpecialPositions, HaveTheirWyckoffMultiplicity) {
    const TSite& site = GetParam();
    EXPECT_EQ(SiteMultiplicity(site.symbol, site.x, site.y, site.z), site.multiplicity);
}

const TSite Sites[] = {
    {"F M 3 M", 0, 0, 0, 4},             // 4a
    {"F M 3 M", 0.5f, 0.5f, 0.5f, 4},    // 4b
    {"F M 3 M", 0.25f, 0.25f, 0.25f, 8}, // 8c
    {"F M 3 M", 0.2f, 0, 0, 24},         // 24e
    {"F M 3 M", 0.2f, 0.2f, 0.2f, 32},   // 32f
    {"F M 3 M", 1.0f / 108, 1.0f / 54, 1.0f / 36, 192},
    {"F D 3 M", 0.125f, 0.125f, 0.125f, 8},       // 8a, origin 2
    {"F D 3 M", 0, 0, 0, 16},                     // 16c, origin 2
    {"F D 3 M", 0.5f, 0.5f, 0.5f, 16},            // 16d, origin 2
    {"F D -3 M:1", 0, 0, 0, 8},                   // 8a, origin 1
    {"F D -3 M:1", 0.625f, 0.625f, 0.625f, 16},   // 16d, origin 1
    {"P 63/M M C", 0.3333f, 0.6667f, 0.25f, 2},   // 2c with four-digit thirds
    {"P 63/M M C", 0.333f, 0.667f, 0.25f, 2},     // and three-digit thirds
    {"P 63/M M C", 0.3333f, 0.6667f, 0.0625f, 4}, // 4f
    {"P 63/M M C", 0, 0, 0, 2},                   // 2a
    {"P 63/M M C", 0.1667f, 0.3333f, 0.25f, 6},   // 6h
    {"P -3 M 1", 0, 0, 0, 1},                     // 1a
    {"P -3 M 1", 0.3333f, 0.6667f, 0.2467f, 2},   // 2d (MgI2's iodine)
    {"P 21/C", 0, 0, 0, 2},
    {"P 21/C", 0.5f, 0, 0.5f, 2},
    {"P 21/C", 0.1f, 0.2f, 0.3f, 4},
    {"I A 3 D", 0.125f, 0, 0.25f, 24},    // 24c
    {"I A 3 D", 0.375f, 0, 0.25f, 24},    // 24d
    {"I A 3 D", 0.3f, 0.3f, 0.3f, 32},    // 32e
    {"R -3 M", 0, 0, 0, 3},               // 3a, hexagonal axes
    {"R -3 M", 0, 0, 0.3f, 6},            // 6c
    {"R -3 M R", 0, 0, 0, 1},             // 1a, rhombohedral axes
    {"R -3 M R", 0.3f, 0.3f, 0.3f, 2},    // 2c
    {"P 4/N B M", 0.75f, 0.25f, 0.5f, 2}, // origin 2, as in K3NaSn3Se8
    {"P 4/N B M", 0.25f, 0.25f, 0, 2},
    {"P 4/N B M", 0.25f, 0.25f, 0.2773f, 4},
    {"P M 3 M", 0.5f, 0.5f, 0.2021f, 6}, // LaB6's boron, 6f
    {"P 1", 0.5f, 0.5f, 0.5f, 1},
    {"P -1", 0.5f, 0, 0.5f, 1},
    {"P -1", 0.125f, 0, 0.5f, 2},
    {"P 21/C", 1.0f, -1.0f, 2.0f, 2}, // lattice translations of the origin
};

std::string SiteName(const testing::TestParamInfo<TSite>& info) {
    std::string name = std::to_string(info.index) + "_";
    for (char c : std::string(info.param.symbol))
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Sites, SpecialPositions, testing::ValuesIn(Sites), SiteName);

TEST(SpaceGroupServices, CoordinatesThatAreNoNumbersHaveNoMultiplicity) {
    EXPECT_EQ(SiteMultiplicity("P M 3 M", std::numeric_limits<float>::quiet_NaN(), 0, 0), 0);
    EXPECT_EQ(SiteMultiplicity("P M 3 M", std::numeric_limits<float>::infinity(), 0, 0), 0);
}

TEST(SpaceGroupLibrary, FillsTheInfoFieldsTheProgramReads) {
    char symbol[21] = "P 1 1 21/B          ";
    float position[3] = {0, 0, 0};
    int32_t info[10];
    int32_t error = -1;
    spacegp(symbol, position, info, &error);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(info[0], LaueMonoclinic);
    EXPECT_EQ(info[1], 4);
    EXPECT_EQ(info[2], 2);
    EXPECT_EQ(info[7], 3);

    char unknown[21] = "NOT A GROUP         ";
    spacegp(unknown, position, info, &error);
    EXPECT_NE(error, 0);
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(info[k], 0);
}

TEST(SpaceGroupLibrary, LaueCodesTellTrigonalClassesApart) {
    struct {
        const char* symbol;
        int laue;
    } cases[] = {{"P -1", 1},   {"C 2/M", 2},    {"P B C A", 3},   {"I 41/A", 4}, {"P 4/M M M", 5},
                 {"R 3 R", 6},  {"R 3 2 R", 7},  {"P 31", 8},      {"R -3", 8},   {"P 3 2 1", 9},
                 {"R 3 M", 9},  {"P 3 1 2", 10}, {"P -3 1 C", 10}, {"P -6", 11},  {"P -6 2 M", 12},
                 {"P A 3", 13}, {"P 42 3 2", 14}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.symbol);
        EXPECT_EQ(LaueCodeOf(*ResolveSpaceGroup(c.symbol)), c.laue);
    }
}

} // namespace
} // namespace koralix
