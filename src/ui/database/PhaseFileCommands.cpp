#include "PhaseFileCommands.h"

#include "AtomFiles.h"
#include "FileChooser.h"
#include "Messenger.h"
#include "PhDataForm.h"
#include "PhaseForm.h"
#include "TextHelpers.h"
#include "Workspace.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QTableWidget>

namespace koralix {

namespace {

QString Cell(const QTableWidget* grid, int row, int column) {
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text().trimmed() : QString();
}

std::optional<double> Number(const QString& text) {
    double v = 0;
    if (!TryParseReal(text.toStdString(), v)) return std::nullopt;
    return v;
}

TPhase& ShownPhase(TPhaseForm& form) {
    return form.Model().Phase(form.ShownPhase());
}

// The phase was changed in the model: refill the page and keep it marked.
void Refill(TPhaseForm& form) {
    form.UpdateForm();
    form.PageChanged = true;
    form.Work().MarkEdited();
}

} // namespace

TSheetRows GridRows(const TPhaseForm& form) {
    const QTableWidget* grid = form.AtomGrid;
    TSheetRows rows;
    std::vector<std::string> header;
    for (int c = 0; c < grid->columnCount(); ++c) {
        const QTableWidgetItem* h = grid->horizontalHeaderItem(c);
        header.push_back(h ? h->text().toStdString() : std::string());
    }
    rows.push_back(header);
    for (int r = 0; r < grid->rowCount(); ++r) {
        if (Cell(grid, r, TPhaseForm::ColName).isEmpty()) continue;
        std::vector<std::string> row;
        for (int c = 0; c < grid->columnCount(); ++c) {
            const QTableWidgetItem* item = grid->item(r, c);
            const bool tick = c >= 5 && c % 2 == 1;
            if (tick)
                row.push_back(item && item->checkState() == Qt::Checked ? "1" : "");
            else
                row.push_back(item ? item->text().trimmed().toStdString() : std::string());
        }
        rows.push_back(row);
    }
    return rows;
}

void AddPageToDatabase(TPhaseForm& form) {
    TDbPhase phase;
    phase.Name = form.PhaseTitleEdit->text();
    phase.SpaceGroup = form.SpaceGroupEdit->currentText().trimmed();
    double* cell[] = {&phase.A, &phase.B, &phase.C, &phase.Alpha, &phase.Beta, &phase.Gamma};
    for (int i = 0; i < 6; ++i)
        *cell[i] = TextToDouble(form.CellEdit[i]->text().left(10).toStdString());
    std::vector<TDbAtom> atoms;
    const QTableWidget* grid = form.AtomGrid;
    for (int r = 0; r < grid->rowCount(); ++r) {
        TDbAtom a;
        a.Name = Cell(grid, r, TPhaseForm::ColName);
        a.Type = Cell(grid, r, TPhaseForm::ColType);
        if (a.Name.isEmpty() && a.Type.isEmpty()) continue; // the blank row of an empty phase
        std::optional<double>* values[] = {&a.X, &a.Y, &a.Z, &a.Biso, &a.Occupation};
        for (int k = 1; k <= 5; ++k)
            *values[k - 1] = Number(Cell(grid, r, TPhaseForm::ValueColumn(k)));
        atoms.push_back(a);
    }
    const TSettings& s = form.Work().Settings();
    AddPhaseToDatabase(s.DatabasePhases, s.DatabaseAtoms, phase, atoms, form.Work().Messages());
}

void SelectPhaseFromDatabase(TPhaseForm& form, const TDialogRunner& run) {
    const TSettings& s = form.Work().Settings();
    if (SelectPhaseFromDatabase(s.DatabasePhases, s.DatabaseAtoms, ShownPhase(form),
                                form.Work().Messages(), &form, run))
        Refill(form);
}

void ReadAtomsFromTextFile(TPhaseForm& form, const QString& fileName) {
    if (ReadAtomListFile(fileName.toStdString(), ShownPhase(form), form.Work().Messages()) !=
        TAtomFileResult::NotOpened)
        Refill(form);
}

void ReadExpoFile(TPhaseForm& form, const QString& fileName) {
    if (form.PageChanged && !form.KeepPage()) return;
    if (ReadExpoXyzFile(fileName.toStdString(), ShownPhase(form), form.Work().Messages()) !=
        TAtomFileResult::NotOpened)
        Refill(form);
}

void SaveGridToSheet(TPhaseForm& form, const QString& fileName) {
    std::string error;
    if (!WriteAtomSheet(fileName.toStdString(), GridRows(form), error))
        form.Work().Messages().Message(error);
}

void ReadAtomsFromSheet(TPhaseForm& form, const QString& fileName) {
    TSheetRows rows;
    std::string error;
    if (!ReadAtomSheet(fileName.toStdString(), rows, error)) {
        form.Work().Messages().Message(error);
        return;
    }
    AppendSheetAtoms(rows, ShownPhase(form), form.Work().Messages());
    Refill(form);
}

void AddPhaseFileCommands(TPhaseForm& form, FileChooser& files) {
    QAction* beforeSeparator = nullptr;
    const QList<QAction*> items = form.PhaseMenu->actions();
    for (QAction* a : items)
        if (a->isSeparator()) beforeSeparator = a;
    QAction* add = new QAction("Add to Database", form.PhaseMenu);
    QAction* select = new QAction("Select from Database", form.PhaseMenu);
    form.PhaseMenu->insertActions(beforeSeparator, {add, select});
    QObject::connect(add, &QAction::triggered, &form, [&form] { AddPageToDatabase(form); });
    QObject::connect(select, &QAction::triggered, &form,
                     [&form] { SelectPhaseFromDatabase(form); });

    auto open = [&files](const QString& filter, const QString& extension) {
        return files.OpenFileName(filter, extension, QString());
    };
    QMenu* grid = form.GridMenu;
    grid->addSeparator();
    grid->addAction("Read atoms from text file", &form, [&form, open] {
        const QString name = open("Atom Files (*.*)|*.*", QString());
        if (!name.isEmpty()) ReadAtomsFromTextFile(form, name);
    });
    grid->addAction("Read EXPO xyz file", &form, [&form, open] {
        const QString name = open("Expo xyz Files (*.xyz)|*.xyz", "xyz");
        if (!name.isEmpty()) ReadExpoFile(form, name);
    });
    grid->addAction("Read from Excel file", &form, [&form, open] {
        const QString name = open("Excel Files (*.xlsx *.xls)|*.xlsx|All Files (*.*)|*.*", "xlsx");
        if (!name.isEmpty()) ReadAtomsFromSheet(form, name);
    });
    grid->addAction("Save to Excel file", &form, [&form, &files] {
        const QString name = files.SaveFileName("Excel Files (*.xlsx)|*.xlsx|All Files (*.*)|*.*",
                                                "xlsx", QString());
        if (!name.isEmpty()) SaveGridToSheet(form, name);
    });
}

} // namespace koralix
