// The scattering-factor editor of one histogram: its list of scattering
// entries, each either nine form-factor coefficients or a table of f against
// sin(theta)/lambda, with f' and f'' (the scattering length for neutrons)
// and their refinement flags, and the form factor drawn.
#pragma once

#include "ModelEditor.h"

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

class TFormScatter : public TModelEditor {
    Q_OBJECT
  public:
    // For histogram `histogram` (1-based) of the workspace's model.
    TFormScatter(TWorkspace& work, int histogram, QWidget* parent = nullptr);

    // Fills the page from the entry shown (the first one at the start).
    void UpdateForm() override;
    // Fills the page from entry n (1-based).
    void UpdateForm(int entry);
    // Checks the grid's numbers as well as the fields.
    bool CheckPage() override;
    // Keeps the page into the entry shown.
    void SaveChanges() override;
    // Keeps the page into entry n of histogram h.
    void SaveForm(int histogram, int entry);
    void PlotSCatter(int entry);
    void Add();
    void Delete();
    int Histogram() const { return histogram_; }
    // The entry shown, 0 when the histogram has none.
    int Shown() const { return shown_; }
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

  protected:
    void Showing() override;

  private:
    void NameChosen(int index);
    void KindChosen(int kind);
    bool Xray() const;
    // The histogram's list changed in the model (entry added, deleted, kind).
    void ListEdited();

    int histogram_;
    int shown_ = 0;
};

} // namespace koralix
