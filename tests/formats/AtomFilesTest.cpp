#include "AtomFiles.h"
#include "AtomSheet.h"
#include "Messenger.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace koralix;

namespace {

class AtomFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("koralix-atoms-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
        phase.AddAtom(TAtom());
        phase.Atoms[0].Label = "OLD ";
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::string Write(const std::string& name, const std::string& text) {
        auto path = folder / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }

    std::filesystem::path folder;
    TPhase phase;
    const TPhase before_;
    RecordingMessenger messages;
};

std::string TrimTextOf(const std::string& text) {
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

} // namespace

TEST_F(AtomFilesTest, AtomListStopsAtTheFirstEmptyLine) {
    auto file = Write("list.txt", "fe1 Fe 0.1 0.2 0.3\n"
                                  "o1\tO\t0,5 0.25 0\r\n"
                                  "Ca10x ca+2 1/2 0 0\n"
                                  "   \n"
                                  "S1 S 0 0 0\n");
    ASSERT_EQ(ReadAtomListFile(file, phase, messages), TAtomFileResult::Read);
    ASSERT_EQ(phase.AtomCount(), 3) << "the old atom is replaced, lines after the blank ignored";
    EXPECT_EQ(phase.Atoms[0].Label, "FE1 ");
    EXPECT_EQ(phase.Atoms[0].AtomType, "FE  ");
    EXPECT_FLOAT_EQ(phase.Atoms[0].Z, 0.3f);
    EXPECT_FLOAT_EQ(phase.Atoms[1].X, 0.5f) << "a comma reads as the decimal point";
    EXPECT_EQ(phase.Atoms[2].Label, "CA10");
    EXPECT_EQ(phase.Atoms[2].AtomType, "CA+2");
    EXPECT_FLOAT_EQ(phase.Atoms[2].B, TAtom().B) << "other values are the default atom's";
}

TEST_F(AtomFilesTest, AtomListEdgeCases) {
    const TPhase before = phase;
    EXPECT_EQ(ReadAtomListFile(Write("empty-first.txt", "\nFE FE 0 0 0\n"), phase, messages),
              TAtomFileResult::Read);
    EXPECT_EQ(phase, before) << "a first empty line changes nothing";
    EXPECT_EQ(ReadAtomListFile((folder / "missing").string(), phase, messages),
              TAtomFileResult::NotOpened);
    EXPECT_EQ(phase, before);

    auto bad = Write("bad.txt", "FE FE 0 0 0\nO O 0.5\n");
    EXPECT_EQ(ReadAtomListFile(bad, phase, messages), TAtomFileResult::Invalid);
    EXPECT_EQ(phase.AtomCount(), 1) << "the atom read before the fault stays";
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].rfind("Invalid atom file\n" + bad + ", line 2", 0), 0u);
}

TEST_F(AtomFilesTest, ExpoFileStartsAfterTheTypeLine) {
    auto file = Write("cell.xyz", "title line\n"
                                  "label type x y z\n"
                                  "\n"
                                  "Si1 0.1 0.2 0.3\n"
                                  "\n"
                                  "o2 0.5 0.5 0.5\n");
    ASSERT_EQ(ReadExpoXyzFile(file, phase, messages), TAtomFileResult::Read);
    ASSERT_EQ(phase.AtomCount(), 2) << "empty lines are skipped, not an end";
    EXPECT_EQ(phase.Atoms[0].Label, "SI1 ");
    EXPECT_EQ(phase.Atoms[0].AtomType, "SI1 ");
    EXPECT_FLOAT_EQ(phase.Atoms[1].Y, 0.5f);

    TPhase untouched = before_;
    EXPECT_EQ(ReadExpoXyzFile(Write("notype.xyz", "Type 1\nSI 0 0 0\n"), untouched, messages),
              TAtomFileResult::Read);
    EXPECT_EQ(untouched, before_) << "\"type\" is looked for with its case";
}

TEST_F(AtomFilesTest, SheetRoundTripAppendsCopies) {
    phase.ClearAtoms();
    TAtom a;
    a.Label = "AL  ";
    a.AtomType = "AL+3";
    a.Z = 0.35216f;
    a.B = 0.19f;
    a.N = 0.33333f;
    phase.AddAtom(a);
    a.Label = "O   ";
    a.AtomType = "O-2 ";
    a.X = 0.30624f;
    phase.AddAtom(a);

    const std::string file = (folder / "atoms.xlsx").string();
    std::string error;
    ASSERT_TRUE(WriteAtomSheet(file, AtomGridRows(phase), error)) << error;
    TSheetRows rows;
    ASSERT_TRUE(ReadAtomSheet(file, rows, error)) << error;
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][2], "Name");
    EXPECT_EQ(rows[0][12], "n");

    ASSERT_TRUE(AppendSheetAtoms(rows, phase, messages));
    ASSERT_EQ(phase.AtomCount(), 4);
    for (int i = 0; i < 2; ++i) {
        const TAtom& copy = phase.Atoms[size_t(i + 2)];
        const TAtom& original = phase.Atoms[size_t(i)];
        EXPECT_EQ(TrimTextOf(copy.Label), TrimTextOf(original.Label));
        EXPECT_EQ(TrimTextOf(copy.AtomType), TrimTextOf(original.AtomType));
        EXPECT_FLOAT_EQ(copy.X, original.X);
        EXPECT_FLOAT_EQ(copy.Z, original.Z);
        EXPECT_FLOAT_EQ(copy.N, original.N);
    }
}

TEST_F(AtomFilesTest, SheetCellThatIsNotANumberStops) {
    TSheetRows rows = AtomGridRows(phase);
    rows.push_back(rows[1]);
    rows.push_back(rows[1]);
    rows[2][6] = "abc";
    TPhase target;
    EXPECT_FALSE(AppendSheetAtoms(rows, target, messages));
    EXPECT_EQ(target.AtomCount(), 1);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].rfind("'abc' is not a valid floating point value", 0), 0u);
}

TEST_F(AtomFilesTest, UnreadableSheetsGiveAnError) {
    TSheetRows rows;
    std::string error;
    EXPECT_FALSE(ReadAtomSheet((folder / "missing.xlsx").string(), rows, error));
    EXPECT_NE(error.find("missing.xlsx"), std::string::npos);
    EXPECT_FALSE(ReadAtomSheet(Write("junk.xls", "not a workbook"), rows, error));
    EXPECT_FALSE(ReadAtomSheet(Write("junk.xlsx", "PK not a zip"), rows, error));
}
