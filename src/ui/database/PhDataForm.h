// The phase database's selection dialog: the stored phases above, the atoms
// of the selected phase below, both editable in place; OK gives the number
// of the chosen phase.
#pragma once

#include "PhaseDatabase.h"

#include <QDialog>

#include <functional>

class QSqlTableModel;
class QTableView;

namespace koralix {

class Messenger;
class TPhaseDatabase;

class TPhDataForm : public QDialog {
    Q_OBJECT
  public:
    TPhDataForm(TPhaseDatabase& database, Messenger& messenger, QWidget* parent = nullptr);

    // Re-reads both tables.
    void Requery();
    // The PhaseNumber of the selected phase, or 0 when none is selected.
    int CurrentNumber() const;
    // Selects the first phase whose name contains `text`; false when none does.
    bool Find(const QString& text);
    // The number chosen with OK.
    int SelectedNumber = 0;

    QTableView* PhaseGrid = nullptr;
    QTableView* AtomGrid = nullptr;
    QSqlTableModel* Phases = nullptr;
    QSqlTableModel* Atoms = nullptr;

  private:
    void ShowAtoms();
    void DeleteCurrent();

    TPhaseDatabase& database_;
    Messenger& messenger_;
};

// Runs the dialog modally; tests replace it to choose without a user.
using TDialogRunner = std::function<int(TPhDataForm&)>;

// "Select from Database": shows the dialog on the database the settings name
// and, on OK, replaces the phase's title, symbol, cell and atoms by the
// stored ones. False when nothing was taken (cancelled, or an error shown).
bool SelectPhaseFromDatabase(const QString& phasesPath, const QString& atomsPath, TPhase& phase,
                             Messenger& messenger, QWidget* parent = nullptr,
                             const TDialogRunner& run = {});

// "Add to Database": stores the phase as the page shows it, in one
// transaction; the number it got, or 0 after a message.
int AddPhaseToDatabase(const QString& phasesPath, const QString& atomsPath, const TDbPhase& phase,
                       const std::vector<TDbAtom>& atoms, Messenger& messenger);

} // namespace koralix
