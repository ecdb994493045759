#include "PatternSeries.h"

#include <QtMath>

#include <algorithm>
#include <cmath>

namespace koralix {

namespace {

bool IsPatternKind(int kind) {
    return kind == 3 || kind == 4;
}

QString BottomTitle(const THistogram* h, bool viewD) {
    if (viewD) return "d spacing (angstroms)";
    const int type = h ? h->JobType : 0;
    if (type == 4 || type == 5) return "TOF (microseconds)";
    if (type == 6 || type == 7) return "Energy (keV)";
    return "2 theta (deg)";
}

QString Fixed(double value, int width, int decimals) {
    return QString::number(value, 'f', decimals).rightJustified(width, ' ');
}

} // namespace

double DSpacing(double x, const THistogram* h) {
    if (!h) return 0;
    const double z = h->Zero, c = h->Wave1, a = h->Wave2;
    switch (h->JobType) {
    case 4:
    case 5:
        return (x - z) / (c - a * (x - z) / c);
    case 6:
    case 7:
        return 6.199 / ((x - z) * std::sin(c * M_PI / 360.0));
    default:
        return 0.5 * c / std::sin(x * M_PI / 360.0);
    }
}

TPatternSeries BuildPatternSeries(const TPlotData& plot, const THistogram* histogram, bool viewD,
                                  int cycle, const TPlotScales& scales) {
    TPatternSeries s;
    const int n = std::min(plot.PointCount, plot.HeldPoints());
    if (!IsPatternKind(plot.Kind)) {
        s.bottomTitle = BottomTitle(nullptr, false);
        for (int i = 0; i < n; ++i) {
            s.dataX << plot.X[i];
            s.dataY << plot.Y[i];
        }
        return s;
    }
    const bool calculation = histogram && THistogram::IsCalculationJob(histogram->JobType);
    const bool difference = cycle > 0 && !calculation;
    const bool hasCalc = static_cast<int>(plot.YCalc.size()) >= n;
    s.bottomTitle = BottomTitle(histogram, viewD);
    if (histogram && histogram->Background.Kind == BkgUserPoints)
        for (const TPair& p : histogram->Background.Points.Items) {
            s.backgroundX << (viewD ? DSpacing(p.X, histogram) : p.X);
            s.backgroundY << p.Y;
        }
    if (n == 0) return s;
    double xmin = plot.X[0], xmax = plot.X[0], ymin = plot.Y[0], ymax = plot.Y[0];
    for (int i = 0; i < n; ++i) {
        xmin = std::min<double>(xmin, plot.X[i]);
        xmax = std::max<double>(xmax, plot.X[i]);
        ymin = std::min<double>(ymin, plot.Y[i]);
        ymax = std::max<double>(ymax, plot.Y[i]);
    }
    const double r = (ymax - ymin) / 8.0;
    auto place = [&](double x) { return viewD ? DSpacing(x, histogram) : x; };
    for (int i = 0; i < n; ++i) {
        const double x = place(plot.X[i]);
        const double calc = hasCalc ? plot.YCalc[i] : 0.0;
        s.dataX << x;
        s.dataY << plot.Y[i];
        s.calcX << x;
        s.calcY << calc;
        if (difference) {
            s.diffX << x;
            s.diffY << plot.Y[i] - calc - scales.DifferenceScale * r / 100.0;
        }
    }
    const int reflections =
        std::min<int>(plot.ReflectionCount(), static_cast<int>(plot.ReflCodes.size()));
    for (int k = 0; k < reflections && k < static_cast<int>(plot.ReflPositions.size()); ++k) {
        const double p = plot.ReflPositions[k];
        if (p < xmin || p > xmax) continue;
        const int code = plot.ReflCodes[k];
        const int phase = code >> 26;
        const int sub = (code >> 24) % 4;
        const double offset = r * ((sub - 1) * 0.25 + (phase - 1)) / 4.0;
        s.markerX << place(p);
        s.markerY << -r * scales.HKLScale / 800.0 - scales.HKLSep * offset / 100.0;
        s.markerIndex << k + 1;
    }
    for (const auto* v : {&s.dataX, &s.dataY, &s.calcY, &s.diffY, &s.markerX})
        for (double value : *v)
            if (!std::isfinite(value)) s.outOfRange = true;
    return s;
}

QString PlotExportText(const TPlotData& plot, const TPatternSeries& series) {
    QString text = QString::fromStdString(plot.Title) + "\n";
    const bool engine = plot.Kind == 4;
    for (int i = 0; i < series.dataX.size(); ++i) {
        text += Fixed(series.dataX[i], 15, 6) + Fixed(series.dataY[i], 15, 6);
        if (engine) {
            if (i < series.calcY.size()) text += Fixed(series.calcY[i], 15, 6);
            if (i < plot.ReflectionCount() && i < static_cast<int>(plot.ReflPositions.size())) {
                text += Fixed(plot.ReflPositions[i], 15, 5);
                text += QString::number(plot.ReflPhase(i + 1)).rightJustified(5, ' ');
            }
        }
        text += "\n";
    }
    return text;
}

} // namespace koralix
