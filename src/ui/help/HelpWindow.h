// The program's help pages, shown in a window of the program.
#pragma once

#include <QMainWindow>

class QTextBrowser;

namespace koralix {

class THelpWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit THelpWindow(QWidget* parent = nullptr);
    // "index" for the contents, or a topic such as "Refinement".
    void ShowTopic(const QString& topic);
    QString CurrentPage() const;

  private:
    QTextBrowser* browser_;
};

// The one help window of the program, created on first use.
THelpWindow& Help();

} // namespace koralix
