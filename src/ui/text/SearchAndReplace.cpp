#include "SearchAndReplace.h"

#include "Messenger.h"

#include <QCheckBox>
#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextCursor>

namespace koralix {

bool IsWordDelimiter(QChar c) {
    return !c.isLetterOrNumber();
}

namespace {

// Moves p to the start of a word, counting each move against `count`.
void ToWordStart(const QString& text, int& p, int& count, int d) {
    auto delimiter = [&](int i) { return i < 0 || i >= text.size() || IsWordDelimiter(text[i]); };
    auto move = [&] {
        p += d;
        --count;
    };
    if (d > 0) {
        while (count > 0 && !delimiter(p)) move();
        while (count > 0 && delimiter(p)) move();
    } else {
        while (count > 0 && delimiter(p)) move();
        while (count > 0 && !delimiter(p)) move();
        if (delimiter(p)) ++p;
    }
}

} // namespace

std::optional<int> FindInText(const QString& textIn, const QString& searchIn, int selStart,
                              int selLength, const SearchOptions& o) {
    if (searchIn.isEmpty() || textIn.isEmpty()) return std::nullopt;
    const QString text = o.matchCase ? textIn : textIn.toLower();
    const QString search = o.matchCase ? searchIn : searchIn.toLower();
    const int n = static_cast<int>(search.size());
    const int total = static_cast<int>(text.size());
    int start, count;
    if (o.down) {
        start = selStart + selLength;
        count = total - start - n;
        if (count < 0) return std::nullopt;
    } else {
        start = selStart - n;
        count = start;
    }
    if (start < 0 || start > total) return std::nullopt;
    const int d = o.down ? 1 : -1;
    int p = start;
    while (count >= 0) {
        if (o.wholeWord) ToWordStart(text, p, count, d);
        if (p >= 0 && p + n <= total && QStringView(text).mid(p, n) == search) {
            const bool endsWord = p + n >= total || IsWordDelimiter(text[p + n]);
            if (!o.wholeWord || count == 0 || endsWord) return p;
        }
        p += d;
        --count;
    }
    return std::nullopt;
}

TSearchAndReplace::TSearchAndReplace(QPlainTextEdit* memo, Messenger& messenger, QWidget* owner)
    : QObject(owner), Memo(memo), messenger_(messenger), owner_(owner) {}

bool TSearchAndReplace::FindNext(const QString& search, const SearchOptions& options,
                                 bool report) {
    QTextCursor cursor = Memo->textCursor();
    const int start = cursor.selectionStart();
    const int length = cursor.selectionEnd() - start;
    const auto at = FindInText(Memo->toPlainText(), search, start, length, options);
    if (!at) {
        if (report) messenger_.Message(QString(NotFound).replace("%s", search).toStdString());
        return false;
    }
    cursor.setPosition(*at);
    cursor.setPosition(*at + static_cast<int>(search.size()), QTextCursor::KeepAnchor);
    Memo->setTextCursor(cursor);
    Memo->ensureCursorVisible();
    return true;
}

void TSearchAndReplace::ReplaceOnce(const QString& search, const QString& replacement,
                                    const SearchOptions& o) {
    QTextCursor cursor = Memo->textCursor();
    if (cursor.hasSelection()) {
        cursor.insertText(replacement);
        // The search goes on after the replaced text.
        cursor.setPosition(cursor.position() - static_cast<int>(replacement.size()),
                           QTextCursor::KeepAnchor);
        Memo->setTextCursor(cursor);
    }
    FindNext(search, o);
}

void TSearchAndReplace::ReplaceAll(const QString& search, const QString& replacement,
                                   const SearchOptions& o) {
    QTextCursor cursor = Memo->textCursor();
    cursor.movePosition(QTextCursor::Start);
    Memo->setTextCursor(cursor);
    cursor.beginEditBlock();
    while (FindNext(search, o, false)) {
        QTextCursor match = Memo->textCursor();
        match.insertText(replacement);
        // An empty selection after the replacement: the next search starts there.
        Memo->setTextCursor(match);
    }
    cursor.endEditBlock();
    cursor.movePosition(QTextCursor::Start);
    Memo->setTextCursor(cursor);
}

QDialog* TSearchAndReplace::BuildDialog(bool replace) {
    auto* dialog = new QDialog(owner_);
    dialog->setWindowTitle(replace ? "Replace" : "Find");
    dialog->setModal(false);
    auto* grid = new QGridLayout(dialog);
    auto* what = new QLineEdit(dialog);
    what->setObjectName("FindText");
    grid->addWidget(new QLabel("Fi&nd what:", dialog), 0, 0);
    grid->addWidget(what, 0, 1);
    QLineEdit* with = nullptr;
    if (replace) {
        with = new QLineEdit(dialog);
        with->setObjectName("ReplaceText");
        grid->addWidget(new QLabel("Re&place with:", dialog), 1, 0);
        grid->addWidget(with, 1, 1);
    }
    auto* whole = new QCheckBox("Match &whole word only", dialog);
    whole->setObjectName("WholeWord");
    auto* matchCase = new QCheckBox("Match &case", dialog);
    matchCase->setObjectName("MatchCase");
    auto* up = new QRadioButton("&Up", dialog);
    up->setObjectName("Up");
    auto* down = new QRadioButton("&Down", dialog);
    down->setObjectName("Down");
    grid->addWidget(whole, 2, 0, 1, 2);
    grid->addWidget(matchCase, 3, 0, 1, 2);
    if (!replace) {
        grid->addWidget(up, 4, 0);
        grid->addWidget(down, 4, 1);
    } else {
        up->hide();
        down->hide();
    }
    auto* next = new QPushButton("&Find Next", dialog);
    next->setDefault(true);
    grid->addWidget(next, 0, 2);
    connect(next, &QPushButton::clicked, this,
            [this, dialog, what] { FindNext(what->text(), OptionsOf(dialog)); });
    if (replace) {
        auto* one = new QPushButton("&Replace", dialog);
        auto* all = new QPushButton("Replace &All", dialog);
        grid->addWidget(one, 1, 2);
        grid->addWidget(all, 2, 2);
        connect(one, &QPushButton::clicked, this, [this, dialog, what, with] {
            ReplaceOnce(what->text(), with->text(), OptionsOf(dialog));
        });
        connect(all, &QPushButton::clicked, this, [this, dialog, what, with] {
            ReplaceAll(what->text(), with->text(), OptionsOf(dialog));
        });
    }
    auto* cancel = new QPushButton("Cancel", dialog);
    grid->addWidget(cancel, replace ? 3 : 1, 2);
    connect(cancel, &QPushButton::clicked, dialog, &QDialog::hide);
    return dialog;
}

SearchOptions TSearchAndReplace::OptionsOf(QDialog* dialog) const {
    SearchOptions o;
    o.down = !dialog->findChild<QRadioButton*>("Up")->isChecked();
    o.matchCase = dialog->findChild<QCheckBox*>("MatchCase")->isChecked();
    o.wholeWord = dialog->findChild<QCheckBox*>("WholeWord")->isChecked();
    return o;
}

void TSearchAndReplace::ShowDialog(QDialog* dialog) {
    QTextCursor cursor = Memo->textCursor();
    if (cursor.hasSelection())
        dialog->findChild<QLineEdit*>("FindText")->setText(cursor.selectedText());
    dialog->findChild<QRadioButton*>("Down")->setChecked(true);
    dialog->findChild<QCheckBox*>("MatchCase")->setChecked(false);
    dialog->findChild<QCheckBox*>("WholeWord")->setChecked(false);
    cursor.setPosition(cursor.selectionStart());
    Memo->setTextCursor(cursor);
    dialog->show();
    dialog->raise();
}

void TSearchAndReplace::Find() {
    if (!findDialog_) findDialog_ = BuildDialog(false);
    ShowDialog(findDialog_);
}

void TSearchAndReplace::Replace() {
    if (!replaceDialog_) replaceDialog_ = BuildDialog(true);
    ShowDialog(replaceDialog_);
}

} // namespace koralix
