#include "FormTrans.h"

#include "ModelEditor.h"
#include "NumberFormat.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace koralix {

QString TransformText(float value) {
    return QString::fromStdString(RoundedFixedText(value, 4, 4));
}

TFormTrans::TFormTrans(TTransformation& shared, QWidget* parent)
    : QDialog(parent), shared_(shared) {
    setObjectName("FormTrans");
    setWindowTitle("XYZ Transformation");
    auto* grid = new QGridLayout;
    const char* columns[4] = {"X", "Y", "Z", "T"};
    const char* rows[3] = {"Xnew =", "Ynew =", "Znew ="};
    const char* letters = "xyz";
    for (int c = 0; c < 4; ++c)
        grid->addWidget(new QLabel(columns[c]), 0, c < 3 ? c + 1 : c + 2, Qt::AlignCenter);
    for (int r = 0; r < 3; ++r) {
        grid->addWidget(new QLabel(rows[r]), r + 1, 0);
        grid->addWidget(new QLabel("+"), r + 1, 4);
        for (int c = 0; c < 4; ++c) {
            auto* field = new QLineEdit;
            field->setObjectName(QString("ed") + letters[r] + (c < 3 ? letters[c] : 't'));
            field->setAlignment(Qt::AlignRight);
            field->setMaximumWidth(80);
            fields_[r][c] = field;
            grid->addWidget(field, r + 1, c < 3 ? c + 1 : c + 2);
            // The translation does not enter the determinant.
            if (c < 3)
                connect(field, &QLineEdit::textEdited, this, [this] {
                    SetValues();
                    ShowDeterminant();
                });
        }
    }
    auto* determinant = new QHBoxLayout;
    determinant->addWidget(new QLabel("Determinant = "));
    lbdeter = new QLabel;
    lbdeter->setObjectName("lbdeter");
    determinant->addWidget(lbdeter);
    determinant->addStretch();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        SetValues();
        shared_.Assign(copy_);
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(determinant);
    layout->addWidget(buttons);
}

void TFormTrans::SetValues() {
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            copy_.M[r][c] = static_cast<float>(ReadTypedNumber(fields_[r][c]->text()).value_or(0));
}

void TFormTrans::ShowDeterminant() {
    lbdeter->setText(QString::fromStdString(GeneralText(copy_.Determinant(), 4)));
}

void TFormTrans::showEvent(QShowEvent* event) {
    copy_.Assign(shared_);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            fields_[r][c]->setText(TransformText(copy_.M[r][c]));
    ShowDeterminant();
    QDialog::showEvent(event);
}

} // namespace koralix
