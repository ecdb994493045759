#include "TextHelpers.h"

#include <gtest/gtest.h>

#include <clocale>

using namespace koralix;

TEST(ReadFields, IntegerRuleTable) {
    struct Case {
        const char* text;
        int32_t expected;
    } cases[] = {
        {"  12  ", 12},    {"", 0},      {"    ", 0},
        {"1.5", 0},        {"abc", 0},   {"12345678901", 0},
        {"-42", -42},      {"+7", 7},    {"2147483647", 2147483647},
        {"2147483648", 0}, {"\t3\r", 3}, {"1 2", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TextToInt(c.text), c.expected);
    }
}

TEST(ReadFields, RealRuleTable) {
    struct Case {
        const char* text;
        float expected;
    } cases[] = {
        {"1,5", 1.5f},
        {"   ", 0.0f},
        {"-0.25", -0.25f},
        {"1.5E3", 1500.0f},
        {"2e-2", 0.02f},
        {"+3.5", 3.5f},
        {".5", 0.5f},
        {"abc", 0.0f},
        // Malformed numbers stop at the first character that does not fit.
        {"1.2.3", 1.2f},
        {"4.5x", 4.5f},
        {"1,5,6", 1.5f},
        {"1e-60", 0.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_FLOAT_EQ(TextToReal(c.text), c.expected);
    }
}

TEST(ReadFields, ValueTooLargeForSingleIsAnError) {
    EXPECT_THROW(TextToReal("1e39"), NumericOverflow);
    EXPECT_THROW(TextToReal("-4e38"), NumericOverflow);
}

TEST(ReadFields, ColumnsAreOneBasedAndShortLinesGiveShortFields) {
    std::string line = "   12   3.5xx";
    EXPECT_EQ(ReadIntField(line, 1, 5), 12);
    EXPECT_FLOAT_EQ(ReadRealField(line, 6, 6), 3.5f);
    EXPECT_FLOAT_EQ(ReadRealField(line, 6, 5), 3.0f);
    EXPECT_EQ(ReadIntField(line, 40, 4), 0);
    EXPECT_FLOAT_EQ(ReadRealField("  2.5", 1, 80), 2.5f);
}

TEST(ReadFields, LocaleNeverChangesTheSeparator) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "no German locale installed";
    EXPECT_FLOAT_EQ(TextToReal("1.25"), 1.25f);
    EXPECT_EQ(FormatReal(8, 3, 1.25), "   1.250");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(TextHelpers, Pad4UpperTrimmingAndCutting) {
    EXPECT_EQ(Pad4Upper(" o1"), "O1  ");
    EXPECT_EQ(Pad4Upper("oxygen"), "OXYG");
    EXPECT_EQ(Pad4Upper(""), "    ");
    EXPECT_EQ(TrimText("\t ab c \r\n"), "ab c");
}

TEST(TextHelpers, NthFieldAndFieldStarts) {
    EXPECT_EQ(NthField("a;b;c", ";", 2), "b");
    EXPECT_EQ(NthField("a;b;c", ";", 4), "");
    EXPECT_EQ(NthField("a;;c", ";", 3), "c");
    EXPECT_THROW(NthField(std::string(256, 'x'), ";", 1), std::length_error);
    EXPECT_EQ(CountFieldStarts("x", ' '), 0);
    EXPECT_EQ(CountFieldStarts("ab cd  ef", ' '), 3);
    EXPECT_EQ(CountFieldStarts("  ab", ' '), 1);
    // The last character is not examined.
    EXPECT_EQ(CountFieldStarts("ab c", ' '), 1);
}

TEST(TextHelpers, BrkApartDropsEmptyFields) {
    TBrkApart splitter;
    splitter.Split("1.5   2.5");
    ASSERT_EQ(splitter.Count(), 2);
    EXPECT_EQ(splitter.Field(1), "1.5");
    EXPECT_EQ(splitter.Field(2), "2.5");
    EXPECT_EQ(splitter.Field(0), "");
    EXPECT_EQ(splitter.Field(3), "");
    splitter.SetSeparator(",");
    splitter.Split(",a,,b,");
    ASSERT_EQ(splitter.Count(), 2);
    EXPECT_EQ(splitter.Field(2), "b");
}

TEST(TextHelpers, FormatRealAndWide) {
    EXPECT_EQ(FormatReal(8, 3, 1.5), "   1.500");
    EXPECT_EQ(FormatReal(2, 3, 123.0), "123.000");
    EXPECT_EQ(FormatWide(6, 123.456), "123.456000");
    EXPECT_EQ(FormatWide(6, 2.5e4), "2.50000E+4");
    EXPECT_EQ(FormatWide(6, 0), "0.00000E+0");
    EXPECT_EQ(FormatWide(6, -0.0005), "-5.00000E-4");
    EXPECT_EQ(FormatWide(6, 10000), "10000.000000");
    EXPECT_EQ(FormatWide(6, 0.001), "0.001000");
}

TEST(TextHelpers, SignMinMax) {
    EXPECT_EQ(SignOf(-2.0f), -1.0f);
    EXPECT_EQ(SignOf(0.0f), 0.0f);
    EXPECT_EQ(SignOf(3.0f), 1.0f);
    EXPECT_EQ(MinReal(1, 2), 1);
    EXPECT_EQ(MaxReal(1, 2), 2);
}
