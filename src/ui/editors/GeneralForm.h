// The general settings editor: the model-wide refinement controls (title,
// cycles, output options, data format, bond limits, damping, limits,
// termination and strategy) on one page.
#pragma once

#include "ModelEditor.h"

class QComboBox;
class QSpinBox;

namespace koralix {

class TGeneralForm : public TModelEditor {
    Q_OBJECT
  public:
    explicit TGeneralForm(TWorkspace& work, QWidget* parent = nullptr);

    void UpdateForm() override;
    void SaveChanges() override;

    QLineEdit* TitleEdit = nullptr;
    QCheckBox* IOTCheckBox = nullptr;
    QCheckBox* IPLCheckBox = nullptr;
    QCheckBox* IPCCheckBox = nullptr;
    QCheckBox* MATCheckBox = nullptr;
    QCheckBox* LST1CheckBox = nullptr;
    QCheckBox* LST2CheckBox = nullptr;
    QCheckBox* LST3CheckBox = nullptr;
    QCheckBox* IPL1CheckBox = nullptr;
    QCheckBox* cbRecy = nullptr;
    QComboBox* cbPlotFile = nullptr;
    QComboBox* cbFourierfile = nullptr;
    QSpinBox* NCyclesSpinEdit = nullptr;
    QCheckBox* LSyncCheckBox = nullptr;
    QCheckBox* SepCheckBox = nullptr;
    QCheckBox* IPREFCheckBox = nullptr;
    QCheckBox* cbThermal = nullptr;
    QComboBox* cbReadFormat = nullptr;
    QLineEdit* RminEdit = nullptr;
    QLineEdit* RmaxEdit = nullptr;
    QLineEdit* RelaxEdit[4] = {};
    QLineEdit* AsymLimitEdit = nullptr;
    QLineEdit* FFLimitEdit = nullptr;
    QLineEdit* EPSEdit = nullptr;
    QComboBox* cbStrategy = nullptr;
    QLineEdit* edMarquardt = nullptr;
};

} // namespace koralix
