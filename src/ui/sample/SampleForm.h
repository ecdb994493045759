// The sample editor: the sample record of one histogram-phase pair (peak
// shape, preferred orientation, absorption, extinction) with its refinement
// flags, and the histogram's profile function and absorption model. The page
// is laid out by profile and absorption model; it can be filled from a
// stored instrument or from the sample of another phase, and it plots the
// peak width over the histogram's range.
#pragma once

#include "ModelEditor.h"
#include "PeakWidth.h"

class QComboBox;
class QGroupBox;
class QMenu;
class QTabBar;

namespace koralix {

class TFormPeak;
class TSample;

class TFormSample : public TModelEditor {
    Q_OBJECT
  public:
    explicit TFormSample(TWorkspace& work, QWidget* parent = nullptr);

    void UpdateForm() override;  // fills the page (UpdateSample)
    void SaveChanges() override; // keeps the page (SaveSample)
    // Lays the page out by the profile list's choice.
    void SetShape();
    // Sets the profile and absorption lists from histogram h, as the main
    // window's Sample command does before showing the window.
    void SetListsFrom(int h);
    void UseInstrument(int slot);
    void UsePhase(int phase);
    // Fills the peak-width window from the page and shows it.
    void PlotFwhm();
    TPeakShape ShapeOnPage() const;
    int CurrentHistogram() const;
    int CurrentPhase() const;
    TFormPeak* Peak() const { return peak_; }

    QTabBar* HistogramTabs = nullptr;
    QTabBar* PhaseTabs = nullptr;
    QComboBox* ProfileComboBox = nullptr;
    QLineEdit* AbsorptionEdit = nullptr;
    QComboBox* ComboBoxAbsorption = nullptr;
    QLineEdit *UEdit, *VEdit, *WEdit, *L1Edit, *L2Edit, *L3Edit, *Asym1Edit, *Asym2Edit;
    QLineEdit *a0Edit, *a1edit, *b0edit, *b1edit;
    QLineEdit *UanisoEdit, *UHEdit, *UKEdit, *ULEdit;
    QComboBox* cbPO = nullptr;
    QLineEdit *POEdit, *POHEdit, *POKEdit, *POLEdit;
    QLineEdit *REdit, *PoreEdit, *RoughEdit, *ExtEdit;
    QCheckBox *UCheckBox, *VCheckBox, *WCheckBox, *L1CheckBox, *L2CheckBox, *L3CheckBox;
    QCheckBox *Asym1CheckBox, *Asym2CheckBox, *CheckBoxa0, *CheckBoxa1, *CheckBoxb0, *CheckBoxb1;
    QCheckBox *UanisoCheckBox, *POCheckBox, *RCheckBox, *PoreCheckBox, *RoughCheckBox, *ExtCheckBox;
    QLabel *ULabel, *VLabel, *WLabel, *L1Label, *L2Label, *L3Label, *Asym1Label, *Asym2Label;
    QLabel *a0Label, *a1Label, *b0Label, *b1Label, *RLabel, *PoreLabel, *RoughLabel;
    QMenu* PhaseMenu = nullptr;
    QMenu* InstrumentMenu = nullptr;
    QMenu* UsePhaseMenu = nullptr;

  protected:
    void Showing() override;

  private:
    QWidget* BuildPage();
    void RebuildTabs();
    void TabChanged(QTabBar* tabs, int& shown, int index);
    void ShowAbsorption();
    // The peak shape, preferred orientation and extinction values of a sample
    // (what "Use Phase" takes), without flags or absorption.
    void ShowShape(const TSample& s);
    // The flag boxes with their sample parameter types.
    std::vector<std::pair<QCheckBox*, int>> Flags() const;
    void ReplotIfShown();

    TFormPeak* peak_ = nullptr;
    int shownHistogram_ = 0;
    int shownPhase_ = 0;
    bool switching_ = false;
};

} // namespace koralix
