#include "CifExport.h"

#include "SafeFile.h"
#include "SpaceGroupResolver.h"
#include "SpaceGroupServices.h"
#include "TextHelpers.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace koralix {

namespace {

constexpr double Deg = std::numbers::pi / 180;
constexpr double BToU = 8 * std::numbers::pi * std::numbers::pi;

std::string Fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text = buffer;
    if (text == "-0" || text.rfind("-0.", 0) == 0) {
        // No negative zero in the file.
        if (text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    }
    return text;
}

// A CIF text value: quoted when it holds blanks or starts with a reserved character.
std::string Quote(const std::string& text) {
    if (text.empty()) return "?";
    const bool plain = text.find_first_of(" \t'\"") == std::string::npos &&
                       std::string("_#$;[]").find(text[0]) == std::string::npos;
    if (plain) return text;
    if (text.find('\'') == std::string::npos) return "'" + text + "'";
    return "\"" + text + "\"";
}

// Block names: letters, digits and underscores.
std::string BlockName(const std::string& text) {
    std::string name;
    for (char c : text)
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name.empty() ? "phase" : name;
}

// "PB  " -> "Pb", "FE+3" -> "Fe3+", "O-2" -> "O2-".
std::string TypeSymbol(std::string_view type) {
    std::string element, charge, sign;
    for (char c : type) {
        if (std::isalpha(static_cast<unsigned char>(c)) && charge.empty() && sign.empty())
            element += element.empty() ? static_cast<char>(std::toupper(c))
                                       : static_cast<char>(std::tolower(c));
        else if (c == '+' || c == '-')
            sign = c;
        else if (std::isdigit(static_cast<unsigned char>(c)))
            charge += c;
    }
    if (sign.empty()) return element;
    return element + (charge.empty() ? "1" : charge) + sign;
}

double Volume(const TPhase& p) {
    const double ca = std::cos(p.Alpha * Deg), cb = std::cos(p.Beta * Deg),
                 cg = std::cos(p.Gamma * Deg);
    return double(p.A) * p.B * p.C *
           std::sqrt(std::max(0.0, 1 - ca * ca - cb * cb - cg * cg + 2 * ca * cb * cg));
}

class CifWriter {
  public:
    CifWriter(const TRietveld& model, const TCifResults& results) : m_(model), r_(results) {}
    std::string Text();

  private:
    double Esd(const TAddress& a) const { return r_.Esd ? r_.Esd(a) : 0; }
    std::string V(double value, const TAddress& a, int decimals = 6) const {
        return ValueWithEsd(value, Esd(a), decimals);
    }
    void Item(const std::string& tag, const std::string& value) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%-34s ", tag.c_str());
        t_ += buffer + value + "\n";
    }
    void Phase(int p);
    void SymmetryLoop(const TPhase& phase);
    void AtomLoops(int p);
    void Powder();

    const TRietveld& m_;
    const TCifResults& r_;
    std::string t_;
};

std::string CifWriter::Text() {
    t_ = "# Written by Koralix\n";
    for (int p = 1; p <= m_.PhaseCount(); ++p)
        Phase(p);
    if (m_.HistogramCount() >= 1) Powder();
    return t_;
}

void CifWriter::Phase(int p) {
    const TPhase& phase = m_.Phase(p);
    t_ += "\ndata_" + BlockName(phase.Name.empty() ? "phase_" + std::to_string(p) : phase.Name) +
          (m_.PhaseCount() > 1 ? "_" + std::to_string(p) : "") + "\n";
    Item("_audit_creation_method", "'Koralix Rietveld refinement'");
    Item("_pd_phase_name", Quote(phase.Name));
    Item("_cell_length_a", V(phase.A, {0, p, 0, 6}));
    Item("_cell_length_b", V(phase.B, {0, p, 0, 7}));
    Item("_cell_length_c", V(phase.C, {0, p, 0, 8}));
    Item("_cell_angle_alpha", V(phase.Alpha, {0, p, 0, 9}, 4));
    Item("_cell_angle_beta", V(phase.Beta, {0, p, 0, 10}, 4));
    Item("_cell_angle_gamma", V(phase.Gamma, {0, p, 0, 11}, 4));
    Item("_cell_volume", Fixed(Volume(phase), 3));
    // Z is 1 unless a file gave it; a guessed 1 would mislead.
    if (phase.Z > 1) Item("_cell_formula_units_Z", std::to_string(phase.Z));
    SymmetryLoop(phase);
    AtomLoops(p);
}

void CifWriter::SymmetryLoop(const TPhase& phase) {
    const gemmi::SpaceGroup* group = ResolveSpaceGroup(phase.SpaceGroup.str());
    if (!group) {
        Item("_space_group_name_H-M_alt", Quote(TrimText(phase.SpaceGroup.str())));
        return;
    }
    Item("_space_group_crystal_system", std::string(gemmi::crystal_system_str(group->crystal_system())));
    Item("_space_group_IT_number", std::to_string(group->number));
    Item("_space_group_name_H-M_alt", Quote(group->xhm()));
    Item("_space_group_name_Hall", Quote(group->hall));
    t_ += "loop_\n_space_group_symop_id\n_space_group_symop_operation_xyz\n";
    int n = 0;
    for (const gemmi::Op& op : OperationsOf(*group))
        t_ += std::to_string(++n) + " " + Quote(op.triplet()) + "\n";
}

void CifWriter::AtomLoops(int p) {
    const TPhase& phase = m_.Phase(p);
    const std::string symbol = phase.SpaceGroup.str();
    const int general = GeneralMultiplicity(symbol);
    t_ += "loop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n"
          "_atom_site_fract_y\n_atom_site_fract_z\n_atom_site_occupancy\n"
          "_atom_site_U_iso_or_equiv\n_atom_site_adp_type\n";
    bool anyAniso = false;
    for (int k = 1; k <= phase.AtomCount(); ++k) {
        const TAtom& a = phase.Atoms[size_t(k - 1)];
        const bool aniso = a.B11 != 0 || a.B22 != 0 || a.B33 != 0 || a.B12 != 0 || a.B13 != 0 ||
                           a.B23 != 0;
        anyAniso = anyAniso || aniso;
        const int site = SiteMultiplicity(symbol, a.X, a.Y, a.Z);
        // N is occupancy times site over general multiplicity.
        const double scale = general > 0 && site > 0 ? double(general) / site : 1;
        // The model holds B; the file gives U = B / 8π², the form checkCIF expects.
        const double u = (aniso ? (a.B11 + a.B22 + a.B33) / 3.0 : a.B) / BToU;
        t_ += Quote(TrimText(a.Label.str())) + " " + TypeSymbol(a.AtomType.str()) + " " +
              V(a.X, {0, p, k, 1}) + " " + V(a.Y, {0, p, k, 2}) + " " + V(a.Z, {0, p, k, 3}) +
              " " + ValueWithEsd(a.N * scale, Esd({0, p, k, 5}) * scale, 4) + " " +
              ValueWithEsd(u, aniso ? 0 : Esd({0, p, k, 4}) / BToU, 5) + " " +
              (aniso ? "Uani" : "Uiso") + "\n";
    }
    if (!anyAniso) return;
    t_ += "loop_\n_atom_site_aniso_label\n_atom_site_aniso_U_11\n_atom_site_aniso_U_22\n"
          "_atom_site_aniso_U_33\n_atom_site_aniso_U_12\n_atom_site_aniso_U_13\n"
          "_atom_site_aniso_U_23\n";
    for (int k = 1; k <= phase.AtomCount(); ++k) {
        const TAtom& a = phase.Atoms[size_t(k - 1)];
        const float bij[6] = {a.B11, a.B22, a.B33, a.B12, a.B13, a.B23};
        if (std::all_of(std::begin(bij), std::end(bij), [](float v) { return v == 0; })) continue;
        t_ += Quote(TrimText(a.Label.str()));
        for (int j = 0; j < 6; ++j)
            t_ += " " + ValueWithEsd(bij[j] / BToU, Esd({0, p, k, 6 + j}) / BToU, 5);
        t_ += "\n";
    }
}

void CifWriter::Powder() {
    const THistogram& h = m_.Histogram(1);
    t_ += "\ndata_pattern_1\n";
    Item("_pd_block_id", Quote(BlockName(m_.Title) + "_pattern_1"));
    Item("_diffrn_radiation_probe", h.JobType == 1 || h.JobType == 3 ? "neutron" : "x-ray");
    Item("_diffrn_radiation_wavelength", Fixed(h.Wave1, 5));
    Item("_pd_meas_2theta_range_min", Fixed(h.ThetaMin, 3));
    Item("_pd_meas_2theta_range_max", Fixed(h.ThetaMax, 3));
    if (r_.HasAgreement) {
        Item("_pd_proc_ls_prof_R_factor", Fixed(r_.Rp / 100, 4));
        Item("_pd_proc_ls_prof_wR_factor", Fixed(r_.Rwp / 100, 4));
        Item("_pd_proc_ls_prof_wR_expected", Fixed(r_.Rexp / 100, 4));
        Item("_refine_ls_goodness_of_fit_all", Fixed(std::sqrt(std::max(0.0, r_.Chi2)), 3));
    }
    const size_t n = std::min({r_.X.size(), r_.Observed.size(), r_.Calculated.size()});
    if (n == 0) return;
    t_ += "loop_\n_pd_meas_2theta_scan\n_pd_meas_intensity_total\n_pd_calc_intensity_total\n";
    for (size_t i = 0; i < n; ++i)
        t_ += Fixed(r_.X[i], 4) + " " + Fixed(r_.Observed[i], 2) + " " + Fixed(r_.Calculated[i], 2) +
              "\n";
}

} // namespace

std::string ValueWithEsd(double value, double esd, int decimals) {
    if (!(esd > 0) || !std::isfinite(esd)) return Fixed(value, decimals);
    // The first significant digit of the esd, and one more when it is a 1.
    int places = static_cast<int>(std::ceil(-std::log10(esd)));
    if (esd * std::pow(10.0, places) < 1.95) ++places;
    places = std::clamp(places, 0, 10);
    const long digits = std::lround(esd * std::pow(10.0, places));
    return Fixed(value, places) + "(" + std::to_string(std::max(1L, digits)) + ")";
}

std::string CifText(const TRietveld& model, const TCifResults& results) {
    return CifWriter(model, results).Text();
}

void ExportCif(const TRietveld& model, const TCifResults& results, const std::string& fileName) {
    WriteFileSafely(fileName, CifText(model, results));
}

void ExportCifStructure(TRietveld& model, const std::string& fileName) {
    ExportCif(model, {}, fileName);
}

} // namespace koralix
