#include "HistogramForm.h"

#include "EditorFields.h"
#include "Model.h"
#include "Workspace.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace koralix {

namespace {

constexpr int MaxHistograms = 20;
constexpr int GridRows = 50;
// Histogram parameter types of the page's tick boxes.
constexpr int TypeZero = 1, TypeScale = 14, TypeWave1 = 15, TypeWave2 = 16, TypeDisplacement = 17;

struct BackgroundKind {
    const char* caption;
    int kind;
};
const BackgroundKind Kinds[] = {
    {"Polynomial 5th order", BkgPolynomial},
    {"Cheby I", BkgChebyI},
    {"Shifted Cheby I", BkgShiftedChebyI},
    {"Cheby II", BkgChebyII},
    {"Shifted Cheby II", BkgShiftedChebyII},
    {"Amorphous (Sinc)", BkgAmorphous},
    {"Damped Amorphous (Sinc)", BkgDampedAmorphous},
    {"Data File", BkgDataFile},
    {"User Input Points", BkgUserPoints},
    {"Automatic smoothed", BkgAutomatic},
};

bool HasCoefficients(int kind) {
    return kind != BkgDataFile && kind != BkgUserPoints && kind != BkgAutomatic;
}

// Grid row (0-based) that holds coefficient i (1-based) of n.
int RowOfCoefficient(int kind, int i, int n) {
    if (kind != BkgPolynomial) return i - 1;
    return i == n ? 0 : i;
}

QString RowLabel(int kind, int row) {
    if (kind != BkgPolynomial) return "B" + QString::number(row);
    return row == 0 ? QStringLiteral("B-1") : "B" + QString::number(row - 1);
}

QTableWidget* PairGrid(const QString& name, const QString& first, const QString& second) {
    auto* grid = new QTableWidget(GridRows, 2);
    grid->setObjectName(name);
    grid->setHorizontalHeaderLabels({first, second});
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    grid->verticalHeader()->setDefaultSectionSize(22);
    grid->setMinimumWidth(200);
    return grid;
}

void BlankPairGrid(QTableWidget* grid) {
    grid->clearContents();
    for (int r = 0; r < GridRows; ++r)
        for (int c = 0; c < 2; ++c) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grid->setItem(r, c, item);
        }
}

QString CellText(const QTableWidget* grid, int r, int c) {
    const QTableWidgetItem* item = grid->item(r, c);
    return item ? item->text().trimmed() : QString();
}

void AddRangePoints(THistogram& h) {
    if (h.Background.PointCount() > 0) return;
    h.Background.AddPoint(std::min(h.ThetaMin, h.ThetaMax), 0);
    h.Background.AddPoint(std::max(h.ThetaMin, h.ThetaMax), 0);
}

} // namespace

int BackgroundListIndex(int kind) {
    for (int i = 0; i < static_cast<int>(std::size(Kinds)); ++i)
        if (Kinds[i].kind == kind) return i;
    return 0;
}

int BackgroundKindAt(int index) {
    return index >= 0 && index < static_cast<int>(std::size(Kinds)) ? Kinds[index].kind
                                                                    : BkgPolynomial;
}

THistogramForm::THistogramForm(TWorkspace& work, QWidget* parent)
    : TModelEditor(work, "Histograms", parent) {
    setObjectName("HistogramForm");
    BuildPage();
    WatchEdits(this);
    UseTabs(HistogramTabs);
    resize(820, 600);
}

void THistogramForm::BuildPage() {
    HistogramTabs = new QTabBar;
    HistogramTabs->setObjectName("HistogramTabs");
    HistogramTabs->setExpanding(false);
    HistogramTabs->setToolTip("Right mouse click to add/copy/delete histograms");
    HistogramMenu = new QMenu(this);
    HistogramMenu->addAction("Cut", this, &THistogramForm::CutHistogram);
    HistogramMenu->addAction("Copy", this, &THistogramForm::CopyHistogram);
    HistogramMenu->addAction("Paste", this, &THistogramForm::PasteHistogram);
    HistogramMenu->addSeparator();
    QAction* add = HistogramMenu->addAction("New", this, &THistogramForm::NewHistogram);
    QAction* remove = HistogramMenu->addAction("Delete", this, &THistogramForm::DeleteHistogram);
    // Captioned with the titles the instruments have now; a later change of a
    // title in the preferences shows at the next start.
    QMenu* instruments = HistogramMenu->addMenu("Use Instrument");
    for (int n = 1; n <= InstrumentCount; ++n)
        instruments->addAction(Work().Settings().Instruments[static_cast<size_t>(n - 1)].Title,
                               this, [this, n] { UseInstrument(n); });
    QAction* cut = HistogramMenu->actions().first();
    connect(HistogramMenu, &QMenu::aboutToShow, this, [this, add, remove, cut] {
        cut->setEnabled(Model().HistogramCount() > 1);
        add->setEnabled(Model().HistogramCount() < MaxHistograms);
        remove->setEnabled(Model().HistogramCount() > 1);
    });
    HistogramTabs->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(HistogramTabs, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { HistogramMenu->popup(HistogramTabs->mapToGlobal(at)); });

    cbType = new QComboBox;
    cbType->setObjectName("cbType");
    cbType->addItems({"X-ray CW", "Neutron CW", "Neutron TOF", "Energy Dispersive"});
    cbCalc = new QComboBox;
    cbCalc->setObjectName("cbCalc");
    cbCalc->addItems({"Data", "Calculation"});
    connect(cbType, &QComboBox::activated, this, &THistogramForm::LayoutForType);
    ProfileEdit = new QSpinBox;
    ProfileEdit->setObjectName("ProfileEdit");
    ProfileEdit->setRange(1, 7);
    AbsorptionEdit = new QSpinBox;
    AbsorptionEdit->setObjectName("AbsorptionEdit");
    AbsorptionEdit->setRange(0, 9);
    HistogramSCaleEdit = NumberEdit("Histogram Scale:", 0, 1e30);
    HistogramScaleCheckBox = FlagBox([this] { return TAddress{shown_, 0, 0, TypeScale}; });
    ThetaMinEdit = NumberEdit("Data min:", -1e6, 1e7);
    ThetaMaxEdit = NumberEdit("Data max:", -1e6, 1e7);
    ThetaStepEdit = NumberEdit("Data step:", 0, 1e6);
    Wave1Edit = NumberEdit("Wavelength 1:");
    CheckBoxWave1 = FlagBox([this] { return TAddress{shown_, 0, 0, TypeWave1}; });
    Wave2Edit = NumberEdit("Wavelength 2:");
    CheckBoxWave2 = FlagBox([this] { return TAddress{shown_, 0, 0, TypeWave2}; });
    RatioEdit = NumberEdit("Ratio:", 0, 10);
    ZeroEdit = NumberEdit("Zero:");
    CheckBoxZero = FlagBox([this] { return TAddress{shown_, 0, 0, TypeZero}; });
    BWEdit = NumberEdit("Base Width:", 0, 1000);
    EditWEIDS = NumberEdit("Hist. Weighting:", 0, 1e6);
    PolEdit = NumberEdit("Polarization:", -10, 10);
    CheckBoxIllumination = new QCheckBox("Illumination:");
    CheckBoxIllumination->setObjectName("CheckBoxIllumination");
    edSampleDisplacement = NumberEdit("Sample Displace:");
    cbSampleDisplacement = FlagBox([this] { return TAddress{shown_, 0, 0, TypeDisplacement}; });

    auto* instrument = new QGroupBox("Instrument");
    auto* grid = new QGridLayout(instrument);
    int row = 0;
    auto addRow = [&](QLabel* label, QWidget* field, QWidget* flag = nullptr) {
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1);
        if (flag) grid->addWidget(flag, row, 2);
        ++row;
        return label;
    };
    addRow(new QLabel("Data type:"), cbType);
    addRow(new QLabel(""), cbCalc);
    addRow(new QLabel("Profile:"), ProfileEdit);
    addRow(new QLabel("Absorption:"), AbsorptionEdit);
    addRow(new QLabel("Histogram Scale:"), HistogramSCaleEdit, HistogramScaleCheckBox);
    auto* range = new QHBoxLayout;
    range->addWidget(ThetaMinEdit);
    range->addWidget(ThetaMaxEdit);
    grid->addWidget(new QLabel("Data min-max:"), row, 0);
    grid->addLayout(range, row++, 1);
    addRow(new QLabel("Data step:"), ThetaStepEdit);
    Wave1Label = addRow(new QLabel("Wavelength 1:"), Wave1Edit, CheckBoxWave1);
    Wave2Label = addRow(new QLabel("Wavelength 2:"), Wave2Edit, CheckBoxWave2);
    QLabel* ratio = addRow(new QLabel("Ratio:"), RatioEdit);
    addRow(new QLabel("Zero:"), ZeroEdit, CheckBoxZero);
    addRow(new QLabel("Base Width:"), BWEdit);
    addRow(new QLabel("Hist. Weighting:"), EditWEIDS);
    QLabel* polarization = addRow(new QLabel("Polarization:"), PolEdit);
    grid->addWidget(CheckBoxIllumination, row++, 1);
    QLabel* displacement =
        addRow(new QLabel("Sample Displace:"), edSampleDisplacement, cbSampleDisplacement);
    grid->setRowStretch(row, 1);
    ratioWidgets_ = {ratio, RatioEdit};
    xrayWidgets_ = {polarization,         PolEdit,
                    CheckBoxIllumination, displacement,
                    edSampleDisplacement, cbSampleDisplacement};

    auto* background = new QGroupBox("Background");
    auto* back = new QGridLayout(background);
    BackgroundComboBox = new QComboBox;
    BackgroundComboBox->setObjectName("BackgroundComboBox");
    for (const BackgroundKind& k : Kinds)
        BackgroundComboBox->addItem(k.caption);
    connect(BackgroundComboBox, &QComboBox::activated, this, &THistogramForm::ShowBackgroundKind);
    RadioButton1 = new QRadioButton("6 terms");
    RadioButton2 = new QRadioButton("12 terms");
    for (QRadioButton* b : {RadioButton1, RadioButton2})
        connect(b, &QRadioButton::clicked, this, [this] {
            const int old = BackGrid->rowCount();
            const int terms = Terms();
            BackGrid->setRowCount(terms);
            for (int r = old; r < terms; ++r) {
                auto* value = new QTableWidgetItem("0");
                value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                BackGrid->setItem(r, 1, value);
                auto* tick = new QTableWidgetItem;
                tick->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
                tick->setCheckState(Qt::Unchecked);
                BackGrid->setItem(r, 2, tick);
            }
            const int kind = BackgroundKindAt(BackgroundComboBox->currentIndex());
            for (int r = 0; r < terms; ++r) {
                auto* label = new QTableWidgetItem(RowLabel(kind, r));
                label->setFlags(Qt::ItemIsEnabled);
                label->setTextAlignment(Qt::AlignCenter);
                BackGrid->setItem(r, 0, label);
            }
            DirtyPage();
        });
    BackGrid = new QTableWidget(0, 3);
    BackGrid->setObjectName("BackGrid");
    BackGrid->setHorizontalHeaderLabels({"Par:", "Value:", ""});
    BackGrid->verticalHeader()->hide();
    BackGrid->setColumnWidth(0, 45);
    BackGrid->setColumnWidth(1, 110);
    BackGrid->setColumnWidth(2, 24);
    edOffset = NumberEdit("Offset:");
    seNCycles = new QSpinBox;
    seNCycles->setObjectName("seNCycles");
    seNCycles->setRange(1, 500);
    seNStep = new QSpinBox;
    seNStep->setObjectName("seNStep");
    seNStep->setRange(2, 500);
    IntBackGrid = PairGrid("IntBackGrid", "x value", "y value");
    auto* offsetLabel = new QLabel("Offset:");
    auto* cyclesLabel = new QLabel("Number of cycles:");
    auto* stepsLabel = new QLabel("Number of steps:");
    back->addWidget(BackgroundComboBox, 0, 0, 1, 2);
    back->addWidget(RadioButton1, 1, 0);
    back->addWidget(RadioButton2, 1, 1);
    back->addWidget(BackGrid, 2, 0, 1, 2);
    back->addWidget(IntBackGrid, 3, 0, 1, 2);
    back->addWidget(offsetLabel, 4, 0);
    back->addWidget(edOffset, 4, 1);
    back->addWidget(cyclesLabel, 5, 0);
    back->addWidget(seNCycles, 5, 1);
    back->addWidget(stepsLabel, 6, 0);
    back->addWidget(seNStep, 6, 1);
    offsetWidgets_ = {offsetLabel, edOffset};
    smoothWidgets_ = {cyclesLabel, seNCycles, stepsLabel, seNStep};
    coeffWidgets_ = {RadioButton1, RadioButton2, BackGrid};

    auto* excluded = new QGroupBox("Excluded regions");
    auto* ex = new QVBoxLayout(excluded);
    ExcludedGrid = PairGrid("ExcludedGrid", "Start", "Stop");
    ex->addWidget(ExcludedGrid);
    ScatteringLabel = new QLabel;
    ScatteringLabel->setObjectName("ScatteringLabel");
    ScatteringLabel->setWordWrap(true);
    FormFactorsButton = new QPushButton("Form Factors");
    FormFactorsButton->setToolTip("To enter scattering length/form factors");
    IncidentSpectrumButton = new QPushButton("Incident Spectrum");
    IncidentSpectrumButton->setToolTip("For TOF incident spectrum input");
    ex->addWidget(new QLabel("Scattering entries:"));
    ex->addWidget(ScatteringLabel);
    ex->addWidget(FormFactorsButton);
    ex->addWidget(IncidentSpectrumButton);

    auto* columns = new QHBoxLayout;
    columns->addWidget(instrument);
    columns->addWidget(background);
    columns->addWidget(excluded);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(HistogramTabs);
    layout->addLayout(columns, 1);
    layout->addWidget(ButtonRow("index"));
}

void THistogramForm::Show(QWidget* w, bool on) {
    w->setVisible(on);
}

int THistogramForm::Terms() const {
    return RadioButton2->isChecked() ? 12 : 6;
}

void THistogramForm::Showing() {
    QStringList captions;
    for (int h = 1; h <= Model().HistogramCount(); ++h)
        captions << "Histogram" + QString::number(h);
    RebuildTabs(captions, 0);
    UpdateHistogram();
}

void THistogramForm::Setcomboboxes(int code) {
    const int type[8] = {0, 1, 0, 1, 2, 2, 3, 3};
    const int c = std::clamp(code, 0, 7);
    cbType->setCurrentIndex(type[c]);
    cbCalc->setCurrentIndex(THistogram::IsCalculationJob(c) ? 1 : 0);
}

int THistogramForm::Getcomboboxes() const {
    const bool calc = cbCalc->currentIndex() == 1;
    switch (cbType->currentIndex()) {
    case 1:
        return calc ? 3 : 1;
    case 2:
        return calc ? 5 : 4;
    case 3:
        return calc ? 7 : 6;
    default:
        return calc ? 2 : 0;
    }
}

void THistogramForm::FillBackGrid(int terms) {
    Filling filling(*this);
    const THistogram* h = Work().Histogram(shown_);
    if (!h) return;
    const int kind = BackgroundKindAt(BackgroundComboBox->currentIndex());
    BackGrid->setRowCount(terms);
    for (int i = 1; i <= terms; ++i) {
        const int r = RowOfCoefficient(kind, i, terms);
        auto* label = new QTableWidgetItem(RowLabel(kind, r));
        label->setFlags(Qt::ItemIsEnabled);
        label->setTextAlignment(Qt::AlignCenter);
        BackGrid->setItem(r, 0, label);
        auto* value =
            new QTableWidgetItem(GeneralField(h->Background.Coeff[static_cast<size_t>(i - 1)], 7));
        value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        BackGrid->setItem(r, 1, value);
        auto* tick = new QTableWidgetItem;
        tick->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        tick->setCheckState(Model().IsRefined({shown_, 0, 0, i + 1}) ? Qt::Checked : Qt::Unchecked);
        BackGrid->setItem(r, 2, tick);
    }
}

void THistogramForm::ShowBackgroundKind() {
    Filling filling(*this);
    const int kind = BackgroundKindAt(BackgroundComboBox->currentIndex());
    const bool coefficients = HasCoefficients(kind);
    for (QWidget* w : coeffWidgets_)
        Show(w, coefficients);
    for (QWidget* w : offsetWidgets_)
        Show(w, kind == BkgPolynomial);
    for (QWidget* w : smoothWidgets_)
        Show(w, kind == BkgAutomatic);
    Show(IntBackGrid, kind == BkgUserPoints);
    if (coefficients) FillBackGrid(Terms());
    if (kind == BkgUserPoints) {
        THistogram* h = Work().Histogram(shown_);
        // A user background starts with the two ends of the range at zero.
        if (h) AddRangePoints(*h);
        BlankPairGrid(IntBackGrid);
        if (h)
            for (int i = 0; i < std::min(GridRows, h->Background.PointCount()); ++i) {
                IntBackGrid->item(i, 0)->setText(FixedField(h->Background.Points.X(i), 5, 8));
                IntBackGrid->item(i, 1)->setText(FixedField(h->Background.Points.Y(i), 5, 8));
            }
    }
}

void THistogramForm::LayoutForType() {
    const int code = Getcomboboxes();
    const bool tof = code == 4 || code == 5;
    const bool energy = code == 6 || code == 7;
    const bool xray = code == 0 || code == 2;
    Wave1Label->setText(tof ? "Difc:" : energy ? "Det. Angle:" : "Wavelength 1:");
    Wave2Label->setText(tof ? "Difa:" : "Wavelength 2:");
    Wave1Edit->setAccessibleName(Wave1Label->text());
    Wave2Edit->setAccessibleName(Wave2Label->text());
    for (QWidget* w : {static_cast<QWidget*>(Wave2Label), static_cast<QWidget*>(Wave2Edit)})
        Show(w, !energy);
    Show(CheckBoxWave2, tof);
    for (QWidget* w : ratioWidgets_)
        Show(w, !tof && !energy);
    for (QWidget* w : xrayWidgets_)
        Show(w, xray);
    IncidentSpectrumButton->setEnabled(tof);
}

void THistogramForm::UpdateHistogram() {
    Filling filling(*this);
    shown_ =
        std::clamp(HistogramTabs->currentIndex() + 1, 1, std::max(1, Model().HistogramCount()));
    const THistogram* h = Work().Histogram(shown_);
    if (!h) {
        PageChanged = false;
        return;
    }
    Setcomboboxes(h->JobType);
    ProfileEdit->setValue(h->Profile);
    AbsorptionEdit->setValue(h->Absorption);
    LoadFlags();
    RadioButton2->setChecked(Model().Background12 == 1);
    RadioButton1->setChecked(Model().Background12 != 1);
    BackgroundComboBox->setCurrentIndex(BackgroundListIndex(h->Background.Kind));
    edOffset->setText(GeneralField(h->Background.Offset, 7));
    seNCycles->setValue(h->Background.SmoothCycles);
    seNStep->setValue(h->Background.SmoothSteps);
    ShowBackgroundKind();
    h = Work().Histogram(shown_);
    BlankPairGrid(ExcludedGrid);
    for (int i = 0; i < std::min(GridRows, h->Excluded.RegionCount()); ++i) {
        ExcludedGrid->item(i, 0)->setText(FixedField(h->Excluded.Regions.X(i), 5, 8));
        ExcludedGrid->item(i, 1)->setText(FixedField(h->Excluded.Regions.Y(i), 5, 8));
    }
    const bool first = shown_ == 1;
    HistogramSCaleEdit->setText(first ? QString("1.0") : FixedField(h->Scale, 4, 8));
    HistogramSCaleEdit->setEnabled(!first);
    HistogramScaleCheckBox->setEnabled(!first);
    if (first) HistogramScaleCheckBox->setChecked(false);
    ThetaMinEdit->setText(FixedField(h->ThetaMin, 5, 8));
    ThetaMaxEdit->setText(FixedField(h->ThetaMax, 5, 8));
    ThetaStepEdit->setText(FixedField(h->ThetaStep, 6, 9));
    Wave1Edit->setText(GeneralField(h->Wave1, 7));
    Wave2Edit->setText(GeneralField(h->Wave2, 7));
    RatioEdit->setText(GeneralField(h->Ratio, 7));
    ZeroEdit->setText(GeneralField(h->Zero, 7));
    BWEdit->setText(GeneralField(h->BaseWidth, 3));
    EditWEIDS->setText(GeneralField(h->Weighting, 3));
    PolEdit->setText(GeneralField(h->Polarization, 7));
    CheckBoxIllumination->setChecked(h->Illumination == 1);
    edSampleDisplacement->setText(GeneralField(h->Displacement, 7));
    QStringList entries;
    for (const TScatterFactor& f : h->Scatter.Items)
        entries << QString::fromStdString(f.Name.str()).trimmed();
    ScatteringLabel->setText(entries.isEmpty() ? QString("none") : entries.join(", "));
    LayoutForType();
    PageChanged = false;
}

bool THistogramForm::CheckPage() {
    if (!TModelEditor::CheckPage()) return false;
    auto check = [this](QTableWidget* grid, int column, const QString& what) {
        if (!grid->isVisibleTo(this) && grid != ExcludedGrid) return true;
        for (int r = 0; r < grid->rowCount(); ++r) {
            const QString text = CellText(grid, r, column);
            if (ReadTypedNumber(text)) continue;
            const QString message = "Please enter a number in row " + QString::number(r + 1) +
                                    " of " + what + " (\"" + text + "\" is not one).";
            if (FaultLabel()) FaultLabel()->setText(message);
            Work().Messages().Message(message.toStdString());
            grid->setCurrentCell(r, column);
            return false;
        }
        return true;
    };
    const bool background = !BackGrid->isVisibleTo(this) || check(BackGrid, 1, "the background");
    return background && check(IntBackGrid, 0, "the background points") &&
           check(IntBackGrid, 1, "the background points") &&
           check(ExcludedGrid, 0, "the excluded regions") &&
           check(ExcludedGrid, 1, "the excluded regions");
}

void THistogramForm::SaveHistogram() {
    THistogram* h = Work().Histogram(shown_);
    if (!h) return;
    TRietveld& model = Model();
    const int code = Getcomboboxes();
    const bool xray = code == 0 || code == 2;
    const bool tof = code == 4 || code == 5;
    h->JobType = code;
    h->Profile = ProfileEdit->value();
    h->Absorption = AbsorptionEdit->value();
    model.Background12 = RadioButton2->isChecked() ? 1 : 0;
    TBackGround& back = h->Background;
    back.Offset = NumberOf(edOffset);
    back.Kind = BackgroundKindAt(BackgroundComboBox->currentIndex());
    back.SmoothCycles = 0;
    back.SmoothSteps = 0;
    if (back.Kind == BkgUserPoints) AddRangePoints(*h);
    if (!HasCoefficients(back.Kind))
        for (int i = 1; i <= 12; ++i)
            StoreFlag({shown_, 0, 0, i + 1}, false);
    if (back.Kind == BkgAutomatic) {
        back.SmoothCycles = seNCycles->value();
        back.SmoothSteps = seNStep->value();
    }
    if (back.Kind == BkgUserPoints) {
        back.ClearPoints();
        for (int r = 0; r < GridRows; ++r)
            if (!CellText(IntBackGrid, r, 0).isEmpty())
                back.AddPoint(static_cast<float>(*ReadTypedNumber(CellText(IntBackGrid, r, 0))),
                              static_cast<float>(*ReadTypedNumber(CellText(IntBackGrid, r, 1))));
    }
    if (HasCoefficients(back.Kind)) {
        const int terms = BackGrid->rowCount();
        for (int i = 1; i <= terms; ++i) {
            const int r = RowOfCoefficient(back.Kind, i, terms);
            back.Coeff[static_cast<size_t>(i - 1)] =
                static_cast<float>(ReadTypedNumber(CellText(BackGrid, r, 1)).value_or(0));
            const QTableWidgetItem* tick = BackGrid->item(r, 2);
            StoreFlag({shown_, 0, 0, i + 1}, tick && tick->checkState() == Qt::Checked);
        }
    }
    h->Excluded.ClearRegions();
    for (int r = 0; r < GridRows; ++r) {
        const float a =
            static_cast<float>(ReadTypedNumber(CellText(ExcludedGrid, r, 0)).value_or(0));
        const float b =
            static_cast<float>(ReadTypedNumber(CellText(ExcludedGrid, r, 1)).value_or(0));
        if (a != b) h->Excluded.AddRegion(std::min(a, b), std::max(a, b));
    }
    // The first histogram's scale is the reference: always 1, never refined.
    h->Scale = shown_ == 1 ? 1.0f : NumberOf(HistogramSCaleEdit);
    h->ThetaMin = NumberOf(ThetaMinEdit);
    h->ThetaMax = NumberOf(ThetaMaxEdit);
    h->ThetaStep = NumberOf(ThetaStepEdit);
    h->Wave1 = NumberOf(Wave1Edit);
    h->Wave2 = NumberOf(Wave2Edit);
    h->Zero = NumberOf(ZeroEdit);
    h->BaseWidth = NumberOf(BWEdit);
    h->Weighting = NumberOf(EditWEIDS);
    h->Illumination = CheckBoxIllumination->isChecked() && xray ? 1 : 0;
    StoreFlags();
    h->UseDisplacement = 0;
    if (!xray) StoreFlag({shown_, 0, 0, TypeDisplacement}, false);
    if (xray) {
        h->Polarization = NumberOf(PolEdit);
        h->Displacement = NumberOf(edSampleDisplacement);
        h->UseDisplacement = h->Displacement != 0 || cbSampleDisplacement->isChecked() ? 1 : 0;
    }
    if (!tof) h->Ratio = NumberOf(RatioEdit);
}

void THistogramForm::NewHistogram() {
    if (Model().HistogramCount() >= MaxHistograms || !LeavePage()) return;
    Model().AddHistogram();
    QStringList captions;
    for (int h = 1; h <= Model().HistogramCount(); ++h)
        captions << "Histogram" + QString::number(h);
    // The new tab is appended; the page shown stays.
    RebuildTabs(captions, shown_ - 1);
    AnnounceEdit();
}

void THistogramForm::DeleteHistogram() {
    if (Model().HistogramCount() <= 1) return;
    PageChanged = false;
    Model().DeleteHistogram(shown_);
    Showing();
    AnnounceEdit();
}

} // namespace koralix

namespace koralix {

void THistogramForm::CopyHistogram() {
    THistogram& c = clipboard_;
    c.JobType = Getcomboboxes();
    c.ThetaMin = NumberOf(ThetaMinEdit);
    c.ThetaMax = NumberOf(ThetaMaxEdit);
    c.Wave1 = NumberOf(Wave1Edit);
    c.Wave2 = NumberOf(Wave2Edit);
    c.Zero = NumberOf(ZeroEdit);
    c.Ratio = NumberOf(RatioEdit);
    c.BaseWidth = NumberOf(BWEdit);
    c.Weighting = NumberOf(EditWEIDS);
    if (c.JobType == 0 || c.JobType == 2) {
        c.Polarization = NumberOf(PolEdit);
        c.Displacement = NumberOf(edSampleDisplacement);
    }
    clipboardBackground_ = BackgroundComboBox->currentIndex();
    c.Background.Offset = NumberOf(edOffset);
    c.Background.SmoothSteps = seNStep->value();
    c.Background.SmoothCycles = seNCycles->value();
    for (int r = 0; r < BackGrid->rowCount() && r < 12; ++r)
        c.Background.Coeff[static_cast<size_t>(r)] =
            static_cast<float>(ReadTypedNumber(CellText(BackGrid, r, 1)).value_or(0));
}

void THistogramForm::PasteHistogram() {
    const THistogram& c = clipboard_;
    {
        Filling filling(*this);
        Setcomboboxes(c.JobType);
        const std::pair<QLineEdit*, float> fields[] = {{ThetaMinEdit, c.ThetaMin},
                                                       {ThetaMaxEdit, c.ThetaMax},
                                                       {Wave1Edit, c.Wave1},
                                                       {Wave2Edit, c.Wave2},
                                                       {ZeroEdit, c.Zero},
                                                       {RatioEdit, c.Ratio},
                                                       {BWEdit, c.BaseWidth},
                                                       {EditWEIDS, c.Weighting},
                                                       {PolEdit, c.Polarization},
                                                       {edSampleDisplacement, c.Displacement},
                                                       {edOffset, c.Background.Offset}};
        for (const auto& [edit, value] : fields) {
            edit->setText(GeneralField(value, 7));
            edit->setStyleSheet(QString());
        }
        seNStep->setValue(c.Background.SmoothSteps);
        seNCycles->setValue(c.Background.SmoothCycles);
        BackgroundComboBox->setCurrentIndex(clipboardBackground_);
        ShowBackgroundKind();
        for (int r = 0; r < BackGrid->rowCount() && r < 12; ++r)
            if (QTableWidgetItem* item = BackGrid->item(r, 1))
                item->setText(FixedField(c.Background.Coeff[static_cast<size_t>(r)], 5));
        LayoutForType();
    }
    DirtyPage();
}

void THistogramForm::UseInstrument(int n) {
    if (n < 1 || n > InstrumentCount) return;
    const TInstrument& i = Work().Settings().Instruments[static_cast<size_t>(n - 1)];
    {
        Filling filling(*this);
        cbType->setCurrentIndex(std::clamp(i.Radiation, 0, cbType->count() - 1));
        const std::pair<QLineEdit*, double> fields[] = {
            {ThetaMinEdit, i.Start}, {ThetaStepEdit, i.Step}, {ThetaMaxEdit, i.Stop},
            {Wave1Edit, i.Wave1},    {Wave2Edit, i.Wave2},    {ZeroEdit, i.Zero},
            {RatioEdit, i.Ratio},    {PolEdit, i.Pol}};
        for (const auto& [edit, value] : fields) {
            edit->setText(GeneralField(value, 7));
            edit->setStyleSheet(QString());
        }
        // The labels follow the radiation, so that Difc is not shown as a wavelength.
        LayoutForType();
    }
    DirtyPage();
}

void THistogramForm::CutHistogram() {
    CopyHistogram();
    DeleteHistogram();
}

} // namespace koralix
