#include "SetScales.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

namespace koralix {

namespace {

QSpinBox* WholeNumber(QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setRange(-10000, 10000);
    return box;
}

} // namespace

TFormSetScales::TFormSetScales(TSettings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setWindowTitle("Scales");
    auto* form = new QFormLayout(this);
    MarkerPosition = WholeNumber(this);
    DifferencePosition = WholeNumber(this);
    MarkerSeparation = WholeNumber(this);
    form->addRow("HKL Marker Relative Position", MarkerPosition);
    form->addRow("Plot Difference Relative Position:", DifferencePosition);
    form->addRow("HKL Marker separation:", MarkerSeparation);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

bool TFormSetScales::Edit() {
    MarkerPosition->setValue(settings_.HKLScale);
    DifferencePosition->setValue(settings_.DifferenceScale);
    MarkerSeparation->setValue(settings_.HKLSep);
    if (exec() != QDialog::Accepted) return false;
    settings_.HKLScale = MarkerPosition->value();
    settings_.DifferenceScale = DifferencePosition->value();
    settings_.HKLSep = MarkerSeparation->value();
    return true;
}

} // namespace koralix
