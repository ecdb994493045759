// Every command that reads a file, fed what a hostile but fair user feeds it:
// each class of bad input gets a message naming the file, exit 1, and nothing
// written; lone CR line ends read like any other.
#include "CliProcess.h"

#include <random>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using cli_process::Names;
using cli_process::ReadAll;
using cli_process::RunCli;
using cli_process::TestFolder;

enum class Input { Empty, Binary, Folder, Fifo, Unreadable, Oversized, Truncated };

const char* InputName(Input input) {
    switch (input) {
    case Input::Empty:
        return "Empty";
    case Input::Binary:
        return "Binary";
    case Input::Folder:
        return "Folder";
    case Input::Fifo:
        return "Fifo";
    case Input::Unreadable:
        return "Unreadable";
    case Input::Oversized:
        return "Oversized";
    case Input::Truncated:
        return "Truncated";
    }
    return "";
}

const std::string Example = std::string(KORALIX_EXAMPLES) + "/corundum.inp";

// Makes the bad input `name` in `folder`.
fs::path MakeInput(Input input, const fs::path& folder, const std::string& name) {
    const fs::path path = folder / name;
    switch (input) {
    case Input::Empty:
        std::ofstream(path, std::ios::binary).flush();
        break;
    case Input::Binary: {
        std::mt19937 random(19);
        std::string bytes(4096, '\0');
        for (char& c : bytes)
            c = static_cast<char>(random() & 0xFF);
        std::ofstream(path, std::ios::binary) << bytes;
        break;
    }
    case Input::Folder:
        fs::create_directory(path);
        break;
    case Input::Fifo:
        // Opening it for reading would wait for a writer that never comes.
        ::mkfifo(path.c_str(), 0644);
        break;
    case Input::Unreadable:
        std::ofstream(path, std::ios::binary) << ReadAll(Example);
        fs::permissions(path, fs::perms::none);
        break;
    case Input::Oversized:
        // A sparse file: its size is refused before a byte of it is read.
        std::ofstream(path, std::ios::binary).flush();
        fs::resize_file(path, 65 * 1024 * 1024);
        break;
    case Input::Truncated: {
        std::istringstream lines(ReadAll(Example));
        std::ofstream out(path, std::ios::binary);
        std::string line;
        for (int n = 0; n < 20 && std::getline(lines, line); ++n)
            out << line << '\n';
        break;
    }
    }
    return path;
}

struct Command {
    const char* name;
    const char* inputName; // the bad file's name
    // The arguments; "IN" stands for the bad file, "OUT" for an output beside it.
    std::vector<std::string> arguments;
};

const Command Commands[] = {
    {"ModelInput", "m.inp", {"model", "IN"}},
    {"ModelGsas", "m.exp", {"model", "IN"}},
    {"ModelFullProf", "m.pcr", {"model", "IN"}},
    {"ModelDbws", "m.dwb", {"model", "IN"}},
    {"ModelShelx", "m.ins", {"model", "IN"}},
    {"Convert", "m.inp", {"convert", "IN", "OUT"}},
    {"ExportShelx", "m.inp", {"export", "shelx", "IN", "OUT"}},
    {"Refine", "m.inp", {"refine", "IN"}},
    {"DataXy", "d.xy", {"data", "IN"}},
    {"DataDat", "d.dat", {"data", "IN"}},
    {"DataGsas", "d.gs", {"data", "IN"}},
    {"DataCpi", "d.cpi", {"data", "IN"}},
    {"PlotData", "d.xy", {"plot", "IN", "OUT"}},
    {"Cif", "p.cif", {"cif", "IN"}},
    {"Macro", "s.rib", {"macro", "IN"}},
    {"MacroLibrary", "l.rib", {"macro", "ok.rib", "--library", "IN"}},
};

// What the message says for the classes every reader refuses the same way.
const char* ClassMessage(Input input) {
    switch (input) {
    case Input::Folder:
        return "it is a folder";
    case Input::Fifo:
        return "it is not a regular file";
    case Input::Unreadable:
        return "Permission denied";
    case Input::Oversized:
        return "larger than 64 MB";
    default:
        return "";
    }
}

bool ReadsModels(const Command& command) {
    const std::string first = command.arguments[0];
    return first == "model" || first == "convert" || first == "export" || first == "refine";
}

struct Case {
    Command command;
    Input input;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.command.name << "_" << InputName(c.input);
}

std::vector<Case> AllCases() {
    std::vector<Case> cases;
    for (const Command& command : Commands)
        for (Input input : {Input::Empty, Input::Binary, Input::Folder, Input::Fifo,
                            Input::Unreadable, Input::Oversized, Input::Truncated}) {
            // A cut data file gives the points it holds, by its format's rule.
            if (input == Input::Truncated && std::string(command.inputName) != "m.inp") continue;
            cases.push_back({command, input});
        }
    return cases;
}

class BadInput : public ::testing::TestWithParam<Case> {};

TEST_P(BadInput, IsNamedInAMessageAndNothingIsWritten) {
    const Case& c = GetParam();
    if (c.input == Input::Unreadable && ::geteuid() == 0)
        GTEST_SKIP() << "root reads every file; unreadable files need another user";
    const fs::path folder = TestFolder();
    std::ofstream(folder / "ok.rib") << "WRITE(1)\n";
    const fs::path in = MakeInput(c.input, folder, c.command.inputName);
    const fs::path out =
        folder / (std::string(c.command.arguments[0]) == "plot" ? "o.png" : "o.inp");
    std::vector<std::string> arguments;
    for (const std::string& a : c.command.arguments)
        arguments.push_back(a == "IN"       ? in.string()
                            : a == "OUT"    ? out.string()
                            : a == "ok.rib" ? (folder / a).string()
                                            : a);
    const auto before = Names(folder);

    const auto run = RunCli(arguments, folder,
                            {"KORALIX_ENGINE=" + std::string(KORALIX_TEST_ENGINE),
                             "XDG_RUNTIME_DIR=" + folder.string()});

    ASSERT_FALSE(run.hung) << "koralix-cli blocked on " << in;
    EXPECT_EQ(run.exitCode, 1) << run.err;
    // The fixed-layout readers answer a file of no known layout with their
    // fixed message, which names no file; 'data' adds the name.
    const bool noLayout = run.err.find("Cannot determine") != std::string::npos &&
                          c.command.arguments.front() != "data";
    if (!noLayout) {
        EXPECT_NE(run.err.find(in.filename().string()), std::string::npos) << run.err;
    }
    EXPECT_NE(run.err.find(ClassMessage(c.input)), std::string::npos) << run.err;
    if (c.input == Input::Truncated) {
        EXPECT_NE(run.err.find("ends after line 20"), std::string::npos) << run.err;
    }
    if (c.input == Input::Empty && ReadsModels(c.command)) {
        EXPECT_NE(run.err.find("is empty"), std::string::npos) << run.err;
    }
    if (c.input == Input::Binary && ReadsModels(c.command)) {
        EXPECT_NE(run.err.find("not a text file"), std::string::npos) << run.err;
    }
    if (c.input != Input::Unreadable) {
        EXPECT_EQ(Names(folder), before);
    }
    std::error_code error;
    fs::permissions(in, fs::perms::owner_all, fs::perm_options::add, error);
}

INSTANTIATE_TEST_SUITE_P(EveryReader, BadInput, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.command.name) + "_" +
                                    InputName(info.param.input);
                         });

// Files of old Macintosh programs end their lines in a lone CR.
struct LoneCrCase {
    const char* name;
    const char* fileName;
    std::string text; // LF line ends, turned into CR
    std::vector<std::string> arguments;
    const char* expected; // on stdout
};

void PrintTo(const LoneCrCase& c, std::ostream* os) {
    *os << c.name;
}

std::string Cr(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    std::replace(text.begin(), text.end(), '\n', '\r');
    return text;
}

class LoneCr : public ::testing::TestWithParam<LoneCrCase> {};

TEST_P(LoneCr, ReadsLikeLineFeeds) {
    const LoneCrCase& c = GetParam();
    const fs::path folder = TestFolder();
    const fs::path in = folder / c.fileName;
    std::ofstream(in, std::ios::binary) << Cr(c.text);
    std::vector<std::string> arguments;
    for (const std::string& a : c.arguments)
        arguments.push_back(a == "IN" ? in.string() : a);
    const auto run = RunCli(arguments, folder);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find(c.expected), std::string::npos) << run.out;
}

INSTANTIATE_TEST_SUITE_P(
    EveryReader, LoneCr,
    ::testing::Values(
        LoneCrCase{"Xy", "d.xy", "title\n10 5\n11 6\n12 7\n", {"data", "IN"}, "\"PointCount\": 3"},
        LoneCrCase{"GsasRaw",
                   "d.gs",
                   ReadAll(std::string(KORALIX_EXAMPLES) + "/../tests/model/data/fixtures/std.gs"),
                   {"data", "IN"},
                   "\"PointCount\": 12"},
        LoneCrCase{"Input", "m.inp", ReadAll(Example), {"model", "IN"}, "\"Loaded\": true"},
        LoneCrCase{"Macro", "s.rib", "INTEGER i\ni = 41 + 1\nWRITE(i)\n", {"macro", "IN"}, "42"},
        LoneCrCase{"Cif",
                   "p.cif",
                   "data_x\n_cell_length_a 5.43\n_cell_length_b 5.43\n_cell_length_c 5.43\n"
                   "_cell_angle_alpha 90\n_cell_angle_beta 90\n_cell_angle_gamma 90\n"
                   "_symmetry_space_group_name_H-M 'F d -3 m'\n",
                   {"cif", "IN"},
                   "5.43"}),
    [](const ::testing::TestParamInfo<LoneCrCase>& info) { return info.param.name; });

TEST(MacroSource, ALineLongerThanALineMayBeIsATranslationError) {
    const fs::path folder = TestFolder();
    const fs::path in = folder / "long.rib";
    std::ofstream(in) << "INTEGER x\nx = 1" << std::string(260, ' ') << "+ 1000\nWRITE(x)\n";
    const auto run = RunCli({"macro", in.string()}, folder);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_NE(run.err.find("Line too long (at most 255 characters). Line:0002"), std::string::npos)
        << run.err;
}

// Random bytes under a diffractometer maker's extension are neither a scan
// xylib reads nor a model: the plot says so and names the file.
class UnknownKind : public ::testing::TestWithParam<const char*> {};

TEST_P(UnknownKind, PlotNamesTheFile) {
    const fs::path folder = TestFolder();
    const fs::path in = MakeInput(Input::Binary, folder, std::string("scan") + GetParam());
    const auto before = Names(folder);
    const auto run = RunCli({"plot", in.string(), (folder / "p.png").string()}, folder,
                            {"XDG_RUNTIME_DIR=" + folder.string()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(in.string() + ": Unknown File type. Please check the file extension."),
              std::string::npos)
        << run.err;
    EXPECT_EQ(Names(folder), before);
}

INSTANTIATE_TEST_SUITE_P(InstrumentExtensions, UnknownKind,
                         ::testing::Values(".uxd", ".xrdml", ".brml", ".udf"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param + 1);
                         });

} // namespace
