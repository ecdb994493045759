// Data files written by other programs, from the shared test-data folder.
#include "Messenger.h"
#include "PlotData.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace koralix::test {
namespace {

std::filesystem::path TestData() {
    return KORALIX_TESTDATA;
}

struct RealFile {
    const char* name; // test name
    const char* path; // below the test-data folder
    int type;
    int points;
    float start, step;
    float x0, y0, w0;
    float xLast, yLast, wLast;
};

class RealDataFileTest : public ::testing::TestWithParam<RealFile> {};

TEST_P(RealDataFileTest, ReadsEveryPointOfTheFile) {
    const RealFile& f = GetParam();
    const auto path = TestData() / f.path;
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "test data missing: " << path;
    TData data;
    RecordingMessenger messenger;
    data.ReadDataFile(path.string(), 1, f.type, messenger);
    EXPECT_TRUE(messenger.messages.empty()) << messenger.messages.front();
    EXPECT_EQ(data.Kind, KindDataFile);
    ASSERT_EQ(data.PointCount, f.points);
    EXPECT_FLOAT_EQ(data.Start, f.start);
    EXPECT_FLOAT_EQ(data.Step, f.step);
    EXPECT_FLOAT_EQ(data.X[0], f.x0);
    EXPECT_FLOAT_EQ(data.Y[0], f.y0);
    EXPECT_FLOAT_EQ(data.W[0], f.w0);
    const auto last = static_cast<size_t>(f.points - 1);
    EXPECT_FLOAT_EQ(data.X[last], f.xLast);
    EXPECT_FLOAT_EQ(data.Y[last], f.yLast);
    EXPECT_FLOAT_EQ(data.W[last], f.wLast);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Files, RealDataFileTest, ::testing::Values(
    // GSAS STD, counter and intensity pairs ("1   162"), no STD word.
    RealFile{"GarnetStdCounters", "powder_gsas/garnet.raw", GsasFileType, 2679, 24, 0.05f,
             24, 162, 1, 157.9f, 135, 1},
    // Float coefficients "CONST 0.0 1.6 0.0 0.0".
    RealFile{"NickelStd", "powder_gsas/nickel.raw", GsasFileType, 5120, 0, 0.016f,
             0, 2, 1, 81.904f, 27, 1},
    RealFile{"LaMnO3Esd", "powder_gsas/LaMnO3_50k.gsas", GsasFileType, 3296, 3, 0.05f,
             3, 523, 48, 167.75f, 681, 34},
    RealFile{"Nist660Std", "powder_gsas/NIST660CBI.gsas", GsasFileType, 8378, 15.0066f, 0.0131303f,
             15.0066f, 2364, 1, 124.99912f, 370, 1},
    // Short lines, and 20 fewer points than the BANK line announces.
    RealFile{"PrSrMnOShortRecords", "powder_gsas/PrSrMnO.gda", GsasFileType, 2395, 6, 0.05f,
             6, 29, 3, 125.7f, 15, 1},
    RealFile{"Er2Ge2O7Esd", "powder_gsas/Er2Ge2O7_2K.gss", GsasFileType, 2459, 2.025f, 0.05f,
             2.025f, 927.65f, 29.15f, 124.925f, 194.06f, 14.8f},
    // RALF/ALT, several banks: the first one.
    RealFile{"GemAltFirstBank", "powder_gsas/gem05984.gss", GsasFileType, 2720, 817.43f, 0.65f,
             81743, 2988, 83, 719049, 12284, 2299},
    RealFile{"ArgSiAlt", "powder_gsas/arg_si.dat", GsasFileType, 5600, 20, 0.05f,
             64000, 213.8f, 3.3f, 959840, 249.3f, 72},
    RealFile{"HrpdAlt", "powder_gsas/hrpd_ceo2.dat", GsasFileType, 20568, 7428.96f, 0.74f,
             742896, 1, 100, 5808944, 1, 100},
    // Comment lines before the BANK line, SLOG binning, FXYE records.
    RealFile{"PowgenFxye", "powder_gsas/PG3_17541.gsa", GsasFileType, 6825, 67.76f, 1038.16f,
             6777.0815f, 75.74535f, 5.975719f, 103815.516f, 1063.5311f, 367.99283f},
    RealFile{"ElevenBmFxye", "powder_gsas/11bmb_0842.fxye", GsasFileType, 23699, 0.499f, 0.001f,
             49.9f, 36.198f, 6.17527f, 2419.7f, 12.4583f, 3.48224f},
    RealFile{"PbSO4XrayStd", "reference/pbso4/PBSO4.XRA", GsasFileType, 6001, 10, 0.025f,
             10, 179, 1, 160, 368, 1},
    RealFile{"PbSO4NeutronStd", "reference/pbso4/PBSO4.CWN", GsasFileType, 2919, 10, 0.05f,
             10, 220, 1, 155.9f, 450, 1},
    // "Instrument parameter file" line before the BANK line.
    RealFile{"AluminaEsd", "reference/alumina_bt1/al2o3001.gsa", GsasFileType, 3300, 3, 0.05f,
             3, 119, 17, 167.95f, 203, 14},
    RealFile{"SiStd", "reference/si_standard/si9737.gda", GsasFileType, 5600, 20, 0.05f,
             20, 8523, 1, 299.95f, 21, 1},
    // " BANK" with a leading blank; the last record holds 4 of its 5 points.
    RealFile{"ZrO2LeadingBlank", "reference/zro2/zro2.dat", GsasFileType, 5744, 20.12f, 0.02f,
             20.12f, 160, 1, 134.98f, 142, 1},
    RealFile{"PbSO4FullProfDat", "reference/pbso4/pbsox_fullprof.dat", DatFileType, 6001, 10, 0.025f,
             10, 179, 1, 160, 368, 1},
    RealFile{"XyText", "powder_xy/xy_text.txt", XyFileType, 4000, 20.02f, 0.019995f,
             20.02f, 39, 1, 100, 29, 1},
    RealFile{"LactoseXye", "powder_xy/x3lactos.xye", XyFileType, 4775, 3.005f, 0.004998953f,
             3.005f, 296, 1, 26.875f, 403, 1},
    RealFile{"TabSeparated", "powder_xy/with_sigma.txt", XyFileType, 2, 20.02f, 0.010000229f,
             20.02f, 39, 1, 20.04f, 31, 1}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(RealDataTest, PaddedAndUnpaddedCopiesReadTheSame) {
    const auto padded = TestData() / "reference/pbso4/PBSO4.XRA";
    const auto unpadded = TestData() / "reference/pbso4/pbso4_xray_gsas_unpadded.dat";
    if (!std::filesystem::exists(padded)) GTEST_SKIP() << "test data missing: " << padded;
    RecordingMessenger messenger;
    TData a, b;
    a.ReadDataFile(padded.string(), 1, GsasFileType, messenger);
    b.ReadDataFile(unpadded.string(), 1, GsasFileType, messenger);
    EXPECT_TRUE(messenger.messages.empty());
    ASSERT_EQ(a.PointCount, 6001);
    EXPECT_EQ(a.Y, b.Y);
    EXPECT_EQ(a.X, b.X);
}

TEST(RealDataTest, TimeMapBinningIsReportedNotMisread) {
    const auto path = TestData() / "reference/cpd_qpa/6730.dat";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "test data missing: " << path;
    TData data;
    RecordingMessenger messenger;
    data.ReadDataFile(path.string(), 1, GsasFileType, messenger);
    EXPECT_EQ(
        messenger.messages,
        std::vector<std::string>{path.string() + ", line 75: TIME_MAP binning is not supported."});
    EXPECT_EQ(data.Kind, KindNone);
}

TEST(RealDataTest, OtherFormatsNeverCrashTheReaders) {
    // Whatever these files are read as, reading ends with at most one message
    // and never more points than the arrays hold.
    const auto folder = TestData();
    if (!std::filesystem::exists(folder)) GTEST_SKIP() << "test data missing: " << folder;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        for (int type : {DatFileType, GsasFileType, XyFileType, CpiFileType}) {
            SCOPED_TRACE(entry.path().string() + " as " + std::to_string(type));
            TData data;
            RecordingMessenger messenger;
            data.ReadDataFile(entry.path().string(), 1, type, messenger);
            EXPECT_LE(data.PointCount, data.Capacity);
            EXPECT_LE(messenger.messages.size(), 2u);
        }
    }
}

} // namespace
} // namespace koralix::test
