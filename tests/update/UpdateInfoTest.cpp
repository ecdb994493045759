// The update control file: what is accepted, what is refused with its line,
// and how versions compare.
#include "UpdateInfo.h"

#include <gtest/gtest.h>

using namespace koralix;

namespace {

const std::string Sum(64, 'a');

TEST(UpdateInfo, ReadsVersionDateAndFiles) {
    std::string error;
    const auto info = ParseUpdateInfo("# comment\n\nVersion = 1.2.3\r\nDate=24/12/2026\n"
                                      "File=koralix 12 " + std::string(64, 'A') + "\n"
                                      "File=help/index.html 3 " + Sum + "\nVendor=ignored\n",
                                      error);
    ASSERT_TRUE(info) << error;
    EXPECT_EQ(info->Version, "1.2.3");
    EXPECT_EQ(info->Date, "24/12/2026");
    ASSERT_EQ(info->Files.size(), 2u);
    EXPECT_EQ(info->Files[0].Name, "koralix");
    EXPECT_EQ(info->Files[0].Size, 12);
    EXPECT_EQ(info->Files[0].Sha256, Sum); // checksums are compared in lower case
    EXPECT_EQ(info->Files[1].Name, "help/index.html");
    EXPECT_EQ(info->TotalSize(), 15);
}

struct BadFile {
    const char* name;
    std::string text;
    const char* line;
};

class UpdateInfoRefuses : public ::testing::TestWithParam<BadFile> {};

TEST_P(UpdateInfoRefuses, NamingTheLine) {
    std::string error;
    EXPECT_FALSE(ParseUpdateInfo(GetParam().text, error));
    EXPECT_NE(error.find(GetParam().line), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UpdateInfoRefuses,
    ::testing::Values(
        BadFile{"NoVersion", "Date=01/01/2026\n", "line 1"},
        BadFile{"NotAVersion", "Version=1.x\n", "line 1"},
        BadFile{"NoEquals", "Version=1\nkoralix\n", "line 2"},
        BadFile{"BadDate", "Version=1\nDate=2026-01-01\n", "line 2"},
        BadFile{"ClimbsOut", "Version=1\nFile=../etc/passwd 3 " + Sum + "\n", "line 2"},
        BadFile{"Absolute", "Version=1\nFile=/usr/bin/koralix 3 " + Sum + "\n", "line 2"},
        BadFile{"ShortSum", "Version=1\nFile=koralix 3 abc\n", "line 2"},
        BadFile{"NoSize", "Version=1\nFile=koralix " + Sum + "\n", "line 2"},
        BadFile{"NegativeSize", "Version=1\nFile=koralix -3 " + Sum + "\n", "line 2"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UpdateInfo, VersionsCompareNumberByNumber) {
    struct Case {
        const char *a, *b;
        int sign;
    } cases[] = {
        {"0.2", "0.1", 1},   {"0.10", "0.9", 1}, {"1.2", "1.2.0", 0},
        {"1.2.1", "1.2", 1}, {"0.1", "0.1", 0},  {"2", "10", -1},
    };
    for (const Case& c : cases) {
        const int result = CompareVersions(c.a, c.b);
        EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.a << " vs " << c.b;
    }
}

TEST(UpdateInfo, SafePaths) {
    for (const char* good : {"koralix", "help/index.html", "lib/libkoradll.so", "a-b_c+d.1"})
        EXPECT_TRUE(IsSafeRelativePath(good)) << good;
    for (const char* bad : {"", "/abs", "a/../b", "..", "./a", "a//b", "a\\b", "c:x", "a b", "a/"})
        EXPECT_FALSE(IsSafeRelativePath(bad)) << bad;
}

} // namespace
