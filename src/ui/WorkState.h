// Which commands the main window offers, decided from the program's state
// alone: whether a complete model is open, which work window is open, and
// where the refinement driver stands.
#pragma once

#include "Refine.h"

#include <QString>

#include <optional>

namespace koralix {

enum class WorkMode { Idle, ManualEdit, Macro, Refine };

struct TCommandStates {
    bool New = false;
    bool Save = false;
    bool SaveAs = false;
    bool Close = false;
    bool General = false;
    bool Phases = false;
    bool Histograms = false;
    bool Sample = false;
    bool Constraints = false;
    bool Parameters = false;
    bool Refine = false;
    bool ManualEdit = false;
    bool KoraBasic = false;
    bool QuickStart = false;
    bool ViewInput = false;
    bool ViewOutput = false;
    bool ViewBVS = false;
    bool ViewDist = false;
    bool PlotFourier = false;
    bool operator==(const TCommandStates&) const = default;
};

// `driver` is the refinement driver's state when one exists.
TCommandStates ComputeCommandStates(bool modelLoaded, WorkMode mode,
                                    std::optional<RefineState> driver);

// "Koralix: " and the input file, or "Koralix" without one.
QString MainCaption(const QString& currentInputFile);

} // namespace koralix
