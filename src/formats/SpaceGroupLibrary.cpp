#include "SpaceGroupLibrary.h"

#include "SpaceGroupResolver.h"

#include <cmath>
#include <cstring>
#include <string_view>

namespace koralix {

namespace {

bool SameCoordinate(double a, double b) {
    double d = a - b;
    return std::fabs(d - std::round(d)) < SitePositionTolerance;
}

// Trigonal groups on hexagonal axes: "P 3 1 2", "P -3 1 m" (third word "1")
// have their 2-fold axes perpendicular to a; all others, R groups included,
// along a.
bool IsThirtyOneM(const gemmi::SpaceGroup& group) {
    std::string_view hm = group.hm;
    size_t second = hm.find(' ', 2);
    return second != std::string_view::npos && hm.substr(second + 1, 2) == "1 ";
}

} // namespace

int32_t LaueCodeOf(const gemmi::SpaceGroup& group) {
    const bool rhombohedralAxes = group.ext == 'R';
    switch (group.laue_class()) {
    case gemmi::Laue::L1:
        return LaueTriclinic;
    case gemmi::Laue::L2m:
        return LaueMonoclinic;
    case gemmi::Laue::Lmmm:
        return LaueOrthorhombic;
    case gemmi::Laue::L4m:
        return LaueTetragonalLow;
    case gemmi::Laue::L4mmm:
        return LaueTetragonalHigh;
    case gemmi::Laue::L3:
        return rhombohedralAxes ? LaueRhombohedralLow : LaueTrigonalLow;
    case gemmi::Laue::L3m:
        if (rhombohedralAxes) return LaueRhombohedralHigh;
        return IsThirtyOneM(group) ? LaueTrigonal31m : LaueTrigonal3m1;
    case gemmi::Laue::L6m:
        return LaueHexagonalLow;
    case gemmi::Laue::L6mmm:
        return LaueHexagonalHigh;
    case gemmi::Laue::Lm3:
        return LaueCubicLow;
    case gemmi::Laue::Lm3m:
        return LaueCubicHigh;
    }
    return 0;
}

int32_t UniqueAxisOf(const gemmi::SpaceGroup& group) {
    if (group.crystal_system() != gemmi::CrystalSystem::Monoclinic) return 0;
    // gemmi's qualifier names the unique axis and cell choice: "b", "c1", "-a2".
    std::string_view qualifier = group.qualifier;
    if (!qualifier.empty() && qualifier[0] == '-') qualifier.remove_prefix(1);
    if (qualifier.empty()) return 0;
    switch (qualifier[0]) {
    case 'a':
        return 1;
    case 'b':
        return 2;
    case 'c':
        return 3;
    default:
        return 0;
    }
}

int32_t SiteMultiplicityOf(const gemmi::GroupOps& operations, double x, double y, double z) {
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return 0;
    const std::array<double, 3> site{x, y, z};
    int32_t fixing = 0;
    for (gemmi::Op op : operations) {
        std::array<double, 3> image = op.apply_to_xyz(site);
        if (SameCoordinate(image[0], x) && SameCoordinate(image[1], y) &&
            SameCoordinate(image[2], z))
            ++fixing;
    }
    return fixing == 0 ? 0 : operations.order() / fixing;
}

void spacegp(const char* symbol, const float* position, int32_t* info, int32_t* error) {
    for (int k = 0; k < SpaceGroupInfoCount; ++k)
        info[k] = 0;
    std::string_view text(symbol, strnlen(symbol, SymbolBufferLength));
    const gemmi::SpaceGroup* group = ResolveSpaceGroup(text);
    *error = group == nullptr ? 1 : 0;
    if (group == nullptr) return;
    const gemmi::GroupOps& operations = OperationsOf(*group);
    info[0] = LaueCodeOf(*group);
    info[1] = operations.order();
    info[2] = SiteMultiplicityOf(operations, position[0], position[1], position[2]);
    info[7] = UniqueAxisOf(*group);
}

} // namespace koralix
