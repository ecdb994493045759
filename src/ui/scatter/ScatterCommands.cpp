#include "ScatterCommands.h"

#include "HistogramForm.h"
#include "ScatterForm.h"
#include "SpectrumForm.h"
#include "Workspace.h"

#include <QPushButton>

namespace koralix {

void ConnectScatterEditors(THistogramForm& form) {
    QObject::connect(form.FormFactorsButton, &QPushButton::clicked, &form, [&form] {
        const int h = form.ShownHistogram();
        if (h < 1 || h > form.Model().HistogramCount()) return;
        TFormScatter editor(form.Model(), h, form.Work().Messages(), &form);
        if (editor.exec() == QDialog::Accepted) form.Work().MarkEdited();
    });
    QObject::connect(form.IncidentSpectrumButton, &QPushButton::clicked, &form, [&form] {
        const int h = form.ShownHistogram();
        if (h < 1 || h > form.Model().HistogramCount()) return;
        TFormSpectrum editor(form.Model(), h, &form);
        if (editor.exec() == QDialog::Accepted) form.Work().MarkEdited();
    });
}

} // namespace koralix
