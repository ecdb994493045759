// The open and save dialogs of the workbench, behind an interface so that
// tests can answer them.
#pragma once

#include <QString>

class QWidget;

namespace koralix {

class FileChooser {
  public:
    virtual ~FileChooser() = default;
    // `filter` uses the "Description (*.ext)|*.ext|..." form of the program's
    // dialogs. Return an empty text for Cancel.
    virtual QString OpenFileName(const QString& filter, const QString& defaultExtension,
                                 const QString& folder) = 0;
    virtual QString SaveFileName(const QString& filter, const QString& defaultExtension,
                                 const QString& proposed) = 0;
};

class DialogFileChooser : public FileChooser {
  public:
    explicit DialogFileChooser(QWidget* parent) : parent_(parent) {}
    QString OpenFileName(const QString& filter, const QString& defaultExtension,
                         const QString& folder) override;
    QString SaveFileName(const QString& filter, const QString& defaultExtension,
                         const QString& proposed) override;

  private:
    QWidget* parent_;
};

// "A (*.a)|*.a|B (*.b)|*.b" as a Qt filter: "A (*.a);;B (*.b)".
QString QtFilter(const QString& filter);

} // namespace koralix
