#include "CellRules.h"

#include "Model.h"

namespace koralix {

namespace {
constexpr int TypeA = 6;
constexpr int TypeB = 7;
constexpr int TypeC = 8;
constexpr int TypeAlpha = 9;
constexpr int TypeBeta = 10;
constexpr int TypeGamma = 11;
} // namespace

TCellLayout CellLayout(const TCrystalSystem& system) {
    using enum TCellRule;
    TCellLayout layout;
    auto& r = layout.Rule;
    r = {Free, Free, Free, Free, Free, Free};
    switch (system.Code) {
    case csMonoclinic:
        // The angle about the unique axis is the free one.
        for (int axis = 1; axis <= 3; ++axis)
            if (axis != system.UniqueAxis) r[static_cast<size_t>(2 + axis)] = Fixed;
        if (system.UniqueAxis < 1 || system.UniqueAxis > 3) r = {Free, Free, Free, Free, Free, Free};
        break;
    case csOrthorhombic:
        r = {Free, Free, Free, Fixed, Fixed, Fixed};
        break;
    case csTetragonal:
        r = {Free, TiedToA, Free, Fixed, Fixed, Fixed};
        break;
    case csTrigonalRh:
        r = {Free, TiedToA, TiedToA, Free, TiedToAlpha, TiedToAlpha};
        break;
    case csTrigonalHex:
    case csHexagonal:
        r = {Free, TiedToA, Free, Fixed, Fixed, Fixed};
        layout.FixedValue[5] = 120;
        break;
    case csCubic:
        r = {Free, TiedToA, TiedToA, Fixed, Fixed, Fixed};
        break;
    default:
        break;
    }
    return layout;
}

void ApplyCellLayout(TPhase& phase, const TCrystalSystem& system) {
    const TCellLayout layout = CellLayout(system);
    float* cell[6] = {&phase.A, &phase.B, &phase.C, &phase.Alpha, &phase.Beta, &phase.Gamma};
    for (size_t i = 0; i < 6; ++i) {
        switch (layout.Rule[i]) {
        case TCellRule::Fixed:
            *cell[i] = layout.FixedValue[i];
            break;
        case TCellRule::TiedToA:
            *cell[i] = phase.A;
            break;
        case TCellRule::TiedToAlpha:
            *cell[i] = phase.Alpha;
            break;
        case TCellRule::Free:
            break;
        }
    }
}

std::vector<std::pair<int, int>> CellTies(const TCrystalSystem& system) {
    std::vector<std::pair<int, int>> ties;
    const TCellLayout layout = CellLayout(system);
    for (size_t i = 0; i < 6; ++i) {
        const int type = TypeA + static_cast<int>(i);
        if (layout.Rule[i] == TCellRule::TiedToA) ties.emplace_back(TypeA, type);
        if (layout.Rule[i] == TCellRule::TiedToAlpha) ties.emplace_back(TypeAlpha, type);
    }
    return ties;
}

void AddCellTies(TRietveld& model, int p, const TCrystalSystem& system) {
    for (const auto& [master, dependent] : CellTies(system)) {
        const TAddress from{0, p, 0, master};
        if (!model.IsRefined(from)) continue;
        TParameter first(from, 0);
        first.Multiplier = 1;
        TParameter second(TAddress{0, p, 0, dependent}, 0);
        second.Multiplier = 1;
        model.Parameters.AddConstraint(first, second);
    }
}

} // namespace koralix
