// The update dialog against update sites served on the loopback interface by
// servers the tests start themselves: a newer version is installed, the
// current one is recognised, a missing control file, a wrong checksum that
// replaces nothing, and a server that never answers.
#include "FormUpdate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace koralix;

namespace {

const QString Python = QStringLiteral("/usr/bin/python3");
const QString ServerScript = QStringLiteral(KORALIX_TEST_SOURCES "/loopback_server.py");

// A server process of the test's own, ended when the fixture ends.
class LoopbackServer {
  public:
    ~LoopbackServer() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.closeWriteChannel(); // the server stops when its input closes
        if (!process_.waitForFinished(3000)) process_.kill();
        process_.waitForFinished(3000);
    }
    // The port, or 0 when the server did not start.
    int Start(const QString& mode, const QString& folder) {
        process_.start(Python, {ServerScript, mode, folder});
        if (!process_.waitForStarted(5000)) return 0;
        while (!process_.canReadLine())
            if (!process_.waitForReadyRead(10000)) return 0;
        return process_.readLine().trimmed().toInt();
    }

  private:
    QProcess process_;
};

bool HasPyftpdlib() {
    return QProcess::execute(Python, {"-c", "import pyftpdlib"}) == 0;
}

QByteArray Sha256(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes);
}

QByteArray ReadFile(const QString& path) {
    QFile in(path);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

class UpdateDialogTest : public ::testing::Test {
  protected:
    QTemporaryDir site, install, config;
    std::unique_ptr<QSettings> store;
    TSettings settings;
    RecordingMessenger questions;
    const QString directory = "/koralix/updates/";
    const QByteArray program = "new program\n";
    const QByteArray page = "<html>new help</html>\n";

    void SetUp() override {
        store = std::make_unique<QSettings>(config.filePath("Koralix.ini"), QSettings::IniFormat);
        WriteFile(install.filePath("koralix"), "old program\n");
        WriteFile(install.filePath("help/index.html"), "<html>old help</html>\n");
        WriteFile(site.filePath("koralix/updates/koralix"), program);
        WriteFile(site.filePath("koralix/updates/help/index.html"), page);
    }

    void PublishControlFile(const QByteArray& version, QByteArray programSum = {}) {
        if (programSum.isEmpty()) programSum = Sha256(program);
        const QByteArray text = "# Koralix update\nVersion=" + version +
                                "\nDate=24/12/2026\nFile=koralix " +
                                QByteArray::number(program.size()) + " " + programSum +
                                "\nFile=help/index.html " + QByteArray::number(page.size()) +
                                " " + Sha256(page) + "\n";
        WriteFile(site.filePath("koralix/updates/update.inf"), text);
    }

    // Ended before the folders it serves are removed.
    LoopbackServer server;
    QString host;

    // Serves the site folder ("http", "ftp" or "silent") as update site 1.
    bool ServeSite(const QString& mode, const QString& scheme) {
        const int port = server.Start(mode, site.path());
        if (port <= 0) return false;
        host = scheme + "://127.0.0.1:" + QString::number(port);
        store->setValue("Update/Host1", host);
        store->setValue("Update/Directory1", directory);
        settings.UpdateSite = 0;
        return true;
    }

    // Presses Update and waits for the worker to finish; returns the status code.
    int RunUpdate(TFormUpdate& form) {
        form.WebUpdate1.InstallFolder = install.path().toStdString();
        form.WebUpdate1.InstalledVersion = "0.1";
        form.WebUpdate1.ConnectTimeout = 3;
        form.WebUpdate1.StallTimeout = 2;
        QSignalSpy finished(&form, &TFormUpdate::Finished);
        form.ButtonClicked();
        if (!finished.wait(60000)) return -1;
        return finished.first().first().toInt();
    }
};

TEST_F(UpdateDialogTest, NewerVersionOverHttpIsInstalledAfterTwoQuestions) {
    PublishControlFile("0.2");
    ASSERT_TRUE(ServeSite("http", "http"));
    TFormUpdate form(settings, *store, questions);
    form.show();
    EXPECT_EQ(form.windowTitle(), "Koralix Update");
    EXPECT_EQ(form.btUpdate->text(), "Update");
    EXPECT_EQ(RunUpdate(form), UpdateStatus::Installed);
    EXPECT_EQ(form.WebUpdate1.UpdateType, TUpdateType::httpUpdate);
    EXPECT_EQ(form.WebUpdate1.URL, (host + directory + "update.inf").toStdString());
    ASSERT_EQ(questions.questions.size(), 2u);
    EXPECT_NE(questions.questions[1].find("Version 0.2"), std::string::npos);
    EXPECT_EQ(ReadFile(install.filePath("koralix")), program);
    EXPECT_EQ(ReadFile(install.filePath("help/index.html")), page);
    EXPECT_FALSE(QDir(install.filePath(".koralix-update")).exists());
    EXPECT_TRUE(form.lbfiles->text().startsWith("Downloading "));
    EXPECT_TRUE(form.lbfiles->text().contains("  Size: "));
    EXPECT_EQ(form.btUpdate->text(), "OK");
    QSettings record(store->fileName(), QSettings::IniFormat);
    EXPECT_TRUE(record.value("Update/LastURL").toString().endsWith("/update.inf"));
    EXPECT_EQ(record.value("Update/LastDate").toString().size(), 10);
    EXPECT_FALSE(record.value("Update/LastTime").toString().isEmpty());
}

TEST_F(UpdateDialogTest, AnswerNoToTheDownloadLeavesTheProgram) {
    PublishControlFile("0.2");
    ASSERT_TRUE(ServeSite("http", "http"));
    questions.answers = {Answer::Yes, Answer::No};
    TFormUpdate form(settings, *store, questions);
    EXPECT_EQ(RunUpdate(form), UpdateStatus::Cancelled);
    EXPECT_EQ(ReadFile(install.filePath("koralix")), "old program\n");
}

TEST_F(UpdateDialogTest, SameVersionIsTheCurrentOne) {
    PublishControlFile("0.1.0");
    ASSERT_TRUE(ServeSite("http", "http"));
    TFormUpdate form(settings, *store, questions);
    EXPECT_EQ(RunUpdate(form), UpdateStatus::CurrentVersion);
    EXPECT_EQ(form.lbfiles->text(), "This is the current version of Koralix.");
    EXPECT_EQ(ReadFile(install.filePath("koralix")), "old program\n");
}

TEST_F(UpdateDialogTest, MissingControlFileSaysNoUpdateFile) {
    ASSERT_TRUE(ServeSite("http", "http"));
    TFormUpdate form(settings, *store, questions);
    EXPECT_EQ(RunUpdate(form), UpdateStatus::NoControlFile);
    EXPECT_EQ(form.lbUpdateStatus->text(), "Update control file not found");
    EXPECT_EQ(form.lbfiles->text(), "No update file available.");
}

TEST_F(UpdateDialogTest, WrongChecksumReplacesNothing) {
    PublishControlFile("0.2", QByteArray(64, 'a'));
    ASSERT_TRUE(ServeSite("http", "http"));
    TFormUpdate form(settings, *store, questions);
    EXPECT_EQ(RunUpdate(form), UpdateStatus::BadChecksum);
    EXPECT_TRUE(form.lbUpdateStatus->text().contains("nothing was installed"));
    EXPECT_EQ(ReadFile(install.filePath("koralix")), "old program\n");
    EXPECT_EQ(ReadFile(install.filePath("help/index.html")), "<html>old help</html>\n");
    EXPECT_FALSE(QDir(install.filePath(".koralix-update")).exists());
}

TEST_F(UpdateDialogTest, ServerThatNeverAnswersGivesAStatusAndTheDialogStaysUsable) {
    ASSERT_TRUE(ServeSite("silent", "http"));
    TFormUpdate form(settings, *store, questions);
    form.show();
    EXPECT_EQ(RunUpdate(form), UpdateStatus::NoConnection);
    EXPECT_EQ(form.lbUpdateStatus->text(), "Cannot open Internet connection");
    // Choosing another site makes the button an Update button again; OK closes.
    emit form.cbSites->activated(1);
    EXPECT_EQ(form.btUpdate->text(), "Update");
    EXPECT_EQ(settings.UpdateSite, 1);
    form.btUpdate->setText("OK");
    form.ButtonClicked();
    EXPECT_FALSE(form.isVisible());
}

TEST_F(UpdateDialogTest, NewerVersionOverFtpIsInstalled) {
    if (!HasPyftpdlib()) GTEST_SKIP() << "python3-pyftpdlib is not installed; FTP not tested";
    PublishControlFile("0.2");
    ASSERT_TRUE(ServeSite("ftp", "ftp"));
    TFormUpdate form(settings, *store, questions);
    EXPECT_EQ(RunUpdate(form), UpdateStatus::Installed);
    EXPECT_EQ(form.WebUpdate1.UpdateType, TUpdateType::ftpUpdate);
    EXPECT_TRUE(form.WebUpdate1.FTPPassive);
    EXPECT_EQ(form.WebUpdate1.URL, "update.inf");
    EXPECT_EQ(ReadFile(install.filePath("koralix")), program);
}

TEST_F(UpdateDialogTest, FtpHostThatIsNotThereIsNamed) {
    // A host that takes the connection and never greets.
    ASSERT_TRUE(ServeSite("silent", "ftp"));
    TFormUpdate form(settings, *store, questions);
    EXPECT_EQ(RunUpdate(form), UpdateStatus::NoFtpHost);
    EXPECT_EQ(form.lbUpdateStatus->text(), "Cannot connect to FTP host : " + host);
}

} // namespace
