#include "ParametersForm.h"

#include "Model.h"
#include "NameTables.h"
#include "NumberFormat.h"
#include "ParameterListing.h"
#include "Refine.h"
#include "Workspace.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QVBoxLayout>

namespace koralix {

namespace {

// Column 0 is coloured by histogram number modulo 9; 0 keeps the grid's colour.
QColor HistogramColour(int h) {
    switch (h % 9) {
    case 1:
        return QColor(255, 0, 0);
    case 2:
        return QColor(0, 128, 0);
    case 3:
        return QColor(255, 255, 0);
    case 4:
        return QColor(0, 255, 255);
    case 5:
        return QColor(255, 255, 255);
    case 6:
        return QColor(255, 0, 255);
    case 7:
        return QColor(0, 0, 128);
    case 8:
        return QColor(128, 0, 0);
    default:
        return {};
    }
}

QTableWidgetItem* Cell(const QString& text, Qt::Alignment alignment = Qt::AlignCenter) {
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(alignment | Qt::AlignVCenter);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

} // namespace

TParametersForm::TParametersForm(TWorkspace& work, QWidget* parent)
    : QWidget(parent, Qt::Window), work_(work) {
    setObjectName("ParametersForm");
    setWindowTitle("Parameters");
    auto* view = new QGroupBox("View");
    auto* choices = new QHBoxLayout(view);
    ParameterChoice = new QComboBox;
    HistogramChoice = new QComboBox;
    PhaseChoice = new QComboBox;
    for (QComboBox* list : {ParameterChoice, HistogramChoice, PhaseChoice}) {
        list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        choices->addWidget(list);
        connect(list, &QComboBox::activated, this, &TParametersForm::FillGrid);
    }
    Grid = new QTableWidget(0, ColumnCount);
    Grid->setHorizontalHeaderLabels({"H", "P", "Parameter", "", "Value", "Esd", ""});
    Grid->verticalHeader()->hide();
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    const int widths[ColumnCount] = {24, 24, 130, 0, 100, 80, 22};
    for (int c = 0; c < ColumnCount; ++c)
        Grid->setColumnWidth(c, widths[c]);
    Grid->setColumnHidden(ColType, true);
    Grid->horizontalHeader()->setStretchLastSection(true);
    Grid->setMinimumWidth(420);
    Grid->setWordWrap(false);
    Grid->verticalHeader()->setDefaultSectionSize(22);

    auto* bottom = new QHBoxLayout;
    auto* viewing = new QLabel("Currently Viewing Only");
    viewing->setStyleSheet("color: blue;");
    SourceLabel = new QLabel;
    SourceLabel->setObjectName("SourceLabel");
    auto* cancel = new QPushButton("Cancel");
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    bottom->addWidget(viewing);
    bottom->addWidget(SourceLabel, 1);
    bottom->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view);
    layout->addWidget(Grid, 1);
    layout->addLayout(bottom);
    resize(520, 560);

    connect(&work_, &TWorkspace::CycleCompleted, this, [this] {
        if (isVisible()) FillGrid();
    });
    for (auto signal : {&TWorkspace::ModelReplaced, &TWorkspace::ModelEdited})
        connect(&work_, signal, this, [this] {
            if (isVisible()) Fill();
        });
}

bool TParametersForm::EngineHasValues() {
    TRefine* driver = work_.DriverIfCreated();
    if (!driver || work_.Busy()) return false;
    const RefineState state = driver->State();
    return driver->Cycle() > 0 && (state == RefineState::Cycled || state == RefineState::Finished);
}

void TParametersForm::Fill() {
    const TRietveld& m = work_.Model();
    const int parameter = std::max(0, ParameterChoice->currentIndex());
    const int histogram = std::max(0, HistogramChoice->currentIndex());
    const int phase = std::max(0, PhaseChoice->currentIndex());
    ParameterChoice->clear();
    ParameterChoice->addItems({"All Parameters", "Peak Shape parameters only"});
    HistogramChoice->clear();
    HistogramChoice->addItem("All Histograms");
    for (int h = 1; h <= m.HistogramCount(); ++h)
        HistogramChoice->addItem("Histogram " + QString::number(h));
    PhaseChoice->clear();
    PhaseChoice->addItem("All Phases");
    for (int p = 1; p <= m.PhaseCount(); ++p)
        PhaseChoice->addItem("Phase " + QString::number(p));
    // A refill while the window is open keeps the user's choice where it still exists.
    ParameterChoice->setCurrentIndex(parameter);
    HistogramChoice->setCurrentIndex(histogram < HistogramChoice->count() ? histogram : 0);
    PhaseChoice->setCurrentIndex(phase < PhaseChoice->count() ? phase : 0);
    FillGrid();
}

void TParametersForm::FillGrid() {
    const TRietveld& m = work_.Model();
    const auto rows = ListParameters(m, ParameterChoice->currentIndex() == 1,
                                     std::max(0, HistogramChoice->currentIndex()),
                                     std::max(0, PhaseChoice->currentIndex()));
    const bool engine = EngineHasValues();
    TRefine* driver = engine ? work_.DriverIfCreated() : nullptr;
    SourceLabel->setText(engine ? "Values of cycle " + QString::number(driver->Cycle())
                                : QString());
    Grid->setUpdatesEnabled(false);
    Grid->setRowCount(std::max<int>(1, static_cast<int>(rows.size())));
    Grid->clearContents();
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const TAddress& a = rows[static_cast<size_t>(r)].Shown;
        const TAddress& coded = rows[static_cast<size_t>(r)].Coded;
        const bool refined = m.IsRefined(coded);
        float value = m.GetValue(a);
        float esd = 0;
        if (driver && refined) {
            value = driver->GetParValue(coded.Histogram, coded.Phase, coded.Atom, coded.Type);
            esd = driver->GetParEsd(coded.Histogram, coded.Phase, coded.Atom, coded.Type);
        }
        auto* h = Cell(QString::number(a.Histogram));
        if (const QColor colour = HistogramColour(a.Histogram); colour.isValid()) {
            h->setBackground(colour);
            // The number stays readable on the dark colours.
            h->setForeground(colour.lightness() < 100 ? Qt::white : Qt::black);
        }
        Grid->setItem(r, ColH, h);
        Grid->setItem(r, ColP, Cell(QString::number(a.Phase)));
        Grid->setItem(
            r, ColName,
            Cell(QString::fromStdString(ParameterTypeName(0, a.Phase, a.Type)), Qt::AlignLeft));
        if (a.Phase == 0)
            Grid->item(r, ColName)
                ->setText(QString::fromStdString(ParameterTypeName(a.Histogram, 0, a.Type)));
        Grid->setItem(r, ColType, Cell(QString::number(a.Type)));
        Grid->setItem(r, ColValue,
                      Cell(QString::fromStdString(GeneralText(value, 6)), Qt::AlignRight));
        Grid->setItem(
            r, ColEsd,
            Cell(driver && refined ? QString::fromStdString(GeneralText(esd, 3)) : QString(),
                 Qt::AlignRight));
        auto* tick = Cell(QString());
        tick->setCheckState(refined ? Qt::Checked : Qt::Unchecked);
        Grid->setItem(r, ColRefined, tick);
    }
    Grid->setUpdatesEnabled(true);
}

void TParametersForm::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        ParameterChoice->clear();
        HistogramChoice->clear();
        PhaseChoice->clear();
        Fill();
    }
    QWidget::showEvent(event);
}

void TParametersForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace koralix
