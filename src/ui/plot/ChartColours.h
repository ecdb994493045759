// The chart editor of the pattern plot: the colours of the five series and of
// the chart, kept as the colour preferences.
#pragma once

#include "Settings.h"

#include <QDialog>

class QPushButton;

namespace koralix {

class TChartColours : public QDialog {
    Q_OBJECT
  public:
    TChartColours(TSettings& settings, QWidget* parent = nullptr);
    void accept() override;

    // The colours being edited, in the settings' order of the rows.
    QColor Colours[6];

  private:
    void ShowColour(int row);
    TSettings& settings_;
    QPushButton* buttons_[6] = {};
};

// The colour preference of a row, in the order Data, Background, Calc, Diff,
// Markers and the chart's own.
int32_t* ColourSetting(TSettings& settings, int row);

// A colour as a Windows RGB value (0x00BBGGRR), the way the preferences keep it.
int RgbOf(const QColor& colour);

} // namespace koralix
