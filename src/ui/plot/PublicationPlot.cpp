#include "PublicationPlot.h"

#include "ChartExport.h"

#include <QFileInfo>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

namespace koralix {

namespace {

constexpr double PointsPerMm = 72.0 / 25.4;
constexpr double PngDpi = 600;

QString AxisTitle(const THistogram* histogram) {
    const int type = histogram ? histogram->JobType : 0;
    if (type == 4 || type == 5) return QString::fromUtf8("Time of flight (\u00b5s)");
    if (type == 6 || type == 7) return "Energy (keV)";
    return QString::fromUtf8("2\u03b8 (\u00b0)");
}

// What is drawn, in the units of the plot: the pattern on top, a row of
// ticks per phase under its lowest point, the difference under the rows.
struct TPublicationLayout {
    QVector<double> x, observed, calculated, difference;
    std::map<int, QVector<double>> ticks; // reflection positions by phase
    std::map<int, double> rowY;           // the middle of each phase's row
    double low = 0, high = 1;             // the y range shown
};

TPublicationLayout LayOut(const TPlotData& plot, const THistogram* histogram) {
    TPublicationLayout layout;
    const int n = std::min(plot.PointCount, plot.HeldPoints());
    const bool pattern = plot.Kind == 3 || plot.Kind == 4;
    const bool hasCalc = pattern && static_cast<int>(plot.YCalc.size()) >= n;
    const bool difference =
        hasCalc && !(histogram && THistogram::IsCalculationJob(histogram->JobType));
    double ymin = plot.Y[0], ymax = plot.Y[0];
    for (int i = 0; i < n; ++i) {
        const auto k = static_cast<size_t>(i);
        layout.x << plot.X[k];
        layout.observed << plot.Y[k];
        ymin = std::min<double>(ymin, plot.Y[k]);
        ymax = std::max<double>(ymax, plot.Y[k]);
        if (!hasCalc) continue;
        layout.calculated << plot.YCalc[k];
        ymin = std::min<double>(ymin, plot.YCalc[k]);
        ymax = std::max<double>(ymax, plot.YCalc[k]);
        if (difference) layout.difference << plot.Y[k] - plot.YCalc[k];
    }
    const double span = ymax > ymin ? ymax - ymin : 1;
    const double xmin = layout.x.front(), xmax = layout.x.back();
    const int reflections =
        std::min<int>(plot.ReflectionCount(),
                      static_cast<int>(std::min(plot.ReflCodes.size(), plot.ReflPositions.size())));
    for (int k = 0; pattern && k < reflections; ++k) {
        const double p = plot.ReflPositions[static_cast<size_t>(k)];
        if (p >= std::min(xmin, xmax) && p <= std::max(xmin, xmax))
            layout.ticks[plot.ReflCodes[static_cast<size_t>(k)] >> 26] << p;
    }
    const double row = 0.06 * span;
    double bottom = ymin;
    for (const auto& [phase, positions] : layout.ticks) {
        bottom -= row;
        layout.rowY[phase] = bottom;
    }
    bottom -= row;
    if (!layout.difference.isEmpty()) {
        const double top = *std::max_element(layout.difference.begin(), layout.difference.end());
        for (double& d : layout.difference)
            d += bottom - top;
        bottom = *std::min_element(layout.difference.begin(), layout.difference.end());
    }
    layout.low = bottom - 0.03 * span;
    layout.high = ymax + 0.05 * span;
    return layout;
}

QPen Pen(const QColor& colour, double width) {
    QPen pen(colour);
    pen.setWidthF(width);
    pen.setCosmetic(false);
    return pen;
}

QCPGraph* AddLine(QCustomPlot& chart, const QVector<double>& x, const QVector<double>& y,
                  const QPen& pen) {
    QCPGraph* graph = chart.addGraph();
    graph->setData(x, y, true);
    graph->setPen(pen);
    graph->setAdaptiveSampling(false); // every point, since vector output has no pixels
    return graph;
}

void StyleAxis(QCPAxis* axis, const QFont& font, bool labelled) {
    axis->setVisible(true);
    axis->setBasePen(Pen(Qt::black, 0.6));
    axis->setTickPen(Pen(Qt::black, 0.6));
    axis->setSubTickPen(Pen(Qt::black, 0.4));
    axis->setTickLengthIn(3);
    axis->setSubTickLengthIn(1.5);
    axis->setTickLabels(labelled);
    axis->setTickLabelFont(font);
    axis->setLabelFont(font);
    axis->grid()->setVisible(false);
}

// The rows are named on the right-hand axis, level with them, so that the
// names never cover a tick or the pattern.
void DrawTicks(QCustomPlot& chart, const TPublicationLayout& layout, const QStringList& phaseNames,
               double tickPoints) {
    static const QColor colours[] = {QColor(0, 128, 0), QColor(200, 0, 200), QColor(230, 120, 0),
                                     QColor(0, 150, 170), QColor(120, 70, 20)};
    QPainterPath bar;
    bar.moveTo(0, -3);
    bar.lineTo(0, 3);
    auto names = QSharedPointer<QCPAxisTickerText>::create();
    int row = 0;
    for (const auto& [phase, positions] : layout.ticks) {
        const QColor colour = colours[row++ % std::size(colours)];
        QCPGraph* graph = chart.addGraph();
        graph->setData(positions, QVector<double>(positions.size(), layout.rowY.at(phase)));
        graph->setLineStyle(QCPGraph::lsNone);
        graph->setScatterStyle(QCPScatterStyle(bar, Pen(colour, 0.5), Qt::NoBrush, tickPoints));
        const auto index = static_cast<qsizetype>(phase - 1);
        names->addTick(layout.rowY.at(phase),
                       index >= 0 && index < phaseNames.size() && !phaseNames[index].isEmpty()
                           ? phaseNames[index]
                           : QString("Phase %1").arg(phase));
    }
    chart.yAxis2->setTicker(names);
    chart.yAxis2->setTickLabels(!layout.ticks.empty());
    chart.yAxis2->setTicks(!layout.ticks.empty());
    chart.yAxis2->setTickLengthIn(0);
    chart.yAxis2->setSubTicks(false);
}

void BuildChart(QCustomPlot& chart, const TPublicationLayout& layout, const THistogram* histogram,
                const QStringList& phaseNames, const TPublicationStyle& style) {
    // The chart is laid out with one pixel a printed point (see Save), so a
    // font of N pixels prints at N points whatever the screen's resolution.
    QFont font;
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(style.FontPoints))));
    chart.setBackground(Qt::white);
    chart.axisRect()->setAutoMargins(QCP::msAll);
    for (QCPAxis* axis : {chart.xAxis, chart.yAxis, chart.xAxis2, chart.yAxis2})
        StyleAxis(axis, font, axis == chart.xAxis || axis == chart.yAxis);
    chart.xAxis->setLabel(AxisTitle(histogram));
    chart.yAxis->setLabel("Intensity (counts)");
    chart.xAxis->setRange(layout.x.front(), layout.x.back());
    chart.yAxis->setRange(layout.low, layout.high);
    chart.xAxis2->setRange(chart.xAxis->range());
    chart.yAxis2->setRange(chart.yAxis->range());

    QCPGraph* observed = AddLine(chart, layout.x, layout.observed, Pen(Qt::black, 0.3));
    observed->setLineStyle(QCPGraph::lsNone);
    observed->setScatterStyle(
        QCPScatterStyle(QCPScatterStyle::ssCircle, Pen(Qt::black, 0.3), Qt::NoBrush, 1.6));
    if (!layout.calculated.isEmpty())
        AddLine(chart, layout.x, layout.calculated, Pen(QColor(220, 0, 0), 0.7));
    if (!layout.difference.isEmpty())
        AddLine(chart, layout.x, layout.difference, Pen(QColor(0, 0, 200), 0.5));
    DrawTicks(chart, layout, phaseNames, 0.9 * style.FontPoints);
}

} // namespace

std::string SavePublicationPlot(const TPlotData& plot, const THistogram* histogram,
                                const QStringList& phaseNames, const TPublicationStyle& style,
                                const QString& fileName) {
    if (std::min(plot.PointCount, plot.HeldPoints()) <= 0 || !(style.WidthMm > 0) ||
        !(style.AspectRatio > 0))
        return "Cannot write " + fileName.toStdString() + ": there is no pattern to draw.";
    const TPublicationLayout layout = LayOut(plot, histogram);
    QCustomPlot chart;
    BuildChart(chart, layout, histogram, phaseNames, style);
    const int width = static_cast<int>(std::lround(style.WidthMm * PointsPerMm));
    const int height =
        static_cast<int>(std::lround(style.WidthMm * style.AspectRatio * PointsPerMm));
    TChartFile how{width, height, QFileInfo(fileName).completeBaseName()};
    how.Print = true;
    how.PngDpi = PngDpi;
    return WriteChart(chart, fileName, how);
}

} // namespace koralix
