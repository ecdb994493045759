// The background-point and excluded-region editing of the pattern plot, as
// operations on the histogram: testable without a chart.
#pragma once

#include "Model.h"
#include "PlotData.h"

namespace koralix {

// The mean observed value of the 2k+1 points centred on point `centre`
// (0-based), fewer at the ends of the pattern.
double AveragedIntensity(const TPlotData& plot, int centre, int k);

// Removes the first region with low < x < high; false when x is in none.
bool DeleteExcludedAt(TExcluded& excluded, double x);

// Removes the background point nearest to (x, y) within the given distances;
// false when none is that close.
bool DeleteBackgroundNear(TBackGround& background, double x, double y, double dx, double dy);

} // namespace koralix
