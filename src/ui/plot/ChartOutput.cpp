#include "ChartOutput.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFileInfo>
#include <QMimeData>
#include <QPrinter>
#include <QSvgGenerator>
#include <qcustomplot.h>

#include <algorithm>

namespace koralix {

namespace {

bool PaintSvg(QCustomPlot& chart, QSvgGenerator& svg, const QString& title, int width, int height) {
    svg.setSize(QSize(width, height));
    svg.setViewBox(QRect(0, 0, width, height));
    svg.setTitle(title);
    QCPPainter painter;
    if (!painter.begin(&svg)) return false;
    chart.toPainter(&painter, width, height);
    return painter.end();
}

} // namespace

void PrintChart(QCustomPlot& chart, QPrinter& printer) {
    QCPPainter painter(&printer);
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    const int width = std::max(chart.width(), 800), height = std::max(chart.height(), 500);
    const double scale = std::min(page.width() / width, page.height() / height);
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    painter.scale(scale, scale);
    chart.toPainter(&painter, width, height);
}

bool SaveChartImage(QCustomPlot& chart, const QString& fileName, const QString& title, int width,
                    int height) {
    if (width <= 0 || height <= 0) {
        width = chart.width();
        height = chart.height();
    }
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == "pdf") return chart.savePdf(fileName, width, height);
    if (suffix == "svg") {
        QSvgGenerator svg;
        svg.setFileName(fileName);
        return PaintSvg(chart, svg, title, width, height);
    }
    return chart.savePng(fileName, width, height, 1.0);
}

void CopyChart(QCustomPlot& chart) {
    auto* mime = new QMimeData;
    mime->setImageData(chart.toPixmap().toImage());
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    if (PaintSvg(chart, svg, QString(), chart.width(), chart.height()))
        mime->setData("image/svg+xml", buffer.data());
    QApplication::clipboard()->setMimeData(mime);
}

} // namespace koralix
