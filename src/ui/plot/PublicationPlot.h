// The pattern of a refinement drawn for a journal: observed points, the
// calculated line, one labelled row of reflection ticks per phase and the
// difference below, axis titles with units, sized for a printed column, and
// nothing of the window around it.
#pragma once

#include "Model.h"
#include "PlotData.h"

#include <QString>
#include <QStringList>

#include <string>

namespace koralix {

struct TPublicationStyle {
    double WidthMm = 85;       // one column of most journals; about 180 for two
    double AspectRatio = 0.75; // height over width
    double FontPoints = 8;
};

// Writes the plot to `fileName`: vector PDF or SVG by the extension, else a
// PNG at 600 dpi. `phaseNames` labels the tick rows (phase N when missing).
// Empty on success, else why nothing was written (no pattern to draw, a
// target that cannot be written), naming the file.
std::string SavePublicationPlot(const TPlotData& plot, const THistogram* histogram,
                                const QStringList& phaseNames, const TPublicationStyle& style,
                                const QString& fileName);

} // namespace koralix
