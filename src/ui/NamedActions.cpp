#include "NamedActions.h"

namespace koralix {

QAction* MakeNamedAction(QObject* owner, const QString& name, const QString& caption,
                         const QString& hint, const QKeySequence& key) {
    auto* a = new QAction(caption, owner);
    a->setObjectName(name);
    a->setStatusTip(hint);
    a->setToolTip(hint);
    if (!key.isEmpty()) a->setShortcut(key);
    return a;
}

QAction* TNamedActions::Add(const QString& name, const QString& caption, const QString& hint,
                            const QKeySequence& key) {
    QAction* a = MakeNamedAction(owner_, name, caption, hint, key);
    actions_.insert(name, a);
    return a;
}

} // namespace koralix
