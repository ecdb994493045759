#include "SpectrumForm.h"

#include "EditorFields.h"
#include "Model.h"
#include "ScatterCurves.h"
#include "Workspace.h"

#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>
#include <qcustomplot.h>

namespace koralix {

TFormSpectrum::TFormSpectrum(TWorkspace& work, int histogram, QWidget* parent)
    : TModelEditor(work, "Incident Spectrum", parent), histogram_(histogram) {
    setObjectName("FormSpectrum");
    auto* group = new QGroupBox("TOF Incident Spectrum", this);
    auto* fields = new QFormLayout(group);
    for (int i = 0; i < 9; ++i) {
        Edit[i] = NumberEdit(QString("Edita%1").arg(i));
        Edit[i]->setAccessibleName(QString("a%1").arg(i));
        Edit[i]->installEventFilter(this);
        connect(Edit[i], &QLineEdit::returnPressed, this, &TFormSpectrum::PlotSpectrum);
        connect(Edit[i], &QLineEdit::textEdited, this, &TModelEditor::DirtyPage);
        fields->addRow(QString("a%1:").arg(i), Edit[i]);
    }
    Chart = new QCustomPlot(this);
    Chart->setMinimumSize(420, 300);
    Chart->xAxis->setLabel("TOF");
    Chart->yAxis->setLabel("Intensity");
    Curve = Chart->addGraph();
    Curve->setPen(QPen(Qt::blue, 1.5));

    auto* top = new QHBoxLayout;
    top->addWidget(group);
    top->addWidget(Chart, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(ButtonRow("spectrum"));
    UpdateForm();
}

void TFormSpectrum::UpdateForm() {
    Filling filling(*this);
    const THistogram* h = Work().Histogram(histogram_);
    for (int i = 0; i < 9; ++i) {
        Edit[i]->setText(h ? ShortestField(h->Spectrum.Coeff[size_t(i)], 9) : QString());
        Edit[i]->setStyleSheet(QString());
    }
    PageChanged = false;
    PlotSpectrum();
}

void TFormSpectrum::PlotSpectrum() {
    const THistogram* h = Work().Histogram(histogram_);
    QVector<double> x, y;
    if (h) {
        std::array<double, 9> a{};
        for (int i = 0; i < 9; ++i)
            a[size_t(i)] = ReadTypedNumber(Edit[i]->text()).value_or(0);
        for (const TCurvePoint& p : SpectrumCurve(*h, a)) {
            x << p.X;
            y << p.Y;
        }
    }
    Curve->setData(x, y, true);
    Chart->rescaleAxes();
    Chart->replot();
}

void TFormSpectrum::SaveChanges() {
    THistogram* h = Work().Histogram(histogram_);
    if (!h) return;
    for (int i = 0; i < 9; ++i)
        h->Spectrum.Coeff[size_t(i)] = NumberOf(Edit[i]);
}

bool TFormSpectrum::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && qobject_cast<QLineEdit*>(watched)) PlotSpectrum();
    return TModelEditor::eventFilter(watched, event);
}

} // namespace koralix
