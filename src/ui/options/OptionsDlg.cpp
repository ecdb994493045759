#include "OptionsDlg.h"

#include "ChartColours.h"
#include "NumberFormat.h"
#include "PlotForm.h"
#include "SBasic.h"
#include "SafeFile.h"
#include "TextFile.h"
#include "TextHelpers.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextStream>
#include <QToolBar>
#include <QVBoxLayout>

namespace koralix {

namespace {

const char* const HintProperty = "koralixHint";

// Hints follow the program's Show Hints command, so their texts are kept aside.
template <typename W> W* Hinted(W* widget, const QString& hint) {
    widget->setProperty(HintProperty, hint);
    widget->setToolTip(hint);
    return widget;
}

QSpinBox* SpinBox(QWidget* parent, int low, int high, int step = 1, bool typing = true) {
    auto* box = new QSpinBox(parent);
    box->setRange(low, high);
    box->setSingleStep(step);
    box->setMaximumWidth(110);
    // Values come from the arrows only, in whole steps.
    if (!typing) box->findChild<QLineEdit*>()->setReadOnly(true);
    return box;
}

QWidget* Row(QWidget* parent, QWidget* first, QWidget* second) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(first, 1);
    layout->addWidget(second);
    return row;
}

struct InstrumentReal {
    const char* caption;
    const char* field;
    double TInstrument::*member;
};

const InstrumentReal InstrumentReals[] = {
    {"Start:", "Start", &TInstrument::Start},
    {"Step:", "Step", &TInstrument::Step},
    {"Stop:", "Stop", &TInstrument::Stop},
    {"Wavelength 1:", "Wave1", &TInstrument::Wave1},
    {"Wavelength 2:", "Wave2", &TInstrument::Wave2},
    {"Ratio:", "Ratio", &TInstrument::Ratio},
    {"Zero:", "Zero", &TInstrument::Zero},
    {"Polarization:", "Pol", &TInstrument::Pol},
    {"U:", "U", &TInstrument::U},
    {"V:", "V", &TInstrument::V},
    {"W:", "W", &TInstrument::W},
    {"Gam0:", "gamma", &TInstrument::gamma},
    {"Asym 1:", "Asym1", &TInstrument::Asym1},
    {"Asym 2:", "Asym2", &TInstrument::Asym2},
};

// The one profile with a second asymmetry value.
constexpr int FcjProfile = 5;

const char* const ColourNames[6] = {"Data points:",     "Background points:", "Calculated line:",
                                    "Difference line:", "Reflection markers:", "Chart:"};

const QString ScriptFilter = QStringLiteral("KoraBasic Files (*.rib)|*.rib|All files (*.*)|*.*");
const QString DatabaseFilter = QStringLiteral("Database Files (*.db)|*.db|All files (*.*)|*.*");

} // namespace

TOptionsDlg::TOptionsDlg(TSettings& settings, QSettings& store, Messenger& messenger,
                         FileChooser& files, QWidget* parent)
    : QDialog(parent), settings_(settings), store_(store), messenger_(messenger), files_(files) {
    setObjectName("OptionsDlg");
    setWindowTitle("Preferences");
    sites_ = LoadUpdateSites(store_);
    Pages = new QTabWidget(this);
    Pages->setUsesScrollButtons(false);
    Pages->addTab(BuildGeneralPage(), "General");
    Pages->addTab(BuildScriptPage(), "KoraBasic Macros");
    Pages->addTab(BuildDatabasePage(), "Phase Database");
    Pages->addTab(BuildInstrumentPage(), "Instruments");
    Pages->setTabToolTip(3, "Enter the instrument parameters for easy retrieval");
    Pages->addTab(BuildRunPage(), "Run Options");
    Pages->addTab(BuildInternetPage(), "Internet");
    Pages->addTab(BuildStylePage(), "Style");
    Pages->addTab(BuildMemoryPage(), "Memory");
    Pages->addTab(BuildColourPage(), "Plot Colours");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Pages);
    layout->addWidget(buttons);
}

TOptionsDlg::~TOptionsDlg() = default;

QWidget* TOptionsDlg::BuildGeneralPage() {
    auto* page = new QWidget(this);
    auto* files = new QGroupBox("File Properties", page);
    auto* form = new QFormLayout(files);
    seRecent = Hinted(SpinBox(files, 1, 10),
                      "Enter the number of recent files you want displayed in the File menu");
    form->addRow("Number of recent files:", seRecent);
    cbAssignDatafile =
        Hinted(new QCheckBox("Automatically assign datafile name", files),
               "Assign a data filename (if it exists) based on the input filename");
    form->addRow(cbAssignDatafile);
    cbTempRefine =
        Hinted(new QCheckBox("Use a temporary directory:", files),
               "Check if you want to use a temporary directory for all your calculations");
    form->addRow(cbTempRefine);
    edStartUpDirectory = Hinted(new QLineEdit(files), "Select a default start-up directory");
    auto* browse = new QPushButton("Browse", files);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(
            this, "Startup directory:", edStartUpDirectory->text());
        if (!folder.isEmpty()) edStartUpDirectory->setText(folder);
    });
    form->addRow("Startup directory:", Row(files, edStartUpDirectory, browse));

    auto* other = new QGroupBox("Other", page);
    auto* otherForm = new QFormLayout(other);
    seBackgroundAveraging = Hinted(SpinBox(other, 0, 10),
                                   "Background averaging (0=1pt av, 1=3pt av, 2=5pt av...)");
    // Picking background points in the plot uses the new width at once.
    connect(seBackgroundAveraging, &QSpinBox::valueChanged, this,
            [this](int value) { settings_.BackgroundAveraging = value; });
    otherForm->addRow("Semi-Automatic Background Averaging:", seBackgroundAveraging);
    cbAcceptChanges = new QCheckBox("Always accept changes:", other);
    otherForm->addRow(cbAcceptChanges);
    cbHints = Hinted(new QCheckBox("Show hints", other),
                     "Show a hint when the mouse rests on a command or a field");
    otherForm->addRow(cbHints);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(files);
    layout->addWidget(other);
    layout->addStretch();
    return page;
}

QWidget* TOptionsDlg::BuildScriptPage() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    cbScript = Hinted(new QComboBox(page),
                      "Select either the start-up code or the library code to edit");
    cbScript->addItems({"Startup KoraBasic Macro", "Library KoraBasic Macro"});
    connect(cbScript, &QComboBox::activated, this, [this](int kind) {
        if (kind == scriptKind_) return;
        scriptPaths_[scriptKind_] = edCodeFile->text();
        ShowScript(kind);
    });
    form->addRow("KoraBasic Code:", cbScript);
    edCodeFile = Hinted(new QLineEdit(page), "Filename of the korabasic code that is associated "
                                             "with the start-up or library macros");
    auto* browse = new QPushButton("Browse", page);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString file = files_.OpenFileName(ScriptFilter, "rib", edCodeFile->text());
        if (file.isEmpty()) return;
        edCodeFile->setText(file);
        QFile in(file);
        if (NotRegularFileProblem(file.toStdString()).empty() &&
            in.open(QIODevice::ReadOnly | QIODevice::Text))
            ScriptText->setPlainText(QString::fromUtf8(in.readAll()));
        ScriptText->document()->setModified(false);
    });
    form->addRow("Code File:", Row(page, edCodeFile, browse));
    ScriptText = Hinted(new QPlainTextEdit(page), "Enter your code here");
    ScriptText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ScriptText->setLineWrapMode(QPlainTextEdit::NoWrap);
    ScriptText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    form->addRow(ScriptText);
    auto* save = Hinted(new QPushButton("Save", page), "Push to save your code");
    connect(save, &QPushButton::clicked, this, &TOptionsDlg::SaveScript);
    auto* test = Hinted(new QPushButton("Test", page), "Push to test you code");
    connect(test, &QPushButton::clicked, this, &TOptionsDlg::TestScript);
    auto* buttons = new QWidget(page);
    auto* buttonRow = new QHBoxLayout(buttons);
    buttonRow->setContentsMargins(0, 0, 0, 0);
    buttonRow->addWidget(save);
    buttonRow->addWidget(test);
    buttonRow->addStretch();
    form->addRow(buttons);
    ScriptMessages = Hinted(new QPlainTextEdit(page), "Displays messages about you code");
    ScriptMessages->setReadOnly(true);
    ScriptMessages->setMaximumHeight(60);
    form->addRow(ScriptMessages);
    return page;
}

QWidget* TOptionsDlg::BuildDatabasePage() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    edAtoms = Hinted(new QLineEdit(page), "Atom database location");
    auto* atoms = new QPushButton("Browse", page);
    connect(atoms, &QPushButton::clicked, this, [this] { BrowseDatabase(edAtoms, "atoms.db"); });
    form->addRow("Atom Database:", Row(page, edAtoms, atoms));
    edPhases = Hinted(new QLineEdit(page), "Phase database location");
    auto* phases = new QPushButton("Browse", page);
    connect(phases, &QPushButton::clicked, this,
            [this] { BrowseDatabase(edPhases, "phases.db"); });
    form->addRow("Phase Database:", Row(page, edPhases, phases));
    return page;
}

void TOptionsDlg::BrowseDatabase(QLineEdit* edit, const QString& name) {
    const QString folder = edit->text().isEmpty() ? name : edit->text();
    const QString file = files_.OpenFileName(DatabaseFilter, "db", folder);
    if (!file.isEmpty()) edit->setText(file);
}

QWidget* TOptionsDlg::BuildInstrumentPage() {
    auto* page = new QWidget(this);
    auto* columns = new QHBoxLayout(page);
    auto* left = new QFormLayout;
    auto* right = new QFormLayout;
    columns->addLayout(left);
    columns->addLayout(right);
    seInstrument = SpinBox(page, 1, InstrumentCount);
    connect(seInstrument, &QSpinBox::valueChanged, this, [this](int number) {
        if (number == instrument_) return;
        StoreInstrument(instrument_);
        ShowInstrument(number);
    });
    left->addRow("Instrument Number:", seInstrument);
    auto* title = new QLineEdit(page);
    instrumentEdits_.push_back({"Title", title});
    left->addRow("Title:", title);
    cbRadiation = new QComboBox(page);
    cbRadiation->addItems({"X-ray (CW)", "Neutron (CW)", "Neutron (TOF)", "Energy Dispersive"});
    cbProfile = new QComboBox(page);
    cbProfile->addItems({"Pseudo-Voigt(Riet asym)", "Pearson IV    (Riet asym)",
                         "Voigt (Riet asym)", "Pseudo-Voigt (How. Asym)", "Voigt (How. Asym)",
                         "Pseudo-Voigt (FCJ Asym)", "Jorgensen (TOF)"});
    for (const InstrumentReal& real : InstrumentReals) {
        auto* edit = new QLineEdit(page);
        instrumentEdits_.push_back({real.field, edit});
        const QString field = real.field;
        QFormLayout* column = field == "U" || field == "V" || field == "W" ||
                                      field == "gamma" || field.startsWith("Asym")
                                  ? right
                                  : left;
        column->addRow(real.caption, edit);
        if (field == "Stop") left->addRow("Radiation Type:", cbRadiation);
        if (field == "Pol") right->insertRow(0, "Profile Type:", cbProfile);
    }
    connect(cbProfile, &QComboBox::currentIndexChanged, this, [this](int profile) {
        InstrumentEdit("Asym2")->setEnabled(profile == FcjProfile);
    });
    return page;
}

QLineEdit* TOptionsDlg::InstrumentEdit(const char* field) const {
    for (const auto& [name, edit] : instrumentEdits_)
        if (QString(name) == field) return edit;
    return nullptr;
}

int TOptionsDlg::InstrumentShown() const {
    return instrument_;
}

void TOptionsDlg::ShowInstrument(int number) {
    instrument_ = std::clamp(number, 1, InstrumentCount);
    const TInstrument& shown = settings_.Instruments[static_cast<size_t>(instrument_ - 1)];
    InstrumentEdit("Title")->setText(shown.Title);
    for (const InstrumentReal& real : InstrumentReals)
        InstrumentEdit(real.field)
            ->setText(QString::fromStdString(GeneralText(shown.*real.member, 7)));
    cbRadiation->setCurrentIndex(std::clamp(shown.Radiation, 0, cbRadiation->count() - 1));
    cbProfile->setCurrentIndex(std::clamp(shown.Profile, 0, cbProfile->count() - 1));
    InstrumentEdit("Asym2")->setEnabled(shown.Profile == FcjProfile);
    if (seInstrument->value() != instrument_) {
        QSignalBlocker quiet(seInstrument);
        seInstrument->setValue(instrument_);
    }
}

void TOptionsDlg::StoreInstrument(int number) {
    if (number < 1 || number > InstrumentCount) return;
    TInstrument& kept = settings_.Instruments[static_cast<size_t>(number - 1)];
    kept.Title = InstrumentEdit("Title")->text();
    for (const InstrumentReal& real : InstrumentReals)
        kept.*real.member = TextToReal(InstrumentEdit(real.field)->text().toStdString());
    kept.Radiation = cbRadiation->currentIndex();
    kept.Profile = cbProfile->currentIndex();
    // The disabled box may still show an old value; only FCJ has a second asymmetry.
    if (kept.Profile != FcjProfile) kept.Asym2 = 0.0;
}

QWidget* TOptionsDlg::BuildRunPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel("Default Settings for:", page));
    auto* refine = new QGroupBox("Refine Dialog", page);
    auto* refineColumn = new QVBoxLayout(refine);
    cbStepOnStart =
        Hinted(new QCheckBox("Refine on start", refine),
               "Check if you want to do a step in the refinement on pushing 'Start'");
    cbRDPlot = Hinted(new QCheckBox("Plot", refine),
                      "Check if you want to plot automatically when refining");
    cbRDWatch = Hinted(new QCheckBox("Watch", refine),
                       "Check if you want to watch variables automatically");
    cbRDUpdate = Hinted(new QCheckBox("Update", refine),
                        "Check if you want the default to automatically update");
    cbRDOnTop = Hinted(new QCheckBox("Dialog Stay on top", refine),
                       "Check if you want the refine dialog to stay on top");
    for (QCheckBox* box : {cbStepOnStart, cbRDPlot, cbRDWatch, cbRDUpdate, cbRDOnTop})
        refineColumn->addWidget(box);
    auto* quick = new QGroupBox("Quick Start", page);
    auto* quickColumn = new QVBoxLayout(quick);
    cbQSPlot = Hinted(new QCheckBox("Plot", quick),
                      "Check if you want to plot automatically when refining");
    cbQSWatch = Hinted(new QCheckBox("Watch", quick),
                       "Check if you want to automatically watch parameters");
    cbQSUpdate =
        Hinted(new QCheckBox("Auto update", quick),
               "Check if you want to automatically update on refinement completion");
    for (QCheckBox* box : {cbQSPlot, cbQSWatch, cbQSUpdate})
        quickColumn->addWidget(box);
    layout->addWidget(refine);
    layout->addWidget(quick);
    layout->addStretch();
    return page;
}

QWidget* TOptionsDlg::BuildInternetPage() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    cbUpdateSite = Hinted(new QComboBox(page), "Select the best update site for your location");
    for (const TUpdateSite& site : sites_)
        cbUpdateSite->addItem(site.Caption);
    connect(cbUpdateSite, &QComboBox::currentIndexChanged, this, &TOptionsDlg::ShowSite);
    form->addRow("Update Site:", cbUpdateSite);
    edSite = Hinted(new QLineEdit(page), "Shows the ftp/http site address");
    edSite->setReadOnly(true);
    form->addRow("Site:", edSite);
    edDirectory = Hinted(new QLineEdit(page),
                         "Shows the directory at the site where the files will be downloaded");
    edDirectory->setReadOnly(true);
    form->addRow("Directory:", edDirectory);
    return page;
}

void TOptionsDlg::ShowSite(int index) {
    const TUpdateSite site = UpdateSiteAt(sites_, index);
    edSite->setText(site.Host);
    edDirectory->setText(site.Directory);
}

QWidget* TOptionsDlg::BuildStylePage() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    cbStyle = new QComboBox(page);
    cbStyle->addItems({"Default", "OfficeXP"});
    // The toolbars change while the user chooses; the setting only on OK.
    connect(cbStyle, &QComboBox::activated, this, [this](int style) { emit StyleChosen(style); });
    form->addRow("Style:", cbStyle);
    return page;
}

QWidget* TOptionsDlg::BuildMemoryPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* memory = new QGroupBox("Memory Allocation", page);
    auto* form = new QFormLayout(memory);
    seIDSZ = Hinted(SpinBox(memory, 500, 30000, 100, false),
                    "Select the maximum allowed number of points per histogram");
    form->addRow("Number of Data Points per Histogram:", seIDSZ);
    seIRS = Hinted(SpinBox(memory, 500, 20000, 100, false),
                   "Select the maximum allowed number of reflections per histogram");
    form->addRow("Maximum number of reflections per pattern:", seIRS);
    seNIPOI = Hinted(SpinBox(memory, 50, 3000, 50, false),
                     "Select the maximum allowed number of reflections per histogram");
    form->addRow("Maximum number of reflections per point:", seNIPOI);
    layout->addWidget(memory);
    layout->addStretch();
    return page;
}

QWidget* TOptionsDlg::BuildColourPage() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    for (int row = 0; row < 6; ++row) {
        colourButtons_[row] = Hinted(new QPushButton(page), "Choose the colour of the pattern plot");
        colourButtons_[row]->setFixedWidth(110);
        connect(colourButtons_[row], &QPushButton::clicked, this, [this, row] {
            const QColor chosen = QColorDialog::getColor(Colours[row], this, ColourNames[row]);
            if (chosen.isValid()) Colours[row] = chosen;
            ShowColour(row);
        });
        form->addRow(ColourNames[row], colourButtons_[row]);
    }
    return page;
}

void TOptionsDlg::ShowColour(int row) {
    colourButtons_[row]->setStyleSheet("background-color: " + Colours[row].name());
}

void TOptionsDlg::ShowSettings() {
    const TSettings& s = settings_;
    seRecent->setValue(s.NumberRecent);
    cbAssignDatafile->setChecked(s.AssignDatafile);
    cbTempRefine->setChecked(s.TempRefine);
    edStartUpDirectory->setText(s.StartUpDirectgory);
    seBackgroundAveraging->setValue(s.BackgroundAveraging);
    cbAcceptChanges->setChecked(s.AcceptChanges);
    cbHints->setChecked(s.Hints);
    edAtoms->setText(s.DatabaseAtoms);
    edPhases->setText(s.DatabasePhases);
    cbStepOnStart->setChecked(s.StepOnStart);
    cbRDPlot->setChecked(s.RDPlot);
    cbRDWatch->setChecked(s.RDWatch);
    cbRDUpdate->setChecked(s.RDUpdate);
    cbRDOnTop->setChecked(s.RDOnTop);
    cbQSPlot->setChecked(s.QSPlot);
    cbQSWatch->setChecked(s.QSWatch);
    cbQSUpdate->setChecked(s.QSUpdate);
    cbStyle->setCurrentIndex(std::clamp(s.Style, 0, cbStyle->count() - 1));
    {
        QSignalBlocker quiet(cbUpdateSite);
        cbUpdateSite->setCurrentIndex(std::clamp(s.UpdateSite, 0, cbUpdateSite->count() - 1));
    }
    ShowSite(s.UpdateSite);
    seIDSZ->setValue(s.IDSZ);
    seIRS->setValue(s.IRS);
    seNIPOI->setValue(s.NIPOI);
    for (int row = 0; row < 6; ++row) {
        Colours[row] = ColourOf(*ColourSetting(settings_, row));
        ShowColour(row);
    }
    scriptPaths_[0] = s.StartUpScript;
    scriptPaths_[1] = s.LibraryScript;
    cbScript->setCurrentIndex(0);
    ScriptText->clear();
    ScriptText->document()->setModified(false);
    ShowScript(0);
    ShowInstrument(instrument_ == 0 ? 1 : instrument_);
    for (QWidget* w : findChildren<QWidget*>())
        if (w->property(HintProperty).isValid())
            w->setToolTip(s.Hints ? w->property(HintProperty).toString() : QString());
}

void TOptionsDlg::ShowScript(int kind) {
    scriptKind_ = kind;
    if (cbScript->currentIndex() != kind) cbScript->setCurrentIndex(kind);
    edCodeFile->setText(scriptPaths_[kind]);
    if (ScriptText->document()->isModified()) messenger_.Message("You should save your work.");
    ScriptText->clear();
    QFile in(edCodeFile->text());
    if (!edCodeFile->text().isEmpty() &&
        NotRegularFileProblem(edCodeFile->text().toStdString()).empty() &&
        in.open(QIODevice::ReadOnly | QIODevice::Text))
        ScriptText->setPlainText(QString::fromUtf8(in.readAll()));
    else
        ScriptText->setPlainText(kind == 0 ? "// Enter any startup KoraBasic code here"
                                           : "// Enter any library KoraBasic code here");
    ScriptText->document()->setModified(false);
}

void TOptionsDlg::SaveScript() {
    QString file = edCodeFile->text();
    if (file.isEmpty()) {
        file = files_.SaveFileName("KoraBasic Files (*.rib)|*.rib", "rib", QString());
        if (file.isEmpty()) return;
        edCodeFile->setText(file);
    }
    try {
        WriteFileSafely(file.toStdString(), ScriptText->toPlainText().toStdString());
    } catch (const std::exception& error) {
        messenger_.Message(error.what());
        return;
    }
    ScriptText->document()->setModified(false);
}

void TOptionsDlg::TestScript() {
    macro::TSBasic own;
    macro::TSBasic& compiler = Macro ? *Macro : own;
    ScriptMessages->clear();
    const std::string headline = compiler.Headline;
    compiler.Headline = "Error";
    compiler.OnMessage = [this](const std::string& text) {
        ScriptMessages->appendPlainText(QString::fromStdString(text));
    };
    compiler.SetSourceText(ScriptText->toPlainText().toStdString());
    const int result = compiler.Compile();
    if (result == 0)
        ScriptMessages->setPlainText("No problems.");
    else if (ScriptMessages->toPlainText().isEmpty())
        ScriptMessages->setPlainText(QString::fromStdString(compiler.MessageText()));
    // The component goes back to its owner as it was: no source, no panel.
    compiler.OnMessage = nullptr;
    compiler.SetSourceText({});
    compiler.Headline = headline;
}

void TOptionsDlg::accept() {
    TSettings& s = settings_;
    s.IDSZ = seIDSZ->value();
    s.IRS = seIRS->value();
    s.NIPOI = seNIPOI->value();
    s.StepOnStart = cbStepOnStart->isChecked();
    s.RDPlot = cbRDPlot->isChecked();
    s.RDWatch = cbRDWatch->isChecked();
    s.RDUpdate = cbRDUpdate->isChecked();
    s.RDOnTop = cbRDOnTop->isChecked();
    s.QSPlot = cbQSPlot->isChecked();
    s.QSWatch = cbQSWatch->isChecked();
    s.QSUpdate = cbQSUpdate->isChecked();
    s.UpdateSite = cbUpdateSite->currentIndex();
    s.Style = cbStyle->currentIndex();
    s.NumberRecent = seRecent->value();
    s.TempRefine = cbTempRefine->isChecked();
    s.AcceptChanges = cbAcceptChanges->isChecked();
    s.AssignDatafile = cbAssignDatafile->isChecked();
    s.StartUpDirectgory = edStartUpDirectory->text();
    s.Hints = cbHints->isChecked();
    scriptPaths_[scriptKind_] = edCodeFile->text();
    s.StartUpScript = scriptPaths_[0];
    s.LibraryScript = scriptPaths_[1];
    StoreInstrument(instrument_);
    s.DatabasePhases = edPhases->text().trimmed();
    s.DatabaseAtoms = edAtoms->text().trimmed();
    for (int row = 0; row < 6; ++row)
        *ColourSetting(s, row) = RgbOf(Colours[row]);
    SavePreferences(store_, s);
    QDialog::accept();
    emit Applied();
}

void TOptionsDlg::done(int result) {
    if (ActiveEditControl) *ActiveEditControl = nullptr;
    settings_.TempRefine = cbTempRefine->isChecked();
    QDialog::done(result);
}

void TOptionsDlg::showEvent(QShowEvent* event) {
    ShowSettings();
    QDialog::showEvent(event);
}

void TOptionsDlg::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && ActiveEditControl &&
        focusWidget())
        *ActiveEditControl = focusWidget();
    QDialog::changeEvent(event);
}

void ApplyToolbarStyle(QWidget& window, int style) {
    const QString flat = QStringLiteral(
        "QToolBar { background: #eef2f7; border: none; spacing: 2px; }"
        "QToolButton { border: 1px solid transparent; padding: 2px; }"
        "QToolButton:hover { background: #c1d2ee; border: 1px solid #316ac5; }");
    for (QToolBar* bar : window.findChildren<QToolBar*>())
        bar->setStyleSheet(style == 1 ? flat : QString());
}

} // namespace koralix
