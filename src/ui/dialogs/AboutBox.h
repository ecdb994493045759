// The about box: the program's name and version, what it runs on, and the
// references and libraries it owes.
#pragma once

#include <QDialog>

class QLabel;

namespace koralix {

// The program's own version, as the about box and koralix-cli show it.
QString KoralixVersion();

class TAboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QLabel* VersionLabel = nullptr;
    QLabel* MemoryLabel = nullptr;
    QLabel* SystemLabel = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace koralix
