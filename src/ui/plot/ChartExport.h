// Writing a chart to a file by its extension: vector PDF and SVG, else PNG.
#pragma once

#include <QString>

#include <string>

class QCustomPlot;
class QSvgGenerator;

namespace koralix {

struct TChartFile {
    int Width = 0; // pixels on screen; points in PDF and SVG
    int Height = 0;
    QString Title;
    // For print: every line at its true width, one SVG unit a point, and a
    // PNG scaled from 72 dpi to PngDpi and marked with it.
    bool Print = false;
    double PngDpi = 72;
};

// Draws the chart into `svg` (a file or a buffer already chosen).
bool PaintSvg(QCustomPlot& chart, QSvgGenerator& svg, const TChartFile& how);

// Writes the chart as PDF, SVG or (any other extension) PNG by the extension
// of `fileName`. The image is drawn in a private folder first and then saved
// like any other file, so a read-only target is refused, a link followed and
// a FIFO or folder refused. Empty on success, else the message naming the file.
std::string WriteChart(QCustomPlot& chart, const QString& fileName, const TChartFile& how);

} // namespace koralix
