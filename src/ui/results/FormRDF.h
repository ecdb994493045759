// The RDF window: one of five radial distribution functions of a phase, as
// the engine computes them for the refinement in progress.
#pragma once

#include <QMainWindow>

class QAction;
class QComboBox;
class QCustomPlot;
class QCPGraph;

namespace koralix {

class TRefine;
class TRietveld;

class TFormRDF : public QMainWindow {
    Q_OBJECT
  public:
    explicit TFormRDF(QWidget* parent = nullptr);

    // The model and driver the plot asks; either may be missing.
    TRietveld* Model = nullptr;
    TRefine* Refine = nullptr;
    // The function shown, 1 PDF(R) .. 5 N(R), kept between showings.
    int RdfKind = 1;

    void Plot();
    void ChooseKind(int kind);
    // Fills the phase list with "Phase 1" .. "Phase count" and selects the first.
    void FillPhases(int count);

    QCustomPlot* Chart = nullptr;
    QCPGraph* Series = nullptr;
    QAction* KindItems[5] = {};
    QComboBox* PhaseList = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace koralix
