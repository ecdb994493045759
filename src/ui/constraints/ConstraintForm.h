// The constraints editor: the refined parameters sorted by kind into three
// lists, and the linear constraints as two aligned grids, master on the left,
// dependent and its ratio on the right. Dragging a parameter onto the left
// grid starts a constraint, dragging one or more onto the right grid completes
// it; OK rebuilds the model's parameter list from what the window shows.
#pragma once

#include "ConstraintRules.h"

#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QListWidget;
class QTableWidget;

namespace koralix {

class Messenger;
class TRietveld;

class TConstraintForm : public QWidget {
    Q_OBJECT
  public:
    TConstraintForm(TRietveld& model, Messenger& messenger, QWidget* parent = nullptr);

    // Rebuilds the lists and grids from the model.
    void UpdateForm();
    // Checks the grids and rebuilds the parameter list; false (after a message
    // naming the faulty parameters) when a constraint cannot be honoured.
    bool SaveChanges();

    // The drag-and-drop rules, also used by the mouse.
    bool CanDropOnMasters() const;
    bool CanDropOnDependents() const;
    // Appends the list's item `row` as a master; false when refused.
    bool DropOnMasters(QListWidget* list, int row);
    // Appends every selected item of the list as a dependent of the last master.
    bool DropOnDependents(QListWidget* list);
    // Removes the selected rows of the grids.
    void DeleteConstraints();

    // Called on every edit that changes the model's ties (drops, deletions).
    std::function<void()> OnEdited;
    bool PageChanged = false;
    int RowCount() const;

    QListWidget* ListBoxGlobal = nullptr;
    QListWidget* ListBoxPhase = nullptr;
    QListWidget* ListBoxSample = nullptr;
    QTableWidget* StringGrid1 = nullptr;
    QTableWidget* StringGrid2 = nullptr;
    QLabel* Labelvar = nullptr;
    QLabel* Labelcon = nullptr;

  signals:
    void Closed(bool kept);

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Edited();
    void SetMultiSelection(bool on);
    void AddItem(const TParameter& p);
    void AppendRow(QTableWidget* grid, const QStringList& cells, const TParameter& p);
    std::vector<TConstraintRow> Rows() const;
    std::vector<TParameter> Listed() const;

    TRietveld& model_;
    Messenger& messenger_;
    std::vector<TParameter> masters_;
    std::vector<TParameter> dependents_;
    std::vector<TParameter> refined_; // what the lists held when filled
    bool closingAfterOk_ = false;
};

} // namespace koralix
