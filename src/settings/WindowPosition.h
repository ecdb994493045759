// Where a window was left: its outer top, left, width and height, kept under a
// key of the settings store (or in a section of an INI file) and restored when
// the window is shown again. The window itself is reached through a small
// interface, so the rules are testable without a display.
#pragma once

#include <QSettings>
#include <QString>

#include <memory>

namespace koralix {

class TPlacedWindow {
  public:
    virtual ~TPlacedWindow() = default;
    virtual int Top() const = 0;
    virtual int Left() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetTop(int value) = 0;
    virtual void SetLeft(int value) = 0;
    virtual void SetWidth(int value) = 0;
    virtual void SetHeight(int value) = 0;
    // The window's name, the default INI section.
    virtual QString Name() const = 0;
    // A window set to open centred switches to its designed position, so that a
    // restored place is kept.
    virtual void KeepRestoredPlace() {}
};

// The registry roots the program knows; only the current user's is kept here.
enum class TPosSaverHKEY {
    _CLASSES_ROOT,
    _CURRENT_USER,
    _LOCAL_MACHINE,
    _USERS,
    _PERFORMANCE_DATA,
    _CURRENT_CONFIG,
    _DYN_DATA,
};

class TWindowPosition {
  public:
    QString IniName;
    QString IniSection;
    bool UseRegistry = true;
    // A key path such as "Software\Koralix\Configuration\KoralixForm".
    QString RegKey;
    TPosSaverHKEY RegRootKey = TPosSaverHKEY::_CURRENT_USER;

    // `store` is the program's settings store, used in registry mode.
    void Restore(QSettings& store, TPlacedWindow& window);
    void Store(QSettings& store, const TPlacedWindow& window);

    // The group in the program's store that a registry key stands for.
    static QString GroupOf(const QString& regKey);

  private:
    std::unique_ptr<QSettings> OpenIni(const TPlacedWindow& window);
};

} // namespace koralix
