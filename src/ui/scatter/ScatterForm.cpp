#include "ScatterForm.h"

#include "Messenger.h"
#include "Model.h"
#include "NumberFormat.h"
#include "ScatterCurves.h"
#include "ScatterEdits.h"
#include "TextHelpers.h"

#include <QButtonGroup>
#include <charconv>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
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

// A single in general form with at most `digits` significant digits, but no
// more than it needs to read back the same: 1.93816 stays 1.93816 rather
// than showing the binary noise of its double (1.9381599).
QString G(float v, int digits) {
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    const QString shortest = ec == std::errc() ? QString::fromLatin1(buffer, int(end - buffer)) : QString();
    const QString general = QString::fromStdString(GeneralText(v, digits));
    return !shortest.isEmpty() && shortest.size() <= general.size() ? shortest : general;
}

QString CellText(const QTableWidget* grid, int row, int column) {
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text().trimmed() : QString();
}

} // namespace

TFormScatter::TFormScatter(TRietveld& model, int histogram, Messenger& messenger, QWidget* parent)
    : QDialog(parent), model_(model), histogram_(histogram), messenger_(messenger) {
    setObjectName("FormScatter");
    setWindowTitle("Scattering Factors");
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
    Editfp = new QLineEdit(this);
    Editfp->setObjectName("Editfp");
    CheckBoxfp = new QCheckBox(this);
    Editfpp = new QLineEdit(this);
    Editfpp->setObjectName("Editfpp");
    CheckBoxfpp = new QCheckBox(this);
    for (QCheckBox* box : {CheckBoxfp, CheckBoxfpp}) box->setToolTip("Check to vary");
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
    Chart->plotLayout()->addElement(0, 0, new QCPTextElement(Chart, "Form Factors", QFont("sans", 11, QFont::Bold)));
    Chart->xAxis->setLabel("sin(theta)/wavelength");
    Curve = Chart->addGraph();
    Curve->setPen(QPen(Qt::red, 1.5));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
    QPushButton* add = buttons->addButton("Add", QDialogButtonBox::ActionRole);
    QPushButton* remove = buttons->addButton("Delete", QDialogButtonBox::ActionRole);
    buttons->addButton("Help", QDialogButtonBox::HelpRole)->setEnabled(false);
    connect(ok, &QPushButton::clicked, this, [this] {
        if (model_.Histogram(histogram_).Scatter.EntryCount() > 0 && shown_ > 0)
            SaveForm(histogram_, shown_);
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(add, &QPushButton::clicked, this, &TFormScatter::Add);
    connect(remove, &QPushButton::clicked, this, &TFormScatter::Delete);

    auto* left = new QVBoxLayout;
    left->addLayout(fields);
    left->addWidget(StringGridScatter, 1);
    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addWidget(Chart, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    resize(820, 560);

    connect(ComboBoxSName, &QComboBox::activated, this, &TFormScatter::NameChosen);
    connect(kinds, &QButtonGroup::idClicked, this, &TFormScatter::KindChosen);
    for (QLineEdit* e : {Editfp, Editfpp, EditMW}) connect(e, &QLineEdit::textEdited, this, &TFormScatter::Dirty);
    for (QCheckBox* b : {CheckBoxfp, CheckBoxfpp}) connect(b, &QCheckBox::toggled, this, &TFormScatter::Dirty);
    connect(StringGridScatter, &QTableWidget::cellChanged, this, &TFormScatter::Dirty);
    UpdateForm(1);
}

bool TFormScatter::Xray() const {
    return model_.Histogram(histogram_).IsXrayCw();
}

void TFormScatter::Dirty() {
    if (!filling_) PageChanged = true;
}

void TFormScatter::UpdateForm(int entry) {
    filling_ = true;
    const TScatterList& list = model_.Histogram(histogram_).Scatter;
    ComboBoxSName->clear();
    for (const TScatterFactor& e : list.Items) ComboBoxSName->addItem(QString::fromStdString(e.Name.str()));
    if (list.EntryCount() == 0) {
        StringGridScatter->setRowCount(0);
        shown_ = 0;
        Curve->data()->clear();
        Chart->replot();
        filling_ = false;
        return;
    }
    entry = std::clamp(entry, 1, list.EntryCount());
    shown_ = entry;
    ComboBoxSName->setCurrentIndex(entry - 1);
    const TScatterFactor& e = list.Items[size_t(entry - 1)];
    const bool xray = Xray();
    Editfp->setText(G(e.FPrime, 7));
    Editfpp->setText(G(e.FDoublePrime, 7));
    CheckBoxfp->setChecked(model_.IsRefined({histogram_, ScatterPhase, 1, entry}));
    CheckBoxfpp->setChecked(model_.IsRefined({histogram_, ScatterPhase, 2, entry}));
    LabelFp->setText(xray ? "f':" : "b:");
    StringGridScatter->setVisible(xray);
    if (e.Kind == 0) {
        RadioButtonCalc->setChecked(true);
        for (QWidget* w : {static_cast<QWidget*>(Editfp), static_cast<QWidget*>(CheckBoxfp)}) w->setEnabled(true);
        Editfpp->setEnabled(xray);
        CheckBoxfpp->setEnabled(xray);
        StringGridScatter->setRowCount(9);
        StringGridScatter->setHorizontalHeaderLabels({"Constant", "Value"});
        for (int i = 0; i < 9; ++i) {
            StringGridScatter->setItem(i, 0, new QTableWidgetItem(QString("A%1").arg(i + 1)));
            StringGridScatter->item(i, 0)->setFlags(Qt::ItemIsEnabled);
            StringGridScatter->setItem(i, 1, new QTableWidgetItem(G(e.Coeff[size_t(i)], 8)));
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
                StringGridScatter->setItem(i, 0, new QTableWidgetItem(has ? G(e.Table.X(i), 5) : QString()));
                StringGridScatter->setItem(i, 1, new QTableWidgetItem(has ? G(e.Table.Y(i), 5) : QString()));
            }
        }
    }
    filling_ = false;
    PlotSCatter(entry);
}

void TFormScatter::PlotSCatter(int entry) {
    Curve->data()->clear();
    const THistogram& h = model_.Histogram(histogram_);
    if (entry < 1 || entry > h.Scatter.EntryCount()) return;
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

void TFormScatter::SaveForm(int histogram, int entry) {
    THistogram& h = model_.Histogram(histogram);
    if (entry < 1 || entry > h.Scatter.EntryCount()) return;
    TScatterFactor& e = h.Scatter.Items[size_t(entry - 1)];
    TParameterList& list = model_.Parameters;
    if (!h.IsXrayCw()) {
        e.FPrime = TextToReal(Editfp->text().toStdString());
        list.SetRefined({histogram, ScatterPhase, 1, entry}, CheckBoxfp->isChecked());
    } else {
        e.ClearTable();
        if (e.Kind == 0) {
            e.FPrime = TextToReal(Editfp->text().toStdString());
            e.FDoublePrime = TextToReal(Editfpp->text().toStdString());
            for (int i = 0; i < 9; ++i)
                e.Coeff[size_t(i)] = TextToReal(CellText(StringGridScatter, i, 1).toStdString());
            list.SetRefined({histogram, ScatterPhase, 1, entry}, CheckBoxfp->isChecked());
            list.SetRefined({histogram, ScatterPhase, 2, entry}, CheckBoxfpp->isChecked());
        } else {
            for (int r = 0; r < StringGridScatter->rowCount(); ++r) {
                const QString x = CellText(StringGridScatter, r, 0), y = CellText(StringGridScatter, r, 1);
                if (x.isEmpty() || y.isEmpty()) break;
                e.AddTablePair(TextToReal(x.toStdString()), TextToReal(y.toStdString()));
            }
        }
    }
    PageChanged = false;
}

void TFormScatter::NameChosen(int index) {
    if (PageChanged && shown_ > 0 && messenger_.Ask("Keep Changes?") == Answer::Yes)
        SaveForm(histogram_, shown_);
    UpdateForm(index + 1);
    PageChanged = false;
}

void TFormScatter::KindChosen(int kind) {
    if (shown_ < 1) return;
    model_.Histogram(histogram_).Scatter.Items[size_t(shown_ - 1)].Kind = kind;
    UpdateForm(shown_);
    PageChanged = true;
}

void TFormScatter::Add() {
    const std::optional<QString> answer = AskText("New Scatter", "Enter new scatter name:");
    if (!answer) return;
    const QString name = answer->trimmed().toUpper().left(4);
    if (name.isEmpty()) return;
    TScatterList& list = model_.Histogram(histogram_).Scatter;
    list.AddEntry();
    list.Items.back().Name = name.toStdString();
    UpdateForm(list.EntryCount());
    PageChanged = false;
}

void TFormScatter::Delete() {
    TScatterList& list = model_.Histogram(histogram_).Scatter;
    if (list.EntryCount() == 0 || shown_ < 1) return;
    const std::string name = list.Items[size_t(shown_ - 1)].Name.str();
    if (messenger_.Ask("Are you sure you want to delete " + name + "?") != Answer::Yes) return;
    const int selected = ComboBoxSName->currentIndex();
    DeleteScatterEntry(model_, histogram_, shown_);
    UpdateForm(std::max(1, selected));
    PageChanged = false;
}

} // namespace koralix
