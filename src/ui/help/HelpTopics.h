// Which help page belongs to which window, in one table, and the F1 key that
// opens it. Windows need no code of their own: the key handler looks up the
// active window's class name (or, failing that, its object name). A window's
// own Help button calls ShowHelpFor(this).
#pragma once

#include <QString>

#include <vector>

class QObject;
class QWidget;

namespace koralix {

struct THelpTopic {
    // A class name such as "koralix::TPhaseForm" (the namespace may be left
    // out) or an object name such as "ParametersForm".
    const char* Window;
    // A page of the help folder, with an optional "#anchor".
    const char* Page;
};

// Every window the program has or will have, with its page.
const std::vector<THelpTopic>& HelpTopics();

// The page of a window: its class name first (with and without namespace),
// then its object name, then its base classes; "index.html" when none is listed.
QString HelpPageFor(const QObject* window);

// Opens the help window on the page of `window` (the contents when null).
void ShowHelpFor(const QWidget* window);

// Makes F1 open the page of the active window everywhere in the application.
// Call once after the QApplication exists; later calls do nothing.
void InstallHelpKey();

} // namespace koralix
