#include "CifPhase.h"
#include "Messenger.h"
#include "SpaceGroupResolver.h"
#include "SpaceGroupServices.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>

namespace koralix {
namespace {

const std::string HandFiles = FORMATS_TEST_FILES;
const std::string RealFiles = std::string(KORALIX_TESTDATA) + "/cif";

constexpr float EightPiSquared = static_cast<float>(8 * std::numbers::pi * std::numbers::pi);

struct CifRead {
    TPhase phase;
    RecordingMessenger messenger;
    TCifResult result = TCifResult::Read;
};

std::unique_ptr<CifRead> ReadFile(const std::string& path) {
    auto read = std::make_unique<CifRead>();
    read->result = ReadCifPhase(path, read->phase, read->messenger);
    return read;
}

std::unique_ptr<CifRead> ReadText(const std::string& text) {
    auto read = std::make_unique<CifRead>();
    read->result = ReadCifPhaseText(text, "test.cif", read->phase, read->messenger);
    return read;
}

TEST(CifPhase, ReadsValuesWhereverTheLinesPutThem) {
    auto read = ReadFile(HandFiles + "/monoclinic.cif");
    ASSERT_EQ(read->result, TCifResult::Read);
    EXPECT_TRUE(read->messenger.messages.empty());
    const TPhase& phase = read->phase;
    EXPECT_EQ(phase.Name, "Ca Fe O3");
    EXPECT_FLOAT_EQ(phase.A, 5.431f);
    EXPECT_FLOAT_EQ(phase.B, 7.25f);
    EXPECT_FLOAT_EQ(phase.C, 9.1f);
    EXPECT_FLOAT_EQ(phase.Alpha, 90.0f);
    EXPECT_FLOAT_EQ(phase.Beta, 101.5f);
    EXPECT_EQ(phase.Z, 4);
    EXPECT_EQ(phase.SpaceGroup.str(), "P 21/c"); // quotes gone, case kept
}

TEST(CifPhase, AtomsComeFromTheSiteLoopInAnyColumnOrder) {
    auto read = ReadFile(HandFiles + "/monoclinic.cif");
    const TPhase& phase = read->phase;
    ASSERT_EQ(phase.AtomCount(), 3); // the second data block adds none
    const TAtom& ca = phase.Atoms[0];
    EXPECT_EQ(ca.Label.str(), "CA1 ");
    EXPECT_EQ(ca.AtomType.str(), "CA+2");
    EXPECT_FLOAT_EQ(ca.X, 0.1f);
    EXPECT_FLOAT_EQ(ca.Y, 0.2f);
    EXPECT_FLOAT_EQ(ca.Z, 0.3f);
    EXPECT_FLOAT_EQ(ca.B, 0.5f);
    EXPECT_FLOAT_EQ(ca.N, 1.0f); // general position of P 21/c
    const TAtom& fe = phase.Atoms[1];
    EXPECT_EQ(fe.AtomType.str(), "FE+3");
    EXPECT_FLOAT_EQ(fe.N, 0.5f * 2 / 4); // half occupied, on an inversion centre
    const TAtom& o = phase.Atoms[2];
    EXPECT_EQ(o.Label.str(), "O 1 ");
    EXPECT_EQ(o.AtomType.str(), "O-2 ");
    EXPECT_FLOAT_EQ(o.B, TAtom().B); // "." keeps the default
    EXPECT_FLOAT_EQ(o.N, 1.0f);      // "?" occupancy counts as full
}

// The operators fix the origin; the H-M name alone would say origin 2.
TEST(CifPhase, SymmetryOperatorsDecideTheOrigin) {
    auto origin2 = ReadFile(HandFiles + "/silicon-origin2.cif");
    EXPECT_EQ(origin2->phase.SpaceGroup.str(), "F d -3 m");
    EXPECT_EQ(ResolveSpaceGroup(origin2->phase.SpaceGroup.str())->ext, '2');
    auto origin1 = ReadFile(HandFiles + "/silicon-origin1.cif");
    const gemmi::SpaceGroup* group = ResolveSpaceGroup(origin1->phase.SpaceGroup.str());
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->number, 227);
    EXPECT_EQ(group->ext, '1');
    for (const auto* read : {origin1.get(), origin2.get()}) {
        SCOPED_TRACE(read->phase.SpaceGroup.str());
        ASSERT_EQ(read->phase.AtomCount(), 1);
        const TAtom& si = read->phase.Atoms[0];
        EXPECT_EQ(si.AtomType.str(), "SI  ");
        EXPECT_FLOAT_EQ(si.N, 8.0f / 192); // 8 atoms per cell, not 16
        EXPECT_NEAR(si.B, 0.0076f * EightPiSquared, 1e-5);
        EXPECT_EQ(SiteMultiplicity(read->phase.SpaceGroup.str(), si.X, si.Y, si.Z), 8);
    }
}

TEST(CifPhase, BrokenFileKeepsWhatWasReadBeforeTheFault) {
    auto read = ReadFile(HandFiles + "/broken-quote.cif");
    EXPECT_EQ(read->result, TCifResult::Invalid);
    ASSERT_EQ(read->messenger.messages.size(), 1u);
    const std::string& message = read->messenger.messages[0];
    EXPECT_EQ(message.substr(0, message.find('\n')), "Invalid CIF file");
    EXPECT_NE(message.find("broken-quote.cif"), std::string::npos);
    EXPECT_NE(message.find("line 12"), std::string::npos);
    EXPECT_FLOAT_EQ(read->phase.A, 4.0f);
    EXPECT_FLOAT_EQ(read->phase.B, TPhase().B);
    EXPECT_EQ(read->phase.SpaceGroup.str(), "P m -3 m");
    ASSERT_EQ(read->phase.AtomCount(), 2);
    EXPECT_EQ(read->phase.Atoms[1].Label.str(), "SR1 ");
}

TEST(CifPhase, TextThatIsNoCifChangesNothing) {
    for (const char* text : {"", "   \n# only a comment\n", "hello world\n", "\x01\x02\xff\xfe",
                             "_cell_length_a 5.0\n", "loop_\n_a\n1\n"}) {
        SCOPED_TRACE(text);
        auto read = ReadText(text);
        EXPECT_EQ(read->result, TCifResult::Invalid);
        ASSERT_EQ(read->messenger.messages.size(), 1u);
        EXPECT_EQ(read->messenger.messages[0].rfind("Invalid CIF file\ntest.cif", 0), 0u);
        EXPECT_EQ(read->phase, TPhase());
    }
}

TEST(CifPhase, StrayTextInsideTheBlockIsAFaultAtItsLine) {
    auto read = ReadText("data_x\n_cell_length_a 4.0\nthis is no CIF\n_cell_length_b 5.0\n");
    EXPECT_EQ(read->result, TCifResult::Invalid);
    ASSERT_EQ(read->messenger.messages.size(), 1u);
    EXPECT_NE(read->messenger.messages[0].find("line 3"), std::string::npos);
    EXPECT_FLOAT_EQ(read->phase.A, 4.0f);
    EXPECT_FLOAT_EQ(read->phase.B, TPhase().B);
}

TEST(CifPhase, AMissingFileIsLeftAlone) {
    auto read = ReadFile(HandFiles + "/no-such-file.cif");
    EXPECT_EQ(read->result, TCifResult::NotOpened);
    EXPECT_TRUE(read->messenger.messages.empty());
    EXPECT_EQ(read->phase, TPhase());
}

TEST(CifPhase, ExistingAtomsStayAndNewOnesFollow) {
    CifRead read;
    read.phase.AddAtom(TAtom());
    ReadCifPhaseText("data_x\nloop_\n_atom_site_label\n_atom_site_fract_x\nNa1 0.5\n", "t.cif",
                     read.phase, read.messenger);
    ASSERT_EQ(read.phase.AtomCount(), 2);
    EXPECT_EQ(read.phase.Atoms[1].Label.str(), "NA1 ");
    EXPECT_EQ(read.phase.Atoms[1].AtomType.str(), "NA  "); // from the label
    EXPECT_FLOAT_EQ(read.phase.Atoms[1].X, 0.5f);
}

// Unlike a line reader, the parser finds the site loop whatever its first
// tags are; the aniso loop, whose tags only look alike, is not taken.
TEST(CifPhase, SiteLoopIsFoundWhereverItsLabelStands) {
    auto read = ReadText("data_x\nloop_\n_atom_site_aniso_label\n_atom_site_aniso_U_11\nZn1 0.01\n"
                         "loop_\n_atom_site_adp_type\n_atom_site_calc_flag\n_atom_site_occupancy\n"
                         "_atom_site_refinement_flags\n_atom_site_label\n_atom_site_fract_z\n"
                         "Uiso d 1 . Zn1 0.25\nUiso d 1 . S1 0.75\n");
    EXPECT_EQ(read->result, TCifResult::Read);
    ASSERT_EQ(read->phase.AtomCount(), 2);
    EXPECT_EQ(read->phase.Atoms[0].Label.str(), "ZN1 ");
    EXPECT_EQ(read->phase.Atoms[1].AtomType.str(), "S   ");
    EXPECT_FLOAT_EQ(read->phase.Atoms[1].Z, 0.75f);
}

// A malformed Hall symbol once made gemmi read outside its arrays; Hall
// symbols now count only when gemmi's table has them, and the name decides.
TEST(CifPhase, HallSymbolsCountOnlyWhenKnown) {
    auto malformed = ReadText("data_x\n_space_group_name_Hall '-R 3 2\"3'\n"
                              "_symmetry_space_group_name_H-M 'P 1'\n");
    EXPECT_EQ(malformed->phase.SpaceGroup.str(), "P 1");
    auto known = ReadText("data_x\n_symmetry_space_group_name_Hall ' -p 2YBC '\n"
                          "_symmetry_space_group_name_H-M 'P 21/n'\n");
    EXPECT_EQ(known->phase.SpaceGroup.str(), "P 21/C");
}

TEST(CifPhase, OperatorsThatCannotBeReadLeaveTheNameToDecide) {
    for (const char* op : {"99999999999999999999*x,y,z", "x+1/7,y,z", "x,y", "u,v,w", "x.5,y,z"}) {
        SCOPED_TRACE(op);
        auto read = ReadText(std::string("data_x\n_symmetry_space_group_name_H-M 'P -1'\nloop_\n"
                                         "_symmetry_equiv_pos_as_xyz\nx,y,z\n'") +
                             op + "'\n");
        EXPECT_EQ(read->result, TCifResult::Read);
        EXPECT_EQ(read->phase.SpaceGroup.str(), "P -1");
    }
}

TEST(CifPhase, NumbersFollowTheProgramsRules) {
    auto read = ReadText("data_x\n_cell_length_a 5.4310(2)\n_cell_length_b ?\n_cell_length_c abc\n"
                         "_cell_angle_gamma 1e99\n_cell_formula_units_Z 0\n"
                         "_symmetry_space_group_name_H-M P1\n");
    EXPECT_EQ(read->result, TCifResult::Read);
    EXPECT_FLOAT_EQ(read->phase.A, 5.431f);
    EXPECT_FLOAT_EQ(read->phase.B, TPhase().B); // "?": not given
    EXPECT_FLOAT_EQ(read->phase.C, 0.0f);       // not a number
    EXPECT_FLOAT_EQ(read->phase.Gamma, 0.0f);   // too large for the model
    EXPECT_EQ(read->phase.Z, 1);                // 0 formula units is no count
    EXPECT_EQ(read->phase.SpaceGroup.str(), "P1");
}

TEST(CifPhase, SingleSiteWithoutLoopIsOneAtom) {
    auto read = ReadText("data_x\n_symmetry_space_group_name_H-M 'F m -3 m'\n"
                         "_atom_site_label Cu1\n_atom_site_fract_x 0\n_atom_site_fract_y 0\n"
                         "_atom_site_fract_z 0\n_atom_site_B_iso_or_equiv 0.55\n");
    ASSERT_EQ(read->phase.AtomCount(), 1);
    EXPECT_EQ(read->phase.Atoms[0].AtomType.str(), "CU  ");
    EXPECT_FLOAT_EQ(read->phase.Atoms[0].N, 4.0f / 192);
    EXPECT_FLOAT_EQ(read->phase.Atoms[0].B, 0.55f);
}

TEST(CifPhase, UnknownSymbolIsKeptAndOccupancyStaysAsGiven) {
    auto read = ReadText("data_x\n_symmetry_space_group_name_H-M 'X 9 9'\nloop_\n"
                         "_atom_site_label\n_atom_site_fract_x\n_atom_site_occupancy\nC1 0 0.7\n");
    EXPECT_EQ(read->phase.SpaceGroup.str(), "X 9 9");
    EXPECT_EQ(CrystalSystem(read->phase.SpaceGroup.str()).Code, csUnknown);
    ASSERT_EQ(read->phase.AtomCount(), 1);
    EXPECT_FLOAT_EQ(read->phase.Atoms[0].N, 0.7f);
}

TEST(CifPhase, RhombohedralCellTurnsABareRNameToRhombohedralAxes) {
    auto read = ReadText("data_x\n_cell_length_a 5.0\n_cell_length_b 5.0\n_cell_length_c 5.0\n"
                         "_cell_angle_alpha 60\n_cell_angle_beta 60\n_cell_angle_gamma 60\n"
                         "_symmetry_space_group_name_H-M 'R -3 m'\n");
    EXPECT_EQ(CrystalSystem(read->phase.SpaceGroup.str()).Code, csTrigonalRh);
    auto hexagonal =
        ReadText("data_x\n_cell_angle_gamma 120\n_symmetry_space_group_name_H-M 'R -3 m'\n");
    EXPECT_EQ(hexagonal->phase.SpaceGroup.str(), "R -3 m");
    EXPECT_EQ(CrystalSystem(hexagonal->phase.SpaceGroup.str()).Code, csTrigonalHex);
}

TEST(CifPhase, TheAlternativeSymbolTagServesWhenTheOldOneIsMissing) {
    auto read = ReadText("data_x\n_space_group_name_H-M_alt 'P 63/m m c'\n");
    EXPECT_EQ(read->phase.SpaceGroup.str(), "P 63/m m c");
    auto both = ReadText("data_x\n_space_group_name_H-M_alt 'P 63/m m c'\n"
                         "_symmetry_space_group_name_H-M 'P 63/m'\n");
    EXPECT_EQ(both->phase.SpaceGroup.str(), "P 63/m");
}

// ---- Files from structure databases ----

struct TRealFile {
    const char* file;
    int groupNumber;
    int crystalSystem;
    int atoms;
    float a;
    int z;
};

class RealCifFiles : public testing::TestWithParam<TRealFile> {};

TEST_P(RealCifFiles, GiveCellGroupAndAtoms) {
    const TRealFile& expected = GetParam();
    const std::string path = RealFiles + "/" + expected.file;
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "test data missing: " << path;
    auto read = ReadFile(path);
    EXPECT_EQ(read->result, TCifResult::Read);
    EXPECT_TRUE(read->messenger.messages.empty());
    const TPhase& phase = read->phase;
    const gemmi::SpaceGroup* group = ResolveSpaceGroup(phase.SpaceGroup.str());
    ASSERT_NE(group, nullptr) << phase.SpaceGroup.str();
    EXPECT_EQ(group->number, expected.groupNumber);
    EXPECT_EQ(CrystalSystem(phase.SpaceGroup.str()).Code, expected.crystalSystem);
    EXPECT_EQ(phase.AtomCount(), expected.atoms);
    EXPECT_FLOAT_EQ(phase.A, expected.a);
    EXPECT_EQ(phase.Z, expected.z);
    for (const TAtom& atom : phase.Atoms) {
        SCOPED_TRACE(atom.Label.str());
        EXPECT_GT(atom.N, 0.0f);
        EXPECT_LE(atom.N, 1.0f);
        EXPECT_EQ(atom.AtomType.str()[0], atom.Label.str()[0]); // typed, not left at "O"
    }
}

const TRealFile RealFileCases[] = {
    {"1011031.cif", 216, csCubic, 2, 4.358f, 4},
    {"1557929.cif", 221, csCubic, 3, 5.3647f, 2},
    {"2003245-cooling-rate.cif", 166, csTrigonalHex, 9, 5.951f, 3},
    {"2011406-xy-simple-fract.cif", 125, csTetragonal, 7, 8.121f, 2},
    {"2013551.cif", 164, csTrigonalHex, 2, 4.1537f, 1},
    {"2101499-diamond.cif", 227, csCubic, 1, 3.56658f, 8},
    {"2242624.cif", 2, csTriclinic, 3, 2.4473f, 1},
    {"4003024.cif", 221, csCubic, 4, 5.5592f, 1},
    {"9000079.cif", 166, csTrigonalRh, 14, 16.16f, 1},
    {"LaB6_SRM_660c.CIF", 221, csCubic, 2, 4.15682f, 1},
};

std::string RealFileName(const testing::TestParamInfo<TRealFile>& info) {
    std::string name;
    for (char c : std::string(info.param.file))
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Database, RealCifFiles, testing::ValuesIn(RealFileCases), RealFileName);

std::unique_ptr<CifRead> ReadRealFile(const char* name) {
    const std::string path = RealFiles + "/" + name;
    if (!std::filesystem::exists(path)) return nullptr;
    return ReadFile(path);
}

TEST(CifPhaseRealFiles, SpecialPositionsGetTheirShareOfTheSite) {
    auto lab6 = ReadRealFile("LaB6_SRM_660c.CIF");
    if (!lab6) GTEST_SKIP() << "test data missing in " << RealFiles;
    ASSERT_EQ(lab6->phase.AtomCount(), 2);
    EXPECT_FLOAT_EQ(lab6->phase.Atoms[0].N, 1.0f / 48);
    EXPECT_FLOAT_EQ(lab6->phase.Atoms[1].N, 6.0f / 48);
    EXPECT_NEAR(lab6->phase.Atoms[1].B, 0.0090f * EightPiSquared, 1e-5);
    EXPECT_NEAR(lab6->phase.Atoms[1].Z, 0.2021f, 1e-6);
}

TEST(CifPhaseRealFiles, SimpleFractionsAndTheSecondOriginAreRead) {
    auto read = ReadRealFile("2011406-xy-simple-fract.cif");
    if (!read) GTEST_SKIP() << "test data missing in " << RealFiles;
    EXPECT_EQ(read->phase.SpaceGroup.str(), "P 4/n b m :2");
    const TAtom& sn1 = read->phase.Atoms[0];
    EXPECT_FLOAT_EQ(sn1.X, 0.75f);
    EXPECT_FLOAT_EQ(sn1.Y, 0.25f);
    EXPECT_FLOAT_EQ(sn1.Z, 0.5f);
    EXPECT_FLOAT_EQ(sn1.N, 2.0f / 16);
}

TEST(CifPhaseRealFiles, AnnotatedSymbolIsReplacedByOneThatFits) {
    auto read = ReadRealFile("2101499-diamond.cif");
    if (!read) GTEST_SKIP() << "test data missing in " << RealFiles;
    EXPECT_EQ(read->phase.SpaceGroup.str(), "F D 3 M");
    EXPECT_EQ(read->phase.Atoms[0].AtomType.str(), "C   ");
    EXPECT_FLOAT_EQ(read->phase.Atoms[0].N, 8.0f / 192);
}

TEST(CifPhaseRealFiles, RhombohedralAxesStayRhombohedral) {
    auto read = ReadRealFile("9000079.cif");
    if (!read) GTEST_SKIP() << "test data missing in " << RealFiles;
    EXPECT_EQ(read->phase.SpaceGroup.str(), "R -3 m :R");
    EXPECT_EQ(read->phase.Atoms[0].AtomType.str(), "CU  ");
    EXPECT_FLOAT_EQ(read->phase.Atoms[0].N, 1.0f / 12); // Cu at 1/2,1/2,1/2
}

} // namespace
} // namespace koralix
