#include "CellContents.h"

#include "SpaceGroupResolver.h"

#include <cmath>

namespace koralix::engine {

std::vector<gemmi::Op> AllOperations(const TPhaseSymmetry& symmetry) {
    if (!symmetry.Group) return {gemmi::Op::identity()};
    return OperationsOf(*symmetry.Group).all_ops_sorted();
}

Fract3 ImagePosition(const TPhaseState& phase, const gemmi::Op& op, int atom, const Shift3& shift) {
    const TAtomState& a = phase.Atoms[size_t(atom)];
    const auto p = op.apply_to_xyz(std::array<double, 3>{a.X, a.Y, a.Z});
    return {p[0] + shift[0], p[1] + shift[1], p[2] + shift[2]};
}

std::vector<TImage> CellImages(const TPhaseState& phase, const std::vector<gemmi::Op>& ops) {
    std::vector<TImage> images;
    for (int a = 0; a < static_cast<int>(phase.Atoms.size()); ++a) {
        const size_t first = images.size();
        for (int o = 0; o < static_cast<int>(ops.size()); ++o) {
            TImage im;
            im.Atom = a;
            im.Op = o;
            const Fract3 raw = ImagePosition(phase, ops[size_t(o)], a, {0, 0, 0});
            for (int i = 0; i < 3; ++i) {
                im.Shift[size_t(i)] = -static_cast<int>(std::floor(raw[size_t(i)] + 1e-9));
                im.Frac[size_t(i)] = raw[size_t(i)] + im.Shift[size_t(i)];
            }
            bool seen = false;
            for (size_t k = first; k < images.size() && !seen; ++k) {
                double far = 0;
                for (int i = 0; i < 3; ++i) {
                    const double d = images[k].Frac[size_t(i)] - im.Frac[size_t(i)];
                    far = std::max(far, std::abs(d - std::round(d)));
                }
                seen = far < 1e-4;
            }
            if (!seen) images.push_back(im);
        }
    }
    return images;
}

double Length(const gemmi::UnitCell& cell, const Fract3& d) {
    const gemmi::Position p = cell.orthogonalize(gemmi::Fractional(d[0], d[1], d[2]));
    return p.length();
}

void ForEachNeighbour(const gemmi::UnitCell& cell, const std::vector<TImage>& images,
                      const Fract3& centre, double rmax,
                      const std::function<void(const TImage&, const Shift3&, double)>& visit) {
    // A sphere of radius r spans r |a*_i| along fractional axis i.
    const double star[3] = {cell.ar, cell.br, cell.cr};
    int reach[3];
    for (int i = 0; i < 3; ++i)
        reach[i] = static_cast<int>(std::ceil(rmax * star[i])) + 1;
    for (const TImage& im : images) {
        Fract3 d{};
        Shift3 base{};
        for (int i = 0; i < 3; ++i) {
            const double raw = im.Frac[size_t(i)] - centre[size_t(i)];
            base[size_t(i)] = -static_cast<int>(std::lround(raw));
            d[size_t(i)] = raw + base[size_t(i)];
        }
        for (int n0 = -reach[0]; n0 <= reach[0]; ++n0)
            for (int n1 = -reach[1]; n1 <= reach[1]; ++n1)
                for (int n2 = -reach[2]; n2 <= reach[2]; ++n2) {
                    const double r = Length(cell, {d[0] + n0, d[1] + n1, d[2] + n2});
                    if (r > rmax) continue;
                    visit(im, {base[0] + n0, base[1] + n1, base[2] + n2}, r);
                }
    }
}

} // namespace koralix::engine
