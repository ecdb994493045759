#include "SampleForm.h"

#include "EditorFields.h"
#include "Model.h"
#include "PeakForm.h"
#include "Workspace.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QVBoxLayout>

namespace koralix {

namespace {

const QStringList ProfileNames = {"Pseudo-Voigt  (Riet asym)",
                                  "Pearson IV      (Riet asym)",
                                  "Voigt               (Riet asym)",
                                  "Pseudo-Voigt  (How. Asym)",
                                  "Voigt               (How. Asym)",
                                  "Pseudo-Voigt  (FCJ Asym)",
                                  "Jorgensen       (TOF)"};
constexpr int TofProfile = 6; // list position
constexpr int FcjProfile = 5; // list position

bool IsVoigtPosition(int position) {
    return position == 2 || position == 4;
}

QString Fixed5(double v) {
    return FixedField(v, 5, 8);
}

QString Fixed1(double v) {
    return FixedField(v, 1, 4);
}

} // namespace

TFormSample::TFormSample(TWorkspace& work, QWidget* parent) : TModelEditor(work, "Sample", parent) {
    setObjectName("FormSample");
    HistogramTabs = new QTabBar(this);
    HistogramTabs->setObjectName("HistogramTabs");
    PhaseTabs = new QTabBar(this);
    PhaseTabs->setObjectName("PhaseTabs");
    PhaseTabs->setContextMenuPolicy(Qt::CustomContextMenu);
    // Tabs sized to their captions, as in the other editors, not stretched
    // across the window like buttons.
    for (QTabBar* tabs : {HistogramTabs, PhaseTabs})
        tabs->setExpanding(false);
    QWidget* page = BuildPage();
    auto* plot = new QPushButton("Plot FWHM", this);
    plot->setObjectName("PlotFwhmButton");
    connect(plot, &QPushButton::clicked, this, &TFormSample::PlotFwhm);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(HistogramTabs);
    layout->addWidget(PhaseTabs);
    layout->addWidget(page, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(plot);
    bottom->addWidget(ButtonRow("sample"), 1);
    layout->addLayout(bottom);

    connect(HistogramTabs, &QTabBar::currentChanged, this,
            [this](int index) { TabChanged(HistogramTabs, shownHistogram_, index); });
    connect(PhaseTabs, &QTabBar::currentChanged, this,
            [this](int index) { TabChanged(PhaseTabs, shownPhase_, index); });

    PhaseMenu = new QMenu(this);
    InstrumentMenu = PhaseMenu->addMenu("Use Instrument");
    const auto& instruments = Work().Settings().Instruments;
    for (int slot = 0; slot < InstrumentCount; ++slot)
        InstrumentMenu->addAction(instruments[size_t(slot)].Title, this,
                                  [this, slot] { UseInstrument(slot); });
    UsePhaseMenu = PhaseMenu->addMenu("Use Phase");
    connect(PhaseTabs, &QWidget::customContextMenuRequested, this, [this](QPoint at) {
        UsePhaseMenu->clear();
        for (int p = 1; p <= Model().PhaseCount(); ++p)
            UsePhaseMenu->addAction("Phase " + QString::number(p), this,
                                    [this, p] { UsePhase(p); });
        PhaseMenu->popup(PhaseTabs->mapToGlobal(at));
    });
    peak_ = new TFormPeak(this);
    WatchEdits(page);
    connect(ProfileComboBox, &QComboBox::activated, this, [this] {
        SetShape();
        ReplotIfShown();
    });
    connect(ComboBoxAbsorption, &QComboBox::activated, this, [this] {
        UpdateForm();
        DirtyPage();
    });
    for (QLineEdit* e : {UEdit, VEdit, WEdit, L1Edit, L2Edit, L3Edit})
        connect(e, &QLineEdit::textEdited, this, &TFormSample::ReplotIfShown);
    resize(760, 560);
}

QWidget* TFormSample::BuildPage() {
    auto* page = new QWidget(this);
    auto label = [page](const QString& text) {
        auto* l = new QLabel(text, page);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return l;
    };
    auto edit = [this, page](const QString& name) {
        QLineEdit* e = NumberEdit(name);
        e->setParent(page);
        e->setMaximumWidth(110);
        return e;
    };
    auto box = [page](const QString& name) {
        auto* b = new QCheckBox(page);
        b->setObjectName(name);
        b->setToolTip("Check to vary");
        return b;
    };

    ProfileComboBox = new QComboBox(page);
    ProfileComboBox->setObjectName("ProfileComboBox");
    ProfileComboBox->addItems(ProfileNames);
    AbsorptionEdit = edit("AbsorptionEdit");
    ComboBoxAbsorption = new QComboBox(page);
    ComboBoxAbsorption->setObjectName("ComboBoxAbsorption");
    ComboBoxAbsorption->addItems({"Cylindrical", "Flat Plate"});
    auto* top = new QHBoxLayout;
    top->addWidget(label("PeakShape:"));
    top->addWidget(ProfileComboBox);
    top->addSpacing(16);
    top->addWidget(label("m:"));
    top->addWidget(AbsorptionEdit);
    top->addStretch();

    // One row of a group: label, value, refinement tick box.
    auto row = [&](QGridLayout* grid, int r, QLabel*& l, const QString& text, QLineEdit*& e,
                   const QString& editName, QCheckBox*& b, const QString& boxName, int column = 0) {
        l = label(text);
        e = edit(editName);
        b = box(boxName);
        grid->addWidget(l, r, column);
        grid->addWidget(e, r, column + 1);
        grid->addWidget(b, r, column + 2);
    };
    auto* instrumental = new QGroupBox("Instrumental PeakShape", page);
    auto* ig = new QGridLayout(instrumental);
    row(ig, 0, ULabel, "U:", UEdit, "UEdit", UCheckBox, "UCheckBox");
    row(ig, 1, VLabel, "V:", VEdit, "VEdit", VCheckBox, "VCheckBox");
    row(ig, 2, WLabel, "W:", WEdit, "WEdit", WCheckBox, "WCheckBox");
    row(ig, 3, Asym1Label, "Asy1:", Asym1Edit, "Asym1Edit", Asym1CheckBox, "Asym1CheckBox");
    row(ig, 4, Asym2Label, "D/L:", Asym2Edit, "Asym2Edit", Asym2CheckBox, "Asym2CheckBox");
    row(ig, 0, L1Label, "Gam0:", L1Edit, "L1Edit", L1CheckBox, "L1CheckBox", 3);
    row(ig, 1, L2Label, "Gam1:", L2Edit, "L2Edit", L2CheckBox, "L2CheckBox", 3);
    row(ig, 2, L3Label, "Gam2:", L3Edit, "L3Edit", L3CheckBox, "L3CheckBox", 3);
    row(ig, 3, a0Label, "a 0:", a0Edit, "a0Edit", CheckBoxa0, "CheckBoxa0", 3);
    row(ig, 4, a1Label, "a 1:", a1edit, "a1edit", CheckBoxa1, "CheckBoxa1", 3);
    row(ig, 5, b0Label, "b 0:", b0edit, "b0edit", CheckBoxb0, "CheckBoxb0", 3);
    row(ig, 6, b1Label, "b 1:", b1edit, "b1edit", CheckBoxb1, "CheckBoxb1", 3);

    auto direction = [&](QGridLayout* grid, int r, const QString& text, QLineEdit*& h,
                         const QString& hn, QLineEdit*& k, const QString& kn, QLineEdit*& l,
                         const QString& ln) {
        auto* line = new QHBoxLayout;
        h = edit(hn);
        k = edit(kn);
        l = edit(ln);
        for (QLineEdit* e : {h, k, l}) {
            e->setMaximumWidth(50);
            line->addWidget(e);
        }
        grid->addWidget(label(text), r, 0);
        grid->addLayout(line, r, 1, 1, 2);
    };
    QLabel* unused = nullptr;
    auto* sample = new QGroupBox("Sample Dependant Peakshape", page);
    auto* sg = new QGridLayout(sample);
    row(sg, 0, unused, "Uanis:", UanisoEdit, "UanisoEdit", UanisoCheckBox, "UanisoCheckBox");
    direction(sg, 1, "AHKL:", UHEdit, "UHEdit", UKEdit, "UKEdit", ULEdit, "ULEdit");

    auto* po = new QGroupBox("Preferred Orientation", page);
    auto* pg = new QGridLayout(po);
    cbPO = new QComboBox(page);
    cbPO->setObjectName("cbPO");
    cbPO->addItem("March Model");
    pg->addWidget(label("Model:"), 0, 0);
    pg->addWidget(cbPO, 0, 1, 1, 2);
    row(pg, 1, unused, "PO Value:", POEdit, "POEdit", POCheckBox, "POCheckBox");
    direction(pg, 2, "PO HKL:", POHEdit, "POHEdit", POKEdit, "POKEdit", POLEdit, "POLEdit");

    auto* absorption = new QGroupBox("Absorption", page);
    auto* ag = new QGridLayout(absorption);
    ag->addWidget(label("Model:"), 0, 0);
    ag->addWidget(ComboBoxAbsorption, 0, 1, 1, 2);
    row(ag, 1, RLabel, "Absor. R:", REdit, "REdit", RCheckBox, "RCheckBox");
    row(ag, 2, PoreLabel, "Ab. Pore:", PoreEdit, "PoreEdit", PoreCheckBox, "PoreCheckBox");
    row(ag, 3, RoughLabel, "Ab. Rough:", RoughEdit, "RoughEdit", RoughCheckBox, "RoughCheckBox");

    auto* extinction = new QGroupBox("Extinction", page);
    auto* eg = new QGridLayout(extinction);
    row(eg, 0, unused, "Extinction:", ExtEdit, "ExtEdit", ExtCheckBox, "ExtCheckBox");

    auto* grid = new QGridLayout;
    grid->addWidget(instrumental, 0, 0, 1, 2);
    grid->addWidget(sample, 1, 0);
    grid->addWidget(po, 1, 1);
    grid->addWidget(absorption, 2, 0);
    grid->addWidget(extinction, 2, 1);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addLayout(grid);
    layout->addStretch();
    return page;
}

std::vector<std::pair<QCheckBox*, int>> TFormSample::Flags() const {
    return {{UCheckBox, 3},     {VCheckBox, 4},      {WCheckBox, 5},      {POCheckBox, 12},
            {RCheckBox, 13},    {Asym1CheckBox, 14}, {Asym2CheckBox, 20}, {L1CheckBox, 15},
            {L2CheckBox, 16},   {L3CheckBox, 17},    {ExtCheckBox, 18},   {UanisoCheckBox, 19},
            {CheckBoxa0, 21},   {CheckBoxa1, 22},    {CheckBoxb0, 23},    {CheckBoxb1, 24},
            {PoreCheckBox, 25}, {RoughCheckBox, 26}};
}

// The page shown: while a tab change asks about the page being left, the tab
// bar already shows the new tab, but the page still belongs to the old one.
int TFormSample::CurrentHistogram() const {
    return shownHistogram_ + 1;
}

int TFormSample::CurrentPhase() const {
    return shownPhase_ + 1;
}

void TFormSample::SetListsFrom(int h) {
    if (h < 1 || h > Model().HistogramCount()) return;
    Filling filling(*this);
    ProfileComboBox->setCurrentIndex(std::clamp(Model().Histogram(h).Profile - 1, 0, 6));
    ComboBoxAbsorption->setCurrentIndex(Model().Histogram(h).Absorption == 1 ? 1 : 0);
}

void TFormSample::RebuildTabs() {
    switching_ = true;
    while (HistogramTabs->count() > 0)
        HistogramTabs->removeTab(0);
    while (PhaseTabs->count() > 0)
        PhaseTabs->removeTab(0);
    for (int h = 1; h <= Model().HistogramCount(); ++h)
        HistogramTabs->addTab("Histogram" + QString::number(h));
    for (int p = 1; p <= Model().PhaseCount(); ++p)
        PhaseTabs->addTab(QString::fromStdString(Model().Phase(p).Name).left(15));
    HistogramTabs->setCurrentIndex(0);
    PhaseTabs->setCurrentIndex(0);
    shownHistogram_ = HistogramTabs->currentIndex();
    shownPhase_ = PhaseTabs->currentIndex();
    switching_ = false;
}

void TFormSample::Showing() {
    // As the Sample command does: the lists start from histogram 1.
    SetListsFrom(1);
    RebuildTabs();
    UpdateForm();
    PageChanged = false;
    // A histogram whose profile differs from what the list shows is an edit
    // waiting to be kept.
    if (Model().HistogramCount() > 0 &&
        Model().Histogram(CurrentHistogram()).Profile != ProfileComboBox->currentIndex() + 1)
        PageChanged = true;
}

// Either tab row: the page being left is kept or discarded as the user
// chooses (Cancel puts the tab back), then the lists go back to the
// histogram's settings (kept, they already hold them) and the page is filled.
void TFormSample::TabChanged(QTabBar* tabs, int& shown, int index) {
    if (switching_) return;
    if (!LeavePage()) {
        switching_ = true;
        tabs->setCurrentIndex(shown);
        switching_ = false;
        return;
    }
    shown = index;
    SetListsFrom(CurrentHistogram());
    UpdateForm();
}

void TFormSample::SetShape() {
    const int position = ProfileComboBox->currentIndex();
    const bool tof = position == TofProfile;
    for (QWidget* w :
         std::initializer_list<QWidget*>{a0Label, a0Edit, CheckBoxa0, a1Label, a1edit, CheckBoxa1,
                                         b0Label, b0edit, CheckBoxb0, b1Label, b1edit, CheckBoxb1})
        w->setVisible(tof);
    for (QWidget* w : std::initializer_list<QWidget*>{Asym1Label, Asym1Edit, Asym1CheckBox})
        w->setVisible(!tof);
    for (QWidget* w : std::initializer_list<QWidget*>{Asym2Label, Asym2Edit, Asym2CheckBox})
        w->setVisible(position == FcjProfile);
    ULabel->setText(tof ? "Sig0:" : "U:");
    VLabel->setText(tof ? "Sig1:" : "V:");
    WLabel->setText(tof ? "Sig2:" : "W:");
    Asym1Label->setText(position == FcjProfile ? "S/L:" : "Asy1:");
    const bool voigt = IsVoigtPosition(position);
    L1Label->setText(voigt ? "size:" : "Gam0:");
    L2Label->setText(voigt ? "strn:" : "Gam1:");
    L3Label->setText(voigt ? "Saniso:" : "Gam2:");
    for (QWidget* w : std::initializer_list<QWidget*>{L1Edit, L2Edit, L3Edit, L1CheckBox,
                                                      L2CheckBox, L3CheckBox})
        w->setEnabled(true);
    DirtyPage();
}

void TFormSample::ShowAbsorption() {
    const bool flat = ComboBoxAbsorption->currentIndex() == 1;
    RLabel->setText(flat ? "Absor. P:" : "Absor. R:");
    for (QWidget* w : std::initializer_list<QWidget*>{PoreLabel, PoreEdit, PoreCheckBox, RoughLabel,
                                                      RoughEdit, RoughCheckBox})
        w->setVisible(flat);
}

void TFormSample::UpdateForm() {
    if (Model().HistogramCount() == 0 || Model().PhaseCount() == 0) return;
    const int h = CurrentHistogram(), p = CurrentPhase();
    const TSample* s = Model().FindSample(h, p);
    if (!s) return;
    Filling filling(*this);
    SetShape();
    AbsorptionEdit->setText(Fixed5(Model().Histogram(h).Extra18));
    cbPO->setCurrentIndex(0);
    ShowShape(*s);
    const std::pair<QLineEdit*, float> absorption[] = {
        {REdit, s->AbsorptionR}, {PoreEdit, s->Pore}, {RoughEdit, s->Rough}};
    for (const auto& [edit, value] : absorption)
        edit->setText(Fixed5(value));
    for (const auto& [box, type] : Flags())
        box->setChecked(Model().IsRefined({h, p, 0, type}));
    ShowAbsorption();
    for (QLineEdit* e : findChildren<QLineEdit*>())
        e->setStyleSheet(QString());
    PageChanged = Model().Histogram(h).Profile != ProfileComboBox->currentIndex() + 1;
}

void TFormSample::SaveChanges() {
    if (Model().HistogramCount() == 0 || Model().PhaseCount() == 0) return;
    const int h = CurrentHistogram(), p = CurrentPhase();
    TSample* s = Model().FindSample(h, p);
    if (!s) return;
    THistogram& histogram = Model().Histogram(h);
    histogram.Profile = ProfileComboBox->currentIndex() + 1;
    histogram.Extra18 = NumberOf(AbsorptionEdit);
    const std::pair<float*, QLineEdit*> values[] = {{&s->U, UEdit},
                                                    {&s->V, VEdit},
                                                    {&s->W, WEdit},
                                                    {&s->Uaniso, UanisoEdit},
                                                    {&s->PO, POEdit},
                                                    {&s->Asym1, Asym1Edit},
                                                    {&s->Asym2, Asym2Edit},
                                                    {&s->Gam0, L1Edit},
                                                    {&s->Gam1, L2Edit},
                                                    {&s->Gam2, L3Edit},
                                                    {&s->Extinction, ExtEdit},
                                                    {&s->AnisoH, UHEdit},
                                                    {&s->AnisoK, UKEdit},
                                                    {&s->AnisoL, ULEdit},
                                                    {&s->POH, POHEdit},
                                                    {&s->POK, POKEdit},
                                                    {&s->POL, POLEdit},
                                                    {&s->AbsorptionR, REdit}};
    for (const auto& [field, edit] : values)
        *field = NumberOf(edit);
    for (const auto& [box, type] : Flags()) {
        if (type == 20 || type >= 21) continue;
        StoreFlag({h, p, 0, type}, box->isChecked());
    }
    if (ComboBoxAbsorption->currentIndex() == 0) {
        histogram.Absorption = 0;
    } else {
        histogram.Absorption = 1;
        s->Pore = NumberOf(PoreEdit);
        s->Rough = NumberOf(RoughEdit);
        StoreFlag({h, p, 0, 25}, PoreCheckBox->isChecked());
        StoreFlag({h, p, 0, 26}, RoughCheckBox->isChecked());
    }
    StoreFlag({h, p, 0, 20}, histogram.Profile == 6 && Asym2CheckBox->isChecked());
    const bool tof = histogram.Profile == 7;
    if (tof) {
        s->TofAlpha1 = NumberOf(a0Edit);
        s->TofAlpha2 = NumberOf(a1edit);
        s->TofBeta1 = NumberOf(b0edit);
        s->TofBeta2 = NumberOf(b1edit);
    }
    const std::pair<QCheckBox*, int> tofFlags[] = {
        {CheckBoxa0, 21}, {CheckBoxa1, 22}, {CheckBoxb0, 23}, {CheckBoxb1, 24}};
    for (const auto& [box, type] : tofFlags)
        StoreFlag({h, p, 0, type}, tof && box->isChecked());
}

void TFormSample::UseInstrument(int slot) {
    if (slot < 0 || slot >= InstrumentCount) return;
    const TInstrument& i = Work().Settings().Instruments[size_t(slot)];
    ProfileComboBox->setCurrentIndex(std::clamp(i.Profile, 0, 6));
    SetShape();
    UEdit->setText(Fixed5(i.U));
    VEdit->setText(Fixed5(i.V));
    WEdit->setText(Fixed5(i.W));
    Asym1Edit->setText(Fixed5(i.Asym1));
    Asym2Edit->setText(Fixed5(i.Asym2));
    L1Edit->setText(Fixed5(i.gamma));
    L2Edit->setText(Fixed5(0));
    L3Edit->setText(Fixed5(0));
    DirtyPage();
    ReplotIfShown();
}

void TFormSample::ShowShape(const TSample& s) {
    const std::pair<QLineEdit*, float> values[] = {
        {UEdit, s.U},          {VEdit, s.V},         {WEdit, s.W},         {UanisoEdit, s.Uaniso},
        {POEdit, s.PO},        {Asym1Edit, s.Asym1}, {Asym2Edit, s.Asym2}, {ExtEdit, s.Extinction},
        {L1Edit, s.Gam0},      {L2Edit, s.Gam1},     {L3Edit, s.Gam2},     {a0Edit, s.TofAlpha1},
        {a1edit, s.TofAlpha2}, {b0edit, s.TofBeta1}, {b1edit, s.TofBeta2}};
    for (const auto& [edit, value] : values)
        edit->setText(Fixed5(value));
    const std::pair<QLineEdit*, float> directions[] = {{UHEdit, s.AnisoH}, {UKEdit, s.AnisoK},
                                                       {ULEdit, s.AnisoL}, {POHEdit, s.POH},
                                                       {POKEdit, s.POK},   {POLEdit, s.POL}};
    for (const auto& [edit, value] : directions)
        edit->setText(Fixed1(value));
}

void TFormSample::UsePhase(int phase) {
    const TSample* s = Model().FindSample(CurrentHistogram(), phase);
    if (!s) return;
    ShowShape(*s);
    DirtyPage();
    ReplotIfShown();
}

TPeakShape TFormSample::ShapeOnPage() const {
    auto read = [](const QLineEdit* e) { return ReadTypedNumber(e->text()).value_or(0); };
    return {ProfileComboBox->currentIndex() + 1,
            read(UEdit),
            read(VEdit),
            read(WEdit),
            read(L1Edit),
            read(L2Edit),
            read(L3Edit)};
}

void TFormSample::PlotFwhm() {
    const THistogram* histogram = Work().Histogram(CurrentHistogram());
    if (!histogram) return;
    const TPeakShape shape = ShapeOnPage();
    const TWidthCurves curves = WidthCurves(*histogram, shape);
    peak_->SetCurves(curves, shape);
    if (curves.Failed) Work().Messages().Message("Opps...");
    peak_->show();
    peak_->raise();
}

void TFormSample::ReplotIfShown() {
    const THistogram* histogram = Work().Histogram(CurrentHistogram());
    if (!peak_->isVisible() || !histogram) return;
    const TPeakShape shape = ShapeOnPage();
    peak_->SetCurves(WidthCurves(*histogram, shape), shape);
}

} // namespace koralix
