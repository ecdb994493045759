// TSearchAndReplace: the find and replace dialogs of a text window and the
// search that they run. The search itself (FindInText) needs no window.
#pragma once

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

namespace koralix {

class Messenger;

struct SearchOptions {
    bool down = true;
    bool matchCase = false;
    bool wholeWord = false;
};

// True for the characters that separate words (everything but letters and digits).
bool IsWordDelimiter(QChar c);
// The start of the next match of `search` in `text`, searching from the
// selection (start, length) in the chosen direction; none when nothing matches.
std::optional<int> FindInText(const QString& text, const QString& search, int selectionStart,
                              int selectionLength, const SearchOptions& options);

class TSearchAndReplace : public QObject {
    Q_OBJECT
  public:
    TSearchAndReplace(QPlainTextEdit* memo, Messenger& messenger, QWidget* owner);

    QPlainTextEdit* Memo;
    QString NotFound = QStringLiteral("\"%s\" was not found in text");

    void Find();
    void Replace();
    // The dialogs' buttons, also used directly by tests.
    bool FindNext(const QString& search, const SearchOptions& options, bool report = true);
    void ReplaceOnce(const QString& search, const QString& replacement, const SearchOptions& o);
    void ReplaceAll(const QString& search, const QString& replacement, const SearchOptions& o);

    QDialog* FindDialog() const { return findDialog_; }
    QDialog* ReplaceDialog() const { return replaceDialog_; }

  private:
    QDialog* BuildDialog(bool replace);
    void ShowDialog(QDialog* dialog);
    SearchOptions OptionsOf(QDialog* dialog) const;

    Messenger& messenger_;
    QWidget* owner_;
    QPointer<QDialog> findDialog_;
    QPointer<QDialog> replaceDialog_;
};

} // namespace koralix
