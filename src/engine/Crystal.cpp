#include "Crystal.h"

#include "SpaceGroupResolver.h"
#include "TextHelpers.h"

#include <gemmi/elem.hpp>
#include <gemmi/fprime.hpp>
#include <gemmi/it92.hpp>
#include <gemmi/neutron92.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>
#include <set>

namespace koralix::engine {

namespace {

constexpr double TwoPi = 2 * std::numbers::pi;

std::string Upper(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != ' ') out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

// "PB", "O2-", "Fe3+" and "CA" name lead, oxygen, iron and calcium: the
// leading letters, two when they spell an element, else one.
gemmi::El ElementOf(const std::string& type) {
    std::string letters;
    for (char c : type) {
        if (!std::isalpha(static_cast<unsigned char>(c))) break;
        letters += c;
    }
    if (letters.size() >= 2) {
        const gemmi::El two = gemmi::find_element(letters.substr(0, 2).c_str());
        if (two != gemmi::El::X) return two;
    }
    if (letters.empty()) return gemmi::El::X;
    return gemmi::find_element(letters.substr(0, 1).c_str());
}

namespace {

double Interpolate(const std::vector<std::pair<double, double>>& points, double x) {
    if (points.empty()) return 0;
    if (x <= points.front().first) return points.front().second;
    if (x >= points.back().first) return points.back().second;
    auto it = std::upper_bound(points.begin(), points.end(), x,
                               [](double v, const auto& p) { return v < p.first; });
    const auto& [x1, y1] = *it;
    const auto& [x0, y0] = *(it - 1);
    if (x1 == x0) return y0;
    return y0 + (y1 - y0) * (x - x0) / (x1 - x0);
}

} // namespace

double CellMass(const TPhaseState& phase, const std::vector<std::string>& atomTypes,
                int generalMultiplicity) {
    double mass = 0;
    for (size_t a = 0; a < phase.Atoms.size() && a < atomTypes.size(); ++a) {
        const gemmi::El el = ElementOf(Upper(atomTypes[a]));
        if (el != gemmi::El::X)
            mass += phase.Atoms[a].N * generalMultiplicity * gemmi::Element(el).weight();
    }
    return mass;
}

std::complex<double> TFormFactor::At(double stol2,
                                     const std::vector<TScatterState>& entries) const {
    double f0 = 0;
    switch (Type) {
    case Gaussian:
        f0 = Coeff[8];
        for (int i = 0; i < 4; ++i)
            f0 += Coeff[size_t(2 * i)] * std::exp(-Coeff[size_t(2 * i + 1)] * stol2);
        break;
    case Table:
        f0 = Interpolate(Points, std::sqrt(stol2));
        break;
    case Neutron:
        f0 = Length;
        break;
    }
    double fp = FPrime, fpp = FDoublePrime;
    if (Entry >= 0 && static_cast<size_t>(Entry) < entries.size()) {
        const auto& e = entries[size_t(Entry)];
        if (Type == Neutron) return {e.FPrime, 0};
        fp = e.FPrime;
        fpp = e.FDoublePrime;
    }
    return {f0 + fp, fpp};
}

bool ValidCell(const TPhaseState& p) {
    const auto& c = p.Cell;
    for (double v : c)
        if (!std::isfinite(v)) return false;
    if (!(c[0] > 0 && c[1] > 0 && c[2] > 0)) return false;
    for (int k = 3; k < 6; ++k)
        if (!(c[size_t(k)] > 0 && c[size_t(k)] < 180)) return false;
    const double ca = std::cos(c[3] * std::numbers::pi / 180),
                 cb = std::cos(c[4] * std::numbers::pi / 180),
                 cg = std::cos(c[5] * std::numbers::pi / 180);
    return 1 - ca * ca - cb * cb - cg * cg + 2 * ca * cb * cg > 1e-6;
}

gemmi::UnitCell CellOf(const TPhaseState& p) {
    // Callers check ValidCell first; gemmi refuses impossible angles by throwing.
    if (!ValidCell(p)) return gemmi::UnitCell();
    return gemmi::UnitCell(p.Cell[0], p.Cell[1], p.Cell[2], p.Cell[3], p.Cell[4], p.Cell[5]);
}

bool PrepareSymmetry(const std::string& symbol, TPhaseSymmetry& s) {
    s.Group = ResolveSpaceGroup(symbol);
    if (!s.Group) return false;
    const gemmi::GroupOps& ops = OperationsOf(*s.Group);
    s.Ops.clear();
    for (const gemmi::Op& op : ops.sym_ops) {
        TSymOp o;
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j)
                o.Rot[size_t(i)][size_t(j)] = op.rot[i][j] / gemmi::Op::DEN;
            o.Tran[size_t(i)] = static_cast<double>(op.tran[i]) / gemmi::Op::DEN;
        }
        s.Ops.push_back(o);
    }
    s.Centring = static_cast<int>(ops.cen_ops.size());
    s.Centric = ops.is_centrosymmetric();
    s.GeneralMultiplicity = static_cast<int>(ops.order());
    return true;
}

std::vector<TReflection> ListReflections(const TPhaseSymmetry& s, const gemmi::UnitCell& cell,
                                         double dMin) {
    std::vector<TReflection> list;
    if (!s.Group || !(dMin > 0)) return list;
    const gemmi::GroupOps& ops = OperationsOf(*s.Group);
    const gemmi::ReciprocalAsu asu(s.Group);
    const double limit = 1.0 / (dMin * dMin);
    // |h| <= a / dMin bounds each index for any cell shape; no cap, so a long
    // axis keeps every reflection inside the range.
    const int hmax = static_cast<int>(std::ceil(cell.a / dMin));
    const int kmax = static_cast<int>(std::ceil(cell.b / dMin));
    const int lmax = static_cast<int>(std::ceil(cell.c / dMin));
    for (int h = -hmax; h <= hmax; ++h)
        for (int k = -kmax; k <= kmax; ++k)
            for (int l = -lmax; l <= lmax; ++l) {
                const gemmi::Op::Miller m{{h, k, l}};
                if ((h == 0 && k == 0 && l == 0) || !asu.is_in(m)) continue;
                if (cell.calculate_1_d2_double(h, k, l) > limit) continue;
                if (ops.is_systematically_absent(m)) continue;
                TReflection r;
                r.H = {h, k, l};
                std::set<Hkl> equivalents;
                for (const TSymOp& op : s.Ops) {
                    Hkl hr{};
                    for (int j = 0; j < 3; ++j)
                        hr[size_t(j)] = h * op.Rot[0][size_t(j)] + k * op.Rot[1][size_t(j)] +
                                        l * op.Rot[2][size_t(j)];
                    r.Rotated.push_back(hr);
                    r.PhaseShift.push_back(TwoPi *
                                           (h * op.Tran[0] + k * op.Tran[1] + l * op.Tran[2]));
                    equivalents.insert(hr);
                    equivalents.insert(Hkl{-hr[0], -hr[1], -hr[2]});
                }
                r.Equivalents.assign(equivalents.begin(), equivalents.end());
                r.Multiplicity = static_cast<int>(r.Equivalents.size());
                // The asu of a non-centric group holds h and -h separately only
                // for some classes; keep one of each Friedel pair.
                list.push_back(std::move(r));
            }
    // Drop Friedel duplicates left by asu conventions: keep the first of each set.
    std::vector<TReflection> unique;
    std::set<Hkl> seen;
    for (auto& r : list) {
        if (seen.count(r.H)) continue;
        for (const Hkl& e : r.Equivalents)
            seen.insert(e);
        unique.push_back(std::move(r));
    }
    return unique;
}

bool FindFormFactor(const THistogram& histogram, const std::string& atomType, bool neutron,
                    double wavelength, TFormFactor& form) {
    const std::string name = Upper(atomType);
    const auto& items = histogram.Scatter.Items;
    for (size_t e = 0; e < items.size(); ++e) {
        if (Upper(items[e].Name.str()) != name) continue;
        form = TFormFactor{};
        form.Entry = static_cast<int>(e);
        if (neutron) {
            form.Type = TFormFactor::Neutron;
            form.Length = 0; // the entry's f' is the scattering length
        } else if (items[e].Kind == 1) {
            form.Type = TFormFactor::Table;
            for (int i = 0; i < items[e].Table.Count(); ++i)
                form.Points.emplace_back(items[e].Table.X(i), items[e].Table.Y(i));
            std::sort(form.Points.begin(), form.Points.end());
        } else {
            form.Type = TFormFactor::Gaussian;
            for (size_t i = 0; i < 9; ++i)
                form.Coeff[i] = items[e].Coeff[i];
        }
        return true;
    }
    const gemmi::El el = ElementOf(name);
    if (el == gemmi::El::X) return false;
    form = TFormFactor{};
    if (neutron) {
        if (!gemmi::Neutron92<double>::has(el)) return false;
        form.Type = TFormFactor::Neutron;
        form.Length = gemmi::Neutron92<double>::get(el).c();
        return true;
    }
    if (!gemmi::IT92<double>::has(el)) return false;
    const auto& c = gemmi::IT92<double>::get(el);
    form.Type = TFormFactor::Gaussian;
    for (int i = 0; i < 4; ++i) {
        form.Coeff[size_t(2 * i)] = c.a(i);
        form.Coeff[size_t(2 * i + 1)] = c.b(i);
    }
    form.Coeff[8] = c.c();
    if (wavelength > 0.1 && wavelength < 10) {
        const double energy = 12398.4197 / wavelength;
        double fpp = 0;
        form.FPrime = gemmi::cromer_liberman(gemmi::Element(el).atomic_number(), energy, &fpp);
        form.FDoublePrime = fpp;
    }
    return true;
}

std::complex<double> AtomStructureFactor(const TReflection& r, bool mate, const TPhaseSymmetry& s,
                                         const TAtomState& t, const gemmi::UnitCell& cell,
                                         const TFormFactor& form,
                                         const std::vector<TScatterState>& entries) {
    const double sign = mate ? -1.0 : 1.0;
    const double stol2 = 0.25 * cell.calculate_1_d2_double(r.H[0], r.H[1], r.H[2]);
    // beta_ij = B_ij a*_i a*_j / 4, so that T = exp(-h' beta h').
    const double ar[3] = {cell.ar, cell.br, cell.cr};
    const bool aniso = t.Bij[0] != 0 || t.Bij[1] != 0 || t.Bij[2] != 0 || t.Bij[3] != 0 ||
                       t.Bij[4] != 0 || t.Bij[5] != 0;
    double beta[6] = {};
    if (aniso) {
        beta[0] = 0.25 * t.Bij[0] * ar[0] * ar[0];
        beta[1] = 0.25 * t.Bij[1] * ar[1] * ar[1];
        beta[2] = 0.25 * t.Bij[2] * ar[2] * ar[2];
        beta[3] = 0.5 * t.Bij[3] * ar[0] * ar[1];
        beta[4] = 0.5 * t.Bij[4] * ar[0] * ar[2];
        beta[5] = 0.5 * t.Bij[5] * ar[1] * ar[2];
    }
    double re = 0, im = 0;
    for (size_t o = 0; o < r.Rotated.size(); ++o) {
        const Hkl& h = r.Rotated[o];
        const double arg =
            sign * (TwoPi * (h[0] * t.X + h[1] * t.Y + h[2] * t.Z) + r.PhaseShift[o]);
        double weight = 1;
        if (aniso)
            weight =
                std::exp(-(beta[0] * h[0] * h[0] + beta[1] * h[1] * h[1] + beta[2] * h[2] * h[2] +
                           beta[3] * h[0] * h[1] + beta[4] * h[0] * h[2] + beta[5] * h[1] * h[2]));
        re += weight * std::cos(arg);
        im += weight * std::sin(arg);
    }
    const double iso = aniso ? 1.0 : std::exp(-t.B * stol2);
    return form.At(stol2, entries) * (t.N * iso * s.Centring) * std::complex<double>(re, im);
}

std::complex<double> StructureFactor(const TReflection& r, bool mate, const TPhaseSymmetry& s,
                                     const TPhaseState& phase, const gemmi::UnitCell& cell,
                                     const std::vector<TFormFactor>& forms,
                                     const std::vector<TScatterState>& entries) {
    std::complex<double> total = 0;
    for (size_t a = 0; a < phase.Atoms.size() && a < forms.size(); ++a)
        total += AtomStructureFactor(r, mate, s, phase.Atoms[a], cell, forms[a], entries);
    return total;
}

bool FriedelMatesDiffer(const TPhaseSymmetry& s, const std::vector<TFormFactor>& forms,
                        const std::vector<TScatterState>& entries) {
    if (s.Centric) return false;
    for (const TFormFactor& f : forms)
        if (f.At(0, entries).imag() != 0) return true;
    return false;
}

double StructureFactorSquared(const TReflection& r, const TPhaseSymmetry& s,
                              const TPhaseState& phase, const gemmi::UnitCell& cell,
                              const std::vector<TFormFactor>& forms,
                              const std::vector<TScatterState>& entries) {
    const double plus = std::norm(StructureFactor(r, false, s, phase, cell, forms, entries));
    if (!FriedelMatesDiffer(s, forms, entries)) return plus;
    const double minus = std::norm(StructureFactor(r, true, s, phase, cell, forms, entries));
    return 0.5 * (plus + minus);
}

} // namespace koralix::engine
