// SHELX import and export, SIRPOW export.
#include "Messenger.h"
#include "ModelImport.h"
#include "TextHelpers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace koralix {
namespace {

TRietveld ImportShelxString(const std::string& text) {
    RecordingMessenger messenger;
    TRietveld model;
    ImportShelxText(model, text, messenger);
    EXPECT_TRUE(messenger.messages.empty());
    return model;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

TEST(ShelxImport, CellLines) {
    struct Case {
        const char* line;
        std::vector<float> cell; // a b c alpha beta gamma
    } cases[] = {
        {"CELL 1.5406 5.4 5.4 5.4 90 90 90", {5.4f, 5.4f, 5.4f, 90, 90, 90}},
        {"CELL 1.5406 5.4 6.1", {5.4f, 6.1f, 3.8f, 90, 90, 90}}, // only a and b
        // Aligned values: any number of blanks separates them.
        {"CELL  0.71073  16.1930  16.1930 11.2421 90.0 90.0 120.0",
         {16.193f, 16.193f, 11.2421f, 90, 90, 120}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        TRietveld model = ImportShelxString(std::string("TITL test\n") + c.line + "\n");
        ASSERT_TRUE(model.Loaded);
        const TPhase& p = model.Phase(1);
        const float got[6] = {p.A, p.B, p.C, p.Alpha, p.Beta, p.Gamma};
        for (int k = 0; k < 6; ++k)
            EXPECT_FLOAT_EQ(got[k], c.cell[static_cast<size_t>(k)]) << k;
    }
}

TEST(ShelxImport, TitleAndAtoms) {
    TRietveld model = ImportShelxString(
        "TITL a title that is longer than forty-six characters in all, really\n"
        "CELL 0.71073 10 10 10 90 90 90\n"
        "LATT -1\nSYMM -X, 0.5+Y, -Z\n"
        "SFAC C Mg O\n"
        "UNIT 4 2 8\n"
        "FVAR 1.0 0.25\n"
        "MG1   2   10.00000   10.50000   0.25000   10.50000   0.01000\n"
        "C1    1   0.10000    0.20000    0.30000   21.00000   0.02 0.02 0.02 0 0 0\n"
        "H1A   1   0.1 0.2 0.3 -21.0 -1.5\n"
        "AFIX  0\n"
        "Q1    1   0.1 0.2 0.3 11.0 0.05 1.2\n"
        "HKLF 4\n"
        "O9    3   0.1 0.2 0.3 11.0 0.05\n");
    ASSERT_TRUE(model.Loaded);
    EXPECT_EQ(model.Title, "a title that is longer than forty-six characte"); // columns 6-51
    EXPECT_EQ(model.Title.size(), 46u);
    EXPECT_EQ(model.HistogramCount(), 1);
    EXPECT_EQ(model.Samples.size(), 1u);
    const TPhase& p = model.Phase(1);
    EXPECT_EQ(p.SpaceGroup, "P 21"); // the screw axis along b
    ASSERT_EQ(p.AtomCount(), 3);     // no Q peak, nothing after HKLF
    EXPECT_EQ(p.Atoms[0].Label, "MG1 ");
    EXPECT_EQ(p.Atoms[0].AtomType, "MG  ");
    EXPECT_FLOAT_EQ(p.Atoms[0].X, 0.0f); // 10 + 0: fixed at 0
    EXPECT_FLOAT_EQ(p.Atoms[0].Y, 0.5f); // fixed at 0.5
    EXPECT_FLOAT_EQ(p.Atoms[0].N, 0.5f); // site occupation factor as written
    EXPECT_NEAR(p.Atoms[0].B, 0.78957f, 1e-4);
    EXPECT_FLOAT_EQ(p.Atoms[1].N, 0.25f); // free variable 2
    EXPECT_NEAR(p.Atoms[1].B, 0.02f * 78.957f, 1e-4);
    EXPECT_FLOAT_EQ(p.Atoms[2].N, 0.75f);                 // 1 - free variable 2
    EXPECT_NEAR(p.Atoms[2].B, 1.5f * p.Atoms[1].B, 1e-4); // riding on C1
}

TEST(ShelxImport, NumbersBeyondRange) {
    // A type number no SFAC has is no atom; a U no single holds is an error.
    TRietveld model = ImportShelxString("SFAC C\nC1 5e40 0.1 0.2 0.3 11 0.05\n");
    EXPECT_TRUE(model.Loaded);
    EXPECT_EQ(model.Phase(1).AtomCount(), 0);
    RecordingMessenger messenger;
    ImportShelxText(model, "SFAC C\nC1 1 0.1 0.2 0.3 11 1e300\n", messenger);
    EXPECT_FALSE(model.Loaded);
    ASSERT_EQ(messenger.messages.size(), 1u);
    EXPECT_EQ(messenger.messages[0], "Error reading a numeric value at line 1");
}

TEST(ShelxImport, RealFiles) {
    const std::filesystem::path folder = std::filesystem::path(KORALIX_TESTDATA) / "shelx";
    if (!std::filesystem::exists(folder)) GTEST_SKIP() << "no test data at " << folder;
    // The groups are those of LATT and SYMM (p-31c.res has LATT -1: P 3 1 c).
    struct Real {
        const char* file;
        float a, c, beta;
        int atoms;
        const char* group;
    } files[] = {
        {"2240189.res", 16.193f, 11.2421f, 90, 12, "R -3 C"},
        {"3a.ins", 11.37f, 20.496f, 90, 37, "P 61"},
        {"CuI_11.ins", 4.42006f, 11.37f, 81.3637f, 22, "P -1"},
        {"I-43d.res", 25.4805f, 25.4805f, 90, 65, "I 4 3 D"},
        {"p-31c.res", 12.5067f, 24.5615f, 90, 88, "P 3 1 C"},
        {"test-orig.ins", 10.5086f, 20.5072f, 94.13f, 128, "P 21/C"},
    };
    for (const Real& f : files) {
        SCOPED_TRACE(f.file);
        RecordingMessenger messenger;
        TRietveld model;
        ImportShelx(model, (folder / f.file).string(), messenger);
        EXPECT_TRUE(model.Loaded);
        EXPECT_NEAR(model.Phase(1).A, f.a, 1e-4);
        EXPECT_NEAR(model.Phase(1).C, f.c, 1e-4);
        EXPECT_FLOAT_EQ(model.Phase(1).Beta, f.beta);
        EXPECT_EQ(model.Phase(1).AtomCount(), f.atoms);
        EXPECT_EQ(model.Phase(1).SpaceGroup, f.group);
    }
}

TRietveld ExportModel() {
    TRietveld model;
    model.Title = "MgO test";
    model.AddHistogram();
    model.AddPhase();
    model.Histogram(1).Wave1 = 1.5406f;
    TPhase& p = model.Phase(1);
    p.SpaceGroup = "F M 3 M";
    p.A = p.B = p.C = 4.2112f;
    const char* types[] = {"O   ", "MG  ", "o   "};
    const char* labels[] = {"O1  ", "MG1 ", "O2  "};
    for (int k = 0; k < 3; ++k) {
        TAtom atom;
        atom.Label = labels[k];
        atom.AtomType = types[k];
        atom.X = 0.5f * static_cast<float>(k);
        atom.N = 0.0208f;
        atom.B = 0.5f;
        p.AddAtom(atom);
    }
    return model;
}

TEST(ShelxExport, WritesTheLines) {
    TRietveld model = ExportModel();
    const std::vector<std::string> expected = {
        "TITL MgO test",
        "CELL  1.54060   4.2112   4.2112   4.2112  90.0000  90.0000  90.0000",
        "LATT 4",
        "SFAC MG O",
        "UNIT 1 2",
        "O1     2 0.0000 0.0000 0.0000 0.0208 0.5000",
        "MG1    1 0.5000 0.0000 0.0000 0.0208 0.5000",
        "O2     2 1.0000 0.0000 0.0000 0.0208 0.5000",
    };
    EXPECT_EQ(Lines(ShelxText(model)), expected);
}

TEST(ShelxExport, LatticeDigitsAndEmptyPhase) {
    struct Case {
        const char* group;
        const char* latt;
    } cases[] = {{"P 21/C", "LATT 1"}, {"F M 3 M", "LATT 4"}, {"I A 3 D", "LATT 2"},
                 {"R -3 C", "LATT 3"}, {"A M M 2", "LATT 5"}, {"B", "LATT 6"},
                 {"C 2/C", "LATT 7"}};
    for (const Case& c : cases) {
        TRietveld model = ExportModel();
        model.Phase(1).SpaceGroup = c.group;
        model.Phase(1).ClearAtoms();
        std::vector<std::string> lines = Lines(ShelxText(model));
        ASSERT_EQ(lines.size(), 5u);
        EXPECT_EQ(lines[2], c.latt) << c.group;
        EXPECT_EQ(lines[3], "SFAC");
        EXPECT_EQ(lines[4], "UNIT");
    }
}

TEST(ShelxExport, RoundTripKeepsTitleCellAndAtoms) {
    TRietveld model = ExportModel();
    model.Phase(1).Atoms[1].N = 0.5f; // a plain site occupation factor
    TRietveld back = ImportShelxString(ShelxText(model));
    ASSERT_TRUE(back.Loaded);
    EXPECT_EQ(back.Title, model.Title);
    EXPECT_FLOAT_EQ(back.Phase(1).A, 4.2112f);
    ASSERT_EQ(back.Phase(1).AtomCount(), 3);
    for (int k = 0; k < 3; ++k) {
        const TAtom& a = model.Phase(1).Atoms[static_cast<size_t>(k)];
        const TAtom& b = back.Phase(1).Atoms[static_cast<size_t>(k)];
        SCOPED_TRACE(k);
        EXPECT_EQ(b.Label, a.Label);
        EXPECT_EQ(b.AtomType, Pad4Upper(a.AtomType.str()));
        EXPECT_FLOAT_EQ(b.X, a.X);
        EXPECT_NEAR(b.N, a.N, 1e-4);
    }
}

TEST(SirpowExport, WritesTheLines) {
    TRietveld model = ExportModel();
    const std::vector<std::string> expected = {
        "%window",
        "%struct koralix",
        "%init",
        "%job MgO test",
        "%data",
        "wavelength  1.54060",
        "cell    4.2112    4.2112    4.2112   90.0000   90.0000   90.0000",
        "space F M 3 M",
        "ref2 xxxxxxx.fou - enter LeBail filename here",
        "content  XX XX XX XX - enter expected cell contents here.",
        "%normal",
        "%continue",
    };
    EXPECT_EQ(Lines(SirpowText(model)), expected);
}

TEST(ShelxExport, WritesTheFile) {
    TRietveld model = ExportModel();
    const auto path = std::filesystem::temp_directory_path() / "koralix_export_test.ins";
    ExportShelx(model, path.string());
    RecordingMessenger messenger;
    TRietveld back;
    ImportShelx(back, path.string(), messenger);
    EXPECT_TRUE(back.Loaded);
    EXPECT_EQ(back.Phase(1).AtomCount(), 3);
    std::filesystem::remove(path);
}

} // namespace
} // namespace koralix
