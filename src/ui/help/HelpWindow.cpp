#include "HelpWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QToolBar>

namespace koralix {

QString HelpFolder() {
    const QString fromEnvironment = qEnvironmentVariable("KORALIX_HELP");
    if (!fromEnvironment.isEmpty()) return fromEnvironment;
    const QDir programFolder(QCoreApplication::applicationDirPath());
    for (const QString& candidate : {QStringLiteral("help"), QStringLiteral("../share/koralix/help")}) {
        if (QFileInfo(programFolder.filePath(candidate + "/index.html")).isFile())
            return QDir::cleanPath(programFolder.filePath(candidate));
    }
    return programFolder.filePath("help");
}

THelpWindow::THelpWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName("HelpForm");
    setWindowTitle("Koralix Help");
    browser_ = new QTextBrowser(this);
    browser_->setOpenLinks(true);
    browser_->setOpenExternalLinks(true);
    setCentralWidget(browser_);
    QToolBar* bar = addToolBar("Navigation");
    bar->setObjectName("HelpToolbar");
    bar->addAction("Contents", this, [this] { ShowPage("index.html"); });
    bar->addAction("Back", browser_, &QTextBrowser::backward);
    bar->addAction("Forward", browser_, &QTextBrowser::forward);
    resize(760, 640);
}

void THelpWindow::ShowPage(const QString& page) {
    const QString file = page.section('#', 0, 0);
    const QString anchor = page.section('#', 1);
    QUrl url = QUrl::fromLocalFile(QDir(HelpFolder()).filePath(file.isEmpty() ? "index.html" : file));
    if (!anchor.isEmpty()) url.setFragment(anchor);
    browser_->setSource(url);
    show();
    raise();
    activateWindow();
}

void THelpWindow::ShowTopic(const QString& topic) {
    ShowPage(topic.isEmpty() ? QStringLiteral("index.html") : topic.toLower() + ".html");
}

QString THelpWindow::CurrentPage() const {
    const QUrl source = browser_->source();
    QString page = QDir(HelpFolder()).relativeFilePath(source.toLocalFile());
    if (source.hasFragment()) page += "#" + source.fragment();
    return page;
}

THelpWindow& Help() {
    static THelpWindow* window = new THelpWindow;
    return *window;
}

} // namespace koralix
