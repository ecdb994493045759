// The phase editor: one tab per phase with its title, calculation method,
// space group (checked by the program's symbol services), cell tied by the
// crystal system, scale, overall B, Z and their refinement flags, and the grid
// of atom sites with coordinates, displacement parameters, occupancies and
// flags. Phases come and go with their samples and codes; phases can be read
// from another input file or a CIF file, atoms transformed by a matrix.
#pragma once

#include "Model.h"
#include "ModelEditor.h"
#include "SpaceGroupServices.h"

#include <QStringList>

#include <functional>

class QComboBox;
class QMenu;
class QTableWidget;

namespace koralix {

class FileChooser;

class TPhaseForm : public TModelEditor {
    Q_OBJECT
  public:
    TPhaseForm(TWorkspace& work, FileChooser& files, QWidget* parent = nullptr);

    void Showing() override;
    void UpdateForm() override;
    void SaveChanges() override;
    // The space group, the page's fields and every value cell of the grid: an
    // unknown symbol never reaches the model, whichever way the page is kept.
    bool CheckPage() override;

    void UpdateSpaceGroup();
    void SetLattice(const TCrystalSystem& system);
    void UpdateMult();
    void UpdateMultOfRow(int row);

    // Phase commands.
    void NewPhase();
    void DeletePhase();
    void ClearPage();
    void ReadPhaseFromInputFile();
    void ReadPhaseFromCif();
    // Atom commands, on the grid's current row.
    void AddAtom();
    void InsertAtom();
    void DeleteAtom();
    void CopyAtom();
    void CutAtom();
    void PasteAtom();
    void SetFullOccupancy(bool allRows);
    // Shows the transformation dialog; on OK transforms the selected rows
    // (every row when none is selected).
    void TransformDialog();
    void TransformRows(const TTransformation& t);

    // A value cell whose tick box is ticked can be tied to another such cell
    // by dragging it there.
    bool CanLinkCell(int row, int column) const;
    // The drop: asks for a coefficient and makes the parameter of the target
    // cell follow the source's times it. The page is kept first, so that the
    // flags and atom numbers of the constraint are the model's.
    void LinkCells(int fromRow, int fromColumn, int toRow, int toColumn);

    // Asks for a text with an input box; tests replace it (title, prompt,
    // default). A null text when the user cancelled.
    std::function<QString(const QString&, const QString&, const QString&)> AskText;
    // Runs the transformation dialog; tests replace it. True on OK.
    std::function<bool()> RunTransformation;

    // The phase shown (1-based).
    int ShownPhase() const { return shown_; }

    QTabBar* PhaseTabs = nullptr;
    QLineEdit* PhaseTitleEdit = nullptr;
    QComboBox* cbCalcMethod = nullptr;
    QComboBox* SpaceGroupEdit = nullptr;
    QLabel* SGLabel = nullptr;
    QLabel* lbMult = nullptr;
    QLineEdit* ZEdit = nullptr;
    // a, b, c, alpha, beta, gamma
    QLineEdit* CellEdit[6] = {};
    QCheckBox* CellCheckBox[6] = {};
    QLineEdit* PhaseScaleEdit = nullptr;
    QCheckBox* PhaseScaleCheckBox = nullptr;
    QLineEdit* IsoThermalEdit = nullptr;
    QCheckBox* IsoThermalCheckBox = nullptr;
    QCheckBox* cbRecycle = nullptr;
    QTableWidget* AtomGrid = nullptr;
    QMenu* PhaseMenu = nullptr;
    QMenu* GridMenu = nullptr;

    // Grid columns: parameter k (1 to 11) in column 2k+2, its flag in 2k+3.
    static constexpr int ColNumber = 0, ColMult = 1, ColName = 2, ColType = 3;
    static int ValueColumn(int k) { return 2 * k + 2; }

  private:
    void BuildPage();
    void BuildMenus();
    void FillRow(int row, const TAtom& atom, int atomNumber);
    void SetRowCount(int rows);
    void Renumber();
    void FillAtomTypes();
    TCrystalSystem ShownSystem() const;
    int CurrentRow() const;
    void AfterPhaseListChange(int select);

    FileChooser& files_;
    int shown_ = 1;
    QStringList atomTypes_;
    TAtom clipboard_;
};

} // namespace koralix
