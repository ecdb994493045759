// Instrument makers' data files read through xylib, and the scan written
// beside them in a format the engine reads.
#include "VendorData.h"

#include "Messenger.h"
#include "Model.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

namespace koralix {
namespace {

namespace fs = std::filesystem;

const fs::path TestData(KORALIX_TESTDATA);

struct VendorFile {
    const char* path; // under the test data
    const char* format;
    int points;
    double firstX, lastX;
};

std::ostream& operator<<(std::ostream& out, const VendorFile& f) {
    return out << f.path;
}

class VendorFiles : public ::testing::TestWithParam<VendorFile> {};

TEST_P(VendorFiles, ReadWithTheirFormatAndRange) {
    const VendorFile& f = GetParam();
    const fs::path path = TestData / f.path;
    if (!fs::exists(path)) GTEST_SKIP() << "no test data at " << path;
    EXPECT_EQ(VendorFormatOf(path.string()), f.format);
    TData data;
    std::string error;
    ASSERT_TRUE(ReadVendorData(path.string(), data, error)) << error;
    EXPECT_EQ(data.PointCount, f.points);
    EXPECT_EQ(data.Kind, KindDataFile);
    EXPECT_NEAR(data.X[0], f.firstX, 1e-3);
    EXPECT_NEAR(data.X[size_t(data.PointCount - 1)], f.lastX, 1e-3);
    EXPECT_EQ(data.Start, data.X[0]);
}

INSTANTIATE_TEST_SUITE_P(
    RealFiles, VendorFiles,
    ::testing::Values(VendorFile{"powder_other/BT86.raw", "bruker_raw", 2374, 3, 40.0003},
                      VendorFile{"powder_other/BT86_.UXD", "uxd", 2374, 3, 40},
                      VendorFile{"powder_other/LaB6_Jan2018.raw", "bruker_raw", 3040, 10, 70.0044},
                      VendorFile{"powder_other/empyrean.xrdml", "xrdml", 196, 30.05, 41.75},
                      VendorFile{"powder_xy/test4.csv", "csv", 14, 0.0060461, 0.1632455},
                      VendorFile{"powder_xy/with_sigma.txt", "text", 3, 20, 20.04},
                      VendorFile{"powder_xy/Ba6Co6.xye", "text", 3120, 4, 159.95}),
    [](const auto& info) {
        std::string name = fs::path(info.param.path).filename().string();
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

// The same scan in Bruker's binary RAW and its text UXD twin.
TEST(VendorData, BrukerRawMatchesItsUxdTwin) {
    const fs::path raw = TestData / "powder_other" / "BT86.raw";
    const fs::path uxd = TestData / "powder_other" / "BT86_.UXD";
    if (!fs::exists(raw) || !fs::exists(uxd)) GTEST_SKIP() << "no test data at " << raw;
    TData a, b;
    std::string error;
    ASSERT_TRUE(ReadVendorData(raw.string(), a, error)) << error;
    ASSERT_TRUE(ReadVendorData(uxd.string(), b, error)) << error;
    ASSERT_EQ(a.PointCount, b.PointCount);
    for (int i = 0; i < a.PointCount; ++i) {
        // UXD writes four significant digits of 2θ.
        ASSERT_NEAR(a.X[size_t(i)], b.X[size_t(i)], 0.006) << "point " << i;
        ASSERT_NEAR(a.Y[size_t(i)], b.Y[size_t(i)], 1e-3 * std::max(1.0f, b.Y[size_t(i)]))
            << "point " << i;
    }
}

// Files of the program's own formats, and GSAS raw data that xylib would
// only take for loose text, stay with the program's readers.
TEST(VendorData, OwnFormatsAreNotTaken) {
    for (const fs::path& path :
         {TestData / "powder_gsas" / "garnet.raw", TestData / "powder_gsas" / "nickel.raw",
          TestData / "reference" / "pbso4" / "PBSO4.CWN",
          TestData / "reference" / "zro2" / "zro2.dat"}) {
        if (!fs::exists(path)) continue;
        EXPECT_EQ(VendorFormatOf(path.string()), "") << path;
    }
    EXPECT_EQ(VendorFormatOf("/no/such/file.xrdml"), "");
}

class ScanBeside : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("koralix_vendor_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // The scan as the engine will read it: the written file in the model's format.
    TData ReadBack(const std::string& path, int dataFormat) {
        TData data;
        RecordingMessenger messages;
        data.ReadDataFile(path, 1, dataFormat == 3 ? GsasFileType : XyFileType, messages);
        EXPECT_TRUE(messages.messages.empty()) << messages.messages.front();
        return data;
    }
    fs::path dir_;
};

// A Bruker scan at a constant step becomes GSAS ESD data with the esds of
// counting statistics; a second preparation never overwrites the first.
TEST_F(ScanBeside, ConstantStepScanBecomesGsasEsdData) {
    const fs::path raw = TestData / "powder_other" / "BT86.raw";
    if (!fs::exists(raw)) GTEST_SKIP() << "no test data at " << raw;
    fs::copy_file(raw, dir_ / "BT86.raw");
    std::ofstream(dir_ / "BT86.gs") << "somebody's own file\n";
    TRietveld model;
    RecordingMessenger messenger;
    const std::string written = PrepareDataFile(model, (dir_ / "BT86.raw").string(), messenger);
    EXPECT_EQ(written, (dir_ / "BT86_2.GS").string());
    EXPECT_EQ(model.DataFormat, 3);
    ASSERT_EQ(messenger.messages.size(), 1u);
    EXPECT_NE(messenger.messages[0].find("BT86_2.GS"), std::string::npos);

    TData original, back = ReadBack(written, 3);
    std::string error;
    ASSERT_TRUE(ReadVendorData((dir_ / "BT86.raw").string(), original, error));
    ASSERT_EQ(back.PointCount, original.PointCount);
    for (int i = 0; i < back.PointCount; i += 97) {
        const auto k = size_t(i);
        EXPECT_NEAR(back.X[k], original.X[k], 1e-3) << "point " << i;
        EXPECT_NEAR(back.Y[k], original.Y[k], 0.01) << "point " << i;
        EXPECT_NEAR(back.W[k], std::sqrt(std::max(1.0f, original.Y[k])), 0.01) << "point " << i;
    }
    EXPECT_EQ(PrepareDataFile(model, (dir_ / "BT86.raw").string(), messenger),
              (dir_ / "BT86_3.GS").string());
}

// Esds of the file travel with the counts.
TEST_F(ScanBeside, EsdColumnIsKept) {
    std::ofstream(dir_ / "scan.xye") << "# x y esd\n10.0 100 7.5\n10.5 200.25 9.25\n11.0 0 1.5\n";
    TRietveld model;
    RecordingMessenger messenger;
    const std::string written = PrepareDataFile(model, (dir_ / "scan.xye").string(), messenger);
    ASSERT_EQ(written, (dir_ / "scan.GS").string());
    const TData back = ReadBack(written, 3);
    ASSERT_EQ(back.PointCount, 3);
    EXPECT_FLOAT_EQ(back.X[2], 11.0f);
    EXPECT_FLOAT_EQ(back.Y[1], 200.25f);
    EXPECT_FLOAT_EQ(back.W[0], 7.5f);
    EXPECT_FLOAT_EQ(back.W[2], 1.5f);
}

// An uneven step cannot be GSAS CONST binning: the scan goes to an XY file.
TEST_F(ScanBeside, UnevenStepBecomesXyData) {
    std::ofstream(dir_ / "scan.csv") << "x,y\n10.0,5\n10.1,6\n10.3,7\n10.35,8\n";
    TRietveld model;
    RecordingMessenger messenger;
    const std::string written = PrepareDataFile(model, (dir_ / "scan.csv").string(), messenger);
    ASSERT_EQ(written, (dir_ / "scan.XY").string());
    EXPECT_EQ(model.DataFormat, 4);
    const TData back = ReadBack(written, 4);
    ASSERT_EQ(back.PointCount, 4);
    EXPECT_FLOAT_EQ(back.X[3], 10.35f);
    EXPECT_FLOAT_EQ(back.Y[3], 8.0f);
}

// A file of no known kind is left alone, and one that cannot be read is
// reported by name and passed on unchanged.
TEST_F(ScanBeside, UnreadableFilesArePassedOn) {
    TRietveld model;
    RecordingMessenger messenger;
    std::ofstream(dir_ / "empty.csv") << "";
    EXPECT_EQ(PrepareDataFile(model, (dir_ / "empty.csv").string(), messenger),
              (dir_ / "empty.csv").string());
    ASSERT_EQ(messenger.messages.size(), 1u);
    EXPECT_NE(messenger.messages[0].find("empty.csv"), std::string::npos);
    EXPECT_EQ(model.DataFormat, 0);
    EXPECT_EQ(PrepareDataFile(model, "", messenger), "");
}

} // namespace
} // namespace koralix
