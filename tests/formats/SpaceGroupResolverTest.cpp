#include "SpaceGroupResolver.h"
#include "SpaceGroupTable.h"

#include <gtest/gtest.h>

namespace koralix {
namespace {

// Groups with two origins choose origin 2, R groups hexagonal axes and short
// monoclinic symbols unique axis b: the settings powder programs mean.
TEST(ResolveSpaceGroup, EveryTableSymbolNamesItsGroupInThePowderSetting) {
    for (int n = 1; n <= SpaceGroupCount; ++n) {
        std::string symbol = SpaceGroupSymbol(n);
        SCOPED_TRACE(symbol);
        const gemmi::SpaceGroup* group = ResolveSpaceGroup(symbol);
        ASSERT_NE(group, nullptr);
        EXPECT_EQ(group->number, n);
        if (group->ext != 0) {
            EXPECT_TRUE(group->ext == '2' || group->ext == 'H') << group->ext;
        }
        if (n >= 3 && n <= 15) {
            EXPECT_EQ(group->qualifier[0], 'b');
        }
    }
}

struct TSpelling {
    const char* symbol;
    int number;
    char setting; // gemmi's ext: '1', '2', 'H', 'R' or 0
    const char* hm;
};

class SymbolSpellings : public testing::TestWithParam<TSpelling> {};

TEST_P(SymbolSpellings, NameTheExpectedSetting) {
    const TSpelling& expected = GetParam();
    const gemmi::SpaceGroup* group = ResolveSpaceGroup(expected.symbol);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->number, expected.number);
    EXPECT_EQ(group->ext, expected.setting);
    EXPECT_STREQ(group->hm, expected.hm);
}

const TSpelling Spellings[] = {
    {"p 21/c", 14, 0, "P 1 21/c 1"},
    {"   P   21/C   ", 14, 0, "P 1 21/c 1"},
    {"P\t21/c", 14, 0, "P 1 21/c 1"},
    {"P 1 21/c 1", 14, 0, "P 1 21/c 1"},
    {"P21/c", 14, 0, "P 1 21/c 1"},
    {"P 21/n", 14, 0, "P 1 21/n 1"},
    {"P 1 1 21/b", 14, 0, "P 1 1 21/b"},
    {"Fm-3m", 225, 0, "F m -3 m"},
    {"F M 3 M", 225, 0, "F m -3 m"},
    {"Pm3m", 221, 0, "P m -3 m"},
    {"Ia3d", 230, 0, "I a -3 d"},
    {"P 4 3 M", 215, 0, "P -4 3 m"},
    {"F43m", 216, 0, "F -4 3 m"},
    {"P 4 3 2", 207, 0, "P 4 3 2"},
    {"P 43 3 2", 212, 0, "P 43 3 2"},
    {"P 63/m m c", 194, 0, "P 63/m m c"},
    {"P 3 1 2", 149, 0, "P 3 1 2"},
    {"F D 3 M", 227, '2', "F d -3 m"},
    {"F d -3 m:1", 227, '1', "F d -3 m"},
    {"F d -3 m :2", 227, '2', "F d -3 m"},
    {"F d -3 m {origin @ centre (-3m)}", 227, '2', "F d -3 m"},
    {"P 4/N B M", 125, '2', "P 4/n b m"},
    {"p 4/n b m:1", 125, '1', "P 4/n b m"},
    {"R -3 M", 166, 'H', "R -3 m"},
    {"R -3 c:H", 167, 'H', "R -3 c"},
    {"R -3 C R", 167, 'R', "R -3 c"},
    {"R -3 m :R", 166, 'R', "R -3 m"},
    {"r 3 r", 146, 'R', "R 3"},
    {"R 3 H", 146, 'H', "R 3"},
};

std::string SpellingName(const testing::TestParamInfo<TSpelling>& info) {
    std::string name = std::to_string(info.index) + "_";
    for (char c : std::string(info.param.symbol))
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Resolve, SymbolSpellings, testing::ValuesIn(Spellings), SpellingName);

TEST(ResolveSpaceGroup, TextThatNamesNoGroupGivesNothing) {
    for (const char* symbol :
         {"", "   ", "14", "225", "Q 1", "P 7", "P 21/C:1", "R 3:X", "P 1:", ":", "P 1 :12",
          "hello world", "{P 1}", "-P 1", "P 2 2 2 2 2", "\xff\xfe", "F M 3 M:H"}) {
        SCOPED_TRACE(symbol);
        EXPECT_EQ(ResolveSpaceGroup(symbol), nullptr);
    }
    EXPECT_EQ(ResolveSpaceGroup(std::string(5000, 'P')), nullptr);
}

// Whatever setting gemmi knows, the symbol written for it must bring back
// exactly that setting, fit the phase's 20 characters, and be upper case.
TEST(SymbolOfSpaceGroup, RoundTripsEverySetting) {
    for (const gemmi::SpaceGroup& group : gemmi::spacegroup_tables::main) {
        std::string symbol = SymbolOfSpaceGroup(group);
        SCOPED_TRACE(group.xhm() + " -> " + symbol);
        const gemmi::SpaceGroup* back = ResolveSpaceGroup(symbol);
        ASSERT_NE(back, nullptr);
        EXPECT_STREQ(back->hall, group.hall);
        EXPECT_LE(symbol.size(), 20u);
        for (char c : symbol)
            EXPECT_FALSE(c >= 'a' && c <= 'z');
    }
}

TEST(SymbolOfSpaceGroup, PrefersTheTableSymbolThenShortForms) {
    auto symbolOf = [](const char* xhm) { return SymbolOfSpaceGroup(*ResolveSpaceGroup(xhm)); };
    EXPECT_EQ(symbolOf("P 1 21/c 1"), "P 21/C");
    EXPECT_EQ(symbolOf("F d -3 m:2"), "F D 3 M");
    EXPECT_EQ(symbolOf("F d -3 m:1"), "F D -3 M:1");
    EXPECT_EQ(symbolOf("R -3 m:H"), "R -3 M");
    EXPECT_EQ(symbolOf("R -3 m:R"), "R -3 M:R");
    EXPECT_EQ(symbolOf("P 1 21/n 1"), "P 21/N");
    EXPECT_EQ(symbolOf("P 1 1 21/b"), "P 1 1 21/B");
}

TEST(OperationsOf, CountsCentringAndIsStable) {
    const gemmi::SpaceGroup* group = ResolveSpaceGroup("F M 3 M");
    const gemmi::GroupOps& first = OperationsOf(*group);
    EXPECT_EQ(first.order(), 192);
    EXPECT_EQ(&OperationsOf(*group), &first);
}

} // namespace
} // namespace koralix
