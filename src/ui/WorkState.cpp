#include "WorkState.h"

namespace koralix {

TCommandStates ComputeCommandStates(bool modelLoaded, WorkMode mode,
                                    std::optional<RefineState> driver) {
    TCommandStates c;
    c.New = true;
    if (modelLoaded) {
        c.General = c.Phases = c.Histograms = c.Sample = c.Constraints = c.Parameters = true;
        c.ViewInput = c.ViewDist = c.ViewOutput = c.ViewBVS = true;
        c.SaveAs = c.Save = c.PlotFourier = c.Close = true;
    }
    if (mode == WorkMode::ManualEdit || mode == WorkMode::Macro)
        c.General = c.Histograms = c.Phases = c.Constraints = c.Sample = false;
    switch (mode) {
    case WorkMode::ManualEdit:
        c.ManualEdit = true;
        break;
    case WorkMode::Refine:
        c.Refine = true;
        c.Close = false;
        c.New = false;
        break;
    case WorkMode::Macro:
        c.KoraBasic = true;
        break;
    case WorkMode::Idle:
        c.KoraBasic = c.ManualEdit = c.Refine = c.QuickStart = true;
        break;
    }
    if (driver) {
        // Output files are only complete once the engine has closed them.
        const bool outputReady = *driver == RefineState::Closed || *driver == RefineState::Finished;
        c.ViewBVS = c.ViewOutput = c.ViewDist = outputReady;
    }
    return c;
}

QString MainCaption(const QString& currentInputFile) {
    return currentInputFile.isEmpty() ? QStringLiteral("Koralix")
                                      : QStringLiteral("Koralix: ") + currentInputFile;
}

} // namespace koralix
