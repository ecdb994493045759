#include "NewInputCommand.h"

#include "NewInputForm.h"
#include "Workspace.h"

namespace koralix {

bool AcceptNewInput(TWorkspace& work, TFormNewInput& wizard, const TNewInputSteps& steps) {
    if (steps.CloseModel && !steps.CloseModel()) return false;
    wizard.BuildInto(work.Model());
    work.SetInputFile(QString());
    emit work.ModelReplaced();
    work.SetChanged(true);
    if (steps.SaveAs) steps.SaveAs();
    return true;
}

TFormNewInput* MakeNewInputWindow(TWorkspace& work, TNewInputSteps steps, QWidget* parent) {
    auto* wizard = new TFormNewInput(work.Settings().Instruments, parent);
    wizard->setModal(true);
    QObject::connect(wizard, &QDialog::accepted, wizard,
                     [&work, wizard, steps] { AcceptNewInput(work, *wizard, steps); });
    return wizard;
}

} // namespace koralix
