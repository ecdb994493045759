// The main-window commands that open windows: one line per command. A window
// is created on the first use of its command and lives until the program
// ends; the enabling table in WorkState decides when the command is on.
#include "AboutBox.h"
#include "ConstraintForm.h"
#include "FormKoralix.h"
#include "GeneralForm.h"
#include "HistogramForm.h"
#include "NewInputCommand.h"
#include "NewInputForm.h"
#include "ParametersForm.h"
#include "PhaseFileCommands.h"
#include "PhaseForm.h"
#include "SampleForm.h"
#include "ScatterCommands.h"
#include "Workspace.h"

namespace koralix {

void TFormKoralix::ConnectWindowCommands() {
    AddWindowCommand("actGeneral", [this] { return new TGeneralForm(Work(), this); });
    AddWindowCommand("actPhases", [this] {
        auto* form = new TPhaseForm(Work(), files_, this);
        AddPhaseFileCommands(*form, files_);
        return form;
    });
    AddWindowCommand("actHistograms", [this] {
        auto* form = new THistogramForm(Work(), this);
        ConnectScatterEditors(*form);
        return form;
    });
    AddWindowCommand("actparameters", [this] { return new TParametersForm(Work(), this); });
    AddWindowCommand("actAbout", [this] { return new TAboutBox(this); });
    AddWindowCommand("actSample", [this] { return new TFormSample(Work(), this); });
    AddWindowCommand("actConstraints", [this] { return new TConstraintForm(Work(), this); });
    AddWindowCommand("actNew", [this] {
        return MakeNewInputWindow(Work(), {[this] { return CloseModel(); }, [this] { SaveAs(); }},
                                  this);
    });
    // The editor keys work from every window of the workbench (after Quick
    // Start the refinement window has the focus), not only from this one.
    for (const char* editor : {"actGeneral", "actPhases", "actHistograms", "actSample",
                               "actConstraints"})
        Action(editor)->setShortcutContext(Qt::ApplicationShortcut);
}

} // namespace koralix
