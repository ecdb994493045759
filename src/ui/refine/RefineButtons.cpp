#include "RefineButtons.h"

namespace koralix {

TRefineButtons RefineButtonsFor(RefineButtonState state) {
    TRefineButtons b{};
    switch (state) {
    case RefineButtonState::Ready:
        b = {true, true, true, false, false, false};
        break;
    case RefineButtonState::Open:
        b = {false, true, true, true, true, false};
        break;
    case RefineButtonState::Running:
        b = {false, true, false, false, false, true};
        break;
    case RefineButtonState::Stepped:
        b = {false, false, true, true, true, false};
        break;
    case RefineButtonState::NoInput:
        b = {true, true, false, false, false, false};
        break;
    case RefineButtonState::Busy:
        b = {false, true, false, false, false, false};
        break;
    case RefineButtonState::Ended:
        b = {true, true, true, false, true, false};
        break;
    }
    return b;
}

} // namespace koralix
