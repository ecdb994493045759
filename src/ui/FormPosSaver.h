// Makes a window reappear where the user left it: restores its place when it
// is shown and stores it when it is closed, every time.
#pragma once

#include "WindowPosition.h"

#include <QObject>

class QWidget;

namespace koralix {

class TFormPosSaver : public QObject {
    Q_OBJECT
  public:
    // `regKey` such as "Software\Koralix\Configuration\KoralixForm"; `store` is
    // the program's settings store and must outlive the window.
    TFormPosSaver(QWidget* owner, QSettings& store, const QString& regKey);

    TWindowPosition Position;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* owner_;
    QSettings& store_;
};

} // namespace koralix
