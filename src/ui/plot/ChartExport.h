// Writing a chart to a file by its extension: vector PDF and SVG, else PNG.
#pragma once

#include <QString>

class QCustomPlot;

namespace koralix {

bool SaveChart(QCustomPlot& chart, const QString& fileName, int width, int height,
               const QString& title = QString());

} // namespace koralix
