#include "FileTypes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace koralix {
namespace {

TEST(FileTypeOfTest, CodeFollowsTheExtensionWhateverItsCase) {
    struct Case {
        const char* path;
        int code;
    };
    const Case cases[] = {
        {"model.inp", 0},
        {"model.Inp", 0},
        {"C:/x/model.INP", 0},
        {"a.pcr", 1},
        {"a.DWB", 2},
        {"a.exp", 3},
        {"a.EXP", 3},
        {"data.dat", 4},
        {"data.gsas", 7},
        {"data.Gs", 7},
        {"data.GSAS", 7},
        {"data.gs", 7},
        {"a.ins", 8},
        {"a.xy", 9},
        {"a.XY", 9},
        {"a.cpi", 10},
        {"model.inp.bak", 11},
        {"noextension", 11},
        {"", 11},
        {"folder.v2/run", 11},
        {"/data.old/run.xy", 9},
        {"a.gsa", 11},
        {"a.", 11},
        {".inp", 0},
        {"a.xye", 11},
        {"a.raw", 11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(FileTypeOf(c.path), c.code);
    }
}

TEST(FileTypeOfTest, OnlyTheFourDataTypesAreDataFiles) {
    for (const char* path : {"a.dat", "a.GS", "a.gsas", "a.xy", "a.Cpi"})
        EXPECT_TRUE(IsDataFile(path)) << path;
    for (const char* path : {"a.EXP", "a.INP", "a.pcr", "a.ins", "a.dwb", "a", "a.txt"})
        EXPECT_FALSE(IsDataFile(path)) << path;
}

class FileFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("koralix-formats-" +
                   std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::string Touch(const std::string& name, const std::string& content = "x\n") {
        std::ofstream(folder_ / name) << content;
        return Path(name);
    }
    std::string Path(const std::string& name) const { return (folder_ / name).string(); }

    std::filesystem::path folder_;
};

TEST_F(FileFolderTest, DataFileForChoosesTheExtensionByDataFormat) {
    const std::string input = Touch("run1.inp");
    struct Case {
        int format;
        const char* file;
    };
    const Case cases[] = {{0, "run1.DAT"}, {1, "run1.DAT"}, {2, "run1.DAT"}, {7, "run1.DAT"},
                          {3, "run1.GS"},  {4, "run1.XY"},  {5, "run1.XY"},  {6, "run1.CPI"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(DataFileFor(input, c.format), "");
        const std::string data = Touch(c.file);
        EXPECT_EQ(DataFileFor(input, c.format), data);
        std::filesystem::remove(data);
    }
}

TEST_F(FileFolderTest, DataFileForFindsTheLowerCaseNameToo) {
    const std::string input = Touch("run1.inp");
    const std::string lower = Touch("run1.xy");
    EXPECT_EQ(DataFileFor(input, 5), lower);
    const std::string upper = Touch("run1.XY");
    EXPECT_EQ(DataFileFor(input, 5), upper); // the exact spelling first
    // A mixed-case name is not guessed, and the base name keeps its case.
    Touch("run1.Dat");
    EXPECT_EQ(DataFileFor(input, 0), "");
    Touch("RUN1.dat");
    EXPECT_EQ(DataFileFor(input, 0), "");
    // A folder of that name is not a data file.
    std::filesystem::create_directory(folder_ / "run1.CPI");
    EXPECT_EQ(DataFileFor(input, 6), "");
}

TEST_F(FileFolderTest, FileReadableOpensWithoutTouching) {
    const std::string file = Touch("a.inp", "content\n");
    const auto before = std::filesystem::last_write_time(file);
    EXPECT_TRUE(FileReadable(file));
    EXPECT_EQ(std::filesystem::last_write_time(file), before);
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "content");
    EXPECT_FALSE(FileReadable(""));
    EXPECT_FALSE(FileReadable(Path("missing.inp")));
    EXPECT_FALSE(std::filesystem::exists(Path("missing.inp")));
    EXPECT_FALSE(FileReadable(folder_.string()));
}

} // namespace
} // namespace koralix
