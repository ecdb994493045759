// Printing, print preview and copying of a QCustomPlot chart, shared by the
// result windows.
#pragma once

class QCustomPlot;
class QMenu;
class QToolBar;
class QPrinter;
class QWidget;

namespace koralix {

// Draws the chart at its screen size (at least 800 x 500) scaled to the page.
void PrintChart(QCustomPlot& chart, QPrinter& printer);
// The platform's print dialog; on acceptance the chart once per copy asked for.
void PrintChartWithDialog(QCustomPlot& chart, QWidget* parent);
void PreviewChart(QCustomPlot& chart, QWidget* parent);
void CopyChartBitmap(QCustomPlot& chart);
// A vector copy (SVG) beside the bitmap, for programs that take drawings.
void CopyChartDrawing(QCustomPlot& chart);
// The chart editor of these windows: the chart's background colour.
void EditChartBackground(QCustomPlot& chart, QWidget* parent);
// A toolbar button that drops `menu` down, captioned with its title.
void AddMenuButton(QToolBar& bar, QMenu* menu);

} // namespace koralix
