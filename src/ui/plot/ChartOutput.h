// Printing a chart and saving it as an image, shared by the plot windows.
#pragma once

#include <QString>

#include <string>

class QCustomPlot;
class QMenu;
class QPrinter;
class QToolBar;
class QWidget;

namespace koralix {

// The chart drawn at its screen size (at least 800 x 500) and scaled to the
// page, so that the text keeps its proportion to the curves.
void PrintChart(QCustomPlot& chart, QPrinter& printer);

// PNG, SVG or PDF by extension; the chart's own size when none is given.
// Empty on success, else the message naming the file.
std::string SaveChartImage(QCustomPlot& chart, const QString& fileName, const QString& title,
                           int width = 0, int height = 0);

// Puts the chart on the clipboard as a picture and as SVG.
void CopyChart(QCustomPlot& chart);

// The platform's print dialog; on acceptance the chart once per copy asked for.
void PrintChartWithDialog(QCustomPlot& chart, QWidget* parent);
void PreviewChart(QCustomPlot& chart, QWidget* parent);
void CopyChartBitmap(QCustomPlot& chart);
// The chart editor of the result windows: the chart's background colour.
void EditChartBackground(QCustomPlot& chart, QWidget* parent);
// A toolbar button that drops `menu` down, captioned with its title.
void AddMenuButton(QToolBar& bar, QMenu* menu);

} // namespace koralix
