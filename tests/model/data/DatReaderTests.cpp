#include "DataTestSupport.h"

#include <gtest/gtest.h>

namespace koralix::test {
namespace {

// A ZKRM .dat file with `count` points from `start` by `step`, ten points a
// line; point n (0-based) holds counter n % 10 + 1 and intensity 100 + n.
std::string DatFile(const std::string& header, int count, const std::string& layout) {
    std::string text = header + "\n";
    for (int n = 0; n < count; ++n) {
        const std::string y = std::to_string(100 + n);
        if (layout == "I8")
            text += Col8(y);
        else if (layout == "I2I6")
            text += std::string(1, ' ') + std::to_string(n % 9 + 1) +
                    std::string(6 - y.size(), ' ') + y;
        else // I1I7
            text += std::to_string(n % 9 + 1) + std::string(7 - y.size(), ' ') + y;
        if (n % 10 == 9 || n == count - 1) text += "\n";
    }
    return text;
}

class DatReaderTest : public DataFileTest {};

TEST_F(DatReaderTest, ReadsTheThreeLayoutsFromTheFirstDataLine) {
    struct Case {
        const char* layout;
        bool countInW;
    };
    for (const Case c : {Case{"I8", false}, Case{"I2I6", true}, Case{"I1I7", true}}) {
        SCOPED_TRACE(c.layout);
        Read(Write("a.dat", DatFile("10.0 0.5 22.0 sample", 25, c.layout)), DatFileType);
        EXPECT_TRUE(messenger.messages.empty());
        ASSERT_EQ(data.PointCount, 25);
        EXPECT_EQ(data.Kind, KindDataFile);
        EXPECT_EQ(data.HistogramNumber, 1);
        for (int n : {0, 9, 10, 24}) {
            SCOPED_TRACE(n);
            const auto i = static_cast<size_t>(n);
            EXPECT_FLOAT_EQ(data.X[i], 10.0f + 0.5f * n);
            EXPECT_EQ(data.Y[i], 100.0f + n);
            EXPECT_EQ(data.W[i], c.countInW ? static_cast<float>(n % 9 + 1) : 1.0f);
        }
    }
}

TEST_F(DatReaderTest, TwoDigitCounterStartingTheLineMeansI2I6) {
    Read(Write("a.dat", "1 1 3 t\n10   12310   456 7   789\n"), DatFileType);
    ASSERT_EQ(data.PointCount, 3);
    EXPECT_EQ(data.W[0], 10.0f);
    EXPECT_EQ(data.Y[0], 123.0f);
    EXPECT_EQ(data.W[2], 7.0f);
    EXPECT_EQ(data.Y[2], 789.0f);
}

TEST_F(DatReaderTest, HeaderGivesRangeTitleAndPointCount) {
    Read(Write("a.dat", DatFile("10.0 0.02 80.0 my sample", 3501, "I8")), DatFileType, 4);
    EXPECT_TRUE(messenger.messages.empty());
    EXPECT_EQ(data.PointCount, 3501);
    EXPECT_EQ(data.Title, " my sample");
    EXPECT_FLOAT_EQ(data.Start, 10.0f);
    EXPECT_FLOAT_EQ(data.Step, 0.02f);
    EXPECT_FLOAT_EQ(data.Finish, 80.0f);
    EXPECT_FLOAT_EQ(data.X[3500], 80.0f);
    EXPECT_EQ(data.HistogramNumber, 4);
}

TEST_F(DatReaderTest, TitleComesFromTheFirstEightyColumns) {
    const std::string longTitle(100, 'T');
    Read(Write("a.dat", "1 1 2 " + longTitle + "\n     5     6\r\n"), DatFileType);
    EXPECT_EQ(data.Title, " " + std::string(80 - 6, 'T'));
    EXPECT_EQ(data.PointCount, 2);
}

TEST_F(DatReaderTest, CrlfLineEndsReadLikeLf) {
    std::string text = DatFile("10.0 0.5 22.0 s", 25, "I2I6");
    std::string crlf;
    for (char c : text)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    Read(Write("a.dat", crlf), DatFileType);
    EXPECT_EQ(data.Title, " s");
    ASSERT_EQ(data.PointCount, 25);
    EXPECT_EQ(data.Y[24], 124.0f);
}

TEST_F(DatReaderTest, ShortFinalRecordAndMissingRecordsEndTheData) {
    // 25 announced; the last line holds 3 of its 5.
    std::string text = DatFile("0 1 24 t", 23, "I8");
    Read(Write("short.dat", text), DatFileType);
    EXPECT_TRUE(messenger.messages.empty());
    EXPECT_EQ(data.PointCount, 23);
    // Only two of three lines, then an empty line.
    Read(Write("missing.dat", DatFile("0 1 24 t", 20, "I8") + "\n"), DatFileType);
    EXPECT_EQ(data.PointCount, 20);
}

TEST_F(DatReaderTest, BlankFieldsInsideTheDataReadAsZero) {
    // 15 points announced: a blank record of ten, then one point on the next line.
    const std::string text = "0 1 14 t\n" + std::string(80, ' ') + "\n" + Col8("7") + "\n";
    Read(Write("a.dat", text), DatFileType);
    EXPECT_TRUE(messenger.messages.empty());
    ASSERT_EQ(data.PointCount, 11);
    EXPECT_EQ(data.Y[0], 0.0f);
    EXPECT_EQ(data.Y[10], 7.0f);
}

TEST_F(DatReaderTest, NoLayoutGivesTheFormatMessage) {
    const char* files[] = {
        "just a title\n     1     2\n", // header not numeric
        "1 2 3 title\n",                // no data line
        "1 2 3 title\nx\n",             // a data line too short to tell
        "",                             // empty file
    };
    for (const char* text : files) {
        SCOPED_TRACE(text);
        TPlotData fresh;
        data = fresh;
        Read(Write("a.dat", text), DatFileType);
        EXPECT_EQ(messenger.messages,
                  std::vector<std::string>{"Cannot determine datafile format."});
        EXPECT_EQ(data.Kind, KindNone);
        EXPECT_EQ(data.PointCount, 0);
    }
}

TEST_F(DatReaderTest, UnopenableFileGivesBothMessages) {
    const std::string folder = MakeFolder("folder.dat");
    Read(folder, DatFileType);
    // Why first, then the reader's own messages.
    EXPECT_EQ(messenger.messages, (std::vector<std::string>{
                                      "Cannot read " + folder + ": it is a folder, not a file.",
                                      "Error opening file.", "Cannot determine datafile format."}));
    EXPECT_EQ(data.Kind, KindNone);
}

TEST_F(DatReaderTest, BadFieldStopsWithItsLineAndKeepsThePointsBefore) {
    const std::string path = Write("bad.dat", "0 1 19 t\n" + Col8("1") + Col8("2") + "\n" +
                                                  Col8("3") + Col8("x4") + "\n");
    // Line 2 holds only two points of ten: blank fields read as zero.
    Read(path, DatFileType);
    ASSERT_EQ(messenger.messages.size(), 1u);
    EXPECT_EQ(messenger.messages[0], path + ", line 3: \"x4\" is not a number.");
    EXPECT_EQ(data.Kind, KindDataFile);
    EXPECT_EQ(data.PointCount, 11);
    EXPECT_EQ(data.Y[10], 3.0f);
}

TEST_F(DatReaderTest, ValueTooLargeForASingleIsReported) {
    const std::string path = Write("big.dat", "0 1 1 t\n" + Col8("1") + Col8("9e99") + "\n");
    Read(path, DatFileType);
    ASSERT_EQ(messenger.messages.size(), 1u);
    EXPECT_EQ(messenger.messages[0], path + ", line 2: \"9e99\" is too large.");
    EXPECT_EQ(data.PointCount, 1);
}

TEST_F(DatReaderTest, HeaderWithoutPointsIsReported) {
    for (const char* header : {"10 0 20 zero step", "20 1 10 backwards", "0 1e-30 1e30 huge"}) {
        SCOPED_TRACE(header);
        const std::string path = Write("a.dat", std::string(header) + "\n" + Col8("1") + "\n");
        Read(path, DatFileType);
        if (std::string(header).find("huge") != std::string::npos) {
            ASSERT_EQ(messenger.messages.size(), 1u);
            EXPECT_NE(messenger.messages[0].find("more than 50000 points"), std::string::npos);
            EXPECT_LE(data.Capacity, MaxDataPoints);
            continue;
        }
        EXPECT_EQ(messenger.messages,
                  std::vector<std::string>{path + ", line 1: the header gives no data points."});
    }
}

TEST_F(DatReaderTest, MoreThanFiftyThousandPointsReadsTheFirstFiftyThousand) {
    const std::string path = Write("many.dat", DatFile("0 1 50009 t", 50010, "I8"));
    Read(path, DatFileType);
    EXPECT_EQ(messenger.messages,
              std::vector<std::string>{path + " holds more than 50000 points; only the first "
                                              "50000 are read."});
    EXPECT_EQ(data.PointCount, MaxDataPoints);
    EXPECT_EQ(data.Capacity, MaxDataPoints);
    EXPECT_EQ(data.Y[MaxDataPoints - 1], 100.0f + MaxDataPoints - 1);
}

TEST_F(DatReaderTest, MissingFileOrOtherTypeLeavesTheDataAlone) {
    data.Title = "kept";
    Read(Write("a.dat", DatFile("0 1 9 t", 10, "I8")), 11, 3);
    EXPECT_EQ(data.Title, "kept");
    EXPECT_EQ(data.HistogramNumber, 3);
    Read("/nonexistent/koralix/none.dat", DatFileType, 2);
    EXPECT_EQ(data.Title, "kept");
    EXPECT_EQ(data.HistogramNumber, 2);
    EXPECT_TRUE(messenger.messages.empty());
    EXPECT_EQ(data.Kind, KindNone);
}

} // namespace
} // namespace koralix::test
