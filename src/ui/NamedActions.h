// Commands of a window, created by name with the caption, hint and shortcut
// their tables give, and kept by name for enabling and for tests.
#pragma once

#include <QAction>
#include <QHash>
#include <QKeySequence>
#include <QString>

namespace koralix {

// A command owned by `owner`, named for look-ups, with its hint as tool and status tip.
QAction* MakeNamedAction(QObject* owner, const QString& name, const QString& caption,
                         const QString& hint, const QKeySequence& key = {});

class TNamedActions {
  public:
    explicit TNamedActions(QObject* owner) : owner_(owner) {}
    QAction* Add(const QString& name, const QString& caption, const QString& hint,
                 const QKeySequence& key = {});
    QAction* operator[](const QString& name) const { return actions_.value(name); }

  private:
    QObject* owner_;
    QHash<QString, QAction*> actions_;
};

} // namespace koralix
