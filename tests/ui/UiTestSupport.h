// What window tests share: scripted file dialogs, a workbench on a private
// settings file, and a copy of a model in a temporary folder.
#pragma once

#include "FileChooser.h"
#include "FormKoralix.h"
#include "Messenger.h"

#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include <filesystem>
#include <memory>

namespace koralix::testing {

// Answers open and save dialogs from lists (empty: Cancel) and records the folder asked.
class ScriptedFileChooser : public FileChooser {
  public:
    QStringList opens, saves;
    QString lastFolder, lastProposed, lastFilter;
    QString OpenFileName(const QString& filter, const QString&, const QString& folder) override {
        lastFilter = filter;
        lastFolder = folder;
        return opens.isEmpty() ? QString() : opens.takeFirst();
    }
    QString SaveFileName(const QString& filter, const QString&, const QString& proposed) override {
        lastFilter = filter;
        lastProposed = proposed;
        return saves.isEmpty() ? QString() : saves.takeFirst();
    }
};

// A main window with its own settings file in `folder`; questions go to
// `messenger` (RecordingMessenger answers from its `answers` list, then Yes).
inline std::unique_ptr<TFormKoralix> MakeWorkbench(const QTemporaryDir& folder,
                                                   Messenger& messenger, FileChooser& files) {
    auto store = std::make_unique<QSettings>(folder.filePath("Koralix.ini"), QSettings::IniFormat);
    return std::make_unique<TFormKoralix>(std::move(store), messenger, files);
}

// Copies `source` into `folder` as `name` and gives the new path.
inline QString CopyInto(const QTemporaryDir& folder, const QString& source, const QString& name) {
    const QString target = folder.filePath(name);
    std::filesystem::copy_file(source.toStdString(), target.toStdString(),
                               std::filesystem::copy_options::overwrite_existing);
    return target;
}

} // namespace koralix::testing
