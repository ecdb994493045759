// The program's help pages: plain HTML files in a folder beside the program,
// shown in a window of the program.
#pragma once

#include <QMainWindow>

class QTextBrowser;

namespace koralix {

// The folder of the help pages: $KORALIX_HELP when set, else "help" beside the
// program, else share/koralix/help next to the program's folder.
QString HelpFolder();

class THelpWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit THelpWindow(QWidget* parent = nullptr);
    // A page of the help folder such as "phases.html" or "plot.html#scales".
    void ShowPage(const QString& page);
    // "index" for the contents, or a topic such as "Refinement".
    void ShowTopic(const QString& topic);
    // The page shown, relative to the help folder ("plot.html#scales").
    QString CurrentPage() const;

  private:
    QTextBrowser* browser_;
};

// The one help window of the program, created on first use.
THelpWindow& Help();

} // namespace koralix
