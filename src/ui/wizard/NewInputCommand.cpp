#include "NewInputCommand.h"

#include "NewInputForm.h"
#include "Workspace.h"

namespace koralix {

void AcceptNewInput(TWorkspace& work, TFormNewInput& wizard, const std::function<void()>& saveAs) {
    wizard.BuildInto(work.Model());
    work.SetInputFile(QString());
    work.SetChanged(true);
    emit work.ModelReplaced();
    saveAs();
}

TFormNewInput* MakeNewInputWindow(TWorkspace& work, std::function<void()> saveAs, QWidget* parent) {
    auto* wizard = new TFormNewInput(work.Settings().Instruments, parent);
    wizard->setModal(true);
    QObject::connect(wizard, &QDialog::accepted, wizard,
                     [&work, wizard, saveAs] { AcceptNewInput(work, *wizard, saveAs); });
    return wizard;
}

} // namespace koralix
