#include "NumberFormat.h"
#include "TextHelpers.h"

#include <gtest/gtest.h>

using namespace koralix;

TEST(NumberForms, GeneralForm) {
    struct Case {
        double value;
        int precision;
        const char* expected;
    } cases[] = {
        {1.5414f, 7, "1.5414"},
        {0.0, 7, "0"},
        {100.0, 7, "100"},
        {-0.00012344, 4, "-0.0001234"},
        {0.00001234, 4, "1.234E-5"},
        {1234567.0, 7, "1234567"},
        {12345678.0, 7, "1.234568E7"},
        {-6.784e-4, 4, "-0.0006784"},
        {0.5, 4, "0.5"},
        {9999999.6, 7, "1E7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(GeneralText(c.value, c.precision), c.expected);
    }
}

TEST(NumberForms, ScientificForm) {
    EXPECT_EQ(ScientificText(0.01f, 7, ExponentStyle::TwoDigitSigned), "1.000000E-02");
    EXPECT_EQ(ScientificText(123.0, 7, ExponentStyle::TwoDigitSigned), "1.230000E+02");
    EXPECT_EQ(ScientificText(0.0, 7, ExponentStyle::TwoDigitSigned), "0.000000E+00");
    EXPECT_EQ(ScientificText(2.5e4, 6, ExponentStyle::SignedShortest), "2.50000E+4");
}

TEST(NumberForms, RoundedFixedForm) {
    struct Case {
        double value;
        int precision, decimals;
        const char* expected;
    } cases[] = {
        {12.3456, 6, 3, "12.346"},      {12345.678, 6, 3, "12345.700"}, {0.5, 6, 2, "0.50"},
        {1234567.0, 6, 3, "1.23457E6"}, {-20.125, 6, 2, "-20.12"},      {0.0, 6, 3, "0.000"},
        {999999.7, 6, 3, "1E6"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(RoundedFixedText(c.value, c.precision, c.decimals), c.expected);
    }
}

// A number wider than its columns is written in the closest form that fits, so
// that the fields after it stay where the reader looks for them.
TEST(NumberForms, WideNumbersAreFittedToTheirColumns) {
    struct Case {
        std::string text;
        double value;
    } cases[] = {
        {F(8, 3, 12345.678), 12345.678}, {F(8, 3, 20000.0), 20000.0},
        {G(4, 9, -6.784e-4), -6.784e-4}, {F(8, 5, -12.5), -12.5},
        {S(7, 12, -0.0123), -0.0123},    {F(8, 3, 123456789.0), 123456789.0},
        {F(4, 2, 12.5), 12.5},
    };
    const int widths[] = {8, 8, 9, 8, 12, 8, 4};
    for (size_t k = 0; k < std::size(cases); ++k) {
        SCOPED_TRACE(cases[k].text);
        EXPECT_EQ(cases[k].text.size(), static_cast<size_t>(widths[k]));
        EXPECT_NEAR(TextToReal(cases[k].text), cases[k].value, std::abs(cases[k].value) * 1e-3);
    }
    EXPECT_EQ(F(8, 3, 12345.678), "12345.68");
    EXPECT_EQ(G(4, 9, -6.784e-4), "-6.784E-4");
    EXPECT_EQ(S(7, 12, -0.0123), "-1.230000E-2");
}

TEST(NumberForms, FittingNumbersKeepTheirExactForm) {
    EXPECT_EQ(F(8, 3, -100.5), "-100.500");
    EXPECT_EQ(F(8, 3, 1000.5), "1000.500");
    EXPECT_EQ(S(7, 12, 0.01f), "1.000000E-02");
    EXPECT_EQ(G(7, 8, 1.5414f), "  1.5414");
    EXPECT_EQ(I(4, 7), "   7");
}
