// Which controls of the refinement window are on in each of its states.
#pragma once

namespace koralix {

enum class RefineButtonState {
    Ready = 0,
    Open = 1,
    Running = 2,
    Stepped = 3,
    NoInput = 4,
    Busy = 5,
    Ended = 6,
};

struct TRefineButtons {
    bool fileControls;       // the two edits, Open and "..."; see `fileControlsChange`
    bool fileControlsChange; // false: leave them as they are
    bool start, step, finish;
    bool stopVisible; // Stop stands in the place of Step
};

TRefineButtons RefineButtonsFor(RefineButtonState state);

} // namespace koralix
