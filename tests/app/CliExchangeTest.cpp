// koralix-cli with the files of other programs: imported models refined at
// once against their data, whatever the data file's extension.
#include "CliRun.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace koralix::testing {
namespace {

namespace fs = std::filesystem;

const fs::path TestData(KORALIX_TESTDATA);
const fs::path LeadSulfate = TestData / "gsas_exp" / "PBSO4N.EXP";
const fs::path NeutronData = TestData / "reference" / "pbso4" / "PBSO4.CWN";

using CliExchange = ScratchFolder;

nlohmann::json Refine(const std::string& arguments) {
    const CliRun run = RunCli("refine " + arguments + " --json");
    EXPECT_EQ(run.exitCode, 0) << run.out;
    return run.exitCode == 0 ? nlohmann::json::parse(run.out) : nlohmann::json::object();
}

double Value(const nlohmann::json& result, const std::string& label) {
    for (const auto& p : result["parameters"])
        if (p["label"] == label) return p["value"].get<double>();
    ADD_FAILURE() << "no parameter " << label;
    return 0;
}

// The GSAS round-robin model refines without any edit against data whose
// extension (.CWN) is not the one of its format.
TEST_F(CliExchange, GsasExperimentRefinesAgainstItsData) {
    if (!fs::exists(LeadSulfate) || !fs::exists(NeutronData))
        GTEST_SKIP() << "no test data at " << TestData;
    fs::copy_file(LeadSulfate, dir_ / "PBSO4N.EXP");
    const nlohmann::json result =
        Refine(Quoted(dir_ / "PBSO4N.EXP") + " --data " + Quoted(NeutronData) + " --cycles 15");
    ASSERT_TRUE(result.contains("histograms"));
    EXPECT_TRUE(result["finished"].get<bool>());
    EXPECT_LT(result["histograms"][0]["Rwp"].get<double>(), 5.0);
    // GSAS's cell (8.472792, 5.393243, 6.953462); this engine's Howard
    // asymmetry puts the peak centroids slightly apart from GSAS's, so the
    // cell agrees to about 2 parts in 10^4.
    EXPECT_NEAR(Value(result, "P  1: a"), 8.472792, 0.002);
    EXPECT_NEAR(Value(result, "P  1: b"), 5.393243, 0.0013);
    EXPECT_NEAR(Value(result, "P  1: c"), 6.953462, 0.0016);
    EXPECT_NEAR(Value(result, "P  1: x (O5  )"), 0.081047, 0.001);
    EXPECT_TRUE(fs::exists(dir_ / "PBSO4N.out"));
}

// Without --data the data file the experiment names is taken from beside it,
// found in any case of its name.
TEST_F(CliExchange, GsasExperimentFindsTheDataFileItNames) {
    if (!fs::exists(LeadSulfate) || !fs::exists(NeutronData))
        GTEST_SKIP() << "no test data at " << TestData;
    fs::copy_file(LeadSulfate, dir_ / "PBSO4N.EXP");
    fs::copy_file(NeutronData, dir_ / "PBSO4_N.RAW"); // the file names ..\data\pbso4_n.raw
    const nlohmann::json result = Refine(Quoted(dir_ / "PBSO4N.EXP") + " --cycles 2");
    ASSERT_TRUE(result.contains("histograms"));
    EXPECT_EQ(result["status"], 0);
    EXPECT_LT(result["histograms"][0]["Rwp"].get<double>(), 10.0);
}

// The CIF of a refined imported model carries the esds of a cycle against the
// data the experiment names, and reads back through koralix-cli cif.
TEST_F(CliExchange, CifExportOfTheRefinedModel) {
    if (!fs::exists(LeadSulfate) || !fs::exists(NeutronData))
        GTEST_SKIP() << "no test data at " << TestData;
    fs::copy_file(LeadSulfate, dir_ / "PBSO4N.EXP");
    Refine(Quoted(dir_ / "PBSO4N.EXP") + " --data " + Quoted(NeutronData) + " --cycles 15");
    const fs::path cif = dir_ / "pbso4.cif";
    const CliRun run = RunCli("export cif " + Quoted(dir_ / "PBSO4N.upd") + " " + Quoted(cif) +
                              " --data " + Quoted(NeutronData));
    ASSERT_EQ(run.exitCode, 0);
    const std::string text = ReadText(cif);
    EXPECT_NE(text.find("_cell_length_a                     8.471"), std::string::npos) << text;
    EXPECT_NE(text.find("_space_group_name_Hall             '-P 2ac 2n'"), std::string::npos);
    EXPECT_NE(text.find("O5 O 0.08"), std::string::npos);
    EXPECT_NE(text.find("_pd_calc_intensity_total"), std::string::npos);
    const CliRun back = RunCli("cif " + Quoted(cif));
    ASSERT_EQ(back.exitCode, 0);
    const nlohmann::json phase = nlohmann::json::parse(back.out);
    EXPECT_EQ(phase["SpaceGroup"], "P n m a");
    EXPECT_NEAR(phase["A"].get<double>(), 8.4713, 2e-3);
    ASSERT_EQ(phase["Atoms"].size(), 5u);
    EXPECT_NEAR(phase["Atoms"][0]["N"].get<double>(), 0.5, 1e-4);
}

const nlohmann::json& Parameter(const nlohmann::json& result, const std::string& label) {
    static const nlohmann::json none = nlohmann::json{{"value", 0.0}, {"esd", 0.0}};
    for (const auto& p : result["parameters"])
        if (p["label"] == label) return p;
    ADD_FAILURE() << "no parameter " << label;
    return none;
}

struct RoundRobinFile {
    const char* pcr;
    double maxRwp;
    double cell[3];   // the file's refined a, b, c
    double cellSlack; // how far they may lie: 0 for within the esds here
};

// The FullProf round-robin control files refine at once with the codes, peak
// shapes and background they hold, against their D1A data read in FullProf's
// multicounter layout as it is. The file with refined B values ends where
// FullProf ended (its χ² was 5.44); the other holds Bérar-Baldinozzi
// asymmetry, which no profile here has, so its fit stays near Rwp 6.6 %.
TEST_F(CliExchange, FullProfControlFilesRefineAgainstTheirData) {
    const fs::path d1a = TestData / "reference" / "pbso4" / "pbso4_d1a_fullprof.dat";
    if (!fs::exists(d1a)) GTEST_SKIP() << "no test data at " << d1a;
    fs::copy_file(d1a, dir_ / "pbso4.dat");
    const RoundRobinFile files[] = {
        {"pbso4_d1a_easyscience.pcr", 5.0, {8.477934, 5.396462, 6.957720}, 0},
        {"pbso4_d1a_pycrysfml.pcr", 7.0, {8.478356, 5.396669, 6.957969}, 0.001},
    };
    for (const RoundRobinFile& f : files) {
        SCOPED_TRACE(f.pcr);
        const fs::path pcr = TestData / "fullprof_pcr" / f.pcr;
        if (!fs::exists(pcr)) continue;
        fs::copy_file(pcr, dir_ / f.pcr);
        const nlohmann::json result =
            Refine(Quoted(dir_ / f.pcr) + " --data " + Quoted(dir_ / "pbso4.dat") + " --cycles 15");
        ASSERT_TRUE(result.contains("histograms"));
        EXPECT_EQ(result["status"], 0);
        EXPECT_LT(result["histograms"][0]["Rwp"].get<double>(), f.maxRwp);
        const char* axes[] = {"P  1: a", "P  1: b", "P  1: c"};
        for (size_t k = 0; k < 3; ++k) {
            const nlohmann::json& p = Parameter(result, axes[k]);
            const double slack = f.cellSlack > 0 ? f.cellSlack : p["esd"].get<double>();
            EXPECT_NEAR(p["value"].get<double>(), f.cell[k], slack) << axes[k];
        }
    }
}

// A FullProf time-of-flight control file (Npr 9, Fourier-cosine background)
// refines against the GSAS data file it names, found beside it: the silicon
// cell comes back to the file's value.
TEST_F(CliExchange, FullProfTimeOfFlightFileRefinesAgainstItsGsasData) {
    const fs::path pcr = TestData / "fullprof_pcr" / "arg_si_tof.pcr";
    const fs::path data = TestData / "powder_gsas" / "arg_si.dat";
    if (!fs::exists(pcr) || !fs::exists(data)) GTEST_SKIP() << "no test data at " << TestData;
    fs::copy_file(pcr, dir_ / "arg_si_tof.pcr");
    fs::copy_file(data, dir_ / "arg_si.dat"); // the file says "DAT-file: arg_si.dat"
    const nlohmann::json result = Refine(Quoted(dir_ / "arg_si_tof.pcr") + " --cycles 15");
    ASSERT_TRUE(result.contains("histograms"));
    EXPECT_EQ(result["status"], 0);
    EXPECT_LT(result["histograms"][0]["Rwp"].get<double>(), 12.0);
    EXPECT_NEAR(Value(result, "P  1: a"), 5.431343, 0.002);
}

// A sequential run over three data files, one of them broken: the broken
// file gets its status in its row and the others are refined.
TEST_F(CliExchange, SequentialRunKeepsGoingPastABrokenFile) {
    if (!fs::exists(LeadSulfate) || !fs::exists(NeutronData))
        GTEST_SKIP() << "no test data at " << TestData;
    fs::copy_file(LeadSulfate, dir_ / "PBSO4N.EXP");
    fs::copy_file(NeutronData, dir_ / "t1.cwn");
    fs::copy_file(NeutronData, dir_ / "t3.cwn");
    std::ofstream(dir_ / "t2.cwn") << "not a GSAS raw file\n";
    for (const char* mode : {"--chain", "--jobs 2"}) {
        SCOPED_TRACE(mode);
        const fs::path table = dir_ / "table.csv";
        const CliRun run = RunCli("seq " + Quoted(dir_ / "PBSO4N.EXP") + " " + Quoted(dir_ / "t1.cwn") +
                                  " " + Quoted(dir_ / "t2.cwn") + " " + Quoted(dir_ / "t3.cwn") +
                                  " --cycles 6 " + mode + " --table " + Quoted(table) +
                                  " --plot " + Quoted(dir_ / "seq.png") + " --param 'P  1: a'");
        EXPECT_EQ(run.exitCode, 1); // one file failed
        std::istringstream lines(ReadText(table));
        std::string header, row1, row2, row3;
        std::getline(lines, header);
        std::getline(lines, row1);
        std::getline(lines, row2);
        std::getline(lines, row3);
        EXPECT_EQ(header.rfind("index,file,status,message,cycles,Rwp,chi2,P  1: a,P  1: a esd", 0), 0u)
            << header;
        EXPECT_NE(row1.find("t1.cwn,0,"), std::string::npos) << row1;
        EXPECT_NE(row2.find("t2.cwn,2"), std::string::npos) << row2; // a data-file status
        EXPECT_NE(row3.find("t3.cwn,0,"), std::string::npos) << row3;
        EXPECT_NE(row3.find(",8.47"), std::string::npos) << row3;
        EXPECT_TRUE(fs::exists(dir_ / "t1.out"));
        EXPECT_GT(fs::file_size(dir_ / "seq.png"), 1000u);
    }
}

// What separate refine --json runs leave is gathered into the same table.
TEST_F(CliExchange, CollectGathersSeparateResults) {
    const std::string good = R"({"cycles":3,"finished":true,"status":0,"histograms":[{"Rp":3.9,"Rwp":4.9,"chi2":6.3}],"parameters":[{"label":"P  1: a","value":8.4713,"esd":0.0003}]})";
    std::ofstream(dir_ / "run1.json") << good;
    std::ofstream(dir_ / "run2.json") << "Error opening data file";
    const fs::path table = dir_ / "t.csv";
    const CliRun run = RunCli("seq --collect " + Quoted(dir_ / "run1.json") + " " +
                              Quoted(dir_ / "run2.json") + " --table " + Quoted(table));
    EXPECT_EQ(run.exitCode, 1);
    const std::string text = ReadText(table);
    EXPECT_NE(text.find("run1.json,0,,3,4.9,6.3,8.4713,0.0003"), std::string::npos) << text;
    EXPECT_NE(text.find("run2.json,200,no refine --json result in the file"), std::string::npos)
        << text;
}

// An instrument maker's file: the Bruker RAW scan printed with its format.
TEST_F(CliExchange, DataReadsDiffractometerFiles) {
    const fs::path raw = TestData / "powder_other" / "BT86.raw";
    if (!fs::exists(raw)) GTEST_SKIP() << "no test data at " << raw;
    const CliRun run = RunCli("data " + Quoted(raw));
    ASSERT_EQ(run.exitCode, 0);
    const nlohmann::json data = nlohmann::json::parse(run.out);
    EXPECT_EQ(data["Format"], "bruker_raw");
    EXPECT_GT(data["PointCount"].get<int>(), 100);
    EXPECT_EQ(data["X"].size(), data["PointCount"].get<size_t>());
}

// Without --data the data file the control file names is taken from beside it.
TEST_F(CliExchange, FullProfControlFileFindsTheDataFileItNames) {
    const fs::path pcr = TestData / "fullprof_pcr" / "pbso4_d1a_easyscience.pcr";
    const fs::path d1a = TestData / "reference" / "pbso4" / "pbso4_d1a_fullprof.dat";
    if (!fs::exists(pcr) || !fs::exists(d1a)) GTEST_SKIP() << "no test data at " << TestData;
    fs::copy_file(pcr, dir_ / "round_robin.pcr");
    fs::copy_file(d1a, dir_ / "pbso4.dat"); // the file says "DAT-file: pbso4.dat"
    const nlohmann::json result = Refine(Quoted(dir_ / "round_robin.pcr") + " --cycles 15");
    ASSERT_TRUE(result.contains("histograms"));
    EXPECT_LT(result["histograms"][0]["Rwp"].get<double>(), 5.0);
    EXPECT_TRUE(fs::exists(dir_ / "pbso4.GS"));
}

// FullProf's data files that the .dat reader refuses, printed with their
// layout; a .dat file of this program's own layout stays with its reader.
TEST_F(CliExchange, DataReadsFullProfLayouts) {
    struct Case {
        const char* path;
        const char* format;
        int points;
    } cases[] = {{"reference/pbso4/pbso4_d1a_fullprof.dat", "fullprof_ins6", 2920},
                 {"powder_other/ceo2_fullprof_ins0.dat", "fullprof_ins0", 4721},
                 {"powder_other/cecual_xysigma.dat", "fullprof_ins10", 3693},
                 {"reference/pbso4/pbsox_fullprof.dat", nullptr, 6001}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const fs::path path = TestData / c.path;
        if (!fs::exists(path)) continue;
        const CliRun run = RunCli("data " + Quoted(path));
        ASSERT_EQ(run.exitCode, 0);
        const nlohmann::json data = nlohmann::json::parse(run.out);
        EXPECT_EQ(data.contains("Format"), c.format != nullptr);
        if (c.format) {
            EXPECT_EQ(data["Format"], c.format);
        }
        EXPECT_EQ(data["PointCount"].get<int>(), c.points);
    }
}

// The neutron pattern handed over as a CSV file, as a diffractometer program
// would export it: written beside as GSAS ESD data, the model follows, and
// the refinement runs without any edit.
TEST_F(CliExchange, GsasExperimentRefinesAgainstACsvScan) {
    if (!fs::exists(LeadSulfate) || !fs::exists(NeutronData))
        GTEST_SKIP() << "no test data at " << TestData;
    fs::copy_file(LeadSulfate, dir_ / "PBSO4N.EXP");
    const CliRun data = RunCli("data " + Quoted(NeutronData) + " gsas");
    ASSERT_EQ(data.exitCode, 0);
    const nlohmann::json points = nlohmann::json::parse(data.out);
    {
        std::ofstream csv(dir_ / "scan.csv");
        csv << "2theta,counts\n";
        for (size_t i = 0; i < points["X"].size(); ++i)
            csv << points["X"][i].get<double>() << "," << points["Y"][i].get<double>() << "\n";
    }
    const nlohmann::json result =
        Refine(Quoted(dir_ / "PBSO4N.EXP") + " --data " + Quoted(dir_ / "scan.csv") + " --cycles 10");
    ASSERT_TRUE(result.contains("histograms"));
    EXPECT_EQ(result["status"], 0);
    EXPECT_TRUE(fs::exists(dir_ / "scan.GS"));
    // Counting statistics instead of GSAS's counter numbers: a little worse.
    EXPECT_LT(result["histograms"][0]["Rwp"].get<double>(), 10.0);
    EXPECT_NEAR(Value(result, "P  1: a"), 8.472792, 0.003);
}

struct PlotFile {
    const char* name;
    const char* options;
    const char* start; // what the file begins with
};

std::ostream& operator<<(std::ostream& out, const PlotFile& f) {
    return out << f.name;
}

class PublicationPlots : public CliExchange, public ::testing::WithParamInterface<PlotFile> {};

// The journal style in each file type: vector files of the printed size
// with the axis titles and the phase's tick row labelled.
TEST_P(PublicationPlots, WrittenForAJournalColumn) {
    if (!fs::exists(LeadSulfate) || !fs::exists(NeutronData))
        GTEST_SKIP() << "no test data at " << TestData;
    const PlotFile& f = GetParam();
    fs::copy_file(LeadSulfate, dir_ / "PBSO4N.EXP");
    const fs::path out = dir_ / f.name;
    const CliRun run = RunCli("plot " + Quoted(dir_ / "PBSO4N.EXP") + " " + Quoted(out) +
                              " --data " + Quoted(NeutronData) + " --cycles 2 --style publication " +
                              f.options);
    ASSERT_EQ(run.exitCode, 0);
    const std::string text = ReadText(out);
    EXPECT_EQ(text.rfind(f.start, 0), 0u) << text.substr(0, 40);
    if (out.extension() == ".svg") {
        EXPECT_NE(text.find("width=\"85"), std::string::npos) << text.substr(0, 400);
        EXPECT_NE(text.find("Intensity (counts)"), std::string::npos);
        EXPECT_NE(text.find("2\u03b8 (\u00b0)"), std::string::npos);
        EXPECT_NE(text.find("pbso4"), std::string::npos); // the phase's name
    }
    if (out.extension() == ".pdf") {
        // 180 mm is 510 points.
        EXPECT_NE(text.find("/MediaBox [0 0 510"), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, PublicationPlots,
    ::testing::Values(PlotFile{"column.svg", "", "<?xml"},
                      PlotFile{"page.pdf", "--width-mm 180", "%PDF"},
                      PlotFile{"column.png", "", "\x89PNG"}),
    [](const auto& info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), '.', '_');
        return name;
    });

TEST_F(CliExchange, PublicationWidthOutOfRangeIsAUsageError) {
    EXPECT_EQ(RunCli("plot a.inp b.pdf --style publication --width-mm 5").exitCode, 2);
    EXPECT_EQ(RunCli("plot a.inp b.pdf --style journal").exitCode, 2);
}

struct ResultFile {
    const char* name;
    const char* group;
    double a, c;
    size_t atoms;
};

class ShelxResults : public ::testing::TestWithParam<ResultFile> {};

// SHELX result files import as instruction files do.
TEST_P(ShelxResults, ImportLikeInstructionFiles) {
    const ResultFile& f = GetParam();
    const fs::path path = TestData / "shelx" / (std::string(f.name) + ".res");
    if (!fs::exists(path)) GTEST_SKIP() << "no test data at " << path;
    const CliRun run = RunCli("model " + Quoted(path));
    EXPECT_EQ(run.exitCode, 0);
    const nlohmann::json model = nlohmann::json::parse(run.out);
    const nlohmann::json& phase = model["Phases"][0];
    EXPECT_EQ(phase["SpaceGroup"], f.group);
    EXPECT_NEAR(phase["A"].get<double>(), f.a, 1e-4);
    EXPECT_NEAR(phase["C"].get<double>(), f.c, 1e-4);
    EXPECT_EQ(phase["Atoms"].size(), f.atoms);
}

INSTANTIATE_TEST_SUITE_P(RealFiles, ShelxResults,
                         ::testing::Values(ResultFile{"2240189", "R -3 C", 16.193, 11.2421, 12},
                                           ResultFile{"p-31c", "P 3 1 C", 12.5067, 24.5615, 88}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return "file_" + name;
                         });

} // namespace
} // namespace koralix::testing
