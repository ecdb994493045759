// How a crystal system ties the six cell constants: which are free, which are
// fixed at 90 or 120 degrees, which copy a or alpha; and which refinement
// constraints keep tied constants moving with the one they copy.
#pragma once

#include "SpaceGroupServices.h"

#include <array>
#include <utility>
#include <vector>

namespace koralix {

class TPhase;
class TRietveld;

enum class TCellRule { Free, Fixed, TiedToA, TiedToAlpha };

struct TCellLayout {
    // a, b, c, alpha, beta, gamma
    std::array<TCellRule, 6> Rule{};
    // The value of a Fixed constant.
    std::array<float, 6> FixedValue{0, 0, 0, 90, 90, 90};
};

TCellLayout CellLayout(const TCrystalSystem& system);

// Sets the fixed constants and copies the tied ones, so that the cell is one
// the crystal system allows.
void ApplyCellLayout(TPhase& phase, const TCrystalSystem& system);

// The constraints that tie cell parameters (phase parameter types 6 to 11) of
// a system together, as (master type, dependent type) pairs with factor 1.
std::vector<std::pair<int, int>> CellTies(const TCrystalSystem& system);

// Adds the ties of `system` for phase p whose master is refined; an existing
// identical constraint is not added again.
void AddCellTies(TRietveld& model, int p, const TCrystalSystem& system);

} // namespace koralix
