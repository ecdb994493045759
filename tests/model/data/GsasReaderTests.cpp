#include "DataTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace koralix::test {
namespace {

// Records of `perRecord` points from the slots' texts, each line padded to
// 80 columns when `pad` is set.
std::string Records(const std::vector<std::string>& slots, int perRecord, bool pad = true) {
    std::string text, line;
    for (size_t i = 0; i < slots.size(); ++i) {
        line += slots[i];
        if (static_cast<int>(i % perRecord) == perRecord - 1 || i + 1 == slots.size()) {
            if (pad && line.size() < 80) line.resize(80, ' ');
            text += line + "\n";
            line.clear();
        }
    }
    return text;
}

std::vector<std::string> StdSlots(int count) {
    std::vector<std::string> slots;
    for (int n = 0; n < count; ++n)
        slots.push_back(Col8(std::to_string(1000 + n)));
    return slots;
}

class GsasReaderTest : public DataFileTest {};

TEST_F(GsasReaderTest, StdBankLineGivesRangeAndPoints) {
    const std::string text =
        "GSAS title\nBANK 1 25 3 CONST 1000 2 0 0 STD\n" + Records(StdSlots(25), 10);
    Read(Write("a.gs", text), GsasFileType, 2);
    EXPECT_TRUE(messenger.messages.empty());
    EXPECT_EQ(data.Kind, KindDataFile);
    EXPECT_EQ(data.HistogramNumber, 2);
    EXPECT_EQ(data.Title, "GSAS title");
    EXPECT_FLOAT_EQ(data.Start, 10.0f);
    EXPECT_FLOAT_EQ(data.Step, 0.02f);
    EXPECT_FLOAT_EQ(data.Finish, 10.48f);
    ASSERT_EQ(data.PointCount, 25);
    EXPECT_FLOAT_EQ(data.X[24], 10.48f);
    EXPECT_EQ(data.Y[0], 1000.0f);
    EXPECT_EQ(data.Y[24], 1024.0f);
    EXPECT_EQ(data.W[24], 1.0f);
}

TEST_F(GsasReaderTest, StdCounterLayoutsComeFromTheFirstRecord) {
    // " 1   162": blank then non-blank is I2,I6; "3      29" is I1,I7.
    Read(Write("a.gs", "t\nBANK 1 3 1 CONST 2400 5 0 0\n 1   162 2   178 1   155\n"), GsasFileType);
    ASSERT_EQ(data.PointCount, 3);
    EXPECT_EQ(data.W[1], 2.0f);
    EXPECT_EQ(data.Y[1], 178.0f);
    Read(Write("b.gs", "t\nBANK 1 2 1 CONST 2400 5 0 0\n3     294     24\n"), GsasFileType);
    ASSERT_EQ(data.PointCount, 2);
    EXPECT_EQ(data.W[0], 3.0f);
    EXPECT_EQ(data.Y[0], 29.0f);
    EXPECT_EQ(data.W[1], 4.0f);
    EXPECT_EQ(data.Y[1], 24.0f);
}

TEST_F(GsasReaderTest, EsdRecordsHoldFivePointsWithTheirEsd) {
    std::vector<std::string> slots;
    for (int n = 0; n < 7; ++n)
        slots.push_back(Col8(std::to_string(500 + n) + ".") + Col8(std::to_string(20 + n) + "."));
    Read(Write("a.gsas",
               "t\nBANK  1     7     2 CONST     300.00      5.00 0 0 ESD\n" + Records(slots, 5)),
         GsasFileType);
    EXPECT_TRUE(messenger.messages.empty());
    ASSERT_EQ(data.PointCount, 7);
    EXPECT_FLOAT_EQ(data.Start, 3.0f);
    EXPECT_FLOAT_EQ(data.X[6], 3.3f);
    EXPECT_EQ(data.Y[5], 505.0f);
    EXPECT_EQ(data.W[5], 25.0f);
}

TEST_F(GsasReaderTest, AltRecordsOfFourPointsKeepTheirX) {
    std::vector<std::string> slots;
    for (int n = 0; n < 10; ++n)
        slots.push_back(Col8(std::to_string(64000 + 160 * n) + ".") + "  213.8" + "  3.3");
    const std::string records = Records(slots, 4);
    ASSERT_EQ(std::count(records.begin(), records.end(), '\n'), 3); // 4, 4 and 2 points
    Read(Write("a.gs", "Si\nBANK 1 10 3 CONST 2000. 5. 0. 0. ALT\n" + records), GsasFileType);
    EXPECT_TRUE(messenger.messages.empty());
    ASSERT_EQ(data.PointCount, 10);
    EXPECT_FLOAT_EQ(data.Start, 20.0f);
    EXPECT_EQ(data.X[0], 64000.0f);
    EXPECT_EQ(data.X[9], 65440.0f);
    EXPECT_FLOAT_EQ(data.Y[9], 213.8f);
    EXPECT_FLOAT_EQ(data.W[9], 3.3f);
}

TEST_F(GsasReaderTest, FxyeRecordsHoldOnePointInFreeFormat) {
    Read(Write("a.gs", "t\n# comment\nBANK 1 3 3 CONS 49.9 0.1 0 0 FXYE\n"
                       "  49.900 36.198 6.17527\n 50.000  26.919   5.32574  \n50.1 27.5\n"),
         GsasFileType);
    EXPECT_TRUE(messenger.messages.empty());
    ASSERT_EQ(data.PointCount, 3);
    EXPECT_FLOAT_EQ(data.X[1], 50.0f);
    EXPECT_FLOAT_EQ(data.Y[1], 26.919f);
    EXPECT_FLOAT_EQ(data.W[1], 5.32574f);
    EXPECT_EQ(data.W[2], 1.0f); // no esd given
    Read(Write("b.gs", "t\nBANK 1 2 2 CONS 10 0.1 0 0 FXY\n10.0 5\n10.1 6\n"), GsasFileType);
    ASSERT_EQ(data.PointCount, 2);
    EXPECT_EQ(data.Y[1], 6.0f);
    EXPECT_EQ(data.W[1], 1.0f);
}

TEST_F(GsasReaderTest, BankLineShapesOfRealFilesReadAlike) {
    const std::string records = Records(StdSlots(12), 10);
    const char* bankLines[] = {
        "BANK 1 12 2 CONST 1000 2 0 0 STD",
        " BANK 1 12 2 CONST 1000 2 0 0 STD",        // leading blank
        "BANK  1     12     2   CONST    1000   2", // extra blanks, no STD word
        "BANK1 12 2 CONST 1000.0 2.0",              // number joined to BANK
        "BANK 1 12 2 CONST 1000 2 0 0 STD\r",
    };
    for (const char* bank : bankLines) {
        SCOPED_TRACE(bank);
        Read(Write("a.gs", std::string("t\n") + bank + "\n" + records), GsasFileType);
        EXPECT_TRUE(messenger.messages.empty());
        ASSERT_EQ(data.PointCount, 12);
        EXPECT_FLOAT_EQ(data.Start, 10.0f);
        EXPECT_FLOAT_EQ(data.Step, 0.02f);
        EXPECT_EQ(data.Y[11], 1011.0f);
    }
}

TEST_F(GsasReaderTest, UnpaddedShortAndMissingRecordsReadThePointsPresent) {
    const std::string bank = "t\nBANK 1 25 3 CONST 1000 2 0 0 STD\n";
    Read(Write("padded.gs", bank + Records(StdSlots(25), 10, true)), GsasFileType);
    const std::vector<float> padded(data.Y.begin(), data.Y.begin() + data.PointCount);
    Read(Write("unpadded.gs", bank + Records(StdSlots(25), 10, false)), GsasFileType);
    EXPECT_EQ(std::vector<float>(data.Y.begin(), data.Y.begin() + data.PointCount), padded);
    // The final record holds 3 of its 5 points, then a blank line.
    Read(Write("short.gs", bank + Records(StdSlots(23), 10, false) + "\n"), GsasFileType);
    EXPECT_TRUE(messenger.messages.empty());
    EXPECT_EQ(data.PointCount, 23);
    // The file ends after two records.
    Read(Write("missing.gs", bank + Records(StdSlots(20), 10)), GsasFileType);
    EXPECT_EQ(data.PointCount, 20);
}

TEST_F(GsasReaderTest, BankAfterHeaderLines) {
    Read(Write("a.gsa", "title\nInstrument parameter file:bt1demo.ins\n# a note\nMonitor: 1\n"
                        "BANK 1 3 1 CONST 300 5 0 0 ESD\n" +
                            Records({Col8("1.") + Col8("2."), Col8("3.") + Col8("4."),
                                     Col8("5.") + Col8("6.")},
                                    5)),
         GsasFileType);
    EXPECT_TRUE(messenger.messages.empty());
    ASSERT_EQ(data.PointCount, 3);
    EXPECT_EQ(data.Title, "title");
    EXPECT_EQ(data.Y[2], 5.0f);
    EXPECT_EQ(data.W[2], 6.0f);
}

TEST_F(GsasReaderTest, OnlyTheFirstBankIsRead) {
    Read(Write("a.gs", "t\nBANK 1 2 1 CONST 1000 2 0 0 STD\n" + Records(StdSlots(2), 10) +
                           "BANK 2 3 1 CONST 2000 2 0 0 STD\n" + Records(StdSlots(3), 10)),
         GsasFileType);
    EXPECT_TRUE(messenger.messages.empty());
    EXPECT_EQ(data.PointCount, 2);
}

TEST_F(GsasReaderTest, WithoutBankTheFormatIsUnknown) {
    for (const char* text : {"title\n 1 2 3\n", "title\n", "", "t\nBANK 1 3 1 CONST 1 2\n"}) {
        SCOPED_TRACE(text);
        data = TPlotData();
        Read(Write("a.gs", text), GsasFileType);
        EXPECT_EQ(messenger.messages,
                  std::vector<std::string>{"Cannot determine GSAS datafile format."});
        EXPECT_EQ(data.Kind, KindNone);
    }
}

TEST_F(GsasReaderTest, UnopenableFileGivesBothMessages) {
    const std::string folder = MakeFolder("folder.gs");
    Read(folder, GsasFileType);
    EXPECT_EQ(messenger.messages,
              (std::vector<std::string>{"Cannot read " + folder + ": it is a folder, not a file.",
                                        "Error opening file.",
                                        "Cannot determine GSAS datafile format."}));
}

TEST_F(GsasReaderTest, UnreadableBankLinesAreReportedWithTheirLine) {
    const std::string records = Records(StdSlots(3), 10);
    struct Case {
        const char* bank;
        const char* message;
    };
    const Case cases[] = {
        {"BANK 1 many 1 CONST 1000 2", ": the BANK line cannot be read."},
        {"BANK 1 3 1 CONST", ": the BANK line cannot be read."},
        {"BANK 1 3 1 TIME_MAP 1 STD 00000000", ": TIME_MAP binning is not supported."},
        {"BANK 1 0 0 CONST 1000 2", ": the header gives no data points."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bank);
        const std::string path = Write("a.gs", std::string("t\n") + c.bank + "\n" + records);
        Read(path, GsasFileType);
        EXPECT_EQ(messenger.messages, std::vector<std::string>{path + ", line 2" + c.message});
    }
}

TEST_F(GsasReaderTest, BadRecordFieldStopsWithItsLine) {
    const std::string path =
        Write("a.gs", "t\nBANK 1 5 3 CONST 1000 2 0 0 ESD\n" + Col8("1.") + Col8("2.") +
                          Col8("3.") + Col8("4.") + Col8("5.") + Col8("?") + "\n");
    Read(path, GsasFileType);
    EXPECT_EQ(messenger.messages,
              std::vector<std::string>{path + ", line 3: \"?\" is not a number."});
    EXPECT_EQ(data.PointCount, 2);
}

TEST_F(GsasReaderTest, ChannelCountBeyondTheLimitNeverWritesPastTheArrays) {
    const std::string path = Write("a.gs", "t\nBANK 1 60000 6000 CONST 1000 2 0 0 STD\n" +
                                               Records(StdSlots(MaxDataPoints + 10), 10));
    Read(path, GsasFileType);
    EXPECT_EQ(messenger.messages,
              std::vector<std::string>{path + " holds more than 50000 points; only the first "
                                              "50000 are read."});
    EXPECT_EQ(data.PointCount, MaxDataPoints);
    EXPECT_EQ(data.Capacity, MaxDataPoints);
}

} // namespace
} // namespace koralix::test
