#include "ScatterCommands.h"

#include "HistogramForm.h"
#include "ScatterForm.h"
#include "SpectrumForm.h"
#include "Workspace.h"

#include <QPushButton>

namespace koralix {

namespace {

// Shown over the histogram editor, modal, and freed when closed: what it
// keeps goes into the model through the workspace, which tells the others.
void ShowModal(TModelEditor* editor) {
    editor->setAttribute(Qt::WA_DeleteOnClose);
    editor->setWindowModality(Qt::ApplicationModal);
    editor->show();
    editor->raise();
    editor->activateWindow();
}

} // namespace

TFormScatter* OpenScatterEditor(THistogramForm& form) {
    const int h = form.ShownHistogram();
    if (!form.Work().Histogram(h)) return nullptr;
    auto* editor = new TFormScatter(form.Work(), h, &form);
    ShowModal(editor);
    return editor;
}

TFormSpectrum* OpenSpectrumEditor(THistogramForm& form) {
    const int h = form.ShownHistogram();
    const THistogram* histogram = form.Work().Histogram(h);
    if (!histogram || !histogram->IsTof()) return nullptr;
    auto* editor = new TFormSpectrum(form.Work(), h, &form);
    ShowModal(editor);
    return editor;
}

void ConnectScatterEditors(THistogramForm& form) {
    QObject::connect(form.FormFactorsButton, &QPushButton::clicked, &form,
                     [&form] { OpenScatterEditor(form); });
    QObject::connect(form.IncidentSpectrumButton, &QPushButton::clicked, &form,
                     [&form] { OpenSpectrumEditor(form); });
}

} // namespace koralix
