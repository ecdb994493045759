#include "FormWatch.h"

#include "FormPosSaver.h"
#include "Refine.h"
#include "Workspace.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace koralix {

namespace {

constexpr int kRowHeight = 21;

float Number(const QString& text) {
    bool ok = false;
    const float v = text.trimmed().toFloat(&ok);
    return ok ? v : 0.0f;
}

QString General5(float v) {
    return QString::number(static_cast<double>(v), 'g', 5);
}

} // namespace

QColor WatchColour(const QString& value, const QString& error, const QString& previous) {
    const float v = Number(value), e = Number(error), p = Number(previous);
    if (e > std::fabs(v)) return Qt::blue;
    if (std::fabs(p - v) > e) return Qt::red;
    return Qt::black;
}

TFormWatch::TFormWatch(TWorkspace& work, QWidget* parent) : QWidget(parent, Qt::Tool), work_(work) {
    setWindowTitle("Watch");
    setObjectName("FormWatch");
    auto* layout = new QVBoxLayout(this);
    Grid = new QTableWidget(1, 5, this);
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->verticalHeader()->hide();
    Grid->horizontalHeader()->hide();
    Grid->verticalHeader()->setDefaultSectionSize(kRowHeight);
    Grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(Grid);
    auto* legend = new QGroupBox("Code", this);
    auto* legendLayout = new QVBoxLayout(legend);
    const std::pair<const char*, const char*> lines[] = {
        {"Stable parameter", "black"},
        {"Error is larger than parameter value", "blue"},
        {"Shift in parameter was larger than the error", "red"}};
    for (const auto& [text, colour] : lines) {
        auto* label = new QLabel(text, legend);
        label->setStyleSheet(QString("color: %1").arg(colour));
        legendLayout->addWidget(label);
    }
    Legend = legend;
    layout->addWidget(legend);
    resize(277, 449);
    new TFormPosSaver(this, work.Store(), "Software\\Koralix\\Configuration\\WatchForm");
    connect(&work, &TWorkspace::CycleCompleted, this, &TFormWatch::CycleCompleted);
}

void TFormWatch::Follow(const QObject* requester, bool on) {
    if (!on) {
        followers_.remove(requester);
        return;
    }
    if (followers_.contains(requester)) return;
    followers_.insert(requester);
    connect(requester, &QObject::destroyed, this,
            [this, requester] { followers_.remove(requester); });
}

void TFormWatch::CycleCompleted() {
    if (followers_.isEmpty() && !isVisible()) return;
    if (TRefine* driver = work_.DriverIfCreated()) Fill(*driver, work_.Model());
}

void TFormWatch::SetRowCount(int rows) {
    Grid->setRowCount(std::max(rows, 1));
}

QString TFormWatch::Cell(int row, int column) const {
    const QTableWidgetItem* item = Grid->item(row, column);
    return item ? item->text() : QString();
}

void TFormWatch::SetCell(int row, int column, const QString& text) {
    QTableWidgetItem* item = Grid->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        Grid->setItem(row, column, item);
    }
    item->setText(text);
    if (row > 0 && column >= 1) Recolour(row);
}

void TFormWatch::Recolour(int row) {
    if (QTableWidgetItem* value = Grid->item(row, 1))
        value->setForeground(WatchColour(Cell(row, 1), Cell(row, 2), Cell(row, 4)));
}

void TFormWatch::Fill(TRefine& driver, const TRietveld& model) {
    const int count = model.Parameters.FreeCount();
    SetRowCount(count + 1);
    for (int i = 1; i <= count; ++i) {
        const TAddress a = model.Parameters.Free[static_cast<size_t>(i - 1)].Address();
        SetCell(i, 0, QString::fromStdString(model.ParameterLabel(i)));
        SetCell(i, 4, Cell(i, 1));
        SetCell(i, 2, General5(driver.GetParEsd(a.Histogram, a.Phase, a.Atom, a.Type)));
        SetCell(i, 1, General5(driver.GetParValue(a.Histogram, a.Phase, a.Atom, a.Type)));
    }
    FitWidth();
    show();
}

// Columns as wide as their longest text but never narrower than 125, 75 and
// 75 pixels, and the window just wider than the grid: an error such as
// "0.00012345" must not be cut off.
void TFormWatch::FitWidth() {
    const int minimum[] = {125, 75, 75};
    int columns = 0;
    for (int c = 0; c < 3; ++c) {
        Grid->resizeColumnToContents(c);
        Grid->setColumnWidth(c, std::max(Grid->columnWidth(c), minimum[c]));
        columns += Grid->columnWidth(c);
    }
    const QMargins margins = layout()->contentsMargins();
    const int grid =
        columns + Grid->verticalScrollBar()->sizeHint().width() + 2 * Grid->frameWidth();
    setFixedWidth(std::max(310, grid + margins.left() + margins.right() + 3));
}

void TFormWatch::showEvent(QShowEvent* event) {
    for (int c = 3; c < 5; ++c)
        Grid->setColumnHidden(c, true);
    SetCell(0, 0, "Parameter");
    SetCell(0, 1, "Value");
    SetCell(0, 2, "Error");
    for (int c = 0; c < 3; ++c) {
        QFont bold = Grid->item(0, c)->font();
        bold.setBold(true);
        Grid->item(0, c)->setFont(bold);
        Grid->item(0, c)->setBackground(palette().button());
    }
    FitWidth();
    const int legendHeight = Legend->sizeHint().height();
    setMinimumHeight(legendHeight + 40);
    setMaximumHeight((Grid->rowCount() + 1) * kRowHeight + legendHeight + 40);
    QWidget::showEvent(event);
}

} // namespace koralix
