#include "PhaseForm.h"

#include "CellDragLink.h"
#include "CellRules.h"
#include "CifPhase.h"
#include "EditorFields.h"
#include "FileChooser.h"
#include "FormTrans.h"
#include "InputFile.h"
#include "ModelEdits.h"
#include "NameTables.h"
#include "SpaceGroupTable.h"
#include "TextHelpers.h"
#include "Workspace.h"

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

namespace koralix {

namespace {

constexpr int MaxPhases = 8;
constexpr int AtomColumns = 26;
constexpr int OriginRole = Qt::UserRole + 1;
const char* const ValueHeaders[11] = {"x",   "y",   "z",   "B",   "n",  "B11",
                                      "B22", "B33", "B12", "B13", "B23"};

float TAtom::*const AtomValues[11] = {&TAtom::X,   &TAtom::Y,   &TAtom::Z,   &TAtom::B,
                                      &TAtom::N,   &TAtom::B11, &TAtom::B22, &TAtom::B33,
                                      &TAtom::B12, &TAtom::B13, &TAtom::B23};

// Phase parameter types of the eight page tick boxes.
constexpr int TypeScale = 1, TypeOverallB = 2, TypeA = 6;

QString AtomValueText(float value) {
    return FixedField(value, 5, 7);
}

QString Trimmed4(const QString& text) {
    return QString::fromStdString(Pad4Upper(text.toStdString()));
}

// The Type column is chosen from the atom-type names, or typed.
class AtomTypeDelegate : public QStyledItemDelegate {
  public:
    AtomTypeDelegate(const QStringList& names, QObject* parent)
        : QStyledItemDelegate(parent), names_(names) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex&) const override {
        auto* list = new QComboBox(parent);
        list->setEditable(true);
        list->addItems(names_);
        return list;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        static_cast<QComboBox*>(editor)->setCurrentText(index.data().toString().trimmed());
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        model->setData(index, static_cast<QComboBox*>(editor)->currentText().left(4));
    }

  private:
    const QStringList& names_;
};

} // namespace

TPhaseForm::TPhaseForm(TWorkspace& work, FileChooser& files, QWidget* parent)
    : TModelEditor(work, "Phases", parent), files_(files) {
    setObjectName("PhaseForm");
    AskText = [this](const QString& title, const QString& prompt, const QString& value) {
        bool ok = false;
        const QString answer =
            QInputDialog::getText(this, title, prompt, QLineEdit::Normal, value, &ok);
        return ok ? answer : QString();
    };
    RunTransformation = [this] {
        TFormTrans dialog(Work().Transformation(), this);
        return dialog.exec() == QDialog::Accepted;
    };
    BuildPage();
    BuildMenus();
    WatchEdits(this);
    UseTabs(PhaseTabs);
    resize(1180, 560);
}

void TPhaseForm::BuildPage() {
    PhaseTabs = new QTabBar;
    PhaseTabs->setObjectName("PhaseTabs");
    PhaseTabs->setToolTip("Right mouse click to add/delete phases");
    PhaseTabs->setExpanding(false);
    PhaseTitleEdit = new QLineEdit;
    PhaseTitleEdit->setObjectName("PhaseTitleEdit");
    cbCalcMethod = new QComboBox;
    cbCalcMethod->setObjectName("cbCalcMethod");
    cbCalcMethod->addItems({"Normal", "Le Bail"});
    SpaceGroupEdit = new QComboBox;
    SpaceGroupEdit->setObjectName("SpaceGroupEdit");
    SpaceGroupEdit->setEditable(true);
    SpaceGroupEdit->setInsertPolicy(QComboBox::NoInsert);
    SpaceGroupEdit->setMinimumWidth(140);
    for (int n = 1; n <= 230; ++n)
        SpaceGroupEdit->addItem(QString::fromStdString(SpaceGroupSymbol(n)));
    SGLabel = new QLabel;
    SGLabel->setObjectName("SGLabel");
    lbMult = new QLabel;
    lbMult->setObjectName("lbMult");
    ZEdit = NumberEdit("Z:", 0, 1000);
    const char* cellNames[6] = {"a:", "b:", "c:", "\u03B1:", "\u03B2:", "\u03B3:"};
    for (int i = 0; i < 6; ++i) {
        const bool length = i < 3;
        CellEdit[i] = NumberEdit(QString::fromUtf8(cellNames[i]), length ? 0.01 : 1.0,
                                 length ? 1000.0 : 179.0);
        CellCheckBox[i] = FlagBox([this, i] { return TAddress{0, shown_, 0, TypeA + i}; });
    }
    PhaseScaleEdit = NumberEdit("Phase Scale:", 0, 1e30);
    PhaseScaleCheckBox = FlagBox([this] { return TAddress{0, shown_, 0, TypeScale}; });
    IsoThermalEdit = NumberEdit("Overall Thermal:", -100, 100);
    IsoThermalCheckBox = FlagBox([this] { return TAddress{0, shown_, 0, TypeOverallB}; });
    cbRecycle = new QCheckBox("Recycle");
    cbRecycle->setObjectName("cbRecycle");

    auto* head = new QGridLayout;
    head->addWidget(new QLabel("Title:"), 0, 0);
    head->addWidget(PhaseTitleEdit, 0, 1, 1, 5);
    head->addWidget(new QLabel("Calculation Method:"), 1, 0);
    head->addWidget(cbCalcMethod, 1, 1);
    head->addWidget(cbRecycle, 1, 2);
    head->addWidget(new QLabel("Space Group:"), 2, 0);
    head->addWidget(SpaceGroupEdit, 2, 1);
    head->addWidget(new QLabel("Lattice:"), 2, 2);
    head->addWidget(SGLabel, 2, 3);
    head->addWidget(new QLabel("Gen Mult:"), 2, 4);
    head->addWidget(lbMult, 2, 5);
    head->addWidget(new QLabel("Z:"), 3, 0);
    head->addWidget(ZEdit, 3, 1);
    head->addWidget(new QLabel("Phase Scale:"), 3, 2);
    auto* scale = new QHBoxLayout;
    scale->addWidget(PhaseScaleEdit);
    scale->addWidget(PhaseScaleCheckBox);
    head->addLayout(scale, 3, 3);
    head->addWidget(new QLabel("Overall Thermal:"), 3, 4);
    auto* thermal = new QHBoxLayout;
    thermal->addWidget(IsoThermalEdit);
    thermal->addWidget(IsoThermalCheckBox);
    head->addLayout(thermal, 3, 5);
    for (int i = 0; i < 6; ++i) {
        const int row = 4 + i / 3;
        const int column = (i % 3) * 2;
        head->addWidget(new QLabel(CellEdit[i]->accessibleName()), row, column);
        auto* cell = new QHBoxLayout;
        cell->addWidget(CellEdit[i]);
        cell->addWidget(CellCheckBox[i]);
        head->addLayout(cell, row, column + 1);
    }

    AtomGrid = new QTableWidget(0, AtomColumns);
    AtomGrid->setObjectName("AtomGrid");
    QStringList headers = {"#", "Mult", "Name", "Type"};
    for (const char* h : ValueHeaders)
        headers << h << "";
    AtomGrid->setHorizontalHeaderLabels(headers);
    AtomGrid->verticalHeader()->hide();
    AtomGrid->setColumnWidth(ColNumber, 30);
    AtomGrid->setColumnWidth(ColMult, 40);
    AtomGrid->setColumnWidth(ColName, 50);
    AtomGrid->setColumnWidth(ColType, 60);
    for (int k = 1; k <= 11; ++k) {
        AtomGrid->setColumnWidth(ValueColumn(k), 68);
        AtomGrid->setColumnWidth(ValueColumn(k) + 1, 20);
    }
    AtomGrid->setItemDelegateForColumn(ColType, new AtomTypeDelegate(atomTypes_, this));
    AtomGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(AtomGrid, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (IsFilling()) return;
        const int c = item->column();
        if (c == ValueColumn(1) || c == ValueColumn(2) || c == ValueColumn(3))
            UpdateMultOfRow(item->row());
        if (c >= ValueColumn(1) && c % 2 == 0) {
            const bool good = ReadTypedNumber(item->text()).has_value();
            Filling quiet(*this);
            item->setBackground(good ? QBrush() : QBrush(QColor(255, 208, 208)));
        }
    });

    new TCellDragLink(
        AtomGrid, [this](int row, int column) { return CanLinkCell(row, column); },
        [this](int fromRow, int fromColumn, int toRow, int toColumn) {
            LinkCells(fromRow, fromColumn, toRow, toColumn);
        });

    connect(SpaceGroupEdit, &QComboBox::currentTextChanged, this, [this] {
        if (!IsFilling()) UpdateSpaceGroup();
    });
    connect(SpaceGroupEdit->lineEdit(), &QLineEdit::textEdited, this, &TModelEditor::DirtyPage);
    connect(SpaceGroupEdit->lineEdit(), &QLineEdit::returnPressed, this, [this] {
        bool number = false;
        const int n = SpaceGroupEdit->currentText().trimmed().toInt(&number);
        if (number && n >= 1 && n <= 230)
            SpaceGroupEdit->setEditText(QString::fromStdString(SpaceGroupSymbol(n)));
        UpdateSpaceGroup();
    });
    // Tied cell constants follow the one they copy as it is typed.
    for (int source : {0, 3})
        connect(CellEdit[source], &QLineEdit::textEdited, this,
                [this] { SetLattice(ShownSystem()); });
    connect(cbCalcMethod, &QComboBox::activated, this, [this](int method) {
        AtomGrid->setEnabled(method == 0);
        cbRecycle->setVisible(method == 1);
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PhaseTabs);
    layout->addLayout(head);
    layout->addWidget(AtomGrid, 1);
    layout->addWidget(ButtonRow("refinement"));
}

void TPhaseForm::BuildMenus() {
    PhaseMenu = new QMenu(this);
    auto phaseItem = [this](const QString& caption, void (TPhaseForm::*slot)()) {
        QAction* a = PhaseMenu->addAction(caption);
        a->setObjectName(caption);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    QAction* newPhase = phaseItem("New", &TPhaseForm::NewPhase);
    QAction* clear = phaseItem("Clear", &TPhaseForm::ClearPage);
    QAction* deletePhase = phaseItem("Delete", &TPhaseForm::DeletePhase);
    PhaseMenu->addSeparator();
    QAction* fromInput =
        phaseItem("Read Phase from Input file", &TPhaseForm::ReadPhaseFromInputFile);
    QAction* fromCif = phaseItem("Read Phase from CIF File", &TPhaseForm::ReadPhaseFromCif);
    Q_UNUSED(clear);
    connect(PhaseMenu, &QMenu::aboutToShow, this, [=, this] {
        const bool room = Model().PhaseCount() < MaxPhases;
        newPhase->setEnabled(room);
        fromInput->setEnabled(room);
        fromCif->setEnabled(room);
        deletePhase->setEnabled(Model().PhaseCount() > 1);
    });
    PhaseTabs->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(PhaseTabs, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PhaseMenu->popup(PhaseTabs->mapToGlobal(at)); });

    GridMenu = new QMenu(this);
    auto gridItem = [this](const QString& caption, auto slot) {
        QAction* a = GridMenu->addAction(caption);
        a->setObjectName(caption);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    gridItem("Cut", &TPhaseForm::CutAtom);
    gridItem("Copy", &TPhaseForm::CopyAtom);
    gridItem("Paste", &TPhaseForm::PasteAtom);
    GridMenu->addSeparator();
    gridItem("Add Atom", &TPhaseForm::AddAtom);
    gridItem("Insert Atom", &TPhaseForm::InsertAtom);
    gridItem("Delete Atom", &TPhaseForm::DeleteAtom);
    GridMenu->addSeparator();
    gridItem("Set atom occupancy to full", [this] { SetFullOccupancy(false); });
    gridItem("Set all atoms to full occupancies", [this] { SetFullOccupancy(true); });
    GridMenu->addSeparator();
    gridItem("XYZ transformation", &TPhaseForm::TransformDialog);
    connect(AtomGrid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { GridMenu->popup(AtomGrid->viewport()->mapToGlobal(at)); });
}

void TPhaseForm::FillAtomTypes() {
    std::vector<std::string> names;
    FillIonNames(names);
    std::set<QString> all;
    for (const std::string& n : names)
        all.insert(QString::fromStdString(n).trimmed());
    for (const THistogram& h : Model().Histograms)
        for (const TScatterFactor& f : h.Scatter.Items)
            all.insert(QString::fromStdString(f.Name.str()).trimmed());
    atomTypes_.clear();
    for (const QString& n : all)
        if (!n.isEmpty()) atomTypes_ << n;
}

void TPhaseForm::Showing() {
    FillAtomTypes();
    QStringList captions;
    for (int p = 1; p <= Model().PhaseCount(); ++p)
        captions << "Phase" + QString::number(p);
    RebuildTabs(captions, 0);
    UpdateForm();
}

void TPhaseForm::AfterPhaseListChange(int select) {
    QStringList captions;
    for (int p = 1; p <= Model().PhaseCount(); ++p)
        captions << "Phase" + QString::number(p);
    RebuildTabs(captions, select);
    UpdateForm();
    AnnounceEdit();
}

TCrystalSystem TPhaseForm::ShownSystem() const {
    return CrystalSystem(SpaceGroupEdit->currentText().trimmed().toUpper().toStdString());
}

int TPhaseForm::CurrentRow() const {
    return AtomGrid->currentRow() >= 0 ? AtomGrid->currentRow() : AtomGrid->rowCount() - 1;
}

void TPhaseForm::SetRowCount(int rows) {
    const int old = AtomGrid->rowCount();
    AtomGrid->setRowCount(rows);
    for (int r = old; r < rows; ++r)
        FillRow(r, TAtom{}, 0);
}

void TPhaseForm::FillRow(int row, const TAtom& atom, int atomNumber) {
    Filling filling(*this);
    auto fixed = [](const QString& text, bool editable = false) {
        auto* item = new QTableWidgetItem(text);
        item->setTextAlignment(Qt::AlignCenter);
        if (!editable) item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        return item;
    };
    auto* number = fixed(QString::number(row + 1));
    number->setData(OriginRole, atomNumber);
    AtomGrid->setItem(row, ColNumber, number);
    AtomGrid->setItem(row, ColMult, fixed("0"));
    const bool blank = atomNumber == 0;
    AtomGrid->setItem(
        row, ColName,
        fixed(blank ? QString() : QString::fromStdString(atom.Label.str()).trimmed(), true));
    AtomGrid->setItem(
        row, ColType,
        fixed(blank ? QString() : QString::fromStdString(atom.AtomType.str()).trimmed(), true));
    for (int k = 1; k <= 11; ++k) {
        auto* value =
            new QTableWidgetItem(blank ? QString() : AtomValueText(atom.*AtomValues[k - 1]));
        value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        AtomGrid->setItem(row, ValueColumn(k), value);
        auto* tick = new QTableWidgetItem;
        tick->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        const bool refined = !blank && Model().IsRefined({0, shown_, atomNumber, k});
        tick->setCheckState(refined ? Qt::Checked : Qt::Unchecked);
        AtomGrid->setItem(row, ValueColumn(k) + 1, tick);
    }
}

void TPhaseForm::Renumber() {
    Filling filling(*this);
    for (int r = 0; r < AtomGrid->rowCount(); ++r)
        AtomGrid->item(r, ColNumber)->setText(QString::number(r + 1));
}

void TPhaseForm::UpdateForm() {
    Filling filling(*this);
    shown_ = std::clamp(PhaseTabs->currentIndex() + 1, 1, std::max(1, Model().PhaseCount()));
    TPhase* phase = Work().Phase(shown_);
    if (!phase) {
        AtomGrid->setRowCount(0);
        PageChanged = false;
        return;
    }
    PhaseTitleEdit->setText(QString::fromStdString(phase->Name));
    cbCalcMethod->setCurrentIndex(phase->CalcMethod == 1 ? 1 : 0);
    SpaceGroupEdit->setEditText(
        QString::fromStdString(phase->SpaceGroup.str()).trimmed().toUpper());
    ZEdit->setText(QString::number(phase->Z));
    const float cell[6] = {phase->A, phase->B, phase->C, phase->Alpha, phase->Beta, phase->Gamma};
    for (int i = 0; i < 6; ++i)
        CellEdit[i]->setText(FixedField(cell[i], 5, 8));
    PhaseScaleEdit->setText(GeneralField(phase->Scale, 7));
    IsoThermalEdit->setText(FixedField(phase->OverallB, 5, 8));
    LoadFlags();
    const bool leBail = phase->CalcMethod == 1;
    AtomGrid->setEnabled(!leBail);
    cbRecycle->setVisible(leBail);
    cbRecycle->setChecked(Model().RecycleLeBail == 1);
    AtomGrid->setUpdatesEnabled(false);
    AtomGrid->setRowCount(0);
    const int atoms = phase->AtomCount();
    AtomGrid->setRowCount(std::max(1, atoms));
    for (int a = 1; a <= atoms; ++a)
        FillRow(a - 1, phase->Atoms[static_cast<size_t>(a - 1)], a);
    if (atoms == 0) FillRow(0, TAtom{}, 0);
    AtomGrid->setUpdatesEnabled(true);
    UpdateSpaceGroup();
    PageChanged = false;
}

void TPhaseForm::UpdateSpaceGroup() {
    const std::string symbol = SpaceGroupEdit->currentText().trimmed().toUpper().toStdString();
    const TCrystalSystem system = CrystalSystem(symbol);
    SGLabel->setText(QString::fromStdString(CrystalSystemName(system.Code)));
    lbMult->setText(QString::number(GeneralMultiplicity(symbol)));
    UpdateMult();
    SetLattice(system);
}

void TPhaseForm::SetLattice(const TCrystalSystem& system) {
    Filling filling(*this);
    const TCellLayout layout = CellLayout(system);
    for (int i = 0; i < 6; ++i) {
        const TCellRule rule = layout.Rule[static_cast<size_t>(i)];
        const bool free = rule == TCellRule::Free;
        CellEdit[i]->setEnabled(free);
        CellCheckBox[i]->setEnabled(free);
        if (!free) CellCheckBox[i]->setChecked(false);
        if (rule == TCellRule::Fixed)
            CellEdit[i]->setText(FixedField(layout.FixedValue[static_cast<size_t>(i)], 1));
        if (rule == TCellRule::TiedToA) CellEdit[i]->setText(CellEdit[0]->text());
        if (rule == TCellRule::TiedToAlpha) CellEdit[i]->setText(CellEdit[3]->text());
        if (!free) CellEdit[i]->setStyleSheet(QString());
    }
}

void TPhaseForm::UpdateMultOfRow(int row) {
    Filling filling(*this);
    const std::string symbol = SpaceGroupEdit->currentText().trimmed().toUpper().toStdString();
    float xyz[3];
    bool valid = true;
    for (int k = 0; k < 3; ++k) {
        const QTableWidgetItem* item = AtomGrid->item(row, ValueColumn(k + 1));
        const QString text = item ? item->text().trimmed() : QString();
        const auto value = ReadTypedNumber(text);
        valid = valid && !text.isEmpty() && value.has_value();
        xyz[k] = static_cast<float>(value.value_or(0));
    }
    const int mult = valid ? SiteMultiplicity(symbol, xyz[0], xyz[1], xyz[2]) : 0;
    if (QTableWidgetItem* item = AtomGrid->item(row, ColMult)) item->setText(QString::number(mult));
}

void TPhaseForm::UpdateMult() {
    for (int r = 0; r < AtomGrid->rowCount(); ++r)
        UpdateMultOfRow(r);
}

bool TPhaseForm::CheckPage() {
    if (ShownSystem().Code == csUnknown) {
        const QString message = "Please enter a valid space group";
        if (FaultLabel()) FaultLabel()->setText(message);
        Work().Messages().Message(message.toStdString());
        SpaceGroupEdit->setFocus();
        return false;
    }
    if (!TModelEditor::CheckPage()) return false;
    for (int r = 0; r < AtomGrid->rowCount(); ++r) {
        for (int k = 1; k <= 11; ++k) {
            const QTableWidgetItem* item = AtomGrid->item(r, ValueColumn(k));
            if (!item || ReadTypedNumber(item->text())) continue;
            const QString message = "Please enter a number for " + QString(ValueHeaders[k - 1]) +
                                    " of atom " + QString::number(r + 1) + " (\"" +
                                    item->text().trimmed() + "\" is not one).";
            if (FaultLabel()) FaultLabel()->setText(message);
            Work().Messages().Message(message.toStdString());
            AtomGrid->setCurrentCell(r, ValueColumn(k));
            return false;
        }
    }
    return true;
}

void TPhaseForm::SaveChanges() {
    TRietveld& model = Model();
    TPhase* phase = Work().Phase(shown_);
    if (!phase) return;
    const TCrystalSystem system = ShownSystem();
    phase->Name = PhaseTitleEdit->text().toStdString();
    phase->CalcMethod = cbCalcMethod->currentIndex();
    phase->SpaceGroup = SpaceGroupEdit->currentText().trimmed().toUpper().left(20).toStdString();
    phase->Z = static_cast<int32_t>(NumberOf(ZEdit));
    float* cell[6] = {&phase->A, &phase->B, &phase->C, &phase->Alpha, &phase->Beta, &phase->Gamma};
    for (int i = 0; i < 6; ++i)
        *cell[i] = NumberOf(CellEdit[i]);
    ApplyCellLayout(*phase, system);
    phase->Scale = NumberOf(PhaseScaleEdit);
    const bool leBail = phase->CalcMethod == 1;
    if (leBail) {
        model.RecycleLeBail = cbRecycle->isChecked() ? 1 : 0;
        phase->OverallB = 0;
    } else {
        phase->OverallB = NumberOf(IsoThermalEdit);
    }
    StoreFlags();
    AddCellTies(model, shown_, system);

    // Atoms the grid no longer holds go with their codes; rows added since the
    // page was filled become atoms in their places, moving the codes after them.
    std::vector<int> origins;
    for (int r = 0; r < AtomGrid->rowCount(); ++r)
        origins.push_back(AtomGrid->item(r, ColNumber)->data(OriginRole).toInt());
    for (int a = phase->AtomCount(); a >= 1; --a)
        if (std::find(origins.begin(), origins.end(), a) == origins.end())
            koralix::DeleteAtom(model, shown_, a);
    for (int r = 0; r < static_cast<int>(origins.size()); ++r)
        if (origins[static_cast<size_t>(r)] == 0)
            koralix::InsertAtom(model, shown_, r + 1, TAtom{});
    phase = Work().Phase(shown_);
    for (int r = 0; r < AtomGrid->rowCount(); ++r) {
        TAtom& atom = phase->Atoms[static_cast<size_t>(r)];
        atom.Label = Trimmed4(AtomGrid->item(r, ColName)->text()).toStdString();
        atom.AtomType = Trimmed4(AtomGrid->item(r, ColType)->text()).toStdString();
        for (int k = 1; k <= 11; ++k) {
            const auto value = ReadTypedNumber(AtomGrid->item(r, ValueColumn(k))->text());
            atom.*AtomValues[k - 1] =
                value ? static_cast<float>(*value) : TAtom{}.*AtomValues[k - 1];
            const bool ticked = AtomGrid->item(r, ValueColumn(k) + 1)->checkState() == Qt::Checked;
            StoreFlag({0, shown_, r + 1, k}, ticked && !leBail);
        }
    }
    // The grid now mirrors the model's atoms one to one.
    Filling filling(*this);
    for (int r = 0; r < AtomGrid->rowCount(); ++r)
        AtomGrid->item(r, ColNumber)->setData(OriginRole, r + 1);
}

void TPhaseForm::NewPhase() {
    if (Model().PhaseCount() >= MaxPhases || !LeavePage()) return;
    Model().AddPhase();
    AfterPhaseListChange(0);
}

void TPhaseForm::DeletePhase() {
    if (Model().PhaseCount() <= 1) return;
    PageChanged = false;
    Model().DeletePhase(shown_);
    AfterPhaseListChange(0);
}

void TPhaseForm::ClearPage() {
    Filling filling(*this);
    PhaseTitleEdit->clear();
    SpaceGroupEdit->setEditText("P 1");
    ZEdit->setText("1");
    for (int i = 0; i < 6; ++i)
        CellEdit[i]->setText(i < 3 ? "3.8" : "90.0");
    PhaseScaleEdit->setText("0.0");
    IsoThermalEdit->setText("0.0");
    AtomGrid->setRowCount(0);
    SetRowCount(1);
    UpdateSpaceGroup();
    PageChanged = true;
    if (Work().ModelLoaded()) Work().SetChanged(true);
}

void TPhaseForm::ReadPhaseFromInputFile() {
    if (Model().PhaseCount() >= MaxPhases || !LeavePage()) return;
    const QString folder = Work().InputFile().isEmpty() && Work().DataFile().isEmpty()
                               ? Work().Settings().StartUpDirectgory
                               : QFileInfo(Work().InputFile()).absolutePath();
    const QString file = files_.OpenFileName("ZKRM Input File (*.inp)|*.inp", "inp", folder);
    if (file.isEmpty()) return;
    TRietveld scratch;
    ReadInputFile(scratch, file.toStdString(), Work().Messages());
    if (scratch.PhaseCount() == 0) {
        Work().Messages().Message("There is no phase in " + file.toStdString());
        return;
    }
    QString prompt = "There are " + QString::number(scratch.PhaseCount()) + " phases. ";
    for (const TPhase& p : scratch.Phases)
        prompt += " " + QString::fromStdString(p.Name);
    prompt += " Enter number:";
    QString answer = AskText("Phase Number", prompt, "1");
    if (answer.isNull()) answer = "1";
    const int chosen = std::max(1, std::min(TextToInt(answer.toStdString()), scratch.PhaseCount()));
    Model().AddPhase();
    Model().Phase(Model().PhaseCount()).Assign(scratch.Phase(chosen));
    AfterPhaseListChange(0);
}

void TPhaseForm::ReadPhaseFromCif() {
    if (Model().PhaseCount() >= MaxPhases || !LeavePage()) return;
    const QString folder = Work().InputFile().isEmpty() && Work().DataFile().isEmpty()
                               ? Work().Settings().StartUpDirectgory
                               : QFileInfo(Work().InputFile()).absolutePath();
    const QString file = files_.OpenFileName("CIF File (*.cif)|*.cif", "cif", folder);
    if (file.isEmpty()) return;
    TPhase phase;
    ReadCifPhase(file.toStdString(), phase, Work().Messages());
    Model().AddPhase();
    Model().Phase(Model().PhaseCount()).Assign(phase);
    AfterPhaseListChange(0);
}

void TPhaseForm::AddAtom() {
    SetRowCount(AtomGrid->rowCount() + 1);
    AtomGrid->setCurrentCell(AtomGrid->rowCount() - 1, ColName);
    DirtyPage();
}

void TPhaseForm::InsertAtom() {
    const int row = std::max(0, AtomGrid->currentRow());
    AtomGrid->insertRow(row);
    FillRow(row, TAtom{}, 0);
    Renumber();
    UpdateMultOfRow(row);
    AtomGrid->setCurrentCell(row, ColName);
    DirtyPage();
}

void TPhaseForm::DeleteAtom() {
    const int row = CurrentRow();
    if (row < 0) return;
    AtomGrid->removeRow(row);
    // A phase shows at least one (blank) row.
    if (AtomGrid->rowCount() == 0) SetRowCount(1);
    Renumber();
    DirtyPage();
}

void TPhaseForm::CopyAtom() {
    const int row = CurrentRow();
    if (row < 0) return;
    clipboard_.Label = Trimmed4(AtomGrid->item(row, ColName)->text()).toStdString();
    clipboard_.AtomType = Trimmed4(AtomGrid->item(row, ColType)->text()).toStdString();
    for (int k = 1; k <= 11; ++k)
        if (const auto value = ReadTypedNumber(AtomGrid->item(row, ValueColumn(k))->text()))
            clipboard_.*AtomValues[k - 1] = static_cast<float>(*value);
}

void TPhaseForm::CutAtom() {
    CopyAtom();
    DeleteAtom();
}

void TPhaseForm::PasteAtom() {
    const int row = CurrentRow();
    if (row < 0) return;
    AtomGrid->item(row, ColName)->setText(QString::fromStdString(clipboard_.Label.str()).trimmed());
    AtomGrid->item(row, ColType)
        ->setText(QString::fromStdString(clipboard_.AtomType.str()).trimmed());
    for (int k = 1; k <= 11; ++k)
        AtomGrid->item(row, ValueColumn(k))->setText(AtomValueText(clipboard_.*AtomValues[k - 1]));
    DirtyPage();
}

void TPhaseForm::SetFullOccupancy(bool allRows) {
    UpdateMult();
    const int general = lbMult->text().toInt();
    const int first = allRows ? 0 : CurrentRow();
    const int last = allRows ? AtomGrid->rowCount() - 1 : CurrentRow();
    for (int r = std::max(0, first); r <= last; ++r) {
        const int site = AtomGrid->item(r, ColMult)->text().toInt();
        AtomGrid->item(r, ValueColumn(5))
            ->setText(general == 0 ? QString("0.0")
                                   : AtomValueText(static_cast<float>(site) / general));
    }
    DirtyPage();
}

bool TPhaseForm::CanLinkCell(int row, int column) const {
    if (column < ValueColumn(1) || column > ValueColumn(11) || column % 2 != 0) return false;
    const QTableWidgetItem* tick = AtomGrid->item(row, column + 1);
    return tick && tick->checkState() == Qt::Checked;
}

void TPhaseForm::LinkCells(int fromRow, int fromColumn, int toRow, int toColumn) {
    if (!CanLinkCell(fromRow, fromColumn) || !CanLinkCell(toRow, toColumn)) return;
    if (fromRow == toRow && fromColumn == toColumn) return;
    auto describe = [this](int row, int column) {
        return AtomGrid->item(row, ColName)->text().trimmed() + " ( " +
               ValueHeaders[(column - 2) / 2 - 1] + " )";
    };
    const QString prompt =
        describe(toRow, toColumn) + "  =  " + describe(fromRow, fromColumn) + " *   ";
    const QString answer = AskText("Atomic Constraints", prompt, "1.0");
    if (answer.isNull()) return;
    if (PageChanged && !KeepPage()) return;
    TParameter source(TAddress{0, shown_, fromRow + 1, (fromColumn - 2) / 2}, 0);
    source.Multiplier = 1;
    TParameter target(TAddress{0, shown_, toRow + 1, (toColumn - 2) / 2}, 0);
    target.Multiplier = TextToReal(answer.toStdString());
    Model().Parameters.AddConstraint(source, target);
    AnnounceEdit();
}

void TPhaseForm::TransformDialog() {
    if (RunTransformation()) TransformRows(Work().Transformation());
}

void TPhaseForm::TransformRows(const TTransformation& t) {
    std::set<int> rows;
    for (const QTableWidgetSelectionRange& range : AtomGrid->selectedRanges())
        for (int r = range.topRow(); r <= range.bottomRow(); ++r)
            rows.insert(r);
    if (rows.size() <= 1)
        for (int r = 0; r < AtomGrid->rowCount(); ++r)
            rows.insert(r);
    for (int r : rows) {
        float xyz[3];
        for (int k = 0; k < 3; ++k)
            xyz[k] = static_cast<float>(
                ReadTypedNumber(AtomGrid->item(r, ValueColumn(k + 1))->text()).value_or(0));
        for (int k = 0; k < 3; ++k)
            AtomGrid->item(r, ValueColumn(k + 1))
                ->setText(AtomValueText(t.Apply(k + 1, xyz[0], xyz[1], xyz[2])));
    }
    DirtyPage();
}

} // namespace koralix
