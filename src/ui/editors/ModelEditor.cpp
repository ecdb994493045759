#include "ModelEditor.h"

#include "HelpWindow.h"
#include "Refine.h"
#include "TextHelpers.h"
#include "Workspace.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTableWidget>

#include <algorithm>

namespace koralix {

namespace {

const char* MinimumProperty = "numberMinimum";
const char* MaximumProperty = "numberMaximum";

QString FieldName(const QLineEdit* edit) {
    return edit->accessibleName().isEmpty() ? edit->objectName() : edit->accessibleName();
}

} // namespace

std::optional<double> ReadTypedNumber(const QString& text, double minimum, double maximum) {
    const std::string typed = text.trimmed().toStdString();
    double value = 0;
    if (!typed.empty() && !TryParseReal(typed, value)) return std::nullopt;
    if (!(value >= minimum && value <= maximum)) return std::nullopt;
    return value;
}

TModelEditor::TModelEditor(TWorkspace& work, const QString& caption, QWidget* parent)
    : QWidget(parent, Qt::Window), work_(work) {
    setWindowTitle(caption);
    connect(&work_, &TWorkspace::ModelReplaced, this, [this] {
        PageChanged = false;
        if (isVisible()) Showing();
    });
    connect(&work_, &TWorkspace::ModelEdited, this, [this] {
        if (!keeping_ && !PageChanged && isVisible()) Showing();
    });
}

TRietveld& TModelEditor::Model() {
    return work_.Model();
}

void TModelEditor::DirtyPage() {
    if (filling_) return;
    PageChanged = true;
    if (work_.ModelLoaded()) work_.SetChanged(true);
}

QLineEdit* TModelEditor::NumberEdit(const QString& name, double minimum, double maximum) {
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    edit->setAccessibleName(name);
    edit->setProperty(MinimumProperty, minimum);
    edit->setProperty(MaximumProperty, maximum);
    edit->setAlignment(Qt::AlignRight);
    // The fault shows at the field while typing, not only when the page is kept.
    connect(edit, &QLineEdit::textEdited, this, [this, edit] {
        const bool good = ReadTypedNumber(edit->text(), edit->property(MinimumProperty).toDouble(),
                                          edit->property(MaximumProperty).toDouble())
                              .has_value();
        edit->setStyleSheet(good ? QString() : QStringLiteral("background: #ffd0d0;"));
        if (faultLabel_)
            faultLabel_->setText(good ? QString() : "Not a number: " + FieldName(edit));
    });
    return edit;
}

float TModelEditor::NumberOf(const QLineEdit* edit) {
    return static_cast<float>(ReadTypedNumber(edit->text()).value_or(0));
}

bool TModelEditor::CheckPage() {
    for (QLineEdit* edit : findChildren<QLineEdit*>()) {
        if (!edit->property(MinimumProperty).isValid() || !edit->isEnabled()) continue;
        const double minimum = edit->property(MinimumProperty).toDouble();
        const double maximum = edit->property(MaximumProperty).toDouble();
        if (ReadTypedNumber(edit->text(), minimum, maximum)) continue;
        QString message = "Please enter a number for " + FieldName(edit);
        if (minimum > -3e38 || maximum < 3e38)
            message += " from " + QString::number(minimum) + " to " + QString::number(maximum);
        message += " (\"" + edit->text().trimmed() + "\" is not one).";
        edit->setStyleSheet(QStringLiteral("background: #ffd0d0;"));
        if (faultLabel_) faultLabel_->setText(message);
        work_.Messages().Message(message.toStdString());
        edit->setFocus();
        edit->selectAll();
        return false;
    }
    if (faultLabel_) faultLabel_->clear();
    return true;
}

void TModelEditor::AnnounceEdit() {
    keeping_ = true;
    work_.MarkEdited();
    keeping_ = false;
}

bool TModelEditor::KeepPage() {
    if (!CheckPage()) return false;
    SaveChanges();
    PageChanged = false;
    AnnounceEdit();
    return true;
}

bool TModelEditor::LeavePage() {
    if (!PageChanged) return true;
    if (work_.Settings().AcceptChanges) return KeepPage();
    switch (work_.Messages().Ask("Keep Changes?")) {
    case Answer::Yes:
        return KeepPage();
    case Answer::No:
        PageChanged = false;
        return true;
    case Answer::Cancel:
        return false;
    }
    return false;
}

void TModelEditor::Ok() {
    if (!KeepPage()) return;
    hiding_ = true;
    close();
    hiding_ = false;
}

void TModelEditor::Cancel() {
    PageChanged = false;
    hiding_ = true;
    close();
    hiding_ = false;
}

QCheckBox* TModelEditor::FlagBox(std::function<TAddress()> address, const QString& name) {
    auto* box = new QCheckBox(name);
    box->setToolTip("Check to vary");
    flags_.push_back({box, std::move(address)});
    return box;
}

void TModelEditor::LoadFlags() {
    Filling filling(*this);
    for (const Flag& flag : flags_)
        flag.box->setChecked(Model().IsRefined(flag.address()));
}

void TModelEditor::StoreFlags() {
    for (const Flag& flag : flags_)
        StoreFlag(flag.address(), flag.box->isEnabled() && flag.box->isChecked());
}

void TModelEditor::StoreFlag(const TAddress& address, bool refined) {
    if (Model().IsRefined(address) == refined) return;
    Model().Parameters.SetRefined(address, refined);
    if (work_.ModelLoaded()) work_.SetChanged(true);
}

void TModelEditor::WatchEdits(QWidget* root) {
    for (QLineEdit* e : root->findChildren<QLineEdit*>())
        connect(e, &QLineEdit::textEdited, this, &TModelEditor::DirtyPage);
    for (QComboBox* c : root->findChildren<QComboBox*>())
        connect(c, &QComboBox::activated, this, &TModelEditor::DirtyPage);
    for (QCheckBox* c : root->findChildren<QCheckBox*>())
        connect(c, &QCheckBox::toggled, this, &TModelEditor::DirtyPage);
    for (QRadioButton* r : root->findChildren<QRadioButton*>())
        connect(r, &QRadioButton::toggled, this, &TModelEditor::DirtyPage);
    for (QSpinBox* s : root->findChildren<QSpinBox*>())
        connect(s, &QSpinBox::valueChanged, this, &TModelEditor::DirtyPage);
    for (QTableWidget* t : root->findChildren<QTableWidget*>())
        connect(t, &QTableWidget::itemChanged, this, &TModelEditor::DirtyPage);
    for (QPlainTextEdit* t : root->findChildren<QPlainTextEdit*>())
        connect(t, &QPlainTextEdit::textChanged, this, &TModelEditor::DirtyPage);
}

void TModelEditor::UseTabs(QTabBar* tabs) {
    connect(tabs, &QTabBar::currentChanged, this, [this, tabs](int index) {
        if (switchingTab_) return;
        if (!LeavePage()) {
            // Stay on the page the user is editing.
            switchingTab_ = true;
            tabs->setCurrentIndex(shownTab_);
            switchingTab_ = false;
            return;
        }
        shownTab_ = index;
        UpdateForm();
    });
    shownTab_ = tabs->currentIndex();
    trackedTabs_ = tabs;
}

void TModelEditor::RebuildTabs(const QStringList& captions, int current) {
    if (!trackedTabs_) return;
    switchingTab_ = true;
    while (trackedTabs_->count() > 0)
        trackedTabs_->removeTab(trackedTabs_->count() - 1);
    for (const QString& caption : captions)
        trackedTabs_->addTab(caption);
    trackedTabs_->setCurrentIndex(std::clamp(current, 0, std::max(0, int(captions.size()) - 1)));
    shownTab_ = trackedTabs_->currentIndex();
    switchingTab_ = false;
}

QWidget* TModelEditor::ButtonRow(const QString& helpTopic) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    faultLabel_ = new QLabel;
    faultLabel_->setObjectName("FaultLabel");
    faultLabel_->setStyleSheet("color: #b00000;");
    faultLabel_->setWordWrap(true);
    layout->addWidget(faultLabel_, 1);
    auto* ok = new QPushButton("OK");
    ok->setObjectName("OkButton");
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel");
    cancel->setObjectName("CancelButton");
    auto* help = new QPushButton("Help");
    help->setObjectName("HelpButton");
    connect(ok, &QPushButton::clicked, this, &TModelEditor::Ok);
    connect(cancel, &QPushButton::clicked, this, &TModelEditor::Cancel);
    connect(help, &QPushButton::clicked, this, [helpTopic] { Help().ShowTopic(helpTopic); });
    layout->addWidget(ok);
    layout->addWidget(cancel);
    layout->addWidget(help);
    return row;
}

void TModelEditor::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        PageChanged = false;
        Showing();
    }
    QWidget::showEvent(event);
}

void TModelEditor::closeEvent(QCloseEvent* event) {
    if (hiding_ || !PageChanged) {
        event->accept();
        return;
    }
    switch (work_.Messages().Ask("Keep Changes?")) {
    case Answer::Yes:
        if (KeepPage())
            event->accept();
        else
            event->ignore();
        return;
    case Answer::No:
        PageChanged = false;
        event->accept();
        return;
    case Answer::Cancel:
        event->ignore();
        return;
    }
}

void TModelEditor::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        Cancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace koralix
