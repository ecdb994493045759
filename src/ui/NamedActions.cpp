#include "NamedActions.h"

namespace koralix {

QAction* TNamedActions::Add(const QString& name, const QString& caption, const QString& hint,
                            const QKeySequence& key) {
    auto* a = new QAction(caption, owner_);
    a->setObjectName(name);
    a->setStatusTip(hint);
    a->setToolTip(hint);
    if (!key.isEmpty()) a->setShortcut(key);
    actions_.insert(name, a);
    return a;
}

} // namespace koralix
