// The new-input wizard: how many histograms and phases, each histogram a
// calculation or measured data on one of the stored instruments, each phase a
// structure with some atoms or a Le Bail extraction.
#pragma once

#include "NewModel.h"
#include "Settings.h"

#include <QDialog>

#include <array>

class QComboBox;
class QPushButton;
class QSpinBox;

namespace koralix {

// The numbers of a stored instrument a new histogram takes.
TInstrumentSetup SetupOf(const TInstrument& instrument);

class TFormNewInput : public QDialog {
    Q_OBJECT
  public:
    static constexpr int MaxHistograms = 100;
    static constexpr int MaxPhases = 8;

    TFormNewInput(const std::array<TInstrument, InstrumentCount>& instruments,
                  QWidget* parent = nullptr);

    // Back to one data-file histogram on the first instrument and one phase
    // of one atom; done on every showing.
    void Reset();
    // Stores what the lists show for the current histogram and phase.
    void StoreCurrent();
    // Replaces the model's content by the chosen histograms and phases.
    void BuildInto(TRietveld& model);

    QSpinBox* seNumberHistograms = nullptr;
    QSpinBox* seHistogramNumber = nullptr;
    QComboBox* cbHistogramtype = nullptr;
    QComboBox* cbInstruments = nullptr;
    QPushButton* NowButton = nullptr;
    QSpinBox* seNumberPhases = nullptr;
    QSpinBox* sePhaseNumber = nullptr;
    QComboBox* cbStructure = nullptr;
    QSpinBox* seAtoms = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void HistogramNumberChanged(int number);
    void PhaseNumberChanged(int number);
    void StructureChosen(int index);
    void Now();
    void ShowPhase(int number);

    const std::array<TInstrument, InstrumentCount>& instruments_;
    std::array<int, MaxHistograms + 1> kind_{};       // 0 calculation, 1 data file
    std::array<int, MaxHistograms + 1> instrument_{}; // slot 0..19
    std::array<int, MaxPhases + 1> atoms_{};
    int currentHistogram_ = 1;
    int currentPhase_ = 1;
    bool filling_ = false;
};

} // namespace koralix
