#include "FormPosSaver.h"

#include <QEvent>
#include <QWidget>

namespace koralix {

namespace {

class WidgetPlace : public TPlacedWindow {
  public:
    explicit WidgetPlace(QWidget& w) : w_(w) {}
    int Top() const override { return w_.frameGeometry().top(); }
    int Left() const override { return w_.frameGeometry().left(); }
    int Width() const override { return w_.frameGeometry().width(); }
    int Height() const override { return w_.frameGeometry().height(); }
    void SetTop(int v) override { w_.move(w_.x(), v); }
    void SetLeft(int v) override { w_.move(v, w_.y()); }
    // Stored sizes are outer sizes: take the frame off again.
    void SetWidth(int v) override { w_.resize(std::max(1, v - FrameWidth()), w_.height()); }
    void SetHeight(int v) override { w_.resize(w_.width(), std::max(1, v - FrameHeight())); }
    QString Name() const override { return w_.objectName(); }

  private:
    int FrameWidth() const { return w_.frameGeometry().width() - w_.width(); }
    int FrameHeight() const { return w_.frameGeometry().height() - w_.height(); }
    QWidget& w_;
};

} // namespace

TFormPosSaver::TFormPosSaver(QWidget* owner, QSettings& store, const QString& regKey)
    : QObject(owner), owner_(owner), store_(store) {
    Position.RegKey = regKey;
    owner->installEventFilter(this);
}

bool TFormPosSaver::eventFilter(QObject* watched, QEvent* event) {
    if (watched == owner_) {
        WidgetPlace place(*owner_);
        if (event->type() == QEvent::Show && !event->spontaneous()) Position.Restore(store_, place);
        if (event->type() == QEvent::Close) Position.Store(store_, place);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace koralix
