// koralix: the workbench.
#include "FileChooser.h"
#include "FormKoralix.h"
#include "MainHooks.h"
#include "TempFolders.h"
#include "UiMessenger.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Ended by a signal during a refinement, the workbench leaves no private folder.
    koralix::RemoveTempFoldersOnSignals();
    QApplication::setOrganizationName("Koralix");
    QApplication::setApplicationName("Koralix");
    koralix::UiMessenger messenger;
    koralix::TFormKoralix* window = nullptr;
    koralix::DialogFileChooser files(nullptr);
    auto form =
        std::make_unique<koralix::TFormKoralix>(koralix::OpenUserSettings(), messenger, files);
    window = form.get();
    window->show();
    // A single argument is a file to open once the window is up.
    if (argc == 2) {
        const QString path = QString::fromLocal8Bit(argv[1]);
        window->QuickStartPending = true;
        QTimer::singleShot(0, window, [window, path] {
            window->ProcessFile(path);
            window->activateWindow();
        });
        // A desktop without a window manager never activates the window.
        QTimer::singleShot(1000, window, [window] {
            if (!window->QuickStartPending) return;
            window->QuickStartPending = false;
            window->QuickStart();
        });
    }
    // After the command-line file: the main window's macros and the start-up macro.
    QTimer::singleShot(0, window, [window] { window->Hooks->Start(); });
    return app.exec();
}
