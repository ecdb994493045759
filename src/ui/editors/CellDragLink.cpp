#include "CellDragLink.h"

#include <QApplication>
#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTableWidget>

namespace koralix {

namespace {
// Only drags started in this program's grids are taken.
const char* const CellMime = "application/x-koralix-cell";
} // namespace

TCellDragLink::TCellDragLink(QTableWidget* grid, std::function<bool(int, int)> canLink,
                             std::function<void(int, int, int, int)> link)
    : QObject(grid), grid_(grid), canLink_(std::move(canLink)), link_(std::move(link)) {
    grid_->viewport()->setAcceptDrops(true);
    grid_->viewport()->installEventFilter(this);
}

bool TCellDragLink::AcceptsAt(const QPoint& at) const {
    const QModelIndex index = grid_->indexAt(at);
    return index.isValid() && grid_->isEnabled() && canLink_(index.row(), index.column());
}

void TCellDragLink::StartDrag() {
    auto* data = new QMimeData;
    data->setData(CellMime, QByteArray::number(fromRow_) + "," + QByteArray::number(fromColumn_));
    auto* drag = new QDrag(grid_);
    drag->setMimeData(data);
    drag->exec(Qt::LinkAction);
    fromRow_ = fromColumn_ = -1;
}

bool TCellDragLink::eventFilter(QObject* watched, QEvent* event) {
    if (watched != grid_->viewport()) return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* press = static_cast<QMouseEvent*>(event);
        fromRow_ = fromColumn_ = -1;
        if (press->button() != Qt::LeftButton || !AcceptsAt(press->position().toPoint()))
            return false;
        const QModelIndex index = grid_->indexAt(press->position().toPoint());
        fromRow_ = index.row();
        fromColumn_ = index.column();
        pressedAt_ = press->position().toPoint();
        return false;
    }
    case QEvent::MouseMove: {
        auto* move = static_cast<QMouseEvent*>(event);
        if (fromRow_ < 0 || !(move->buttons() & Qt::LeftButton)) return false;
        if ((move->position().toPoint() - pressedAt_).manhattanLength() <
            QApplication::startDragDistance())
            return false;
        StartDrag();
        return true;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        const bool ours = drag->mimeData()->hasFormat(CellMime);
        if (ours && AcceptsAt(drag->position().toPoint())) {
            drag->setDropAction(Qt::LinkAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QList<QByteArray> from = drop->mimeData()->data(CellMime).split(',');
        const QPoint at = drop->position().toPoint();
        if (from.size() != 2 || !AcceptsAt(at)) {
            drop->ignore();
            return true;
        }
        drop->setDropAction(Qt::LinkAction);
        drop->accept();
        const QModelIndex to = grid_->indexAt(at);
        link_(from[0].toInt(), from[1].toInt(), to.row(), to.column());
        return true;
    }
    default:
        return false;
    }
}

} // namespace koralix
