#include "SpaceGroupTable.h"

#include <gtest/gtest.h>

namespace koralix {
namespace {

TEST(SpaceGroupTable, NumbersGiveTheirSymbols) {
    EXPECT_EQ(SpaceGroupSymbol(1), "P 1");
    EXPECT_EQ(SpaceGroupSymbol(14), "P 21/C");
    EXPECT_EQ(SpaceGroupSymbol(225), "F M 3 M");
    EXPECT_EQ(SpaceGroupSymbol(230), "I A 3 D");
    EXPECT_EQ(SpaceGroupSymbol(0), "");
    EXPECT_EQ(SpaceGroupSymbol(231), "");
}

TEST(SpaceGroupTable, SymbolsAreUpperCaseSingleBlankedAndShort) {
    for (int n = 1; n <= SpaceGroupCount; ++n) {
        SCOPED_TRACE(n);
        std::string symbol = SpaceGroupSymbol(n);
        ASSERT_FALSE(symbol.empty());
        EXPECT_LE(symbol.size(), 23u);
        EXPECT_EQ(symbol.find("  "), std::string::npos);
        EXPECT_NE(symbol.front(), ' ');
        EXPECT_NE(symbol.back(), ' ');
        for (char c : symbol)
            EXPECT_FALSE(c >= 'a' && c <= 'z');
    }
}

TEST(SpaceGroupTable, TypedNumberBecomesSymbolOnlyInRange) {
    EXPECT_EQ(SymbolForNumberText("14"), "P 21/C");
    EXPECT_EQ(SymbolForNumberText(" 225 "), "F M 3 M");
    EXPECT_EQ(SymbolForNumberText("0"), "0");
    EXPECT_EQ(SymbolForNumberText("231"), "231");
    EXPECT_EQ(SymbolForNumberText("-5"), "-5");
    EXPECT_EQ(SymbolForNumberText("14a"), "14a");
    EXPECT_EQ(SymbolForNumberText("99999999999999"), "99999999999999");
    EXPECT_EQ(SymbolForNumberText("p 21/c"), "p 21/c");
}

} // namespace
} // namespace koralix
