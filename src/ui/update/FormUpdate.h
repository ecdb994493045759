// The update dialog: the user picks an update site and presses Update; the
// update component reads the site's control file and installs a newer version
// on a worker thread while the dialog shows its status and file progress.
#pragma once

#include "Messenger.h"
#include "Preferences.h"
#include "Settings.h"
#include "WebUpdate.h"

#include <QDialog>

#include <atomic>
#include <thread>

class QComboBox;
class QLabel;
class QPushButton;

namespace koralix {

class TFormUpdate : public QDialog {
    Q_OBJECT
  public:
    // `questions` answers the component's two questions on this dialog's thread.
    TFormUpdate(TSettings& settings, QSettings& store, Messenger& questions,
                QWidget* parent = nullptr);
    ~TFormUpdate() override;

    QComboBox* cbSites = nullptr;
    QPushButton* btUpdate = nullptr;
    QLabel* lbUpdateStatus = nullptr;
    QLabel* lbfiles = nullptr;
    // Set up anew for the chosen site on every Update; tests may change the
    // install folder, the installed version and the timeouts beforehand.
    TWebUpdate WebUpdate1;
    bool Running() const { return running_; }

    // What the button does, by its caption.
    void ButtonClicked();
    // Sets the component up for a site, as the button does.
    void SetUpSite(int index);

  signals:
    // The update ended with this status code.
    void Finished(int code);

  protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

  private:
    class Bridge;
    void Run();
    void ShowStatus(const QString& text, int code);
    void StopWorker();

    TSettings& settings_;
    QSettings& store_;
    Messenger& questions_;
    std::unique_ptr<Messenger> bridge_;
    std::vector<TUpdateSite> sites_;
    std::thread worker_;
    std::atomic<bool> running_ = false;
    std::atomic<bool> closing_ = false;
};

} // namespace koralix
