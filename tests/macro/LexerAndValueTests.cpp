// Tokens, literals and the value conversions the interpreter relies on.
#include <gtest/gtest.h>

#include "Lexer.h"
#include "MacroError.h"
#include "Values.h"

namespace koralix::macro {
namespace {

std::string Kinds(const std::string& line) {
    TypeList types;
    AddBuiltinTypes(types);
    TokenList tokens;
    Tokenize(line, types, tokens);
    std::string out;
    for (const auto& t : tokens)
        out += (out.empty() ? "" : " ") + std::to_string(t.kind) + ":" + t.text;
    return out;
}

TEST(Tokens, OperatorsSplitWords) {
    EXPECT_EQ(Kinds("a<=b"), "9:A 21:<= 9:B");
    EXPECT_EQ(Kinds("a==b<>c"), "9:A 21:== 9:B 21:<> 9:C");
    EXPECT_EQ(Kinds("x = 1.5"), "9:X 30:= 11:C");
    EXPECT_EQ(Kinds("o.f[2]"), "9:O 1:. 9:F 1:[ 11:C 1:]");
    EXPECT_EQ(Kinds("IF a AND b THEN"), "37:IF 9:A 21:AND 9:B 39:THEN");
    EXPECT_EQ(Kinds("DIM d"), "54:DIM 9:D");
    EXPECT_EQ(Kinds("\"a b\" + 'c'"), "11:C 14:+ 11:C");
}

TEST(Tokens, ExponentWithSignIsNotOneLiteral) {
    EXPECT_EQ(Kinds("1E5"), "11:C");
    EXPECT_EQ(Kinds("1E-5"), "9:1E 14:- 11:C");
}

TEST(Tokens, Literals) {
    TypeList types;
    AddBuiltinTypes(types);
    TokenList t;
    Tokenize("12 $FF 1.25 TRUE FALSE \"Hi\" 12345678901", types, t);
    ASSERT_EQ(t.size(), 7u);
    EXPECT_EQ(t[0].letter, kInteger);
    EXPECT_EQ(t[0].intValue, 12);
    EXPECT_EQ(t[1].intValue, 255);
    EXPECT_EQ(t[2].letter, kSingle);
    EXPECT_FLOAT_EQ(t[2].value, 1.25f);
    EXPECT_EQ(t[3].intValue, 1);
    EXPECT_EQ(t[4].intValue, 0);
    EXPECT_EQ(t[5].letter, kString);
    EXPECT_EQ(t[5].literal, "Hi");
    EXPECT_EQ(t[6].letter, kSingle) << "does not fit 32 bits";
}

TEST(Tokens, CharacterCheck) {
    EXPECT_TRUE(PassesCharacterCheck("x = \"a:b\" ! ? & ^ % $ @ | ; { } ~ \\ # \t"));
    EXPECT_FALSE(PassesCharacterCheck("x = \"abc"));
    EXPECT_FALSE(PassesCharacterCheck("x = 'a"));
    EXPECT_FALSE(PassesCharacterCheck("x = \"\xC3\xA9\""));
    EXPECT_FALSE(PassesCharacterCheck("x = `1`"));
}

TEST(Values, RoundingIsHalfToEven) {
    EXPECT_EQ(RoundToInt(2.5), 2);
    EXPECT_EQ(RoundToInt(3.5), 4);
    EXPECT_EQ(RoundToInt(-0.5), 0);
    EXPECT_EQ(RoundToInt(0.6), 1);
    EXPECT_THROW(RoundToInt(3e9), MacroFault);
    EXPECT_THROW(RoundToInt(std::nan("")), MacroFault);
}

TEST(Values, DayNumbersFollowTheCalendar) {
    double date = 0;
    ASSERT_TRUE(TryEncodeDate(1, 1, 1, date));
    EXPECT_EQ(DayNumberOfDate(date), 1);
    ASSERT_TRUE(TryEncodeDate(1899, 12, 30, date));
    EXPECT_EQ(date, 0);
    ASSERT_TRUE(TryEncodeDate(2024, 1, 1, date));
    EXPECT_EQ(DayNumberOfDate(date), 738886);
    EXPECT_EQ(DateText(DateOfDayNumber(738886)), "2024-01-01");
    EXPECT_FALSE(TryEncodeDate(1900, 2, 29, date));
    EXPECT_TRUE(TryEncodeDate(2000, 2, 29, date));
    EXPECT_FALSE(TryEncodeDate(2023, 13, 1, date));
    ASSERT_TRUE(TryParseDate(" 2020-02-29 ", date));
    EXPECT_EQ(DateText(date), "2020-02-29");
    EXPECT_FALSE(TryParseDate("2020-02-30", date));
    EXPECT_FALSE(TryParseDate("29.02.2020", date));
}

TEST(Values, ConversionTable) {
    uint8_t src[256] = {}, dst[256] = {};
    PutF32(src, 2.5f);
    ConvertValue(kInteger, dst, kSingle, src, 0);
    EXPECT_EQ(LoadI32(dst), 2);
    ConvertValue(kString, dst, kSingle, src, 0);
    EXPECT_EQ(dst[0], 0) << "numbers become the empty string";
    StoreString(kString, src, "text");
    ConvertValue(kDouble, dst, kString, src, 0);
    EXPECT_EQ(LoadF64(dst), 0);
    ConvertValue(kDate, dst, kString, src, 0);
    EXPECT_EQ(LoadF64(dst), 0) << "the zero date";
    PutI32(src, 738886);
    ConvertValue(kDate, dst, kInteger, src, 0);
    EXPECT_EQ(DateText(LoadF64(dst)), "2024-01-01");
    StoreString(kString, dst, std::string(300, 'x'));
    EXPECT_EQ(dst[0], 255);
}

TEST(Messages, Pictures) {
    EXPECT_EQ(RunTimeMessage(310, 4, 7),
              " Run time error :310  IP:0004   Line:0007.  Too many cycles");
    EXPECT_EQ(RunTimeMessage(307, 12, 3),
              " Run time error :307  IP:0012   Line:0003.  Range check error");
    EXPECT_EQ(TranslationMessage(201, "", 12), "Incompatible types. Line:0012");
    EXPECT_EQ(ErrorMessage(330, ""), "Run-time error");
    EXPECT_EQ(ErrorMessage(320, ""), "Invalid command");
    EXPECT_EQ(ErrorMessage(216, "ABC"), "Unknown identifier 'ABC'");
    EXPECT_EQ(ErrorMessage(250, ""), "Syntax error");
}

} // namespace
} // namespace koralix::macro
