// The main-window commands that open windows: one line per command. A window
// is created on the first use of its command and lives until the program
// ends; the enabling table in WorkState decides when the command is on.
#include "AboutBox.h"
#include "FormKoralix.h"
#include "GeneralForm.h"
#include "HistogramForm.h"
#include "ParametersForm.h"
#include "PhaseForm.h"

namespace koralix {

void TFormKoralix::ConnectWindowCommands() {
    AddWindowCommand("actGeneral", [this] { return new TGeneralForm(Work(), this); });
    AddWindowCommand("actPhases", [this] { return new TPhaseForm(Work(), files_, this); });
    AddWindowCommand("actHistograms", [this] { return new THistogramForm(Work(), this); });
    AddWindowCommand("actparameters", [this] { return new TParametersForm(Work(), this); });
    AddWindowCommand("actAbout", [this] { return new TAboutBox(this); });
    // The editor keys work from every window of the workbench (after Quick
    // Start the refinement window has the focus), not only from this one.
    for (const char* editor : {"actGeneral", "actPhases", "actHistograms"})
        Action(editor)->setShortcutContext(Qt::ApplicationShortcut);
}

} // namespace koralix
