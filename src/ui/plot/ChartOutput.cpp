#include "ChartOutput.h"

#include "ChartExport.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QColorDialog>
#include <QMenu>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSvgGenerator>
#include <QToolBar>
#include <QToolButton>
#include <qcustomplot.h>

#include <algorithm>

namespace koralix {

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

std::string SaveChartImage(QCustomPlot& chart, const QString& fileName, const QString& title,
                           int width, int height) {
    if (width <= 0 || height <= 0) {
        width = chart.width();
        height = chart.height();
    }
    return WriteChart(chart, fileName, {width, height, title});
}

void CopyChart(QCustomPlot& chart) {
    auto* mime = new QMimeData;
    mime->setImageData(chart.toPixmap().toImage());
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    if (PaintSvg(chart, svg, {chart.width(), chart.height(), QString()}))
        mime->setData("image/svg+xml", buffer.data());
    QApplication::clipboard()->setMimeData(mime);
}

void PrintChartWithDialog(QCustomPlot& chart, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted) return;
    // Copies are printed one by one, whatever the driver makes of the count.
    const int copies = std::max(1, printer.copyCount());
    printer.setCopyCount(1);
    for (int c = 0; c < copies; ++c)
        PrintChart(chart, printer);
}

void PreviewChart(QCustomPlot& chart, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, parent);
    preview.setWindowTitle("Koralix Print Preview");
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &chart,
                     [&chart](QPrinter* p) { PrintChart(chart, *p); });
    preview.exec();
}

void CopyChartBitmap(QCustomPlot& chart) {
    QApplication::clipboard()->setPixmap(chart.toPixmap());
}

void EditChartBackground(QCustomPlot& chart, QWidget* parent) {
    // The chart keeps no colour of its background, only a brush: remember it here.
    const QVariant last = chart.property("backgroundColour");
    const QColor c = QColorDialog::getColor(last.isValid() ? last.value<QColor>() : QColor(Qt::white),
                                            parent, "Chart");
    if (!c.isValid()) return;
    chart.setProperty("backgroundColour", c);
    chart.setBackground(c);
    chart.replot();
}

void AddMenuButton(QToolBar& bar, QMenu* menu) {
    auto* button = new QToolButton(&bar);
    button->setText(menu->title());
    button->setMenu(menu);
    button->setPopupMode(QToolButton::InstantPopup);
    bar.addWidget(button);
}

} // namespace koralix
