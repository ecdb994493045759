#include "NewInputForm.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace koralix {

TInstrumentSetup SetupOf(const TInstrument& i) {
    TInstrumentSetup s;
    s.Wave1 = i.Wave1;
    s.Wave2 = i.Wave2;
    s.Ratio = i.Ratio;
    s.Zero = i.Zero;
    s.Pol = i.Pol;
    s.U = i.U;
    s.V = i.V;
    s.W = i.W;
    s.Gamma = i.gamma;
    s.Asym1 = i.Asym1;
    s.Asym2 = i.Asym2;
    s.Profile = i.Profile;
    s.Radiation = i.Radiation;
    s.Start = i.Start;
    s.Step = i.Step;
    s.Stop = i.Stop;
    return s;
}

namespace {

QSpinBox* Spin(const QString& name, int maximum, QWidget* parent) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(name);
    spin->setRange(1, maximum);
    return spin;
}

// A row of words and controls, read as a sentence.
QHBoxLayout* Sentence(std::initializer_list<QObject*> parts) {
    auto* row = new QHBoxLayout;
    for (QObject* part : parts) {
        if (auto* w = qobject_cast<QWidget*>(part)) row->addWidget(w);
    }
    row->addStretch();
    return row;
}

} // namespace

TFormNewInput::TFormNewInput(const std::array<TInstrument, InstrumentCount>& instruments,
                             QWidget* parent)
    : QDialog(parent), instruments_(instruments) {
    setObjectName("FormNewInput");
    setWindowTitle("New Input");
    auto words = [this](const QString& text) { return new QLabel(text, this); };

    seNumberHistograms = Spin("seNumberHistograms", MaxHistograms, this);
    seHistogramNumber = Spin("seHistogramNumber", 1, this);
    cbHistogramtype = new QComboBox(this);
    cbHistogramtype->setObjectName("cbHistogramtype");
    cbHistogramtype->addItems({"calculation", "data file"});
    cbInstruments = new QComboBox(this);
    cbInstruments->setObjectName("cbInstruments");
    cbInstruments->setMinimumContentsLength(24);
    NowButton = new QPushButton("Now", this);
    auto* histograms = new QGroupBox("Histograms", this);
    auto* h = new QVBoxLayout(histograms);
    h->addLayout(Sentence({words("The input file should contain"), seNumberHistograms,
                           words("histograms")}));
    h->addLayout(Sentence({words("Histogram"), seHistogramNumber, words("is a"), cbHistogramtype,
                           words("using the following setup")}));
    h->addLayout(Sentence({cbInstruments}));
    h->addLayout(Sentence({words("Make the rest of the histograms the same:"), NowButton}));

    seNumberPhases = Spin("seNumberPhases", MaxPhases, this);
    sePhaseNumber = Spin("sePhaseNumber", 1, this);
    cbStructure = new QComboBox(this);
    cbStructure->setObjectName("cbStructure");
    cbStructure->addItems({"a structure", "an extraction"});
    seAtoms = new QSpinBox(this);
    seAtoms->setObjectName("seAtoms");
    seAtoms->setRange(0, 500);
    auto* phases = new QGroupBox("Phases", this);
    auto* p = new QVBoxLayout(phases);
    p->addLayout(Sentence({words("There are"), seNumberPhases, words("phases")}));
    p->addLayout(Sentence({words("Phase"), sePhaseNumber, words("is"), cbStructure, words("with"),
                           seAtoms, words("atoms")}));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        StoreCurrent();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(histograms);
    layout->addWidget(phases);
    layout->addWidget(buttons);

    connect(seNumberHistograms, &QSpinBox::valueChanged, this,
            [this](int n) { seHistogramNumber->setMaximum(n); });
    connect(seHistogramNumber, &QSpinBox::valueChanged, this, &TFormNewInput::HistogramNumberChanged);
    connect(seNumberPhases, &QSpinBox::valueChanged, this,
            [this](int n) { sePhaseNumber->setMaximum(n); });
    connect(sePhaseNumber, &QSpinBox::valueChanged, this, &TFormNewInput::PhaseNumberChanged);
    connect(cbStructure, &QComboBox::activated, this, &TFormNewInput::StructureChosen);
    connect(NowButton, &QPushButton::clicked, this, &TFormNewInput::Now);
    Reset();
}

void TFormNewInput::showEvent(QShowEvent* event) {
    Reset();
    QDialog::showEvent(event);
}

void TFormNewInput::Reset() {
    filling_ = true;
    kind_.fill(1);
    instrument_.fill(0);
    atoms_.fill(1);
    currentHistogram_ = currentPhase_ = 1;
    seNumberHistograms->setValue(1);
    seHistogramNumber->setMaximum(1);
    seHistogramNumber->setValue(1);
    seNumberPhases->setValue(1);
    sePhaseNumber->setMaximum(1);
    sePhaseNumber->setValue(1);
    cbHistogramtype->setCurrentIndex(kind_[1]);
    cbInstruments->clear();
    for (const TInstrument& i : instruments_) cbInstruments->addItem(i.Title);
    cbInstruments->setCurrentIndex(0);
    cbStructure->setCurrentIndex(0);
    seAtoms->setEnabled(true);
    seAtoms->setValue(1);
    filling_ = false;
}

void TFormNewInput::StoreCurrent() {
    kind_[size_t(currentHistogram_)] = cbHistogramtype->currentIndex();
    instrument_[size_t(currentHistogram_)] = std::max(0, cbInstruments->currentIndex());
    atoms_[size_t(currentPhase_)] = cbStructure->currentIndex() == 1 ? 0 : seAtoms->value();
}

void TFormNewInput::HistogramNumberChanged(int number) {
    if (filling_) return;
    kind_[size_t(currentHistogram_)] = cbHistogramtype->currentIndex();
    instrument_[size_t(currentHistogram_)] = std::max(0, cbInstruments->currentIndex());
    currentHistogram_ = std::clamp(number, 1, seNumberHistograms->value());
    cbHistogramtype->setCurrentIndex(kind_[size_t(currentHistogram_)]);
    cbInstruments->setCurrentIndex(instrument_[size_t(currentHistogram_)]);
}

void TFormNewInput::PhaseNumberChanged(int number) {
    if (filling_) return;
    atoms_[size_t(currentPhase_)] = cbStructure->currentIndex() == 1 ? 0 : seAtoms->value();
    currentPhase_ = std::clamp(number, 1, seNumberPhases->value());
    ShowPhase(currentPhase_);
}

void TFormNewInput::ShowPhase(int number) {
    const int atoms = atoms_[size_t(number)];
    cbStructure->setCurrentIndex(atoms < 1 ? 1 : 0);
    seAtoms->setValue(std::max(atoms, 0));
    seAtoms->setEnabled(atoms >= 1);
}

void TFormNewInput::StructureChosen(int index) {
    int& atoms = atoms_[size_t(currentPhase_)];
    if (index == 1) {
        atoms = 0;
        seAtoms->setValue(0);
        seAtoms->setEnabled(false);
    } else {
        seAtoms->setEnabled(true);
        if (atoms < 1) atoms = std::max(1, seAtoms->value());
        seAtoms->setValue(atoms);
    }
}

void TFormNewInput::Now() {
    for (int h = seHistogramNumber->value(); h <= seNumberHistograms->value(); ++h) {
        kind_[size_t(h)] = cbHistogramtype->currentIndex();
        instrument_[size_t(h)] = std::max(0, cbInstruments->currentIndex());
    }
}

void TFormNewInput::BuildInto(TRietveld& model) {
    StoreCurrent();
    std::vector<TNewHistogram> histograms;
    for (int h = 1; h <= seNumberHistograms->value(); ++h)
        histograms.push_back({kind_[size_t(h)] == 1, SetupOf(instruments_[size_t(instrument_[size_t(h)])])});
    std::vector<int32_t> atoms;
    for (int p = 1; p <= seNumberPhases->value(); ++p) atoms.push_back(atoms_[size_t(p)]);
    BuildNewModel(model, histograms, atoms);
}

} // namespace koralix
