#include "PlotEditing.h"

#include <algorithm>
#include <cmath>

namespace koralix {

double AveragedIntensity(const TPlotData& plot, int centre, int k) {
    const int n = std::min(plot.PointCount, plot.HeldPoints());
    if (n <= 0) return 0;
    const int first = std::max(0, centre - k), last = std::min(n - 1, centre + k);
    double sum = 0;
    for (int i = first; i <= last; ++i)
        sum += plot.Y[static_cast<size_t>(i)];
    return last >= first ? sum / (last - first + 1) : 0;
}

bool DeleteExcludedAt(TExcluded& excluded, double x) {
    for (int r = 0; r < excluded.RegionCount(); ++r)
        if (excluded.Regions.X(r) < x && x < excluded.Regions.Y(r)) {
            excluded.DeleteRegion(r + 1);
            return true;
        }
    return false;
}

bool DeleteBackgroundNear(TBackGround& background, double x, double y, double dx, double dy) {
    int best = -1;
    double bestDistance = 0;
    for (int i = 0; i < background.PointCount(); ++i) {
        const double ex = (background.Points.X(i) - x) / dx, ey = (background.Points.Y(i) - y) / dy;
        const double distance = ex * ex + ey * ey;
        if (distance <= 1 && (best < 0 || distance < bestDistance)) {
            best = i;
            bestDistance = distance;
        }
    }
    if (best < 0) return false;
    background.Points.Delete(best);
    return true;
}

} // namespace koralix
