// The histogram editor: one tab per histogram with its data type, profile,
// wavelengths or time-of-flight constants, range and step, zero, scale,
// corrections, background (kind, coefficients and flags, user points or
// smoothing) and excluded regions. Histograms are added and deleted with their
// samples and codes.
#pragma once

#include "Model.h"
#include "ModelEditor.h"

class QButtonGroup;
class QComboBox;
class QMenu;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;

namespace koralix {

class THistogramForm : public TModelEditor {
    Q_OBJECT
  public:
    explicit THistogramForm(TWorkspace& work, QWidget* parent = nullptr);

    void Showing() override;
    void UpdateForm() override { UpdateHistogram(); }
    void SaveChanges() override { SaveHistogram(); }
    bool CheckPage() override;

    void UpdateHistogram();
    void SaveHistogram();
    // Job type code (0 to 7) to the two lists and back.
    void Setcomboboxes(int code);
    int Getcomboboxes() const;
    void NewHistogram();
    void DeleteHistogram();
    // The histogram clipboard holds the page's instrument and background
    // values (not flags, step or regions) to fill another histogram's page.
    void CopyHistogram();
    void PasteHistogram();
    void CutHistogram();
    // Fills the page's instrument fields from stored instrument n (1-based).
    void UseInstrument(int n);
    // Lays the page out for the data type the lists show.
    void LayoutForType();
    // Lays out the background part for the kind chosen in the list.
    void ShowBackgroundKind();
    int ShownHistogram() const { return shown_; }

    QTabBar* HistogramTabs = nullptr;
    QComboBox* cbType = nullptr;
    QComboBox* cbCalc = nullptr;
    QSpinBox* ProfileEdit = nullptr;
    QSpinBox* AbsorptionEdit = nullptr;
    QLineEdit* HistogramSCaleEdit = nullptr;
    QCheckBox* HistogramScaleCheckBox = nullptr;
    QLineEdit* ThetaMinEdit = nullptr;
    QLineEdit* ThetaMaxEdit = nullptr;
    QLineEdit* ThetaStepEdit = nullptr;
    QLabel* Wave1Label = nullptr;
    QLineEdit* Wave1Edit = nullptr;
    QCheckBox* CheckBoxWave1 = nullptr;
    QLabel* Wave2Label = nullptr;
    QLineEdit* Wave2Edit = nullptr;
    QCheckBox* CheckBoxWave2 = nullptr;
    QLineEdit* RatioEdit = nullptr;
    QLineEdit* ZeroEdit = nullptr;
    QCheckBox* CheckBoxZero = nullptr;
    QLineEdit* BWEdit = nullptr;
    QLineEdit* EditWEIDS = nullptr;
    QLineEdit* PolEdit = nullptr;
    QCheckBox* CheckBoxIllumination = nullptr;
    QLineEdit* edSampleDisplacement = nullptr;
    QCheckBox* cbSampleDisplacement = nullptr;
    QComboBox* BackgroundComboBox = nullptr;
    QRadioButton* RadioButton1 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
    QTableWidget* BackGrid = nullptr;
    QLineEdit* edOffset = nullptr;
    QSpinBox* seNCycles = nullptr;
    QSpinBox* seNStep = nullptr;
    QTableWidget* IntBackGrid = nullptr;
    QTableWidget* ExcludedGrid = nullptr;
    QLabel* ScatteringLabel = nullptr;
    // The scattering-factor and incident-spectrum editors hang on these.
    QPushButton* FormFactorsButton = nullptr;
    QPushButton* IncidentSpectrumButton = nullptr;
    QMenu* HistogramMenu = nullptr;

  private:
    void BuildPage();
    void FillBackGrid(int terms);
    int Terms() const;
    void Show(QWidget* w, bool on);

    int shown_ = 1;
    THistogram clipboard_;
    int clipboardBackground_ = 0;
    QList<QWidget*> ratioWidgets_, xrayWidgets_, offsetWidgets_, smoothWidgets_, coeffWidgets_;
};

// List positions of the background kinds, in the list's order, and back.
int BackgroundListIndex(int kind);
int BackgroundKindAt(int index);

} // namespace koralix
