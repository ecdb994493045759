#include "HelpWindow.h"

#include <QTextBrowser>

static void InitHelpResources() {
    Q_INIT_RESOURCE(help);
}

namespace koralix {

THelpWindow::THelpWindow(QWidget* parent) : QMainWindow(parent) {
    InitHelpResources();
    setObjectName("HelpForm");
    setWindowTitle("Koralix Help");
    browser_ = new QTextBrowser(this);
    browser_->setOpenLinks(true);
    setCentralWidget(browser_);
    resize(700, 600);
}

void THelpWindow::ShowTopic(const QString& topic) {
    const QString page = topic.isEmpty() || topic == "index" ? "index" : topic.toLower();
    browser_->setSource(QUrl("qrc:/help/" + page + ".html"));
    show();
    raise();
}

QString THelpWindow::CurrentPage() const {
    return browser_->source().toString();
}

THelpWindow& Help() {
    static THelpWindow* window = new THelpWindow;
    return *window;
}

} // namespace koralix
