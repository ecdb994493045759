// What the pattern plot draws, computed from the plot data alone: observed
// points, calculated curve, difference curve and reflection markers, in 2θ,
// time of flight, energy or d-spacing. No widgets here, so it is testable.
#pragma once

#include "Model.h"
#include "PlotData.h"

#include <QString>
#include <QVector>

namespace koralix {

struct TPlotScales {
    int HKLScale = 100;
    int HKLSep = 100;
    int DifferenceScale = 100;
};

struct TPatternSeries {
    QVector<double> dataX, dataY;
    QVector<double> calcX, calcY;
    QVector<double> diffX, diffY;
    QVector<double> markerX, markerY;
    QVector<int> markerIndex; // reflection number (1-based) of each marker
    QVector<double> backgroundX, backgroundY;
    QString bottomTitle;
    bool outOfRange = false; // a value was not a finite number
};

// d-spacing of x for the histogram (0 without one): TOF, energy or angle.
double DSpacing(double x, const THistogram* histogram);

// `histogram` is the model histogram attached to the plot, or none; `cycle` the
// driver's cycle count (the difference curve needs at least one).
TPatternSeries BuildPatternSeries(const TPlotData& plot, const THistogram* histogram, bool viewD,
                                  int cycle, const TPlotScales& scales);

// The plotted numbers as the export text file holds them.
QString PlotExportText(const TPlotData& plot, const TPatternSeries& series);

} // namespace koralix
