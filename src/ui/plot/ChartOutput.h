// Printing a chart and saving it as an image, shared by the plot windows.
#pragma once

#include <QString>

class QCustomPlot;
class QPrinter;

namespace koralix {

// The chart drawn at its screen size (at least 800 x 500) and scaled to the
// page, so that the text keeps its proportion to the curves.
void PrintChart(QCustomPlot& chart, QPrinter& printer);

// PNG, SVG or PDF by extension; the chart's own size when none is given.
bool SaveChartImage(QCustomPlot& chart, const QString& fileName, const QString& title,
                    int width = 0, int height = 0);

// Puts the chart on the clipboard as a picture and as SVG.
void CopyChart(QCustomPlot& chart);

} // namespace koralix
