#include "ConstraintForm.h"

#include "Messenger.h"
#include "Model.h"
#include "NumberFormat.h"
#include "TextHelpers.h"

#include <QCloseEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace koralix {

namespace {

constexpr int AddressRole = Qt::UserRole;
const char* DragFormat = "application/x-koralix-parameter";

QVariant Pack(const TParameter& p) {
    return QVariantList{p.Histogram, p.Phase, p.Atom, p.ParamType};
}

TParameter Unpack(const QVariant& v) {
    const QVariantList l = v.toList();
    if (l.size() != 4) return {};
    return TParameter(TAddress{l[0].toInt(), l[1].toInt(), l[2].toInt(), l[3].toInt()}, 1);
}

// A list whose items can be dragged onto the grids.
class ParameterList : public QListWidget {
  public:
    explicit ParameterList(QWidget* parent) : QListWidget(parent) {
        setDragEnabled(true);
        setDragDropMode(QAbstractItemView::DragOnly);
        setToolTip("Drag and drop the variable to the boxes below");
    }

  protected:
    void startDrag(Qt::DropActions) override {
        if (!currentItem()) return;
        auto* drag = new QDrag(this);
        auto* mime = new QMimeData;
        mime->setData(DragFormat, objectName().toUtf8());
        drag->setMimeData(mime);
        drag->exec(Qt::CopyAction);
    }
};

QTableWidget* Grid(QWidget* parent, const QStringList& headers) {
    auto* grid = new QTableWidget(0, int(headers.size()), parent);
    grid->setHorizontalHeaderLabels(headers);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->verticalHeader()->setDefaultSectionSize(22);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid->setAcceptDrops(true);
    grid->viewport()->setAcceptDrops(true);
    grid->setDragDropMode(QAbstractItemView::DropOnly);
    grid->setToolTip("Drag and drop the variables above to this box");
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    return grid;
}

} // namespace

TConstraintForm::TConstraintForm(TRietveld& model, Messenger& messenger, QWidget* parent)
    : QWidget(parent, Qt::Window), model_(model), messenger_(messenger) {
    setObjectName("ConstraintForm");
    setWindowTitle("Constraints");
    auto* lists = new QHBoxLayout;
    auto addList = [&](QListWidget*& list, const QString& name, const QString& label) {
        list = new ParameterList(this);
        list->setObjectName(name);
        auto* column = new QVBoxLayout;
        column->addWidget(new QLabel(label, this));
        column->addWidget(list);
        lists->addLayout(column);
    };
    addList(ListBoxGlobal, "ListBoxGlobal", "Global:");
    addList(ListBoxPhase, "ListBoxPhase", "Phase:");
    addList(ListBoxSample, "ListBoxSample", "Sample:");

    StringGrid1 = Grid(this, {"Parameter"});
    StringGrid1->setObjectName("StringGrid1");
    StringGrid2 = Grid(this, {"Parameter", "/Value"});
    StringGrid2->setObjectName("StringGrid2");
    StringGrid2->horizontalHeader()->setStretchLastSection(false);
    StringGrid2->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    StringGrid2->setColumnWidth(1, 80);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (QTableWidget* grid : {StringGrid1, StringGrid2}) grid->viewport()->installEventFilter(this);
    auto* group = new QGroupBox("Linear Constraints", this);
    auto* grids = new QHBoxLayout(group);
    grids->addWidget(StringGrid1, 1);
    grids->addWidget(new QLabel("=", this));
    grids->addWidget(StringGrid2, 1);

    QMenu* menu = new QMenu(this);
    QAction* remove = menu->addAction("Delete Constraint", this, &TConstraintForm::DeleteConstraints);
    for (QTableWidget* grid : {StringGrid1, StringGrid2})
        connect(grid, &QWidget::customContextMenuRequested, this, [this, grid, menu, remove](QPoint at) {
            remove->setEnabled(StringGrid1->rowCount() > 0 &&
                               StringGrid1->rowCount() == StringGrid2->rowCount());
            menu->popup(grid->viewport()->mapToGlobal(at));
        });
    // Clicking a row selects the same rows in the other grid.
    connect(StringGrid1, &QTableWidget::itemSelectionChanged, this, [this] {
        QSignalBlocker block(StringGrid2);
        StringGrid2->clearSelection();
        for (const QModelIndex& i : StringGrid1->selectionModel()->selectedRows())
            if (i.row() < StringGrid2->rowCount()) StringGrid2->selectRow(i.row());
    });
    connect(StringGrid2, &QTableWidget::cellClicked, this, [this](int row, int) {
        if (row < StringGrid1->rowCount()) StringGrid1->selectRow(row);
    });
    connect(StringGrid2, &QTableWidget::cellChanged, this, [this](int, int column) {
        if (column == 1) Edited();
    });

    Labelvar = new QLabel(this);
    Labelcon = new QLabel(this);
    auto* ok = new QPushButton("OK", this);
    auto* cancel = new QPushButton("Cancel", this);
    auto* help = new QPushButton("Help", this);
    connect(ok, &QPushButton::clicked, this, [this] {
        if (!SaveChanges()) return;
        closingAfterOk_ = true;
        close();
    });
    connect(cancel, &QPushButton::clicked, this, [this] {
        PageChanged = false;
        close();
    });
    help->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Labelvar);
    buttons->addWidget(Labelcon);
    buttons->addStretch();
    for (QPushButton* b : {ok, cancel, help}) buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists, 2);
    layout->addWidget(group, 3);
    layout->addLayout(buttons);
    resize(820, 560);
}

void TConstraintForm::showEvent(QShowEvent* event) {
    UpdateForm();
    QWidget::showEvent(event);
}

void TConstraintForm::closeEvent(QCloseEvent* event) {
    if (PageChanged && !closingAfterOk_) {
        switch (messenger_.Ask("Keep Changes?")) {
        case Answer::Cancel: event->ignore(); return;
        case Answer::Yes:
            if (!SaveChanges()) {
                event->ignore();
                return;
            }
            break;
        case Answer::No: break;
        }
    }
    const bool kept = closingAfterOk_;
    closingAfterOk_ = false;
    PageChanged = false;
    masters_.clear();
    dependents_.clear();
    event->accept();
    emit Closed(kept);
}

void TConstraintForm::Edited() {
    PageChanged = true;
    if (OnEdited) OnEdited();
}

void TConstraintForm::AddItem(const TParameter& p) {
    QListWidget* list = nullptr;
    switch (p.Kind) {
    case KindHistogram:
    case KindScatter: list = ListBoxGlobal; break;
    case KindPhase:
    case KindAtom: list = ListBoxPhase; break;
    case KindSample: list = ListBoxSample; break;
    default: return;
    }
    auto* item = new QListWidgetItem(QString::fromStdString(model_.LabelOf(p)), list);
    item->setData(AddressRole, Pack(p));
    refined_.push_back(p);
}

void TConstraintForm::AppendRow(QTableWidget* grid, const QStringList& cells, const TParameter& p) {
    QSignalBlocker block(grid);
    const int row = grid->rowCount();
    grid->insertRow(row);
    for (int c = 0; c < cells.size(); ++c) {
        auto* item = new QTableWidgetItem(cells[c]);
        if (c == 0) {
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            item->setData(AddressRole, Pack(p));
        }
        grid->setItem(row, c, item);
    }
}

void TConstraintForm::UpdateForm() {
    for (QListWidget* list : {ListBoxGlobal, ListBoxPhase, ListBoxSample}) list->clear();
    for (QTableWidget* grid : {StringGrid1, StringGrid2}) grid->setRowCount(0);
    refined_.clear();
    masters_.clear();
    dependents_.clear();
    const TParameterList& list = model_.Parameters;
    for (const TParameter& p : list.Free) AddItem(p);
    for (const TConstraint& c : list.Constraints) AddItem(c.Dependent);
    for (const TConstraint& c : list.Constraints) {
        AppendRow(StringGrid1, {QString::fromStdString(model_.LabelOf(c.Master))}, c.Master);
        AppendRow(StringGrid2,
                  {QString::fromStdString(model_.LabelOf(c.Dependent)),
                   QString::fromStdString(GeneralText(c.Dependent.Multiplier, 7))},
                  c.Dependent);
    }
    SetMultiSelection(false);
    Labelvar->setText("Total Number of Variables: " + QString::number(list.FreeCount()));
    Labelcon->setText("Total number of constraints: " + QString::number(list.ConstraintCount()));
    PageChanged = false;
}

void TConstraintForm::SetMultiSelection(bool on) {
    for (QListWidget* list : {ListBoxGlobal, ListBoxPhase, ListBoxSample})
        list->setSelectionMode(on ? QAbstractItemView::ExtendedSelection
                                  : QAbstractItemView::SingleSelection);
}

int TConstraintForm::RowCount() const {
    return StringGrid1->rowCount();
}

bool TConstraintForm::CanDropOnMasters() const {
    return StringGrid1->rowCount() == StringGrid2->rowCount();
}

bool TConstraintForm::CanDropOnDependents() const {
    return StringGrid1->rowCount() == StringGrid2->rowCount() + 1;
}

bool TConstraintForm::DropOnMasters(QListWidget* list, int row) {
    QListWidgetItem* item = list ? list->item(row) : nullptr;
    if (!item || !CanDropOnMasters()) return false;
    AppendRow(StringGrid1, {item->text()}, Unpack(item->data(AddressRole)));
    SetMultiSelection(true);
    Edited();
    return true;
}

bool TConstraintForm::DropOnDependents(QListWidget* list) {
    if (!list || !CanDropOnDependents()) return false;
    std::vector<QListWidgetItem*> chosen;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected()) chosen.push_back(list->item(i));
    if (chosen.empty() && list->currentItem()) chosen.push_back(list->currentItem());
    if (chosen.empty()) return false;
    for (QListWidgetItem* item : chosen) {
        AppendRow(StringGrid2, {item->text(), "1.0"}, Unpack(item->data(AddressRole)));
        if (StringGrid1->rowCount() < StringGrid2->rowCount()) {
            const int last = StringGrid1->rowCount() - 1;
            AppendRow(StringGrid1, {StringGrid1->item(last, 0)->text()},
                      Unpack(StringGrid1->item(last, 0)->data(AddressRole)));
        }
    }
    for (QListWidgetItem* item : chosen) delete item;
    SetMultiSelection(false);
    Edited();
    return true;
}

void TConstraintForm::DeleteConstraints() {
    if (StringGrid1->rowCount() == 0 || StringGrid1->rowCount() != StringGrid2->rowCount()) return;
    QList<int> rows;
    for (const QModelIndex& i : StringGrid1->selectionModel()->selectedRows()) rows << i.row();
    if (rows.isEmpty() && StringGrid1->currentRow() >= 0) rows << StringGrid1->currentRow();
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int row : rows) {
        StringGrid1->removeRow(row);
        StringGrid2->removeRow(row);
    }
    if (!rows.isEmpty()) Edited();
}

std::vector<TConstraintRow> TConstraintForm::Rows() const {
    std::vector<TConstraintRow> rows;
    const int n = std::min(StringGrid1->rowCount(), StringGrid2->rowCount());
    for (int r = 0; r < n; ++r) {
        const QTableWidgetItem* ratio = StringGrid2->item(r, 1);
        rows.push_back({Unpack(StringGrid1->item(r, 0)->data(AddressRole)),
                        Unpack(StringGrid2->item(r, 0)->data(AddressRole)),
                        TextToReal(ratio ? ratio->text().toStdString() : std::string())});
    }
    return rows;
}

std::vector<TParameter> TConstraintForm::Listed() const {
    std::vector<TParameter> listed;
    for (QListWidget* list : {ListBoxGlobal, ListBoxPhase, ListBoxSample})
        for (int i = 0; i < list->count(); ++i) listed.push_back(Unpack(list->item(i)->data(AddressRole)));
    return listed;
}

bool TConstraintForm::SaveChanges() {
    const std::vector<TConstraintRow> rows = Rows();
    const std::vector<std::string> faults = CheckConstraintRows(model_, rows, refined_);
    if (!faults.empty()) {
        std::string text = "These constraints cannot be used:";
        for (const std::string& f : faults) text += "\n" + f;
        messenger_.Message(text);
        return false;
    }
    RebuildParameterList(model_.Parameters, rows, Listed());
    PageChanged = false;
    if (OnEdited) OnEdited();
    return true;
}

bool TConstraintForm::eventFilter(QObject* watched, QEvent* event) {
    const bool masters = watched == StringGrid1->viewport();
    if (!masters && watched != StringGrid2->viewport()) return QWidget::eventFilter(watched, event);
    auto sourceOf = [this](const QMimeData* mime) -> QListWidget* {
        if (!mime->hasFormat(DragFormat)) return nullptr;
        const QString name = QString::fromUtf8(mime->data(DragFormat));
        for (QListWidget* list : {ListBoxGlobal, ListBoxPhase, ListBoxSample})
            if (list->objectName() == name) return list;
        return nullptr;
    };
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto* e = static_cast<QDropEvent*>(event);
        const bool allowed = sourceOf(e->mimeData()) &&
                             (masters ? CanDropOnMasters() : CanDropOnDependents());
        if (allowed)
            e->acceptProposedAction();
        else
            e->ignore();
        return true;
    }
    if (event->type() == QEvent::Drop) {
        auto* e = static_cast<QDropEvent*>(event);
        QListWidget* list = sourceOf(e->mimeData());
        const bool done = masters ? DropOnMasters(list, list ? list->currentRow() : -1)
                                  : DropOnDependents(list);
        if (done) e->acceptProposedAction();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace koralix
