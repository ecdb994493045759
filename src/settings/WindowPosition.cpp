#include "WindowPosition.h"

#include <QCoreApplication>

namespace koralix {

namespace {

const char* const Names[] = {"Top", "Left", "Width", "Height"};

void Apply(TPlacedWindow& window, int index, int value) {
    switch (index) {
    case 0:
        window.SetTop(value);
        break;
    case 1:
        window.SetLeft(value);
        break;
    case 2:
        window.SetWidth(value);
        break;
    default:
        window.SetHeight(value);
        break;
    }
}

int ValueOf(const TPlacedWindow& window, int index) {
    switch (index) {
    case 0:
        return window.Top();
    case 1:
        return window.Left();
    case 2:
        return window.Width();
    default:
        return window.Height();
    }
}

} // namespace

QString TWindowPosition::GroupOf(const QString& regKey) {
    QString key = regKey;
    key.replace('\\', '/');
    // The store already belongs to the program: drop its own key from the path.
    for (const QString& prefix :
         {QStringLiteral("Software/Koralix/"), QStringLiteral("Software/Koralix")})
        if (key.startsWith(prefix, Qt::CaseInsensitive)) {
            key = key.mid(prefix.size());
            break;
        }
    return key;
}

std::unique_ptr<QSettings> TWindowPosition::OpenIni(const TPlacedWindow& window) {
    if (IniName.isEmpty()) {
        // The program file's path up to its first ".", then ".ini".
        QString program = QCoreApplication::applicationFilePath();
        int dot = program.indexOf('.');
        IniName = (dot >= 0 ? program.left(dot) : program) + ".ini";
    }
    auto ini = std::make_unique<QSettings>(IniName, QSettings::IniFormat);
    ini->beginGroup(IniSection.isEmpty() ? window.Name() : IniSection);
    return ini;
}

void TWindowPosition::Restore(QSettings& store, TPlacedWindow& window) {
    if (UseRegistry) {
        store.beginGroup(GroupOf(RegKey));
        for (int k = 0; k < 4; ++k) {
            QVariant v = store.value(Names[k]);
            bool ok = false;
            int value = v.toInt(&ok);
            if (v.isValid() && ok) Apply(window, k, value);
        }
        store.endGroup();
        return;
    }
    auto ini = OpenIni(window);
    if (ini->childKeys().isEmpty()) return;
    for (int k = 0; k < 4; ++k) {
        bool ok = false;
        int value = ini->value(Names[k]).toInt(&ok);
        Apply(window, k, ok ? value : ValueOf(window, k));
    }
    window.KeepRestoredPlace();
}

void TWindowPosition::Store(QSettings& store, const TPlacedWindow& window) {
    if (UseRegistry) {
        store.beginGroup(GroupOf(RegKey));
        for (int k = 0; k < 4; ++k)
            store.setValue(Names[k], ValueOf(window, k));
        store.endGroup();
        store.sync();
        return;
    }
    auto ini = OpenIni(window);
    for (int k = 0; k < 4; ++k)
        ini->setValue(Names[k], ValueOf(window, k));
    ini->sync();
}

} // namespace koralix
