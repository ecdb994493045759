#include "SpectrumForm.h"

#include "Model.h"
#include "NumberFormat.h"
#include "ScatterCurves.h"
#include "TextHelpers.h"

#include <QDialogButtonBox>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <qcustomplot.h>

namespace koralix {

TFormSpectrum::TFormSpectrum(TRietveld& model, int histogram, QWidget* parent)
    : QDialog(parent), model_(model), histogram_(histogram) {
    setObjectName("FormSpectrum");
    setWindowTitle("Incident Spectrum");
    auto* group = new QGroupBox("TOF Incident Spectrum", this);
    auto* fields = new QFormLayout(group);
    const TIncidentSpec& spectrum = model_.Histogram(histogram_).Spectrum;
    for (int i = 0; i < 9; ++i) {
        Edit[i] = new QLineEdit(QString::fromStdString(GeneralText(spectrum.Coeff[size_t(i)], 9)), this);
        Edit[i]->setObjectName(QString("Edita%1").arg(i));
        Edit[i]->installEventFilter(this);
        connect(Edit[i], &QLineEdit::returnPressed, this, &TFormSpectrum::PlotSpectrum);
        fields->addRow(QString("a%1:").arg(i), Edit[i]);
    }
    Chart = new QCustomPlot(this);
    Chart->setMinimumSize(420, 300);
    Chart->xAxis->setLabel("TOF");
    Chart->yAxis->setLabel("Intensity");
    Curve = Chart->addGraph();
    Curve->setPen(QPen(Qt::blue, 1.5));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* help = buttons->addButton("Help", QDialogButtonBox::HelpRole);
    help->setEnabled(false);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        SaveForm();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* top = new QHBoxLayout;
    top->addWidget(group);
    top->addWidget(Chart, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    PlotSpectrum();
}

void TFormSpectrum::PlotSpectrum() {
    std::array<double, 9> a{};
    for (int i = 0; i < 9; ++i) a[size_t(i)] = TextToDouble(Edit[i]->text().toStdString());
    QVector<double> x, y;
    for (const TCurvePoint& p : SpectrumCurve(model_.Histogram(histogram_), a)) {
        x << p.X;
        y << p.Y;
    }
    Curve->setData(x, y, true);
    Chart->rescaleAxes();
    Chart->replot();
}

void TFormSpectrum::SaveForm() {
    TIncidentSpec& spectrum = model_.Histogram(histogram_).Spectrum;
    for (int i = 0; i < 9; ++i) spectrum.Coeff[size_t(i)] = TextToReal(Edit[i]->text().toStdString());
}

bool TFormSpectrum::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && qobject_cast<QLineEdit*>(watched)) PlotSpectrum();
    return QDialog::eventFilter(watched, event);
}

} // namespace koralix
