// The coordinate transformation dialog: a 3 x 4 matrix (rotation part and
// translation) with its determinant. It edits a copy of the program's shared
// transformation and gives it back only on OK.
#pragma once

#include "Model.h"

#include <QDialog>

class QLabel;
class QLineEdit;

namespace koralix {

class TFormTrans : public QDialog {
    Q_OBJECT
  public:
    // `shared` is the transformation kept between uses; it must outlive the dialog.
    explicit TFormTrans(TTransformation& shared, QWidget* parent = nullptr);

    // Reads the twelve fields into the copy (blank or bad text counts as 0).
    void SetValues();
    // Fields by matrix row (0..2) and column (0..3, 3 the translation).
    QLineEdit* Field(int row, int column) const { return fields_[row][column]; }
    QLabel* lbdeter = nullptr;
    const TTransformation& Copy() const { return copy_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void ShowDeterminant();
    TTransformation& shared_;
    TTransformation copy_;
    QLineEdit* fields_[3][4] = {};
};

// "1.0000" for 1, "0.3333" for one third: four decimals after rounding to four
// significant digits.
QString TransformText(float value);

} // namespace koralix
