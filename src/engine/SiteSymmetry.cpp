#include "SiteSymmetry.h"

#include "SpaceGroupLibrary.h"
#include "SpaceGroupResolver.h"
#include "NumberFormat.h"

#include <cmath>

namespace koralix::engine {

namespace {

using Matrix3 = std::array<std::array<double, 3>, 3>;

bool NearInteger(double v) {
    return std::abs(v - std::round(v)) < SitePositionTolerance;
}

// Ties that leave the homogeneous system rows * terms = 0 satisfied. Pivots are
// taken from the last columns first, so that the earlier terms (x before y,
// B11 before B22) stay free and the later ones follow them.
template <size_t N> TTies<N> SolveTies(std::vector<std::array<double, N>> rows) {
    constexpr double Tiny = 1e-9;
    std::array<int, N> pivotRow;
    pivotRow.fill(-1);
    size_t r = 0;
    for (int c = static_cast<int>(N) - 1; c >= 0 && r < rows.size(); --c) {
        const size_t col = static_cast<size_t>(c);
        size_t best = r;
        for (size_t i = r; i < rows.size(); ++i)
            if (std::abs(rows[i][col]) > std::abs(rows[best][col])) best = i;
        if (std::abs(rows[best][col]) < Tiny) continue;
        std::swap(rows[r], rows[best]);
        const double pivot = rows[r][col];
        for (double& v : rows[r])
            v /= pivot;
        for (size_t i = 0; i < rows.size(); ++i) {
            if (i == r || rows[i][col] == 0) continue;
            const double factor = rows[i][col];
            for (size_t j = 0; j < N; ++j)
                rows[i][j] -= factor * rows[r][j];
        }
        pivotRow[col] = static_cast<int>(r++);
    }
    TTies<N> ties;
    for (size_t i = 0; i < N; ++i) {
        ties.Free[i] = pivotRow[i] < 0;
        ties.Follow[i].fill(0);
    }
    for (size_t i = 0; i < N; ++i) {
        if (ties.Free[i]) {
            ties.Follow[i][i] = 1;
            continue;
        }
        for (size_t f = 0; f < N; ++f) {
            if (!ties.Free[f]) continue;
            const double v = -rows[static_cast<size_t>(pivotRow[i])][f];
            ties.Follow[i][f] = std::abs(v) < Tiny ? 0 : v;
        }
    }
    return ties;
}

// The terms of a symmetric tensor in the order 11, 22, 33, 12, 13, 23.
constexpr std::array<std::array<size_t, 2>, 6> TensorIndex{
    {{0, 0}, {1, 1}, {2, 2}, {0, 1}, {0, 2}, {1, 2}}};

} // namespace

TSiteSymmetry SiteSymmetryOf(const TPhaseSymmetry& symmetry, const gemmi::UnitCell& cell,
                             double x, double y, double z) {
    TSiteSymmetry site;
    site.Coordinates = SolveTies<3>({});
    site.Anisotropic = SolveTies<6>({});
    site.Multiplicity = symmetry.GeneralMultiplicity;
    if (!symmetry.Group) return site;
    const gemmi::GroupOps& ops = OperationsOf(*symmetry.Group);
    const double position[3] = {x, y, z};
    std::vector<Matrix3> rotations;
    for (const gemmi::Op& op : ops.sym_ops)
        for (const gemmi::Op::Tran& centring : ops.cen_ops) {
            Matrix3 rot{};
            bool maps = true;
            for (size_t i = 0; i < 3; ++i) {
                double image = static_cast<double>(op.tran[i] + centring[i]) / gemmi::Op::DEN;
                for (size_t j = 0; j < 3; ++j) {
                    rot[i][j] = static_cast<double>(op.rot[i][j]) / gemmi::Op::DEN;
                    image += rot[i][j] * position[j];
                }
                if (!NearInteger(image - position[i])) maps = false;
            }
            if (maps) rotations.push_back(rot);
        }
    site.Order = std::max<int>(1, static_cast<int>(rotations.size()));
    site.Multiplicity = symmetry.GeneralMultiplicity / site.Order;
    if (rotations.size() <= 1) return site;

    // A shift d of the position keeps the site when R d = d for every operation.
    std::vector<std::array<double, 3>> coordinateRows;
    for (const Matrix3& r : rotations)
        for (size_t i = 0; i < 3; ++i) {
            std::array<double, 3> row{};
            for (size_t j = 0; j < 3; ++j)
                row[j] = r[i][j] - (i == j ? 1.0 : 0.0);
            coordinateRows.push_back(row);
        }
    site.Coordinates = SolveTies<3>(coordinateRows);

    // The thermal tensor beta (beta_ij = B_ij a*_i a*_j / 4) must satisfy
    // R beta R^T = beta; each column below is the change of one B_ij term.
    const double ar[3] = {cell.ar, cell.br, cell.cr};
    std::vector<std::array<double, 6>> tensorRows;
    for (const Matrix3& r : rotations) {
        std::array<std::array<double, 6>, 6> change{}; // [equation][term]
        for (size_t k = 0; k < 6; ++k) {
            const auto [a, b] = TensorIndex[k];
            Matrix3 beta{};
            const double scale = ar[a] * ar[b] / 4;
            beta[a][b] = scale;
            beta[b][a] = scale;
            for (size_t e = 0; e < 6; ++e) {
                const auto [i, j] = TensorIndex[e];
                double rotated = 0;
                for (size_t m = 0; m < 3; ++m)
                    for (size_t n = 0; n < 3; ++n)
                        rotated += r[i][m] * beta[m][n] * r[j][n];
                change[e][k] = rotated - beta[i][j];
            }
        }
        // Rows scaled to unit size so that the tolerance does not depend on the cell.
        for (auto& row : change) {
            double size = 0;
            for (double v : row)
                size = std::max(size, std::abs(v));
            if (size == 0) continue;
            for (double& v : row)
                v /= size;
            tensorRows.push_back(row);
        }
    }
    site.Anisotropic = SolveTies<6>(tensorRows);
    return site;
}

template <size_t N>
std::string TieText(const TTies<N>& ties, size_t term, const std::array<const char*, N>& names) {
    std::string text;
    for (size_t f = 0; f < N; ++f) {
        const double share = ties.Follow[term][f];
        if (share == 0) continue;
        std::string part = names[f];
        if (std::abs(share - 1) > 1e-9 && std::abs(share + 1) > 1e-9)
            part = GeneralText(std::abs(share), 6) + "*" + part;
        if (text.empty())
            text = (share < 0 ? "-" : "") + part;
        else
            text += (share < 0 ? " - " : " + ") + part;
    }
    return text.empty() ? "fixed" : text;
}

template std::string TieText<3>(const TTies<3>&, size_t, const std::array<const char*, 3>&);
template std::string TieText<6>(const TTies<6>&, size_t, const std::array<const char*, 6>&);

} // namespace koralix::engine
