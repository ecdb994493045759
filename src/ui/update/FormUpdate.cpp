#include "FormUpdate.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#ifndef KORALIX_VERSION
#define KORALIX_VERSION "0.0"
#endif

namespace koralix {

// Questions asked on the worker thread are answered on the dialog's thread,
// where the user (or a test's scripted messenger) answers them.
class TFormUpdate::Bridge : public Messenger {
  public:
    explicit Bridge(TFormUpdate& form) : form_(form) {}
    void Message(const std::string& text) override { Ask(text); }
    Answer Ask(const std::string& question) override {
        if (form_.closing_) return Answer::Cancel;
        Answer answer = Answer::Cancel;
        QMetaObject::invokeMethod(
            &form_, [&] { answer = form_.questions_.Ask(question); },
            Qt::BlockingQueuedConnection);
        return answer;
    }

  private:
    TFormUpdate& form_;
};

TFormUpdate::TFormUpdate(TSettings& settings, QSettings& store, Messenger& questions,
                         QWidget* parent)
    : QDialog(parent), settings_(settings), store_(store), questions_(questions),
      bridge_(std::make_unique<Bridge>(*this)) {
    setObjectName("FormUpdate");
    setWindowTitle("Koralix Update");
    sites_ = LoadUpdateSites(store_);
    cbSites = new QComboBox(this);
    for (const TUpdateSite& site : sites_)
        cbSites->addItem(site.Caption);
    cbSites->setCurrentIndex(std::clamp(settings_.UpdateSite, 0, cbSites->count() - 1));
    connect(cbSites, &QComboBox::activated, this, [this](int index) {
        settings_.UpdateSite = index;
        btUpdate->setText("Update");
    });
    btUpdate = new QPushButton("Update", this);
    btUpdate->setDefault(true);
    connect(btUpdate, &QPushButton::clicked, this, &TFormUpdate::ButtonClicked);
    lbUpdateStatus = new QLabel(this);
    lbUpdateStatus->setWordWrap(true);
    lbUpdateStatus->setMinimumWidth(360);
    lbfiles = new QLabel(this);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel("Site:", this), 0, 0);
    grid->addWidget(cbSites, 0, 1);
    grid->addWidget(btUpdate, 0, 2);
    grid->addWidget(new QLabel("Status:", this), 1, 0, Qt::AlignTop);
    grid->addWidget(lbUpdateStatus, 1, 1, 1, 2);
    grid->addWidget(lbfiles, 2, 1, 1, 2);
    grid->setColumnStretch(1, 1);

    WebUpdate1.InstalledVersion = KORALIX_VERSION;
    WebUpdate1.InstallFolder = QCoreApplication::applicationDirPath().toStdString();
    WebUpdate1.RecordFile = store_.fileName().toStdString();
    WebUpdate1.OnStatus = [this](TWebUpdate&, const std::string& text, int code, int) {
        QMetaObject::invokeMethod(
            this, [this, status = QString::fromStdString(text), code] { ShowStatus(status, code); },
            Qt::QueuedConnection);
    };
    WebUpdate1.OnFileProgress = [this](TWebUpdate&, const std::string& file, int64_t pos,
                                       int64_t) {
        QMetaObject::invokeMethod(
            this,
            [this, name = QString::fromStdString(file), pos] {
                lbfiles->setText("Downloading " + name + "  Size: " + QString::number(pos));
            },
            Qt::QueuedConnection);
    };
}

TFormUpdate::~TFormUpdate() {
    StopWorker();
}

void TFormUpdate::showEvent(QShowEvent* event) {
    if (!running_) btUpdate->setText("Update");
    QDialog::showEvent(event);
}

void TFormUpdate::reject() {
    StopWorker();
    QDialog::reject();
}

void TFormUpdate::StopWorker() {
    closing_ = true;
    WebUpdate1.Cancel();
    // The worker may be waiting for an event of this thread; keep them flowing.
    while (running_)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (worker_.joinable()) worker_.join();
    closing_ = false;
}

void TFormUpdate::SetUpSite(int index) {
    const TUpdateSite site = UpdateSiteAt(sites_, index);
    TWebUpdate& w = WebUpdate1;
    if (site.IsFtp()) {
        w.UpdateType = TUpdateType::ftpUpdate;
        w.FTPPassive = true;
        w.Host = site.Host.toStdString();
        w.FTPDirectory = site.Directory.toStdString();
        w.URL = "update.inf";
        w.Proxy.clear();
        w.Port = 0;
    } else {
        w.UpdateType = TUpdateType::httpUpdate;
        w.FTPPassive = false;
        w.Host = site.Host.toStdString();
        w.URL = (site.Host + site.Directory + "update.inf").toStdString();
    }
    w.UserID.clear();
    w.Password.clear();
    w.DateFormat = "dd/mm/yyyy";
    w.DateSeparator = '/';
    w.Signature = "WebUpdate";
    w.ConnectPrompt = TConnectPrompt::wucConnectPrompt;
    w.UpdatePrompt = TUpdatePrompt::wuuPromptOnce;
    w.Questions = bridge_.get();
}

void TFormUpdate::ButtonClicked() {
    if (btUpdate->text() != "Update") {
        QApplication::restoreOverrideCursor();
        accept();
        return;
    }
    if (running_) return;
    btUpdate->setText("OK");
    settings_.UpdateSite = cbSites->currentIndex();
    lbfiles->clear();
    SetUpSite(settings_.UpdateSite);
    Run();
}

void TFormUpdate::Run() {
    if (worker_.joinable()) worker_.join();
    running_ = true;
    btUpdate->setEnabled(false);
    cbSites->setEnabled(false);
    setCursor(Qt::BusyCursor);
    worker_ = std::thread([this] {
        const int code = WebUpdate1.DoUpdate();
        QMetaObject::invokeMethod(
            this,
            [this, code] {
                unsetCursor();
                btUpdate->setEnabled(true);
                cbSites->setEnabled(true);
                btUpdate->setText("OK");
                emit Finished(code);
            },
            Qt::QueuedConnection);
        running_ = false;
    });
}

void TFormUpdate::ShowStatus(const QString& text, int code) {
    lbUpdateStatus->setText(text);
    if (text == "Update control file not found")
        lbfiles->setText("No update file available.");
    else if (code == UpdateStatus::CurrentVersion)
        lbfiles->setText("This is the current version of Koralix.");
}

} // namespace koralix
