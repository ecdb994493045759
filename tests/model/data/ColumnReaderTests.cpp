// The .xy and .cpi readers: one point a line.
#include "DataTestSupport.h"

#include <gtest/gtest.h>

namespace koralix::test {
namespace {

std::string XyLines(int count, const std::string& separator) {
    std::string text;
    for (int n = 0; n < count; ++n)
        text += std::to_string(10 + n) + ".5" + separator + std::to_string(200 + n) + "\n";
    return text;
}

class XyReaderTest : public DataFileTest {};

TEST_F(XyReaderTest, ReadsUpToTheFirstLineWithoutTwoNumbers) {
    Read(Write("a.xy", "my title\n" + XyLines(100, "   ") + "end of data\n1.0 2.0\n"), XyFileType,
         5);
    EXPECT_TRUE(messenger.messages.empty());
    EXPECT_EQ(data.Kind, KindDataFile);
    EXPECT_EQ(data.HistogramNumber, 1);
    EXPECT_EQ(data.Title, "my title");
    ASSERT_EQ(data.PointCount, 100);
    EXPECT_FLOAT_EQ(data.Start, 10.5f);
    EXPECT_FLOAT_EQ(data.Finish, 109.5f);
    EXPECT_FLOAT_EQ(data.Step, 99.0f / 100); // the span over the point count
    EXPECT_FLOAT_EQ(data.X[99], 109.5f);
    EXPECT_EQ(data.Y[99], 299.0f);
    EXPECT_EQ(data.W[99], 1.0f);
}

TEST_F(XyReaderTest, SeparatorFollowsTheSecondLine) {
    struct Case {
        const char* name;
        std::string body;
        int points;
        float firstX;
    };
    const Case cases[] = {
        {"comma", "10.0,123\n11.0, 124\n12.0,,125\n", 3, 10},
        {"comma with blanks", " 10.0 , 123 \n", 1, 10},
        {"blanks", "10.0 123\n11.0    124  extra\n", 2, 10},
        {"tabs", "10.0\t123\n11.0 \t124\n", 2, 10},
        // Split at commas, a blank-separated line has one field only.
        {"comma then blanks", "10.0,123\n11.0 124\n", 1, 10},
        {"exponents", "1e1 1.23E2\n+11 -5\n", 2, 10},
        {"one column", "10.0\n", 0, 0},
        {"no decimal digits", "90. 12.\n", 1, 90},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = Write("a.xy", "title\n" + c.body);
        Read(file, XyFileType);
        // A pattern without points is never returned without a word.
        if (c.points > 0)
            EXPECT_TRUE(messenger.messages.empty());
        else
            EXPECT_EQ(messenger.messages,
                      std::vector<std::string>{file + " holds no data points that can be read."});
        EXPECT_EQ(data.PointCount, c.points);
        if (c.points > 0) {
            EXPECT_FLOAT_EQ(data.X[0], c.firstX);
        }
    }
}

TEST_F(XyReaderTest, CrlfLinesAndTitleOnlyFiles) {
    Read(Write("a.xy", "t\r\n1.0 2.0\r\n3.0 4.0\r\n"), XyFileType);
    EXPECT_EQ(data.Title, "t");
    EXPECT_EQ(data.PointCount, 2);
    EXPECT_EQ(data.Y[1], 4.0f);
    Read(Write("b.xy", "only a title"), XyFileType);
    EXPECT_EQ(data.Kind, KindDataFile);
    EXPECT_EQ(data.PointCount, 0);
    EXPECT_EQ(data.Start, 0.0f);
    EXPECT_EQ(data.Step, 0.0f);
}

TEST_F(XyReaderTest, MoreThanFiftyThousandPointsReadsTheFirstFiftyThousand) {
    const std::string path = Write("big.xy", "t\n" + XyLines(MaxDataPoints + 5, " "));
    Read(path, XyFileType);
    EXPECT_EQ(messenger.messages,
              std::vector<std::string>{path + " holds more than 50000 points; only the first "
                                              "50000 are read."});
    EXPECT_EQ(data.PointCount, MaxDataPoints);
    EXPECT_EQ(data.Capacity, MaxDataPoints);
}

TEST_F(XyReaderTest, ValueTooLargeEndsTheDataWithAMessage) {
    const std::string path = Write("a.xy", "t\n1 2\n3 4e40\n5 6\n");
    Read(path, XyFileType);
    EXPECT_EQ(messenger.messages,
              std::vector<std::string>{path + ", line 3: \"4e40\" is too large."});
    EXPECT_EQ(data.PointCount, 1);
}

TEST_F(XyReaderTest, UnopenableFile) {
    const std::string folder = MakeFolder("folder.xy");
    Read(folder, XyFileType);
    EXPECT_EQ(messenger.messages,
              (std::vector<std::string>{"Cannot read " + folder + ": it is a folder, not a file.",
                                        "Error opening XY Data file."}));
    EXPECT_EQ(data.Kind, KindNone);
}

std::string CpiFile(const std::string& start, const std::string& finish, const std::string& step,
                    int intensities) {
    std::string text = "SIETRONICS XRD SCAN\n" + start + "\n" + finish + "\n" + step +
                       "\n06-Mar-98\nCu\n1.5406\n1\n2\nSCANDATA\n";
    for (int n = 0; n < intensities; ++n)
        text += std::to_string(300 + n) + ".0\n";
    return text;
}

class CpiReaderTest : public DataFileTest {};

TEST_F(CpiReaderTest, IntensitiesStartOnLineElevenAndStopAtTheCount) {
    Read(Write("a.cpi", CpiFile("10.00", "20.00 end", "0.5", 30)), CpiFileType, 3);
    EXPECT_TRUE(messenger.messages.empty());
    EXPECT_EQ(data.Kind, KindDataFile);
    EXPECT_EQ(data.HistogramNumber, 1);
    EXPECT_EQ(data.Title, "SIETRONICS XRD SCAN");
    EXPECT_FLOAT_EQ(data.Start, 10.0f);
    EXPECT_FLOAT_EQ(data.Finish, 20.0f);
    EXPECT_FLOAT_EQ(data.Step, 0.5f);
    ASSERT_EQ(data.PointCount, 21);
    EXPECT_EQ(data.Y[0], 300.0f);
    EXPECT_FLOAT_EQ(data.X[20], 20.0f);
    EXPECT_EQ(data.Y[20], 320.0f);
    EXPECT_EQ(data.W[20], 1.0f);
}

TEST_F(CpiReaderTest, StopsAtTheEndOfFileOrAtText) {
    Read(Write("a.cpi", CpiFile("10", "20", "0.5", 7)), CpiFileType);
    EXPECT_EQ(data.PointCount, 7);
    Read(Write("b.cpi", CpiFile("10", "20", "0.5", 4) + "end\n500.0\n"), CpiFileType);
    EXPECT_TRUE(messenger.messages.empty());
    EXPECT_EQ(data.PointCount, 4);
}

TEST_F(CpiReaderTest, HeaderProblemsAreReportedWithTheirLine) {
    const std::string bad = Write("bad.cpi", CpiFile("10", "twenty", "0.5", 3));
    Read(bad, CpiFileType);
    EXPECT_EQ(messenger.messages,
              std::vector<std::string>{bad + ", line 3: \"twenty\" is not a number."});
    EXPECT_EQ(data.Kind, KindNone);
    const std::string shortFile = Write("short.cpi", "title\n10\n");
    Read(shortFile, CpiFileType);
    EXPECT_EQ(messenger.messages,
              std::vector<std::string>{shortFile + ", line 3: a number is missing."});
    const std::string zero = Write("zero.cpi", CpiFile("10", "20", "0", 3));
    Read(zero, CpiFileType);
    EXPECT_EQ(messenger.messages,
              std::vector<std::string>{zero + ", line 4: the header gives no data points."});
}

TEST_F(CpiReaderTest, UnopenableFile) {
    const std::string folder = MakeFolder("folder.cpi");
    Read(folder, CpiFileType);
    EXPECT_EQ(messenger.messages,
              (std::vector<std::string>{"Cannot read " + folder + ": it is a folder, not a file.",
                                        "Error opening CPI data file."}));
}

} // namespace
} // namespace koralix::test
