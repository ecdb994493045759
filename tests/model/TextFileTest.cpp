// What the whole-file reader takes: regular files only, each other kind of
// name refused with its reason before anything blocks or is read.
#include "TextFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace koralix;

struct KindCase {
    const char* name;
    void (*make)(const fs::path& path); // nullptr: nothing made, the name is missing
    const char* reason;                 // empty: the file is read
    bool special;                       // NotRegularFileProblem speaks of it
};

const KindCase KindCases[] = {
    {"RegularFile", [](const fs::path& p) { std::ofstream(p) << "title\n"; }, "", false},
    {"LinkToARegularFile",
     [](const fs::path& p) {
         std::ofstream(p.string() + ".real") << "title\n";
         fs::create_symlink(p.filename().string() + ".real", p);
     },
     "", false},
    {"Missing", nullptr, "the file does not exist", false},
    {"Folder", [](const fs::path& p) { fs::create_directory(p); }, "it is a folder, not a file",
     false},
    {"Fifo", [](const fs::path& p) { ::mkfifo(p.c_str(), 0644); }, "it is not a regular file",
     true},
    {"LinkToAFifo",
     [](const fs::path& p) {
         ::mkfifo((p.string() + ".fifo").c_str(), 0644);
         fs::create_symlink(p.filename().string() + ".fifo", p);
     },
     "it is not a regular file", true},
    {"Device", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); },
     "it is not a regular file", true},
};

void PrintTo(const KindCase& c, std::ostream* os) {
    *os << c.name;
}

class FileKind : public ::testing::TestWithParam<KindCase> {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "koralix-textfile-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { fs::remove_all(folder_); }
    fs::path folder_;
};

TEST_P(FileKind, IsReadOrRefusedWithItsReason) {
    const KindCase& c = GetParam();
    const fs::path path = folder_ / "model.inp";
    if (c.make) c.make(path);
    const std::string name = path.string();

    const TextFileRead read = ReadTextFile(name);
    const std::string openProblem = FileOpenProblem(name);
    if (std::string(c.reason).empty()) {
        ASSERT_TRUE(read.Text.has_value()) << read.Problem;
        EXPECT_EQ(*read.Text, "title\n");
        EXPECT_EQ(openProblem, "");
    } else {
        const std::string expected = "Cannot read " + name + ": " + c.reason + ".";
        EXPECT_FALSE(read.Text.has_value());
        EXPECT_EQ(read.Problem, expected);
        EXPECT_EQ(openProblem, expected);
    }
    EXPECT_EQ(NotRegularFileProblem(name), c.special ? openProblem : "");
}

INSTANTIATE_TEST_SUITE_P(Kinds, FileKind, ::testing::ValuesIn(KindCases),
                         [](const ::testing::TestParamInfo<KindCase>& info) {
                             return info.param.name;
                         });

} // namespace
