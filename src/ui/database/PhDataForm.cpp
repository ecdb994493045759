#include "PhDataForm.h"

#include "Messenger.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QSqlError>
#include <QSqlRecord>
#include <QSqlTableModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

namespace koralix {

namespace {

// Numbers with at most `decimals` decimals, trailing zeros dropped, as the
// "##0.#####" display formats show them.
class NumberDelegate : public QStyledItemDelegate {
  public:
    NumberDelegate(int decimals, QObject* parent) : QStyledItemDelegate(parent), decimals_(decimals) {}
    QString displayText(const QVariant& value, const QLocale&) const override {
        bool ok = false;
        const double v = value.toDouble(&ok);
        if (value.isNull() || !ok) return value.toString();
        QString text = QString::number(v, 'f', decimals_);
        if (text.contains('.')) {
            while (text.endsWith('0')) text.chop(1);
            if (text.endsWith('.')) text.chop(1);
        }
        return text;
    }

  private:
    int decimals_;
};

QTableView* View(QWidget* parent) {
    auto* view = new QTableView(parent);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->verticalHeader()->setDefaultSectionSize(22);
    view->horizontalHeader()->setStretchLastSection(true);
    return view;
}

void Format(QTableView* view, QSqlTableModel* model, const QString& column, int decimals,
            const QString& header = {}) {
    const int c = model->fieldIndex(column);
    if (c < 0) return;
    if (decimals >= 0) view->setItemDelegateForColumn(c, new NumberDelegate(decimals, view));
    if (!header.isEmpty()) model->setHeaderData(c, Qt::Horizontal, header);
}

} // namespace

TPhDataForm::TPhDataForm(TPhaseDatabase& database, Messenger& messenger, QWidget* parent)
    : QDialog(parent), database_(database), messenger_(messenger) {
    setObjectName("PhDataForm");
    setWindowTitle("Phase Database");
    Phases = new QSqlTableModel(this, database_.Connection());
    Phases->setEditStrategy(QSqlTableModel::OnFieldChange);
    Atoms = new QSqlTableModel(this, database_.Connection());
    Atoms->setEditStrategy(QSqlTableModel::OnFieldChange);
    PhaseGrid = View(this);
    PhaseGrid->setObjectName("PhaseGrid");
    AtomGrid = View(this);
    AtomGrid->setObjectName("AtomGrid");
    PhaseGrid->setModel(Phases);
    AtomGrid->setModel(Atoms);

    auto* ok = new QPushButton("OK", this);
    auto* search = new QPushButton("Search", this);
    auto* cancel = new QPushButton("Cancel", this);
    auto* help = new QPushButton("Help", this);
    auto* remove = new QPushButton("Delete", this);
    help->setEnabled(false);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] {
        SelectedNumber = CurrentNumber();
        if (SelectedNumber > 0) accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(search, &QPushButton::clicked, this, [this] {
        bool ok = false;
        const QString text =
            QInputDialog::getText(this, "Search", "Phase name contains:", QLineEdit::Normal, {}, &ok);
        if (ok && !text.trimmed().isEmpty() && !Find(text.trimmed()))
            messenger_.Message("No stored phase is named like \"" + text.trimmed().toStdString() + "\".");
    });
    connect(remove, &QPushButton::clicked, this, &TPhDataForm::DeleteCurrent);
    connect(PhaseGrid, &QTableView::doubleClicked, ok, &QPushButton::click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {ok, search, cancel, help, remove}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Phases:", this));
    layout->addWidget(PhaseGrid, 3);
    layout->addWidget(new QLabel("Atoms of the selected phase:", this));
    layout->addWidget(AtomGrid, 2);
    layout->addLayout(buttons);
    resize(900, 560);
    Requery();
}

void TPhDataForm::Requery() {
    Phases->setTable(database_.PhasesTableName());
    Phases->setSort(Phases->fieldIndex("PhaseName"), Qt::AscendingOrder);
    Phases->select();
    PhaseGrid->setColumnHidden(Phases->fieldIndex("PhaseNumber"), true);
    Format(PhaseGrid, Phases, "A", 5, "a");
    Format(PhaseGrid, Phases, "B", 5, "b");
    Format(PhaseGrid, Phases, "C", 5, "c");
    Format(PhaseGrid, Phases, "Alpha", 4, QString::fromUtf8("\u03b1"));
    Format(PhaseGrid, Phases, "Beta", 4, QString::fromUtf8("\u03b2"));
    Format(PhaseGrid, Phases, "Gamma", 4, QString::fromUtf8("\u03b3"));
    PhaseGrid->setColumnWidth(Phases->fieldIndex("PhaseName"), 200);
    Atoms->setTable(database_.AtomsTableName());
    AtomGrid->setColumnHidden(Atoms->fieldIndex("PhaseNumber"), true);
    for (const char* c : {"x", "y", "z", "Occupation"}) Format(AtomGrid, Atoms, c, 5);
    Format(AtomGrid, Atoms, "Biso", 4);
    connect(PhaseGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TPhDataForm::ShowAtoms, Qt::UniqueConnection);
    if (Phases->rowCount() > 0) PhaseGrid->selectRow(0);
    PhaseGrid->resizeColumnsToContents();
    PhaseGrid->setColumnWidth(Phases->fieldIndex("PhaseName"), 220);
    ShowAtoms();
}

int TPhDataForm::CurrentNumber() const {
    const QModelIndex current = PhaseGrid->currentIndex();
    if (!current.isValid()) return 0;
    return Phases->record(current.row()).value("PhaseNumber").toInt();
}

void TPhDataForm::ShowAtoms() {
    Atoms->setFilter("PhaseNumber = " + QString::number(CurrentNumber()));
    Atoms->select();
    // A reset of the model shows every column again.
    AtomGrid->setColumnHidden(Atoms->fieldIndex("PhaseNumber"), true);
    AtomGrid->resizeColumnsToContents();
}

bool TPhDataForm::Find(const QString& text) {
    for (int r = 0; r < Phases->rowCount(); ++r) {
        if (Phases->record(r).value("PhaseName").toString().contains(text, Qt::CaseInsensitive)) {
            PhaseGrid->selectRow(r);
            return true;
        }
    }
    return false;
}

void TPhDataForm::DeleteCurrent() {
    const int number = CurrentNumber();
    if (number <= 0) return;
    const QString name = Phases->record(PhaseGrid->currentIndex().row()).value("PhaseName").toString();
    if (messenger_.Ask("Are you sure you want to delete " + name.toStdString() + "?") != Answer::Yes)
        return;
    QString error;
    if (!database_.DeletePhase(number, error)) messenger_.Message(error.toStdString());
    Requery();
}

bool SelectPhaseFromDatabase(const QString& phasesPath, const QString& atomsPath, TPhase& phase,
                             Messenger& messenger, QWidget* parent, const TDialogRunner& run) {
    TPhaseDatabase database(phasesPath, atomsPath);
    QString error;
    if (!database.Open(false, error)) {
        messenger.Message(error.toStdString());
        return false;
    }
    int number = 0;
    {
        TPhDataForm form(database, messenger, parent);
        const int result = run ? run(form) : form.exec();
        if (result != QDialog::Accepted) return false;
        number = form.SelectedNumber;
    }
    if (!database.ReadPhase(number, phase, error)) {
        messenger.Message(error.toStdString());
        return false;
    }
    return true;
}

int AddPhaseToDatabase(const QString& phasesPath, const QString& atomsPath, const TDbPhase& phase,
                       const std::vector<TDbAtom>& atoms, Messenger& messenger) {
    TPhaseDatabase database(phasesPath, atomsPath);
    QString error;
    std::optional<int> number;
    if (database.Open(true, error)) number = database.AddPhase(phase, atoms, error);
    if (!number) {
        messenger.Message(error.toStdString());
        return 0;
    }
    return *number;
}

} // namespace koralix
