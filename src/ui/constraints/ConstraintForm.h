// The constraints editor: the refined parameters sorted by kind into three
// lists, and the linear constraints as two aligned grids, master on the left,
// dependent and its ratio on the right. Dragging a parameter onto the left
// grid starts a constraint, dragging one or more onto the right grid completes
// it; OK rebuilds the model's parameter list from what the window shows.
#pragma once

#include "ConstraintRules.h"
#include "ModelEditor.h"

#include <vector>

class QLabel;
class QListWidget;
class QTableWidget;

namespace koralix {

class TConstraintForm : public TModelEditor {
    Q_OBJECT
  public:
    explicit TConstraintForm(TWorkspace& work, QWidget* parent = nullptr);

    // Rebuilds the lists and grids from the model.
    void UpdateForm() override;
    // Refuses, with a message naming them, ties the engine cannot honour.
    bool CheckPage() override;
    // Rebuilds the model's parameter list from the grids and lists.
    void SaveChanges() override;

    // The drag-and-drop rules, also used by the mouse.
    bool CanDropOnMasters() const;
    bool CanDropOnDependents() const;
    // Appends the list's item `row` as a master; false when refused.
    bool DropOnMasters(QListWidget* list, int row);
    // Appends every selected item of the list as a dependent of the last master.
    bool DropOnDependents(QListWidget* list);
    // Removes the selected rows of the grids.
    void DeleteConstraints();

    int RowCount() const;

    QListWidget* ListBoxGlobal = nullptr;
    QListWidget* ListBoxPhase = nullptr;
    QListWidget* ListBoxSample = nullptr;
    QTableWidget* StringGrid1 = nullptr;
    QTableWidget* StringGrid2 = nullptr;
    QLabel* Labelvar = nullptr;
    QLabel* Labelcon = nullptr;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void SetMultiSelection(bool on);
    void AddItem(const TParameter& p);
    void AppendRow(QTableWidget* grid, const QStringList& cells, const TParameter& p);
    std::vector<TConstraintRow> Rows() const;
    std::vector<TParameter> Listed() const;

    std::vector<TParameter> refined_; // what the lists held when filled
};

} // namespace koralix
