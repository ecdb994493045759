// The help pages: every link of every page and every window of the help table
// leads to a page (and anchor) that exists, every page is reachable from the
// contents, and F1 opens the page of the window it is pressed in.
#include "HelpTopics.h"
#include "HelpWindow.h"
#include "OptionsDlg.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

using namespace koralix;

namespace {

const QString Pages = QStringLiteral(KORALIX_HELP_PAGES_FOLDER);

QString Text(const QString& page) {
    QFile in(QDir(Pages).filePath(page));
    return in.open(QIODevice::ReadOnly) ? QString::fromUtf8(in.readAll()) : QString();
}

QStringList Matches(const QString& text, const QString& pattern) {
    QStringList found;
    QRegularExpression expression(pattern, QRegularExpression::CaseInsensitiveOption);
    for (const QRegularExpressionMatch& m : expression.globalMatch(text))
        found << m.captured(1);
    return found;
}

QStringList Links(const QString& page) {
    return Matches(Text(page), R"re(href\s*=\s*"([^"]*)")re");
}

// Empty when `link` (relative to `from`) leads to an existing page and anchor.
QString Fault(const QString& from, const QString& link) {
    if (link.contains(':')) return "points outside the help: " + link;
    QString file = link.section('#', 0, 0);
    const QString anchor = link.section('#', 1);
    if (file.isEmpty()) file = from;
    if (!QFile::exists(QDir(Pages).filePath(file))) return "no page " + file;
    if (!anchor.isEmpty()) {
        const QStringList ids = Matches(Text(file), R"re((?:id|name)\s*=\s*"([^"]*)")re");
        if (!ids.contains(anchor)) return "no anchor " + anchor + " in " + file;
    }
    return {};
}

TEST(HelpPages, EveryLinkResolves) {
    const QStringList pages = QDir(Pages).entryList({"*.html"}, QDir::Files);
    ASSERT_GT(pages.size(), 20);
    for (const QString& page : pages) {
        EXPECT_TRUE(Text(page).contains("<title>")) << page.toStdString() << " has no title";
        for (const QString& link : Links(page)) {
            const QString fault = Fault(page, link);
            EXPECT_TRUE(fault.isEmpty()) << page.toStdString() << ": " << fault.toStdString();
        }
    }
}

TEST(HelpPages, EveryWindowOfTheTableHasItsPage) {
    for (const THelpTopic& topic : HelpTopics()) {
        const QString fault = Fault("index.html", topic.Page);
        EXPECT_TRUE(fault.isEmpty()) << topic.Window << ": " << fault.toStdString();
    }
}

TEST(HelpPages, EveryPageIsReachableFromTheContents) {
    QSet<QString> reached{"index.html"};
    QStringList queue{"index.html"};
    while (!queue.isEmpty()) {
        const QString page = queue.takeFirst();
        for (const QString& link : Links(page)) {
            const QString file = link.section('#', 0, 0);
            if (file.isEmpty() || reached.contains(file)) continue;
            reached.insert(file);
            queue << file;
        }
    }
    for (const QString& page : QDir(Pages).entryList({"*.html"}, QDir::Files))
        EXPECT_TRUE(reached.contains(page)) << page.toStdString() << " is not reachable";
}

TEST(HelpPages, WindowsFindTheirPageByClassThenObjectName) {
    struct Case {
        const char* objectName;
        const char* page;
    } cases[] = {
        {"ParametersForm", "parameters.html"},
        {"KoralixForm", "index.html"},
        {"SomethingNew", "index.html"},
    };
    for (const Case& c : cases) {
        QWidget window;
        window.setObjectName(c.objectName);
        EXPECT_EQ(HelpPageFor(&window), c.page) << c.objectName;
    }
    EXPECT_EQ(HelpPageFor(nullptr), "index.html");
}

TEST(HelpPages, F1OpensThePageOfTheActiveWindow) {
    qputenv("KORALIX_HELP", Pages.toUtf8());
    InstallHelpKey();
    TSettings settings;
    QSettings store(QDir::temp().filePath("koralix-help-test.ini"), QSettings::IniFormat);
    RecordingMessenger messenger;
    struct NoFiles : FileChooser {
        QString OpenFileName(const QString&, const QString&, const QString&) override { return {}; }
        QString SaveFileName(const QString&, const QString&, const QString&) override { return {}; }
    } files;
    TOptionsDlg dialog(settings, store, messenger, files);
    dialog.show();
    QTest::keyClick(dialog.seRecent, Qt::Key_F1);
    EXPECT_TRUE(Help().isVisible());
    EXPECT_EQ(Help().CurrentPage(), "preferences.html");
    Help().hide();
    QFile::remove(store.fileName());
}

} // namespace
