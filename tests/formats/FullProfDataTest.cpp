// The data layouts of FullProf control files, read and written beside as
// data the engine reads.
#include "FullProfData.h"
#include "Messenger.h"
#include "Model.h"
#include "VendorData.h"

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

struct LayoutFile {
    const char* path; // under the test data
    FullProfLayout layout;
    int points;
    double firstX, lastX;
    double firstEsd;
};

std::ostream& operator<<(std::ostream& out, const LayoutFile& f) {
    return out << f.path;
}

class FullProfFiles : public ::testing::TestWithParam<LayoutFile> {};

TEST_P(FullProfFiles, ReadWithTheirLayoutRangeAndEsds) {
    const LayoutFile& f = GetParam();
    const fs::path path = TestData / f.path;
    if (!fs::exists(path)) GTEST_SKIP() << "no test data at " << path;
    EXPECT_EQ(FullProfLayoutOf(path.string()), f.layout);
    TData data;
    std::string error;
    ASSERT_TRUE(ReadFullProfData(path.string(), data, error)) << error;
    EXPECT_EQ(data.PointCount, f.points);
    EXPECT_EQ(data.Kind, KindDataFile);
    EXPECT_NEAR(data.X[0], f.firstX, 1e-3);
    EXPECT_NEAR(data.X[size_t(data.PointCount - 1)], f.lastX, 1e-3);
    EXPECT_NEAR(data.W[0], f.firstEsd, 1e-3);
}

INSTANTIATE_TEST_SUITE_P(RealFiles, FullProfFiles,
                         ::testing::Values(
                             // D1A: 10(I2,I6) from line 5, 2θ start on line 3, one counter a point.
                             LayoutFile{"reference/pbso4/pbso4_d1a_fullprof.dat",
                                        FullProfLayout::Multicounter, 2920, 10, 155.95,
                                        std::sqrt(220.0)},
                             LayoutFile{"powder_other/lamn_3t2.dat", FullProfLayout::Multicounter,
                                        2515, 0, 125.7, std::sqrt(15.0)},
                             // Blank and comment lines before the start/step/end line.
                             LayoutFile{"powder_other/ceo2_fullprof_ins0.dat",
                                        FullProfLayout::FreeSteps, 4721, 25, 143, std::sqrt(32.0)},
                             LayoutFile{"powder_other/cecual_xysigma.dat", FullProfLayout::XySigma,
                                        3693, 3001.589, 19004.658, 462}),
                         [](const auto& info) {
                             std::string name = fs::path(info.param.path).stem().string();
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// Files the program's own readers take (a .dat header on line 1, GSAS raw
// data) and files of other layouts stay with them.
TEST(FullProfData, OtherFilesAreNotTaken) {
    for (const fs::path& path :
         {TestData / "powder_other" / "urea_fullprof_ins0.dat",
          TestData / "reference" / "pbso4" / "pbsox_fullprof.dat",
          TestData / "reference" / "pbso4" / "PBSO4.CWN",
          TestData / "reference" / "zro2" / "zro2.dat", TestData / "powder_other" / "hobk_d1b.dat",
          TestData / "powder_other" / "dy_dmc.dat"}) {
        if (!fs::exists(path)) continue;
        EXPECT_EQ(FullProfLayoutOf(path.string()), std::nullopt) << path;
    }
    EXPECT_EQ(FullProfLayoutOf("/no/such/file.dat"), std::nullopt);
}

class FullProfScan : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("koralix_fullprof_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name) << text;
        return (dir_ / name).string();
    }
    fs::path dir_;
};

const char* Multicounter = "title of the scan\n"
                           "     100       0   0.100      10       0       0\n"
                           "  20.000\n"
                           "  10000.      0.    0.00    0.00\n"
                           " 2   400 1   100 4  1600\n"
                           "   -1000\n"
                           "  -10000\n";

// Averaged counts of n counters have the variance y / n.
TEST_F(FullProfScan, MulticounterEsdsFollowTheCounters) {
    TData data;
    std::string error;
    ASSERT_TRUE(ReadFullProfData(Write("d2b.dat", Multicounter), data, error)) << error;
    ASSERT_EQ(data.PointCount, 3);
    EXPECT_EQ(data.Title, "title of the scan");
    EXPECT_FLOAT_EQ(data.X[2], 20.2f);
    EXPECT_FLOAT_EQ(data.Y[2], 1600);
    EXPECT_FLOAT_EQ(data.W[0], std::sqrt(200.0f));
    EXPECT_FLOAT_EQ(data.W[1], 10);
    EXPECT_FLOAT_EQ(data.W[2], 20);
}

// Three columns after a blank title line look like FullProf's start, step and
// end; an XY file stays an XY file all the same.
TEST_F(FullProfScan, OtherDataFormatsKeepTheirReaders) {
    const std::string columns = "\n10.0 100 10\n10.1 121 11\n10.2 144 12\n";
    EXPECT_EQ(FullProfLayoutOf(Write("scan.xy", columns)), std::nullopt);
    EXPECT_EQ(FullProfLayoutOf(Write("scan.GS", Multicounter)), std::nullopt);
    EXPECT_EQ(FullProfLayoutOf(Write("scan.dat", columns)), FullProfLayout::FreeSteps);
}

struct BadFile {
    const char* name;
    const char* text;
    const char* where; // the file and line the message names
};

class FullProfBadFiles : public FullProfScan, public ::testing::WithParamInterface<BadFile> {};

TEST_P(FullProfBadFiles, NameTheFileAndLine) {
    TData data;
    std::string error;
    const std::string path = Write("bad.dat", GetParam().text);
    EXPECT_FALSE(ReadFullProfData(path, data, error));
    EXPECT_NE(error.find(path + ", line " + GetParam().where), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FullProfBadFiles,
    ::testing::Values(BadFile{"MulticounterCount",
                              "t\n 1 0 0.1\n 20\n 1\n 1   400 x  abcd\n -1000\n", "5"},
                      BadFile{"MulticounterStep", "t\n 1 0 0\n 20\n 1\n 1   400\n -1000\n", "2"},
                      BadFile{"FreeStepsCount", "\n! c\n 10 0.1 11\n 5 6 seven\n", "4"},
                      BadFile{"FreeStepsRange", "\n 10 0.1 9\n 5 6\n", "2"},
                      BadFile{"XySigmaPoint", "XYDATA t\n 1 2 3\n 2 abc 3\n", "3"}),
    [](const auto& info) { return std::string(info.param.name); });

// For a refinement the scan goes beside the file as GSAS ESD data with the
// file's esds; an XY-sigma scan without esds gets those of counting statistics.
TEST_F(FullProfScan, WrittenBesideAsGsasEsdData) {
    TRietveld model;
    RecordingMessenger messenger;
    const std::string written = PrepareDataFile(model, Write("d2b.dat", Multicounter), messenger);
    ASSERT_EQ(written, (dir_ / "d2b.GS").string());
    EXPECT_EQ(model.DataFormat, 3);
    TData back;
    RecordingMessenger reading;
    back.ReadDataFile(written, 1, GsasFileType, reading);
    EXPECT_TRUE(reading.messages.empty());
    ASSERT_EQ(back.PointCount, 3);
    EXPECT_NEAR(back.X[1], 20.1f, 1e-4);
    EXPECT_FLOAT_EQ(back.Y[2], 1600);
    EXPECT_NEAR(back.W[0], std::sqrt(200.0f), 1e-3);

    TData xy;
    std::string error;
    ASSERT_TRUE(
        ReadFullProfData(Write("xy.dat", "XYDATA t\nINTER 1 1 0 0\n10 400\n11 0 -1\n"), xy, error))
        << error;
    ASSERT_EQ(xy.PointCount, 2);
    EXPECT_FLOAT_EQ(xy.W[0], 20);
    EXPECT_FLOAT_EQ(xy.W[1], 1);
}

struct NamedData {
    const char* name;
    const char* filesLine; // the control file's second line
    const char* beside;    // the data file beside it, or nullptr
    bool found;
};

class FullProfNamedData : public FullProfScan, public ::testing::WithParamInterface<NamedData> {};

// The data file a control file names, as FullProf finds it.
TEST_P(FullProfNamedData, FoundBesideTheControlFile) {
    const NamedData& c = GetParam();
    const std::string pcr = Write("model.pcr", std::string("COMM title\n") + c.filesLine + "\n");
    if (c.beside) Write(c.beside, "data\n");
    EXPECT_EQ(FullProfDataFile(pcr), c.found ? (dir_ / c.beside).string() : std::string());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FullProfNamedData,
    ::testing::Values(
        NamedData{"WithExtension", "! Files => DAT-file: pbso4.dat,  PCR-file: pbso4", "pbso4.dat",
                  true},
        NamedData{"DatAdded", "! Files => DAT-file: pbso4,  PCR-file: pbso4", "pbso4.dat", true},
        NamedData{"AnyCase", "! Files => DAT-file: PbSO4.DAT,  PCR-file: pbso4", "pbso4.dat", true},
        NamedData{"NotBeside", "! Files => DAT-file: other.dat,  PCR-file: pbso4", "pbso4.dat",
                  false},
        NamedData{"NoFilesLine", "! Current global Chi2 (Bragg contrib.) = 5.4", "pbso4.dat",
                  false},
        NamedData{"NotAComment", " DAT-file: pbso4.dat", "pbso4.dat", false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace koralix
