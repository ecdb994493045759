#include "FileChooser.h"

#include <QFileDialog>
#include <QFileInfo>

namespace koralix {

QString QtFilter(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList entries;
    for (int k = 0; k + 1 < parts.size(); k += 2) {
        QString description = parts[k];
        const QString pattern = parts[k + 1];
        if (!description.contains('(')) description += " (" + pattern + ")";
        entries << description;
    }
    return entries.join(";;");
}

namespace {

QString WithDefaultExtension(QString name, const QString& extension) {
    if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty() && !extension.isEmpty())
        name += "." + extension;
    return name;
}

} // namespace

QString DialogFileChooser::OpenFileName(const QString& filter, const QString& defaultExtension,
                                        const QString& folder) {
    return WithDefaultExtension(
        QFileDialog::getOpenFileName(parent_, QString(), folder, QtFilter(filter)),
        defaultExtension);
}

QString DialogFileChooser::SaveFileName(const QString& filter, const QString& defaultExtension,
                                        const QString& proposed) {
    return WithDefaultExtension(
        QFileDialog::getSaveFileName(parent_, QString(), proposed, QtFilter(filter)),
        defaultExtension);
}

} // namespace koralix
