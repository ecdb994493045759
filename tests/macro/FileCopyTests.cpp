// The file copy: its messages, the overwrite question, and that a failed copy
// never leaves a partial file where the target was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "FileCopy.h"
#include "Messenger.h"

namespace koralix::macro {

namespace {

namespace fs = std::filesystem;

class FileCopyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("koralix-copy-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Path(const std::string& name) const { return (dir / name).string(); }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    bool Copy(const std::string& source, const std::string& target) {
        TFileCopy copy(messenger);
        copy.SourceFile = source;
        copy.TargetFile = target;
        return copy.Copy();
    }
    // Nothing but the named files is left in the folder (no temporary file).
    size_t FileCount() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {}));
    }

    RecordingMessenger messenger;
    fs::path dir;
};

} // namespace

TEST_F(FileCopyTest, CopiesLargeFilesBlockByBlock) {
    std::string text;
    for (int i = 0; i < 10000; ++i)
        text += "line " + std::to_string(i) + "\n";
    Write("a.txt", text);
    EXPECT_TRUE(Copy(Path("a.txt"), Path("b.txt")));
    EXPECT_EQ(Read("b.txt"), text);
    EXPECT_TRUE(messenger.messages.empty());
    EXPECT_EQ(FileCount(), 2u);
}

TEST_F(FileCopyTest, AnEmptySourceGivesAnEmptyTarget) {
    Write("empty", "");
    EXPECT_TRUE(Copy(Path("empty"), Path("copy")));
    EXPECT_TRUE(fs::exists(Path("copy")));
    EXPECT_EQ(fs::file_size(Path("copy")), 0u);
}

TEST_F(FileCopyTest, MessagesOfTheRefusedCopies) {
    Write("a.txt", "a");
    // Opening a FIFO for reading would wait for a writer for ever.
    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0644), 0);
    struct Case {
        std::string source, target, message;
    };
    const Case cases[] = {
        {"", Path("b"), "I can't copy\nSource File name missing"},
        {Path("a.txt"), "", "I can't copy\nTarget File name missing"},
        {Path("a.txt"), Path("a.txt"), "Error !!!\nCan't copy the file on itself"},
        {Path("none"), Path("b"), Path("none") + " missing or damaged"},
        {Path("fifo"), Path("b"), "Cannot read " + Path("fifo") + ": it is not a regular file."},
        {Path("a.txt"), Path("no/folder/b"), "Error on creating " + Path("no/folder/b")},
    };
    for (const Case& c : cases) {
        messenger.messages.clear();
        EXPECT_FALSE(Copy(c.source, c.target)) << c.message;
        ASSERT_FALSE(messenger.messages.empty());
        EXPECT_EQ(messenger.messages.front(), c.message);
        const bool named = !c.source.empty() && !c.target.empty();
        if (named) {
            EXPECT_EQ(messenger.messages.back(), "Execution failed");
        }
    }
    EXPECT_EQ(Read("a.txt"), "a");
    EXPECT_EQ(FileCount(), 2u); // a.txt and the FIFO
}

TEST_F(FileCopyTest, AnExistingTargetIsReplacedOnlyOnYes) {
    Write("a.txt", "new");
    Write("b.txt", "old");
    fs::permissions(Path("b.txt"), fs::perms::owner_read | fs::perms::owner_write);
    messenger.answers = {Answer::No, Answer::Cancel, Answer::Yes};
    EXPECT_FALSE(Copy(Path("a.txt"), Path("b.txt")));
    EXPECT_FALSE(Copy(Path("a.txt"), Path("b.txt")));
    EXPECT_EQ(Read("b.txt"), "old");
    EXPECT_TRUE(Copy(Path("a.txt"), Path("b.txt")));
    EXPECT_EQ(Read("b.txt"), "new");
    EXPECT_EQ(messenger.questions.size(), 3u);
    EXPECT_EQ(messenger.questions[0], "The file " + Path("b.txt") + "\n already exists. Overwrite ?");
    EXPECT_EQ(fs::status(Path("b.txt")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(FileCount(), 2u);
}

TEST_F(FileCopyTest, AFailingTargetKeepsTheOldFile) {
    // A source that opens but cannot be read: a folder's bytes are not a file's.
    fs::create_directories(dir / "folder");
    Write("b.txt", "good");
    messenger.answers = {Answer::Yes};
    EXPECT_FALSE(Copy(Path("folder"), Path("b.txt")));
    EXPECT_EQ(Read("b.txt"), "good");
    // The target is a folder: the rename at the end fails, nothing is left behind.
    Write("a.txt", "a");
    messenger.answers = {Answer::Yes};
    messenger.messages.clear();
    EXPECT_FALSE(Copy(Path("a.txt"), Path("folder")));
    EXPECT_TRUE(fs::is_directory(dir / "folder"));
    EXPECT_EQ(messenger.messages.front(), "Error writing \n" + Path("folder") + "\nCopy failed.");
    EXPECT_EQ(FileCount(), 3u);
}

} // namespace koralix::macro
