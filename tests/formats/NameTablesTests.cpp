#include "NameTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace koralix {
namespace {

TEST(IonNamesTest, TableHoldsTheNamesInItsOrder) {
    const auto& table = IonNameTable();
    EXPECT_EQ(table.front(), "H   ");
    EXPECT_EQ(table[10], "CVAL");
    EXPECT_EQ(table[25], "SIV ");
    EXPECT_EQ(table.back(), "BK  ");
    EXPECT_EQ(std::set<std::string_view>(table.begin(), table.end()).size(), 206u);
    for (std::string_view name : table) {
        SCOPED_TRACE(std::string(name));
        ASSERT_EQ(name.size(), 4u);
        EXPECT_TRUE(
            std::none_of(name.begin(), name.end(), [](char c) { return c >= 'a' && c <= 'z'; }));
        // Blanks only fill on the right.
        const auto blank = name.find(' ');
        if (blank != std::string_view::npos) {
            EXPECT_EQ(name.find_first_not_of(' ', blank), std::string_view::npos);
        }
    }
}

TEST(IonNamesTest, FillIonNamesReplacesTheListBySortedNames) {
    std::vector<std::string> names = {"ZZZZ", "old ", "H   "};
    FillIonNames(names);
    ASSERT_EQ(names.size(), 206u);
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    EXPECT_EQ(std::count(names.begin(), names.end(), "ZZZZ"), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), "H   "), 1);
    EXPECT_EQ(names.front(), "AC  ");
    EXPECT_EQ(names.back(), "ZR+4");
    const auto& table = IonNameTable();
    EXPECT_TRUE(std::is_permutation(names.begin(), names.end(), table.begin(), table.end()));
}

TEST(ParameterTypeNameTest, NamesByLevelAndType) {
    struct Case {
        int h, p, t;
        const char* name;
    };
    const Case cases[] = {
        {0, 2, 12, "Preferred orientation"},
        {0, 1, 1, "Phase Scale"},
        {0, 1, 14, "Asymetry 1"},
        {0, 9, 20, "Asymmetry 2"},
        {0, 1, 26, "Flat plate Rough"},
        {0, 1, 27, "undefined"},
        {0, 1, 0, "undefined"},
        {1, 0, 1, "Zero"},
        {1, 0, 2, "Background 0"},
        {1, 0, 5, "Background 3"},
        {2, 0, 13, "Background 11"},
        {1, 0, 14, "Histogram Scale"},
        {1, 0, 15, "Wavelength 1 or DIFC"},
        {1, 0, 16, "Wavelength 2 or DIFA"},
        {1, 0, 17, "undefined"},
        {1, 1, 3, "undefined"},
        {0, 0, 1, "undefined"},
        {-1, 0, 1, "undefined"},
        {0, 99, 3, "U"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.h << "," << c.p << "," << c.t);
        EXPECT_EQ(ParameterTypeName(c.h, c.p, c.t), c.name);
    }
}

TEST(MacroStatusTextTest, KnownCodesAndTheRest) {
    struct Case {
        int code;
        const char* text;
    };
    const Case cases[] = {
        {0, "No error."},
        {6, "Error opening data file"},
        {21, "Error reading data file"},
        {22, "Error reading data file"},
        {23, "Error reading data file"},
        {35, "More histograms than allowed."},
        {80, "Not enough points to allocate the full peak width."},
        {200, "Unstable Refinement - change value/number of parameters"},
        {504, "Invalid filename"},
        {901, "DLL problem, not continuing with computations."},
        {24, "Error: 24"},
        {41, "Error: 41"},
        {100, "Error: 100"},
        {-3, "Error: -3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(MacroStatusText(c.code), c.text);
    }
}

TEST(InputLineLabelTest, LabelsOfTheFirstLines) {
    const char* labels[] = {"",
                            "Title",
                            "nhist, nphase, ...",
                            "Control Options,...",
                            "Wavelengths,ratio,...",
                            "Ncycle,damping,thetas,...",
                            ""};
    for (int kind = 0; kind <= 6; ++kind)
        EXPECT_EQ(InputLineLabel(kind), labels[kind]) << kind;
    EXPECT_EQ(InputLineLabel(-1), "");
}

} // namespace
} // namespace koralix
