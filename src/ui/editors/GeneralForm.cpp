#include "GeneralForm.h"

#include "EditorFields.h"
#include "Model.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

namespace koralix {

namespace {

// The model's 0/1 switches and the tick boxes that show them.
struct Switch {
    QCheckBox* TGeneralForm::*box;
    int32_t TRietveld::*field;
};

const Switch Switches[] = {
    {&TGeneralForm::IOTCheckBox, &TRietveld::IOT},
    {&TGeneralForm::IPLCheckBox, &TRietveld::IPL},
    {&TGeneralForm::IPCCheckBox, &TRietveld::IPC},
    {&TGeneralForm::MATCheckBox, &TRietveld::MAT},
    {&TGeneralForm::LST1CheckBox, &TRietveld::LST1},
    {&TGeneralForm::LST2CheckBox, &TRietveld::LST2},
    {&TGeneralForm::LST3CheckBox, &TRietveld::LST3},
    {&TGeneralForm::IPL1CheckBox, &TRietveld::IPL1},
    {&TGeneralForm::cbRecy, &TRietveld::RecycleLeBail},
    {&TGeneralForm::LSyncCheckBox, &TRietveld::LSync},
    {&TGeneralForm::SepCheckBox, &TRietveld::SeparateData},
    {&TGeneralForm::IPREFCheckBox, &TRietveld::IPREF},
    {&TGeneralForm::cbThermal, &TRietveld::PrintU},
};

QComboBox* List(const QString& name, const QStringList& items) {
    auto* list = new QComboBox;
    list->setObjectName(name);
    list->addItems(items);
    return list;
}

void SetIndex(QComboBox* list, int32_t value) {
    list->setCurrentIndex(value >= 0 && value < list->count() ? value : 0);
}

} // namespace

TGeneralForm::TGeneralForm(TWorkspace& work, QWidget* parent)
    : TModelEditor(work, "General", parent) {
    setObjectName("GeneralForm");
    auto check = [](const QString& name, const QString& caption) {
        auto* box = new QCheckBox(caption);
        box->setObjectName(name);
        return box;
    };
    TitleEdit = new QLineEdit;
    TitleEdit->setObjectName("TitleEdit");
    IOTCheckBox = check("IOTCheckBox", "Obs. && Calc. Intensties");
    IOTCheckBox->setText("Obs. && Calc. Intensties");
    IPLCheckBox = check("IPLCheckBox", "Line Printer Plot");
    IPCCheckBox = check("IPCCheckBox", "Integrated Intensities");
    MATCheckBox = check("MATCheckBox", "Correlation Matrix");
    LST1CheckBox = check("LST1CheckBox", "Reflection List");
    LST2CheckBox = check("LST2CheckBox", "Input Step Intensities");
    LST3CheckBox = check("LST3CheckBox", "Merged Reflection list");
    IPL1CheckBox = check("IPL1CheckBox", "Symmetry Operators");
    cbRecy = check("cbRecy", "Recycle LeBail");
    cbRecy->setToolTip("Check if you want to keep the intensities from previous LeBail fit");
    cbPlotFile = List("cbPlotFile", {"No File", "Excel,Sigma,Axum,Kaledia", "ILL Plot File",
                                     "Normalised Plot File", "Standard Plot File"});
    cbFourierfile = List("cbFourierfile",
                         {"No Fourier File", "hkl, Fo^2, err + symm", "hkl, Fo^2, err",
                          "hkl, Fo^2, phase", "hkl, Fc^2, phase", "hkl, Fo, Fc", "EXTRA/SIRPOW97"});
    NCyclesSpinEdit = new QSpinBox;
    NCyclesSpinEdit->setObjectName("NCyclesSpinEdit");
    NCyclesSpinEdit->setRange(1, 100);
    LSyncCheckBox = check("LSyncCheckBox", "Read Syncrotron Data");
    SepCheckBox = check("SepCheckBox", "Read Separate Data");
    IPREFCheckBox = check("IPREFCheckBox", "Use summation in PO");
    cbThermal = check("cbThermal", "Print U's instead of B's");
    cbReadFormat = List("cbReadFormat", {"10(I2,I6)", "10(I1,I7)", "10I8", "GSAS ESD or STD",
                                         "x,y,weight", "x,y", "CPI"});
    RminEdit = NumberEdit(QString::fromUtf8("Min \u00C5:"), 0, 100);
    RmaxEdit = NumberEdit(QString::fromUtf8("Max \u00C5:"), 0, 100);
    const char* relaxNames[4] = {"x,y,z,B,n:", "B11,B22...B23:", "abc,S,Z,P,Biso:", "UVW,L,Asy:"};
    for (int k = 0; k < 4; ++k)
        RelaxEdit[k] = NumberEdit(relaxNames[k], 0, 10);
    AsymLimitEdit = NumberEdit("Asymmetry Limit:", 0, 180);
    FFLimitEdit = NumberEdit("F^2 Limit:", 0, 1e30);
    EPSEdit = NumberEdit("Terminatation:", 0, 1e30);
    cbStrategy = List("cbStrategy", {"Newton-Raphson", "Marquardt Manual", "Marquardt Auto"});
    edMarquardt = NumberEdit("Marquart:", 0, 1e30);

    auto* output = new QGroupBox("Output File Options");
    auto* outputGrid = new QGridLayout(output);
    QCheckBox* outputs[] = {IOTCheckBox,  IPLCheckBox,  IPCCheckBox,  MATCheckBox,
                            LST1CheckBox, LST2CheckBox, LST3CheckBox, IPL1CheckBox};
    for (int k = 0; k < 8; ++k)
        outputGrid->addWidget(outputs[k], k % 4, k / 4);
    auto* files = new QFormLayout;
    files->addRow("Plot File options:", cbPlotFile);
    files->addRow("Fourier File options:", cbFourierfile);
    files->addRow(cbRecy);
    outputGrid->addLayout(files, 4, 0, 1, 2);

    auto* options = new QGroupBox("Options");
    auto* optionsForm = new QFormLayout(options);
    optionsForm->addRow("Number of Cycles:", NCyclesSpinEdit);
    optionsForm->addRow("Read data using format:", cbReadFormat);
    for (QCheckBox* box : {LSyncCheckBox, SepCheckBox, IPREFCheckBox, cbThermal})
        optionsForm->addRow(box);
    auto* bonds = new QHBoxLayout;
    bonds->addWidget(new QLabel(RminEdit->accessibleName()));
    bonds->addWidget(RminEdit);
    bonds->addWidget(new QLabel(RmaxEdit->accessibleName()));
    bonds->addWidget(RmaxEdit);
    optionsForm->addRow("Bond Distances and Angles:", bonds);

    auto* damping = new QGroupBox("Damping and Limits");
    damping->setToolTip("Enter the relaxtion rates, Asym limit, F2 limit and refinement "
                        "termination critera");
    auto* dampingForm = new QFormLayout(damping);
    for (QLineEdit* edit : {RelaxEdit[0], RelaxEdit[1], RelaxEdit[2], RelaxEdit[3], AsymLimitEdit,
                            FFLimitEdit, EPSEdit})
        dampingForm->addRow(edit->accessibleName(), edit);

    auto* strategy = new QGroupBox("Refinement Strategy");
    auto* strategyForm = new QFormLayout(strategy);
    strategyForm->addRow(cbStrategy);
    strategyForm->addRow("Marquart:", edMarquardt);

    auto* layout = new QVBoxLayout(this);
    auto* title = new QFormLayout;
    title->addRow("Title:", TitleEdit);
    layout->addLayout(title);
    auto* columns = new QGridLayout;
    columns->addWidget(output, 0, 0);
    columns->addWidget(options, 0, 1);
    columns->addWidget(damping, 1, 0);
    columns->addWidget(strategy, 1, 1);
    layout->addLayout(columns);
    layout->addWidget(ButtonRow("index"));
    WatchEdits(this);
}

void TGeneralForm::UpdateForm() {
    Filling filling(*this);
    const TRietveld& m = Model();
    TitleEdit->setText(QString::fromStdString(m.Title));
    for (const Switch& s : Switches)
        (this->*s.box)->setChecked(m.*s.field == 1);
    SetIndex(cbPlotFile, m.PlotFileType);
    SetIndex(cbFourierfile, m.FourierFileType);
    NCyclesSpinEdit->setValue(m.Cycles);
    SetIndex(cbReadFormat, m.DataFormat);
    RminEdit->setText(FixedField(m.Rmin, 3, 5));
    RmaxEdit->setText(FixedField(m.Rmax, 3, 5));
    for (size_t k = 0; k < 4; ++k)
        RelaxEdit[k]->setText(FixedField(m.Relax[k], 2, 4));
    AsymLimitEdit->setText(FixedField(m.AsymLimit, 2, 5));
    FFLimitEdit->setText(FixedField(m.F2Limit, 3, 5));
    EPSEdit->setText(FixedField(m.Eps, 2, 4));
    SetIndex(cbStrategy, m.Strategy);
    edMarquardt->setText(FixedField(m.Marquardt, 5, 6));
    PageChanged = false;
}

void TGeneralForm::SaveChanges() {
    TRietveld& m = Model();
    m.Title = TitleEdit->text().toStdString();
    for (const Switch& s : Switches)
        m.*s.field = (this->*s.box)->isChecked() ? 1 : 0;
    m.PlotFileType = cbPlotFile->currentIndex();
    m.FourierFileType = cbFourierfile->currentIndex();
    m.Cycles = NCyclesSpinEdit->value();
    m.DataFormat = cbReadFormat->currentIndex();
    m.Rmin = NumberOf(RminEdit);
    m.Rmax = NumberOf(RmaxEdit);
    for (size_t k = 0; k < 4; ++k)
        m.Relax[k] = NumberOf(RelaxEdit[k]);
    m.AsymLimit = NumberOf(AsymLimitEdit);
    m.F2Limit = NumberOf(FFLimitEdit);
    m.Eps = NumberOf(EPSEdit);
    m.Strategy = cbStrategy->currentIndex();
    m.Marquardt = NumberOf(edMarquardt);
    if (m.FourierFileType < 0 || m.FourierFileType > 6) m.FourierFileType = 0;
}

} // namespace koralix
