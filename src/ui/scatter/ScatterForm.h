// The scattering-factor editor of one histogram: its list of scattering
// entries, each either nine form-factor coefficients or a table of f against
// sin(theta)/lambda, with f' and f'' (the scattering length for neutrons)
// and their refinement flags, and the form factor drawn.
#pragma once

#include <QDialog>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QCPGraph;
class QCustomPlot;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTableWidget;

namespace koralix {

class Messenger;
class TRietveld;

class TFormScatter : public QDialog {
    Q_OBJECT
  public:
    // `histogram` is 1-based; the model must outlive the dialog.
    TFormScatter(TRietveld& model, int histogram, Messenger& messenger, QWidget* parent = nullptr);

    // Fills the page from entry n (1-based).
    void UpdateForm(int entry);
    // Keeps the page into entry n of histogram h.
    void SaveForm(int histogram, int entry);
    void PlotSCatter(int entry);
    void Add();
    void Delete();
    // The entry shown, 0 when the histogram has none.
    int Shown() const { return shown_; }
    bool PageChanged = false;
    // Asks for a text (title, prompt); none when cancelled. Tests replace it.
    std::function<std::optional<QString>(const QString&, const QString&)> AskText;

    QComboBox* ComboBoxSName = nullptr;
    QRadioButton* RadioButtonCalc = nullptr;
    QRadioButton* RadioButtonInt = nullptr;
    QLabel* LabelFp = nullptr;
    QLineEdit* Editfp = nullptr;
    QCheckBox* CheckBoxfp = nullptr;
    QLineEdit* Editfpp = nullptr;
    QCheckBox* CheckBoxfpp = nullptr;
    QTableWidget* StringGridScatter = nullptr;
    QLineEdit* EditMW = nullptr;
    QCustomPlot* Chart = nullptr;
    QCPGraph* Curve = nullptr;

  private:
    void NameChosen(int index);
    void KindChosen(int kind);
    bool Xray() const;
    void Dirty();

    TRietveld& model_;
    int histogram_;
    Messenger& messenger_;
    int shown_ = 0;
    bool filling_ = false;
};

} // namespace koralix
