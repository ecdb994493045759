// The "Scales" dialog: where the reflection markers and the difference curve
// sit below the pattern.
#pragma once

#include "Settings.h"

#include <QDialog>

class QSpinBox;

namespace koralix {

class TFormSetScales : public QDialog {
    Q_OBJECT
  public:
    TFormSetScales(TSettings& settings, QWidget* parent = nullptr);
    // Shows the current values; on OK stores them and returns true.
    bool Edit();

    QSpinBox* MarkerPosition;
    QSpinBox* DifferencePosition;
    QSpinBox* MarkerSeparation;

  private:
    TSettings& settings_;
};

} // namespace koralix
