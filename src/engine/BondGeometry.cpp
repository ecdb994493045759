// BASE.ang (distances and angles) and BASE.dst (bond-valence sums). The
// neighbours are found once at the refined structure; each distance, angle and
// sum is then a function of the refinable numbers, differentiated by central
// differences and combined with the covariance of the variables for its esd.
#include "BondGeometry.h"

#include "BondValence.h"
#include "Engine.h"
#include "NumberFormat.h"
#include "TextHelpers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>

namespace koralix::engine {

namespace {

struct TValenceBond {
    size_t Bond = 0;
    double R0 = 0;
};

struct TTopology {
    std::vector<gemmi::Op> Ops;
    std::vector<TBond> Bonds;          // listed: Rmin..Rmax
    std::vector<TBond> ValenceBonds;   // for the sums: 0..ValenceRange
    std::vector<std::vector<TValenceBond>> ValenceOf; // per atom
};

Fract3 Difference(const TPhaseState& phase, const std::vector<gemmi::Op>& ops, const TBond& b) {
    const TAtomState& c = phase.Atoms[size_t(b.Centre)];
    const Fract3 o = ImagePosition(phase, ops[size_t(b.Op)], b.Other, b.Shift);
    return {o[0] - c.X, o[1] - c.Y, o[2] - c.Z};
}

double AngleOf(const gemmi::UnitCell& cell, const Fract3& a, const Fract3& b) {
    const gemmi::Position pa = cell.orthogonalize(gemmi::Fractional(a[0], a[1], a[2]));
    const gemmi::Position pb = cell.orthogonalize(gemmi::Fractional(b[0], b[1], b[2]));
    const double c = pa.dot(pb) / (pa.length() * pb.length());
    return std::acos(std::clamp(c, -1.0, 1.0)) * 180 / std::numbers::pi;
}

std::string SymmetryText(gemmi::Op op, const Shift3& shift) {
    for (int i = 0; i < 3; ++i)
        op.tran[i] += shift[size_t(i)] * gemmi::Op::DEN;
    return op.triplet();
}

std::vector<TBond> FindBonds(const TPhaseState& phase, const gemmi::UnitCell& cell,
                             const std::vector<gemmi::Op>& ops, double rmin, double rmax) {
    const std::vector<TImage> images = CellImages(phase, ops);
    std::vector<TBond> bonds;
    for (int a = 0; a < static_cast<int>(phase.Atoms.size()); ++a) {
        const TAtomState& c = phase.Atoms[size_t(a)];
        std::vector<TBond> mine;
        ForEachNeighbour(cell, images, {c.X, c.Y, c.Z}, rmax,
                         [&](const TImage& im, const Shift3& lattice, double r) {
                             if (r < std::max(rmin, 0.01)) return;
                             TBond b;
                             b.Centre = a;
                             b.Other = im.Atom;
                             b.Op = im.Op;
                             for (int i = 0; i < 3; ++i)
                                 b.Shift[size_t(i)] = im.Shift[size_t(i)] + lattice[size_t(i)];
                             b.Symmetry = SymmetryText(ops[size_t(im.Op)], b.Shift);
                             b.Distance = r;
                             mine.push_back(b);
                         });
        std::stable_sort(mine.begin(), mine.end(),
                         [](const TBond& x, const TBond& y) { return x.Distance < y.Distance; });
        bonds.insert(bonds.end(), mine.begin(), mine.end());
    }
    return bonds;
}

// Every quantity in one vector: distances, angles, then valence sums.
std::vector<double> Measure(const TPhaseState& phase, const TTopology& t,
                            const std::vector<TBondAngle>& angles) {
    const gemmi::UnitCell cell = CellOf(phase);
    std::vector<double> q;
    std::vector<Fract3> d;
    for (const TBond& b : t.Bonds) {
        d.push_back(Difference(phase, t.Ops, b));
        q.push_back(Length(cell, d.back()));
    }
    for (const TBondAngle& a : angles)
        q.push_back(AngleOf(cell, d[a.First], d[a.Second]));
    for (const auto& list : t.ValenceOf) {
        double sum = 0;
        for (const TValenceBond& v : list)
            sum += BondValence(v.R0, Length(cell, Difference(phase, t.Ops, t.ValenceBonds[v.Bond])));
        q.push_back(sum);
    }
    return q;
}

} // namespace

TPhaseGeometry TEngine::Geometry(int p) const {
    TPhaseGeometry g;
    const TPhaseState& phase = state_.Phases[size_t(p - 1)];
    if (!ValidCell(phase)) return g;
    const gemmi::UnitCell cell = CellOf(phase);
    g.Rmin = model_.Rmin;
    g.Rmax = model_.Rmax;
    if (!(g.Rmax > g.Rmin)) {
        g.Rmin = 0;
        g.Rmax = DefaultBondRange;
    }
    g.Rmax = std::min(g.Rmax, 12.0); // beyond this a bond list is no longer read
    g.ValenceRange = std::max(g.Rmax, DefaultBondRange);

    TTopology t;
    t.Ops = AllOperations(setup_.Symmetry[size_t(p - 1)]);
    t.Bonds = FindBonds(phase, cell, t.Ops, g.Rmin, g.Rmax);
    t.ValenceBonds = FindBonds(phase, cell, t.Ops, 0, g.ValenceRange);

    const auto& atoms = model_.Phases[size_t(p - 1)].Atoms;
    std::vector<gemmi::El> elements;
    std::vector<int> states;
    for (const TAtom& a : atoms) {
        const std::string type = TrimText(a.AtomType.str());
        elements.push_back(ElementOf(type));
        states.push_back(OxidationState(type, elements.back()));
    }
    t.ValenceOf.assign(atoms.size(), {});
    g.Sums.assign(atoms.size(), {});
    for (size_t k = 0; k < t.ValenceBonds.size(); ++k) {
        const TBond& b = t.ValenceBonds[k];
        const int c = b.Centre, o = b.Other;
        const bool centreCation = states[size_t(c)] > 0 && states[size_t(o)] < 0;
        const bool centreAnion = states[size_t(c)] < 0 && states[size_t(o)] > 0;
        if (!centreCation && !centreAnion) continue;
        const int cation = centreCation ? c : o, anion = centreCation ? o : c;
        const auto r0 = BondValenceR0(elements[size_t(cation)], states[size_t(cation)],
                                      elements[size_t(anion)]);
        if (!r0) continue;
        t.ValenceOf[size_t(c)].push_back({k, *r0});
    }
    for (size_t a = 0; a < atoms.size(); ++a) {
        g.Sums[a].Atom = static_cast<int>(a);
        g.Sums[a].State = states[a];
        g.Sums[a].Bonds = static_cast<int>(t.ValenceOf[a].size());
        g.Sums[a].Known = !t.ValenceOf[a].empty();
    }
    // Angles at each centre between the bonds listed for it.
    for (size_t i = 0; i < t.Bonds.size(); ++i)
        for (size_t j = i + 1; j < t.Bonds.size() && t.Bonds[j].Centre == t.Bonds[i].Centre; ++j)
            g.Angles.push_back({t.Bonds[i].Centre, i, j, 0, 0});

    const std::vector<double> q = Measure(phase, t, g.Angles);
    // Esds: gradient against each variable, by central differences, with the covariance.
    const size_t nv = variables_.size();
    std::vector<std::vector<double>> gradient(nv);
    if (correlation_.size() == nv) {
        for (size_t v = 0; v < nv; ++v) {
            double scale = 0;
            for (const auto& [a, m] : variables_[v].Fields)
                if (const double* f = FieldOf(state_, a)) scale = std::max(scale, std::abs(*f));
            const double step = 1e-5 * std::max(scale, 1e-2);
            TState plus = state_, minus = state_;
            for (const auto& [a, m] : variables_[v].Fields) {
                if (double* f = FieldOf(plus, a)) *f += m * step;
                if (double* f = FieldOf(minus, a)) *f -= m * step;
            }
            const auto& pp = plus.Phases[size_t(p - 1)];
            const auto& pm = minus.Phases[size_t(p - 1)];
            if (!ValidCell(pp) || !ValidCell(pm)) continue;
            const std::vector<double> qp = Measure(pp, t, g.Angles), qm = Measure(pm, t, g.Angles);
            gradient[v].resize(q.size());
            for (size_t k = 0; k < q.size(); ++k)
                gradient[v][k] = (qp[k] - qm[k]) / (2 * step);
        }
    }
    auto esd = [&](size_t k) {
        double var = 0;
        for (size_t v = 0; v < nv; ++v) {
            if (gradient[v].empty() || gradient[v][k] == 0) continue;
            for (size_t w = 0; w < nv; ++w) {
                if (gradient[w].empty() || gradient[w][k] == 0) continue;
                var += gradient[v][k] * gradient[w][k] * correlation_[v][w] * variables_[v].Esd *
                       variables_[w].Esd;
            }
        }
        return std::sqrt(std::max(0.0, var));
    };
    size_t k = 0;
    g.Bonds = t.Bonds;
    for (TBond& b : g.Bonds) {
        b.Distance = q[k];
        b.Esd = esd(k++);
    }
    for (TBondAngle& a : g.Angles) {
        a.Angle = q[k];
        a.Esd = esd(k++);
    }
    for (TValenceSum& s : g.Sums) {
        s.Sum = q[k];
        s.Esd = esd(k++);
    }
    return g;
}

namespace {

std::string Name(const TPhase& phase, int atom) {
    return TrimText(phase.Atoms[size_t(atom)].Label.str());
}

std::string Column(std::string text, size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

bool WriteText(const std::string& file, const std::string& text) {
    const std::string temporary = file + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out << text;
        if (!out) return false;
    }
    return std::rename(temporary.c_str(), file.c_str()) == 0;
}

} // namespace

bool TEngine::WriteBondFiles() const {
    if (baseName_.empty()) return true;
    std::string ang = "Koralix bond distances and angles\nTitle: " + model_.Title + "\n";
    std::string dst = "Koralix bond-valence sums\nTitle: " + model_.Title +
                      "\nBond-valence parameters: " + BondValenceSource +
                      "\ns = exp((R0 - R) / b); sums over bonds between cations and anions\n";
    for (int p = 1; p <= model_.PhaseCount(); ++p) {
        const TPhase& phase = model_.Phases[size_t(p - 1)];
        const TPhaseGeometry g = Geometry(p);
        ang += "\nPhase " + std::to_string(p) + ": " + TrimText(phase.Name) + "   distances from " +
               FixedText(g.Rmin, 3) + " to " + FixedText(g.Rmax, 3) + " A\n\n";
        ang += "Atom  Atom  Symmetry of the second atom        Distance       Esd\n";
        for (const TBond& b : g.Bonds)
            ang += Column(Name(phase, b.Centre), 6) + Column(Name(phase, b.Other), 6) +
                   Column(b.Symmetry, 32) + F(12, 4, b.Distance) + F(10, 4, b.Esd) + "\n";
        ang += "\nAtom  Centre Atom  Symmetry of the first and last atom          Angle       Esd\n";
        for (const TBondAngle& a : g.Angles) {
            const TBond& b1 = g.Bonds[a.First];
            const TBond& b2 = g.Bonds[a.Second];
            ang += Column(Name(phase, b1.Other), 6) + Column(Name(phase, a.Centre), 7) +
                   Column(Name(phase, b2.Other), 6) + Column(b1.Symmetry, 21) +
                   Column(b2.Symmetry, 21) + F(10, 2, a.Angle) + F(10, 2, a.Esd) + "\n";
        }
        dst += "\nPhase " + std::to_string(p) + ": " + TrimText(phase.Name) + "   bonds up to " +
               FixedText(g.ValenceRange, 3) + " A\n\n";
        dst += "Atom  Type  State  Bonds       BVS       Esd  Deviation\n";
        double squares = 0;
        int counted = 0;
        for (const TValenceSum& s : g.Sums) {
            const TAtom& atom = phase.Atoms[size_t(s.Atom)];
            std::string line = Column(Name(phase, s.Atom), 6) +
                               Column(TrimText(atom.AtomType.str()), 6) + I(5, s.State) +
                               I(7, s.Bonds);
            if (!s.Known) {
                dst += line + "   no bond-valence parameters\n";
                continue;
            }
            const double deviation = s.Sum - std::abs(s.State);
            dst += line + F(10, 3, s.Sum) + F(10, 4, s.Esd) + F(11, 3, deviation) + "\n";
            squares += deviation * deviation;
            ++counted;
        }
        dst += "\nSummary: ";
        if (counted > 0)
            dst += "global instability index " + FixedText(std::sqrt(squares / counted), 3) +
                   " valence units over " + std::to_string(counted) + " atoms\n";
        else
            dst += "no atom has bond-valence parameters\n";
    }
    return WriteText(baseName_ + ".ang", ang) && WriteText(baseName_ + ".dst", dst);
}

} // namespace koralix::engine
