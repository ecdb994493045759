#include "ScatterForm.h"

#include "EditorFields.h"
#include "Messenger.h"
#include "Model.h"
#include "NumberFormat.h"
#include "ScatterCurves.h"
#include "ScatterEdits.h"
#include "TextHelpers.h"
#include "Workspace.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <qcustomplot.h>

namespace koralix {

namespace {

constexpr int TableRows = 50; // header row + 49 pairs

QString CellText(const QTableWidget* grid, int row, int column) {
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text().trimmed() : QString();
}

} // namespace

TFormScatter::TFormScatter(TWorkspace& work, int histogram, QWidget* parent)
    : TModelEditor(work, "Scattering Factors", parent), histogram_(histogram) {
    setObjectName("FormScatter");
    AskText = [this](const QString& title, const QString& prompt) -> std::optional<QString> {
        bool ok = false;
        QString text = QInputDialog::getText(this, title, prompt, QLineEdit::Normal, {}, &ok);
        return ok ? std::optional<QString>(text) : std::nullopt;
    };
    ComboBoxSName = new QComboBox(this);
    ComboBoxSName->setObjectName("ComboBoxSName");
    RadioButtonCalc = new QRadioButton("Calculated", this);
    RadioButtonInt = new QRadioButton("Interpolated", this);
    auto* kinds = new QButtonGroup(this);
    kinds->addButton(RadioButtonCalc, 0);
    kinds->addButton(RadioButtonInt, 1);
    auto* kindBox = new QGroupBox("Form Factor Type", this);
    auto* kindRow = new QHBoxLayout(kindBox);
    kindRow->addWidget(RadioButtonCalc);
    kindRow->addWidget(RadioButtonInt);
    Editfp = NumberEdit("Editfp");
    Editfp->setAccessibleName("f'");
    Editfpp = NumberEdit("Editfpp");
    Editfpp->setAccessibleName("f''");
    CheckBoxfp = FlagBox([this] { return TAddress{histogram_, ScatterPhase, 1, shown_}; });
    CheckBoxfp->setObjectName("CheckBoxfp");
    CheckBoxfpp = FlagBox([this] { return TAddress{histogram_, ScatterPhase, 2, shown_}; });
    CheckBoxfpp->setObjectName("CheckBoxfpp");
    EditMW = new QLineEdit(this);
    EditMW->setObjectName("EditMW");
    LabelFp = new QLabel("f':", this);
    auto* fields = new QFormLayout;
    fields->addRow("Scatter Name:", ComboBoxSName);
    fields->addRow(kindBox);
    auto pair = [this](QLineEdit* edit, QCheckBox* box) {
        auto* row = new QHBoxLayout;
        row->addWidget(edit);
        row->addWidget(box);
        return row;
    };
    fields->addRow(LabelFp, pair(Editfp, CheckBoxfp));
    fields->addRow("f'':", pair(Editfpp, CheckBoxfpp));
    fields->addRow("Mol. Weight:", EditMW);

    StringGridScatter = new QTableWidget(0, 2, this);
    StringGridScatter->setObjectName("StringGridScatter");
    StringGridScatter->verticalHeader()->setDefaultSectionSize(22);
    StringGridScatter->horizontalHeader()->setStretchLastSection(true);
    StringGridScatter->setMinimumWidth(230);

    Chart = new QCustomPlot(this);
    Chart->setMinimumSize(380, 300);
    Chart->plotLayout()->insertRow(0);
    Chart->plotLayout()->addElement(
        0, 0, new QCPTextElement(Chart, "Form Factors", QFont("sans", 11, QFont::Bold)));
    Chart->xAxis->setLabel("sin(theta)/wavelength");
    Curve = Chart->addGraph();
    Curve->setPen(QPen(Qt::red, 1.5));

    auto* add = new QPushButton("Add", this);
    add->setObjectName("AddButton");
    auto* remove = new QPushButton("Delete", this);
    remove->setObjectName("DeleteButton");
    connect(add, &QPushButton::clicked, this, &TFormScatter::Add);
    connect(remove, &QPushButton::clicked, this, &TFormScatter::Delete);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addWidget(ButtonRow("scattering"), 1);

    auto* left = new QVBoxLayout;
    left->addLayout(fields);
    left->addWidget(StringGridScatter, 1);
    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addWidget(Chart, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    resize(820, 560);

    connect(ComboBoxSName, &QComboBox::activated, this, &TFormScatter::NameChosen);
    connect(kinds, &QButtonGroup::idClicked, this, &TFormScatter::KindChosen);
    for (QLineEdit* e : {Editfp, Editfpp, EditMW})
        connect(e, &QLineEdit::textEdited, this, &TModelEditor::DirtyPage);
    for (QCheckBox* b : {CheckBoxfp, CheckBoxfpp})
        connect(b, &QCheckBox::toggled, this, &TModelEditor::DirtyPage);
    connect(StringGridScatter, &QTableWidget::cellChanged, this, &TModelEditor::DirtyPage);
    UpdateForm(1);
}

bool TFormScatter::Xray() const {
    const THistogram* h = const_cast<TFormScatter*>(this)->Work().Histogram(histogram_);
    return h && h->IsXrayCw();
}

void TFormScatter::Showing() {
    UpdateForm(std::max(shown_, 1));
}

void TFormScatter::UpdateForm() {
    UpdateForm(std::max(shown_, 1));
}

void TFormScatter::UpdateForm(int entry) {
    Filling filling(*this);
    static const TScatterList none;
    const THistogram* histogram = Work().Histogram(histogram_);
    const TScatterList& list = histogram ? histogram->Scatter : none;
    ComboBoxSName->clear();
    for (const TScatterFactor& e : list.Items)
        ComboBoxSName->addItem(QString::fromStdString(e.Name.str()));
    if (list.EntryCount() == 0) {
        StringGridScatter->setRowCount(0);
        shown_ = 0;
        Curve->data()->clear();
        Chart->replot();
        PageChanged = false;
        return;
    }
    entry = std::clamp(entry, 1, list.EntryCount());
    shown_ = entry;
    ComboBoxSName->setCurrentIndex(entry - 1);
    const TScatterFactor& e = list.Items[size_t(entry - 1)];
    const bool xray = Xray();
    Editfp->setText(ShortestField(e.FPrime, 7));
    Editfpp->setText(ShortestField(e.FDoublePrime, 7));
    LoadFlags();
    LabelFp->setText(xray ? "f':" : "b:");
    StringGridScatter->setVisible(xray);
    if (e.Kind == 0) {
        RadioButtonCalc->setChecked(true);
        for (QWidget* w : {static_cast<QWidget*>(Editfp), static_cast<QWidget*>(CheckBoxfp)})
            w->setEnabled(true);
        Editfpp->setEnabled(xray);
        CheckBoxfpp->setEnabled(xray);
        StringGridScatter->setRowCount(9);
        StringGridScatter->setHorizontalHeaderLabels({"Constant", "Value"});
        for (int i = 0; i < 9; ++i) {
            StringGridScatter->setItem(i, 0, new QTableWidgetItem(QString("A%1").arg(i + 1)));
            StringGridScatter->item(i, 0)->setFlags(Qt::ItemIsEnabled);
            StringGridScatter->setItem(i, 1,
                                       new QTableWidgetItem(ShortestField(e.Coeff[size_t(i)], 8)));
        }
    } else {
        Editfp->setEnabled(true);
        if (xray) {
            RadioButtonInt->setChecked(true);
            for (QWidget* w : {static_cast<QWidget*>(Editfp), static_cast<QWidget*>(CheckBoxfp),
                               static_cast<QWidget*>(Editfpp), static_cast<QWidget*>(CheckBoxfpp)})
                w->setEnabled(false);
            StringGridScatter->setRowCount(TableRows - 1);
            StringGridScatter->setHorizontalHeaderLabels({"sin(th)/lam", "Value"});
            for (int i = 0; i < TableRows - 1; ++i) {
                const bool has = i < e.TableCount();
                StringGridScatter->setItem(
                    i, 0, new QTableWidgetItem(has ? ShortestField(e.Table.X(i), 5) : QString()));
                StringGridScatter->setItem(
                    i, 1, new QTableWidgetItem(has ? ShortestField(e.Table.Y(i), 5) : QString()));
            }
        }
    }
    for (QLineEdit* e : {Editfp, Editfpp})
        e->setStyleSheet(QString());
    FaultLabel()->clear();
    PageChanged = false;
    PlotSCatter(entry);
}

void TFormScatter::PlotSCatter(int entry) {
    Curve->data()->clear();
    const THistogram* histogram = Work().Histogram(histogram_);
    if (!histogram || entry < 1 || entry > histogram->Scatter.EntryCount()) return;
    const THistogram& h = *histogram;
    const TScatterFactor& e = h.Scatter.Items[size_t(entry - 1)];
    QVector<double> x, y;
    Chart->setEnabled(true);
    if (e.Kind == 0) {
        for (const TCurvePoint& p : FormFactorCurve(e, h.Wave1)) {
            x << p.X;
            y << p.Y;
        }
    } else if (h.IsXrayCw()) {
        for (int i = 0; i < e.TableCount(); ++i) {
            x << e.Table.X(i);
            y << e.Table.Y(i);
        }
    } else {
        Chart->setEnabled(false);
    }
    Curve->setData(x, y);
    Chart->yAxis->setLabel(QString::fromStdString(TrimText(e.Name.str())));
    Chart->rescaleAxes();
    Chart->replot();
}

bool TFormScatter::CheckPage() {
    if (!TModelEditor::CheckPage()) return false;
    if (!Xray() || shown_ < 1) return true;
    const bool table = RadioButtonInt->isChecked();
    for (int r = 0; r < StringGridScatter->rowCount(); ++r) {
        const QString x = CellText(StringGridScatter, r, 0), y = CellText(StringGridScatter, r, 1);
        if (table && (x.isEmpty() || y.isEmpty())) break;
        for (int c = table ? 0 : 1; c < 2; ++c) {
            const QString text = c == 0 ? x : y;
            if (ReadTypedNumber(text)) continue;
            const QString name = table ? QString("row %1").arg(r + 1) : QString("A%1").arg(r + 1);
            const QString message =
                "Please enter a number for " + name + " (\"" + text + "\" is not one).";
            FaultLabel()->setText(message);
            Work().Messages().Message(message.toStdString());
            StringGridScatter->setCurrentCell(r, c);
            return false;
        }
    }
    return true;
}

void TFormScatter::SaveChanges() {
    if (shown_ > 0) SaveForm(histogram_, shown_);
}

void TFormScatter::SaveForm(int histogram, int entry) {
    THistogram* found = Work().Histogram(histogram);
    if (!found || entry < 1 || entry > found->Scatter.EntryCount()) return;
    THistogram& h = *found;
    TScatterFactor& e = h.Scatter.Items[size_t(entry - 1)];
    if (!h.IsXrayCw()) {
        e.FPrime = NumberOf(Editfp);
        StoreFlag({histogram, ScatterPhase, 1, entry}, CheckBoxfp->isChecked());
    } else {
        e.ClearTable();
        if (e.Kind == 0) {
            e.FPrime = NumberOf(Editfp);
            e.FDoublePrime = NumberOf(Editfpp);
            for (int i = 0; i < 9; ++i)
                e.Coeff[size_t(i)] = TextToReal(CellText(StringGridScatter, i, 1).toStdString());
            StoreFlag({histogram, ScatterPhase, 1, entry}, CheckBoxfp->isChecked());
            StoreFlag({histogram, ScatterPhase, 2, entry}, CheckBoxfpp->isChecked());
        } else {
            for (int r = 0; r < StringGridScatter->rowCount(); ++r) {
                const QString x = CellText(StringGridScatter, r, 0),
                              y = CellText(StringGridScatter, r, 1);
                if (x.isEmpty() || y.isEmpty()) break;
                e.AddTablePair(TextToReal(x.toStdString()), TextToReal(y.toStdString()));
            }
        }
    }
}

void TFormScatter::ListEdited() {
    PageChanged = false;
    Work().MarkEdited();
}

void TFormScatter::NameChosen(int index) {
    if (index + 1 == shown_) return;
    if (!LeavePage()) {
        QSignalBlocker block(ComboBoxSName);
        ComboBoxSName->setCurrentIndex(shown_ - 1);
        return;
    }
    UpdateForm(index + 1);
}

void TFormScatter::KindChosen(int kind) {
    THistogram* h = Work().Histogram(histogram_);
    if (!h || shown_ < 1) return;
    h->Scatter.Items[size_t(shown_ - 1)].Kind = kind;
    UpdateForm(shown_);
    DirtyPage();
}

void TFormScatter::Add() {
    THistogram* h = Work().Histogram(histogram_);
    if (!h) return;
    const std::optional<QString> answer = AskText("New Scatter", "Enter new scatter name:");
    if (!answer) return;
    const QString name = answer->trimmed().toUpper().left(4);
    if (name.isEmpty()) return;
    TScatterList& list = h->Scatter;
    list.AddEntry();
    list.Items.back().Name = name.toStdString();
    UpdateForm(list.EntryCount());
    ListEdited();
}

void TFormScatter::Delete() {
    THistogram* h = Work().Histogram(histogram_);
    if (!h || h->Scatter.EntryCount() == 0 || shown_ < 1) return;
    const std::string name = h->Scatter.Items[size_t(shown_ - 1)].Name.str();
    if (Work().Messages().Ask("Are you sure you want to delete " + name + "?") != Answer::Yes)
        return;
    const int selected = ComboBoxSName->currentIndex();
    DeleteScatterEntry(Model(), histogram_, shown_);
    UpdateForm(std::max(1, selected));
    ListEdited();
}

} // namespace koralix
