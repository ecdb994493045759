// koralix-cli as scripts use it: exit codes, stdout JSON, stderr messages.
#include "CliProcess.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The test's folder in this run's own folder, the same for every call in a test.
fs::path TempDir() {
    const fs::path dir = cli_process::TestFolderName();
    fs::create_directories(dir);
    return dir;
}

// Runs koralix-cli with the arguments, and the environment assignments before it.
CliRun Cli(const std::string& arguments, const std::string& environment = "") {
    const fs::path errFile = TempDir() / "stderr.txt";
    const std::string command =
        environment + " " + std::string(KORALIX_CLI) + " " + arguments + " 2>" + errFile.string();
    CliRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, n);
    int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = Slurp(errFile);
    return run;
}

const std::string Example = std::string(KORALIX_EXAMPLES) + "/corundum.inp";

} // namespace

TEST(Cli, HelpNamesEveryCommand) {
    CliRun run = Cli("--help");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("model FILE"), std::string::npos);
    EXPECT_NE(run.out.find("convert IN OUT"), std::string::npos);
    EXPECT_EQ(Cli("no-such-command").exitCode, 2);
}

TEST(Cli, ModelPrintsTheWholeModel) {
    CliRun run = Cli("model " + Example);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.err.empty());
    auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["Loaded"], true);
    EXPECT_EQ(json["Relax"].size(), 4u);
    for (const char* key : {"Title", "Cycles", "CodeCount", "Eps", "LSync", "TrailingLines1",
                            "TrailingLines2", "Histograms", "Phases", "Samples", "Parameters"})
        EXPECT_TRUE(json.contains(key)) << key;
    const auto& h = json["Histograms"][0];
    EXPECT_EQ(h["Spectrum"].size(), 9u);
    EXPECT_EQ(h["Background"]["Coeff"].size(), 12u);
    EXPECT_EQ(json["Phases"][0]["Atoms"][0]["Label"], "AL  ");
    EXPECT_EQ(json["Phases"][0]["SpaceGroup"], "R -3 C");
    EXPECT_TRUE(json["Parameters"].contains("Free"));
    EXPECT_TRUE(json["Parameters"].contains("Constraints"));
    // Singles print in their shortest form.
    EXPECT_NE(run.out.find("\"Wave1\": 1.5406,"), std::string::npos);
}

TEST(Cli, ModelOfABrokenFileStillPrintsJson) {
    CliRun run = Cli("model " + (TempDir() / "missing.inp").string());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Input file File does not exist\n");
    EXPECT_EQ(nlohmann::json::parse(run.out)["Loaded"], false);
}

TEST(Cli, ConvertWritesTheSameFileAgain) {
    const fs::path out = TempDir() / "copy.inp";
    fs::remove(out);
    CliRun run = Cli("convert " + Example + " " + out.string());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Slurp(out), Slurp(Example));

    const fs::path broken = TempDir() / "broken.inp";
    std::ofstream(broken) << "title\n  1\n\n\n\n\n\n 1 2 x\n";
    const fs::path none = TempDir() / "none.inp";
    fs::remove(none);
    run = Cli("convert " + broken.string() + " " + none.string());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Error reading Inputfile at line 5\n");
    EXPECT_FALSE(fs::exists(none));
}

TEST(Cli, RefineDrivesAnEngineThroughStartCyclesAndClose) {
    const fs::path folder = TempDir() / "with.dot";
    fs::create_directories(folder);
    const fs::path input = folder / "corundum.inp";
    fs::copy_file(Example, input, fs::copy_options::overwrite_existing);
    CliRun run = Cli("refine " + input.string() + " --cycles 5 --engine " + KORALIX_TEST_ENGINE);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("cycle 1 H1 Rp=10.5 Rwp=20.25 chi2=1.5\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("cycle 5 "), std::string::npos);
    EXPECT_TRUE(fs::exists(folder / "corundum.out"));
    EXPECT_TRUE(fs::exists(folder / "corundum.upd"));

    run = Cli("refine " + input.string() + " --json --engine " + KORALIX_TEST_ENGINE);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["cycles"], 30);
    EXPECT_EQ(json["finished"], false);
    EXPECT_EQ(json["status"], 0);
    EXPECT_EQ(json["histograms"][0]["Rwp"], 20.25);
    ASSERT_FALSE(json["parameters"].empty());
    EXPECT_EQ(json["parameters"][0]["label"], "H  1: Zero");
}

TEST(Cli, RefineNamesTheDataForTheEngine) {
    const fs::path input = TempDir() / "sample.inp";
    fs::copy_file(Example, input, fs::copy_options::overwrite_existing);
    const fs::path log = TempDir() / "engine.log";
    const std::string env = "KORALIX_TEST_ENGINE_LOG=" + log.string();
    auto startLine = [&] {
        std::ifstream in(log);
        std::string line;
        std::getline(in, line);
        return line;
    };
    // No data file beside the model: the model's own base name.
    fs::remove(log);
    ASSERT_EQ(Cli("refine " + input.string() + " --cycles 0 --engine " + KORALIX_TEST_ENGINE, env)
                  .exitCode,
              0);
    EXPECT_NE(startLine().find(" data=" + (TempDir() / "sample").string() + " "),
              std::string::npos);
    // The companion data file of the model's data format (x,y).
    std::ofstream(TempDir() / "sample.XY") << "10 1\n";
    fs::remove(log);
    ASSERT_EQ(Cli("refine " + input.string() + " --cycles 0 --engine " + KORALIX_TEST_ENGINE, env)
                  .exitCode,
              0);
    EXPECT_NE(startLine().find(" data=" + (TempDir() / "sample").string() + " "),
              std::string::npos);
    // A data file given by the user, without its extension.
    fs::remove(log);
    ASSERT_EQ(Cli("refine " + input.string() +
                      " --data /data/run.7/pattern.xy --cycles 0 --engine " + KORALIX_TEST_ENGINE,
                  env)
                  .exitCode,
              0);
    EXPECT_NE(startLine().find(" data=/data/run.7/pattern "), std::string::npos);
    EXPECT_EQ(Cli("refine " + input.string() + " --cycles x").exitCode, 2);
}

TEST(Cli, RefineStopsWhenTheEngineReportsTheEnd) {
    const fs::path input = TempDir() / "corundum.inp";
    fs::copy_file(Example, input, fs::copy_options::overwrite_existing);
    CliRun run = Cli("refine " + input.string() + " --json --engine " + KORALIX_TEST_ENGINE,
                     "KORALIX_TEST_ENGINE_SCRIPT='finish=2'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["cycles"], 2);
    EXPECT_EQ(json["finished"], true);
}

TEST(Cli, RefineFailuresGoToStderr) {
    const fs::path input = TempDir() / "corundum.inp";
    fs::copy_file(Example, input, fs::copy_options::overwrite_existing);
    CliRun run = Cli("refine " + input.string() + " --engine " + KORALIX_TEST_ENGINE,
                     "KORALIX_TEST_ENGINE_SCRIPT='start=6'");
    EXPECT_EQ(run.exitCode, 1);
    // The engine's message, then which file it wanted (no corundum.xy is beside the copy).
    EXPECT_EQ(run.err, "Error opening data file\nkoralix-cli: the data file " +
                           (TempDir() / "corundum.xy").string() +
                           " could not be opened; name one with --data.\n");
    // A data file the engine cannot read is named too.
    const fs::path data = TempDir() / "pattern.xy";
    std::ofstream(data) << "not a pattern\n";
    run = Cli("refine " + input.string() + " --data " + data.string() + " --engine " +
                  KORALIX_TEST_ENGINE,
              "KORALIX_TEST_ENGINE_SCRIPT='start=22'");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Error reading data file: first line\nkoralix-cli: the data file " +
                           data.string() +
                           " could not be read in the model's data format (DataFormat 5).\n");
    run = Cli("refine " + input.string() + " --engine " + (TempDir() / "none.so").string());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "DLL Error - DLL not found\nNot continuing with computations.\n");
    EXPECT_EQ(Cli("refine").exitCode, 2);
}

// What the engine held is a warning on stderr, not a failure.
TEST(Cli, RefinePrintsTheEngineNotesAsWarnings) {
    const fs::path input = TempDir() / "corundum.inp";
    fs::copy_file(Example, input, fs::copy_options::overwrite_existing);
    CliRun run =
        Cli("refine " + input.string() + " --cycles 3 --json --engine " + KORALIX_NOTES_ENGINE,
            "KORALIX_TEST_ENGINE_SCRIPT='notes=2;cyclenote=2'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "Warning: held 1\nWarning: held 2\nWarning: held in cycle 2\n");
    auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["status"], 0);
    EXPECT_EQ(json["cycles"], 3);
}

// The columns of each non-blank line of a text file.
std::vector<std::vector<std::string>> Rows(const fs::path& file) {
    std::vector<std::vector<std::string>> rows;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::vector<std::string> row;
        for (std::string w; words >> w;)
            row.push_back(w);
        if (!row.empty()) rows.push_back(row);
    }
    return rows;
}

TEST(Cli, RefineWritesTheFinalPatternAndReflections) {
    const fs::path input = TempDir() / "corundum.inp";
    fs::copy_file(Example, input, fs::copy_options::overwrite_existing);
    fs::copy_file(std::string(KORALIX_EXAMPLES) + "/corundum.xy", TempDir() / "corundum.xy",
                  fs::copy_options::overwrite_existing);
    const fs::path pattern = TempDir() / "final.txt", reflections = TempDir() / "hkl.txt";
    fs::remove(pattern);
    fs::remove(reflections);
    CliRun run = Cli("refine " + input.string() + " --cycles 2 --engine " + KORALIX_ENGINE_LIBRARY +
                     " --pattern " + pattern.string() + " --reflections " + reflections.string());
    ASSERT_EQ(run.exitCode, 0) << run.err;

    const auto points = Rows(pattern);
    ASSERT_GT(points.size(), 100u);
    double lastX = -1;
    for (const auto& p : points) {
        ASSERT_EQ(p.size(), 4u); // x, observed, calculated, background
        const double x = std::stod(p[0]);
        EXPECT_GT(x, lastX);
        lastX = x;
        EXPECT_GE(std::stod(p[2]), std::stod(p[3]) - 1e-6) << "calculated below background";
    }
    const auto hkl = Rows(reflections);
    ASSERT_FALSE(hkl.empty());
    for (const auto& r : hkl) {
        ASSERT_EQ(r.size(), 8u); // phase, h, k, l, position, d, multiplicity, F^2
        EXPECT_EQ(r[0], "1");
        const double twoTheta = std::stod(r[4]), d = std::stod(r[5]);
        // Bragg's law for Cu Kalpha1, the zero shift allowed for.
        EXPECT_NEAR(2 * std::asin(1.5406 / (2 * d)) * 180 / M_PI, twoTheta, 0.2);
        EXPECT_GT(std::stoi(r[6]), 0);
        EXPECT_GE(std::stod(r[7]), 0);
    }
    // Corundum's strongest line, 1 0 4 (d = 2.551 Angstrom), is among them.
    bool found104 = false;
    for (const auto& r : hkl)
        found104 |= std::abs(std::stod(r[5]) - 2.551) < 0.005 && std::abs(std::stoi(r[3])) == 4;
    EXPECT_TRUE(found104);
}

TEST(Cli, PlotRendersWithoutADisplay) {
    const fs::path data = TempDir() / "pattern.xy";
    std::ofstream(data) << "Simulated pattern\n10 100\n10.5 300\n11 120\n11.5 90\n";
    const fs::path png = TempDir() / "pattern.png";
    fs::remove(png);
    CliRun run =
        Cli("plot " + data.string() + " " + png.string(), "XDG_RUNTIME_DIR=" + TempDir().string());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Slurp(png).substr(1, 3), "PNG");

    const fs::path input = TempDir() / "corundum.inp";
    fs::copy_file(Example, input, fs::copy_options::overwrite_existing);
    for (const char* name : {"refined.svg", "refined.pdf"}) {
        const fs::path out = TempDir() / name;
        fs::remove(out);
        run =
            Cli("plot " + input.string() + " " + out.string() + " --cycles 1",
                "XDG_RUNTIME_DIR=" + TempDir().string() + " KORALIX_ENGINE=" + KORALIX_TEST_ENGINE);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_GT(fs::file_size(out), 1000u) << name;
    }
    EXPECT_NE(Slurp(TempDir() / "refined.svg").find("<svg"), std::string::npos);
    EXPECT_EQ(Cli("plot " + input.string()).exitCode, 2);
    EXPECT_EQ(Cli("plot " + input.string() + " x.png --hist 0").exitCode, 2);
}

// The example refined by the real engine beside koralix-cli, then its map and RDF.
TEST(Cli, FourierPrintsTheHighestPeaksAndWritesTheMap) {
    const fs::path input = TempDir() / "corundum.inp";
    fs::copy_file(Example, input, fs::copy_options::overwrite_existing);
    const std::string data = std::string(KORALIX_EXAMPLES) + "/corundum";
    const fs::path out = TempDir() / "map.bin";
    fs::remove(out);
    fs::remove(TempDir() / "corundum.ang");
    CliRun run = Cli("fourier " + input.string() + " --data " + data +
                     " --cycles 2 --type 4 --out " + out.string());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    auto json = nlohmann::json::parse(run.out);
    ASSERT_EQ(json["Peaks"].size(), 20u);
    EXPECT_GT(json["Max"].get<double>(), json["Min"].get<double>());
    // Patterson calc: the origin peak is the highest, and the map's maximum.
    EXPECT_EQ(json["Peaks"][0]["X"], 0);
    EXPECT_EQ(json["Peaks"][0]["Y"], 0);
    EXPECT_EQ(json["Peaks"][0]["Z"], 0);
    EXPECT_EQ(json["Peaks"][0]["Height"], json["Max"]);
    EXPECT_GE(json["Peaks"][0]["Height"].get<double>(), json["Peaks"][1]["Height"].get<double>());
    EXPECT_EQ(fs::file_size(out), 64u * 64 * 64 * 4);
    // The first value, at the origin, is the maximum.
    const std::string bytes = Slurp(out);
    float first = 0;
    std::memcpy(&first, bytes.data(), 4);
    EXPECT_FLOAT_EQ(first, json["Max"].get<float>());
    EXPECT_TRUE(fs::exists(TempDir() / "corundum.ang"));

    EXPECT_EQ(Cli("fourier " + input.string() + " --type 6").exitCode, 2);
    EXPECT_EQ(Cli("fourier " + input.string() + " --data " + data + " --phase 2").exitCode, 1);
    EXPECT_EQ(Cli("fourier").exitCode, 2);
}

TEST(Cli, RdfPrintsAThousandValues) {
    const fs::path input = TempDir() / "corundum.inp";
    fs::copy_file(Example, input, fs::copy_options::overwrite_existing);
    CliRun run = Cli("rdf " + input.string() + " --data " + std::string(KORALIX_EXAMPLES) +
                     "/corundum --function 5");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["Function"], 5);
    ASSERT_EQ(json["R"].size(), 1000u);
    ASSERT_EQ(json["Values"].size(), 1000u);
    EXPECT_EQ(json["R"][0], 0);
    EXPECT_EQ(json["R"][999], 9.99);
    // N(R): no neighbour within 1 A, several within 3 A.
    EXPECT_EQ(json["Values"][100], 0);
    EXPECT_GT(json["Values"][300].get<double>(), 4);
    EXPECT_EQ(Cli("rdf " + input.string() + " --function 0").exitCode, 2);
}
