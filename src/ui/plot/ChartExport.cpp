#include "ChartExport.h"

#include <QFileInfo>
#include <QSvgGenerator>
#include <qcustomplot.h>

namespace koralix {

bool SaveChart(QCustomPlot& chart, const QString& fileName, int width, int height,
               const QString& title) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == "pdf") return chart.savePdf(fileName, width, height, QCP::epNoCosmetic, "Koralix", title);
    if (suffix == "svg") {
        QSvgGenerator svg;
        svg.setFileName(fileName);
        svg.setSize(QSize(width, height));
        svg.setViewBox(QRect(0, 0, width, height));
        svg.setTitle(title);
        QCPPainter painter;
        if (!painter.begin(&svg)) return false;
        chart.toPainter(&painter, width, height);
        return painter.end();
    }
    return chart.savePng(fileName, width, height, 1.0);
}

} // namespace koralix
