#include "ChartExport.h"

#include "SafeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSvgGenerator>
#include <QTemporaryDir>
#include <qcustomplot.h>

#include <stdexcept>

namespace koralix {

namespace {

// QCustomPlot writes its PDF and PNG files only by name, so every format is
// drawn to a file of its own and the bytes taken from there.
bool Draw(QCustomPlot& chart, const QString& path, const QString& suffix, const TChartFile& how) {
    if (suffix == "pdf")
        return chart.savePdf(path, how.Width, how.Height,
                             how.Print ? QCP::epNoCosmetic : QCP::epAllowCosmetic, "Koralix",
                             how.Title);
    if (suffix == "svg") {
        QSvgGenerator svg;
        svg.setFileName(path);
        return PaintSvg(chart, svg, how);
    }
    if (!how.Print) return chart.savePng(path, how.Width, how.Height, 1.0);
    return chart.savePng(path, how.Width, how.Height, how.PngDpi / 72, -1,
                         static_cast<int>(how.PngDpi), QCP::ruDotsPerInch);
}

} // namespace

bool PaintSvg(QCustomPlot& chart, QSvgGenerator& svg, const TChartFile& how) {
    if (how.Print) svg.setResolution(72);
    svg.setSize(QSize(how.Width, how.Height));
    svg.setViewBox(QRect(0, 0, how.Width, how.Height));
    svg.setTitle(how.Title);
    QCPPainter painter;
    if (!painter.begin(&svg)) return false;
    if (how.Print) {
        painter.setMode(QCPPainter::pmVectorized);
        painter.setMode(QCPPainter::pmNoCaching);
        painter.setMode(QCPPainter::pmNonCosmetic);
    }
    chart.toPainter(&painter, how.Width, how.Height);
    return painter.end();
}

std::string WriteChart(QCustomPlot& chart, const QString& fileName, const TChartFile& how) {
    const std::string target = fileName.toStdString();
    // Nothing is drawn for a target that will be refused anyway.
    if (std::string why = WhyNotWritable(target); !why.empty()) return why;
    QTemporaryDir folder;
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    const QString drawn = folder.filePath("chart." + (suffix.isEmpty() ? "png" : suffix));
    QFile image(drawn);
    if (!folder.isValid() || !Draw(chart, drawn, suffix, how) || !image.open(QIODevice::ReadOnly))
        return "Cannot write " + target + ": the image could not be drawn.";
    try {
        WriteFileSafely(target, image.readAll().toStdString());
    } catch (const std::exception& e) {
        return e.what();
    }
    return {};
}

} // namespace koralix
