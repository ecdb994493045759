// Dragging one cell of a table onto another to link the two: the phase
// editor ties one atom parameter to another this way. Which cells may take
// part, and what a link does, the owner decides.
#pragma once

#include <QObject>
#include <QPoint>

#include <functional>

class QTableWidget;

namespace koralix {

class TCellDragLink : public QObject {
    Q_OBJECT
  public:
    // `canLink(row, column)`: the cell may start a drag and accept a drop.
    // `link(fromRow, fromColumn, toRow, toColumn)`: a drop happened.
    TCellDragLink(QTableWidget* grid, std::function<bool(int, int)> canLink,
                  std::function<void(int, int, int, int)> link);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool AcceptsAt(const QPoint& at) const;
    void StartDrag();

    QTableWidget* grid_;
    std::function<bool(int, int)> canLink_;
    std::function<void(int, int, int, int)> link_;
    QPoint pressedAt_;
    int fromRow_ = -1;
    int fromColumn_ = -1;
};

} // namespace koralix
