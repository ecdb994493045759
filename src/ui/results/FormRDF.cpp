#include "FormRDF.h"

#include "ChartOutput.h"
#include "EngineApi.h"
#include "Model.h"
#include "Refine.h"

#include <QActionGroup>
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QMenu>
#include <QToolBar>
#include <qcustomplot.h>

#include <algorithm>
#include <vector>

namespace koralix {

namespace {

const char* const KindNames[5] = {"PDF(R)", "G(R)", "D(R)", "T(R)", "N(R)"};

} // namespace

TFormRDF::TFormRDF(QWidget* parent) : QMainWindow(parent) {
    setObjectName("FormRDF");
    setWindowTitle("Plot RDF");
    resize(760, 480);
    Chart = new QCustomPlot(this);
    Series = Chart->addGraph();
    Series->setPen(QPen(Qt::red, 1.5));
    Chart->xAxis->setLabel("R (Å)");
    Chart->yAxis->setLabel(KindNames[0]);
    Chart->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    setCentralWidget(Chart);

    QToolBar* bar = addToolBar("RDF Toolbar");
    bar->setObjectName("RDFToolbar");
    auto* file = new QMenu("File", this);
    file->addAction("Print", this, [this] { PreviewChart(*Chart, this); });
    file->addAction("Close", this, &QWidget::close);
    auto* edit = new QMenu("Edit", this);
    edit->addAction("Chart", this, [this] {
        const QColor c = QColorDialog::getColor(Series->pen().color(), this, "Chart");
        if (!c.isValid()) return;
        Series->setPen(QPen(c, Series->pen().widthF()));
        Chart->replot();
    });
    auto* plot = new QMenu("Plot", this);
    auto* group = new QActionGroup(this);
    for (int k = 1; k <= 5; ++k) {
        KindItems[k - 1] = plot->addAction(KindNames[k - 1]);
        KindItems[k - 1]->setCheckable(true);
        group->addAction(KindItems[k - 1]);
        connect(KindItems[k - 1], &QAction::triggered, this, [this, k] { ChooseKind(k); });
    }
    KindItems[0]->setChecked(true);
    AddMenuButton(*bar, file);
    AddMenuButton(*bar, edit);
    AddMenuButton(*bar, plot);
    bar->addSeparator();
    PhaseList = new QComboBox(bar);
    PhaseList->setMinimumWidth(110);
    bar->addWidget(PhaseList);
    connect(PhaseList, &QComboBox::activated, this, [this] { Plot(); });
}

void TFormRDF::FillPhases(int count) {
    PhaseList->clear();
    for (int p = 1; p <= count; ++p)
        PhaseList->addItem("Phase " + QString::number(p));
    PhaseList->setCurrentIndex(count > 0 ? 0 : -1);
}

void TFormRDF::ChooseKind(int kind) {
    RdfKind = kind;
    for (int k = 1; k <= 5; ++k)
        KindItems[k - 1]->setChecked(k == kind);
    Chart->yAxis->setLabel(KindNames[kind - 1]);
    Plot();
}

void TFormRDF::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    Plot();
}

void TFormRDF::Plot() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Series->data()->clear();
    if (Model && Model->Loaded && Refine) {
        std::vector<float> buffer(engine::RdfLength, 0.0f);
        Refine->GetRdf(buffer.data(), RdfKind, std::max(0, PhaseList->currentIndex()));
        QVector<double> x(1000), y(1000);
        for (int i = 0; i < 1000; ++i) {
            x[i] = 0.01 * i;
            y[i] = buffer[size_t(i)];
        }
        Series->setData(x, y, true);
        Chart->rescaleAxes();
    }
    Chart->replot();
    QApplication::restoreOverrideCursor();
}

} // namespace koralix
