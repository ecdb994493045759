// The CIF export read back by this program's CIF reader and by gemmi.
#include "CifExport.h"
#include "CifPhase.h"
#include "Messenger.h"

#include <gemmi/cif.hpp>
#include <gemmi/smcif.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace koralix {
namespace {

// Anglesite as refined: Pnma, Pb and S on the mirror (N = 1/2), O5 general.
TRietveld LeadSulfate() {
    TRietveld model;
    model.Title = "PbSO4 test";
    THistogram h;
    h.JobType = 1;
    h.Wave1 = 1.909f;
    model.AppendHistogram(h);
    TPhase p;
    p.Name = "anglesite";
    p.SpaceGroup = "P N M A";
    p.A = 8.47126f, p.B = 5.39222f, p.C = 6.95220f;
    auto atom = [](const char* label, const char* type, float x, float y, float z, float b, float n) {
        TAtom a;
        a.Label = label;
        a.AtomType = type;
        a.X = x, a.Y = y, a.Z = z, a.B = b, a.N = n;
        return a;
    };
    p.AddAtom(atom("PB1", "PB", 0.18742f, 0.25f, 0.16706f, 1.80f, 0.5f));
    p.AddAtom(atom("S2", "S", 0.06667f, 0.25f, 0.68425f, 0.85f, 0.5f));
    p.AddAtom(atom("O5", "O", 0.08099f, 0.02700f, 0.80889f, 1.72f, 1.0f));
    TAtom aniso = atom("O3", "O-2", -0.09243f, 0.25f, 0.59522f, 0, 0.5f);
    aniso.B11 = 2.1f, aniso.B22 = 2.4f, aniso.B33 = 1.9f, aniso.B13 = 0.3f;
    p.AddAtom(aniso);
    model.AppendPhase(p);
    model.AppendSample(TSample());
    return model;
}

std::string TrimmedLabel(const TAtom& a) {
    std::string label = a.Label.str();
    while (!label.empty() && label.back() == ' ')
        label.pop_back();
    return label;
}

TCifResults Results() {
    TCifResults r;
    const std::map<std::tuple<int, int, int>, double> esds = {
        {{0, 6, 0}, 0.00028}, {{0, 7, 0}, 0.00018}, {{1, 1, 0}, 0.00012}, {{3, 2, 0}, 0.0002}};
    r.Esd = [esds](const TAddress& a) {
        auto it = esds.find({a.Atom, a.Type, a.Histogram});
        return it == esds.end() ? 0.0 : it->second;
    };
    r.HasAgreement = true;
    r.Rp = 3.9, r.Rwp = 4.9, r.Rexp = 1.95, r.Chi2 = 6.35;
    r.X = {10.0, 10.05, 10.1};
    r.Observed = {220, 214, 219};
    r.Calculated = {248.8, 247.8, 246.9};
    return r;
}

struct EsdCase {
    const char* name;
    double value, esd;
    const char* text;
};

class EsdFormat : public ::testing::TestWithParam<EsdCase> {};

TEST_P(EsdFormat, LastDigitFollowsTheEsd) {
    EXPECT_EQ(ValueWithEsd(GetParam().value, GetParam().esd), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, EsdFormat,
    ::testing::Values(EsdCase{"one_digit", 8.471256, 0.00028, "8.4713(3)"},
                      EsdCase{"leading_one_keeps_two", 5.3922186, 0.00018, "5.39222(18)"},
                      EsdCase{"negative", -0.0924287, 0.000233, "-0.0924(2)"},
                      EsdCase{"large_esd", 123.4, 12.0, "123(12)"},
                      EsdCase{"no_esd", 0.25, 0, "0.250000"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CifExport, OwnReaderReadsThePhaseBack) {
    const TRietveld model = LeadSulfate();
    const std::string text = CifText(model, Results());
    TPhase back;
    RecordingMessenger messenger;
    ASSERT_EQ(ReadCifPhaseText(text, "export.cif", back, messenger), TCifResult::Read);
    const TPhase& p = model.Phase(1);
    EXPECT_EQ(back.SpaceGroup.str(), "P n m a");
    EXPECT_NEAR(back.A, p.A, 1e-4);
    EXPECT_NEAR(back.B, p.B, 1e-5);
    EXPECT_NEAR(back.C, p.C, 1e-5);
    ASSERT_EQ(back.AtomCount(), p.AtomCount());
    for (int k = 0; k < p.AtomCount(); ++k) {
        const TAtom& a = p.Atoms[size_t(k)];
        const TAtom& b = back.Atoms[size_t(k)];
        SCOPED_TRACE(a.Label.str());
        EXPECT_EQ(TrimmedLabel(b), TrimmedLabel(a));
        EXPECT_NEAR(b.X, a.X, 1e-4);
        EXPECT_NEAR(b.Y, a.Y, 1e-4);
        EXPECT_NEAR(b.Z, a.Z, 1e-4);
        EXPECT_NEAR(b.N, a.N, 1e-4);
    }
    EXPECT_NEAR(back.Atoms[0].B, 1.80, 0.01); // written as U, read back as B
}

TEST(CifExport, GemmiReadsStructureAndPattern) {
    const std::string text = CifText(LeadSulfate(), Results());
    gemmi::cif::Document doc = gemmi::cif::read_string(text);
    ASSERT_EQ(doc.blocks.size(), 2u);
    const gemmi::SmallStructure s = gemmi::make_small_structure_from_block(doc.blocks[0]);
    EXPECT_NEAR(s.cell.a, 8.4713, 1e-6);
    EXPECT_NEAR(s.cell.b, 5.39222, 1e-6);
    EXPECT_EQ(s.spacegroup_hm, "P n m a");
    ASSERT_EQ(s.sites.size(), 4u);
    EXPECT_EQ(s.sites[0].label, "PB1");
    EXPECT_EQ(s.sites[0].type_symbol, "Pb");
    EXPECT_NEAR(s.sites[0].fract.x, 0.18742, 1e-6);
    EXPECT_NEAR(s.sites[0].occ, 1.0, 1e-6);                              // N 1/2 on the mirror
    EXPECT_NEAR(s.sites[2].occ, 1.0, 1e-6);                              // general position
    EXPECT_NEAR(s.sites[0].u_iso, 1.80 / (8 * M_PI * M_PI), 1e-4);       // Biso as Uiso
    EXPECT_EQ(s.sites[3].type_symbol, "O2-");
    EXPECT_NEAR(s.sites[3].aniso.u11, 2.1 / (8 * M_PI * M_PI), 1e-4);    // B_11 as U11
    gemmi::cif::Block& powder = doc.blocks[1];
    EXPECT_EQ(*powder.find_value("_diffrn_radiation_probe"), "neutron");
    EXPECT_EQ(*powder.find_value("_pd_proc_ls_prof_wR_factor"), "0.0490");
    gemmi::cif::Table pattern =
        powder.find({"_pd_meas_2theta_scan", "_pd_meas_intensity_total", "_pd_calc_intensity_total"});
    ASSERT_EQ(pattern.length(), 3u);
    EXPECT_EQ(pattern[1][1], "214.00");
    EXPECT_EQ(pattern[2][2], "246.90");
}

} // namespace
} // namespace koralix
