// The Fourier map window: asks the engine for a Fourier or Patterson map of a
// phase in a histogram and shows one slice of it as a contour plot, as a 3-D
// surface, or both, slice by slice or as an animation.
#pragma once

#include "FourierLayout.h"

#include <QMainWindow>

#include <vector>

class QActionGroup;
class QCheckBox;
class QComboBox;
class QCPColorMap;
class QCustomPlot;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QSplitter;
class QTimer;
class Q3DScatter;
class Q3DSurface;

namespace koralix {

class Messenger;
class TRefine;
class TRietveld;

enum class FourierDisplay { Solid, Wireframe, DotFrame };

class TFormPlotFourier : public QMainWindow {
    Q_OBJECT
  public:
    TFormPlotFourier(TRietveld* model, TRefine* refine, Messenger& messenger,
                     QWidget* parent = nullptr);
    ~TFormPlotFourier() override;

    // The map, shared by every instance; element (s, i, k) at MapIndex(s - 1, i - 1, k - 1).
    static std::vector<float>& FourierMap();

    void Calculate();
    void Replot();
    void Animate();
    void Stop();
    // The value range of the display after the 5 % trim at each end.
    double MapMin() const { return min_; }
    double MapMax() const { return max_; }
    int Axis() const;
    bool ContourShown() const;
    bool SurfaceShown() const;
    // The chart as SVG (`vector`) or BMP; false after the message when the
    // file was not written.
    bool SaveImageTo(const QString& file, bool vector);

    QComboBox* HistogramList = nullptr;
    QComboBox* PhaseList = nullptr;
    QComboBox* TypeList = nullptr;
    QRadioButton* AxisButtons[3] = {};
    QPushButton* CalculateButton = nullptr;
    QPushButton* ReplotButton = nullptr;
    QSpinBox* Slice = nullptr;
    QLabel* SliceLabel = nullptr;
    QCheckBox* AutoBox = nullptr;
    QPushButton* AnimateButton = nullptr;
    QPushButton* StopButton = nullptr;
    QCustomPlot* Chart = nullptr;
    QLabel* StatusX = nullptr;
    QLabel* StatusY = nullptr;
    QLabel* StatusZ = nullptr;
    QAction* ContourItem = nullptr;
    QAction* SurfaceItems[3] = {};
    QAction* DoubleCell = nullptr;
    QAction* GridLines = nullptr;
    QAction* LevelItems[6] = {};
    QAction* PenItems[3] = {};
    Q3DSurface* Surface() const { return surface_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildControls();
    void BuildMenus();
    void Fill();
    void SliceChanged();
    void PlotContour();
    void PlotSurface();
    void ShowDisplays();
    void ToggleDisplay(QAction* item, bool on);
    void ShowMouse(QMouseEvent* event);
    void AnimationStep();
    void SaveImage(bool vector);
    // The grid of the current slice as shown: 64 x 64, or 128 x 128 with Double Cell.
    std::vector<double> SliceGrid(int& side) const;

    TRietveld* model_;
    TRefine* refine_;
    Messenger& messenger_;
    double min_ = 0, max_ = 0;
    bool calculated_ = false;
    bool autoBefore_ = false;
    QCPColorMap* colours_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QWidget* surfaceBox_ = nullptr;
    Q3DSurface* surface_ = nullptr;
    QWidget* scatterBox_ = nullptr;
    Q3DScatter* scatter_ = nullptr;
    QTimer* animation_ = nullptr;
};

} // namespace koralix
