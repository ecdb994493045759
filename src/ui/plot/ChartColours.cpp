#include "ChartColours.h"

#include "PlotForm.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>

namespace koralix {

int32_t* ColourSetting(TSettings& s, int row) {
    int32_t* fields[6] = {&s.Data_Colour, &s.Background_Colour, &s.Calc_Colour,
                          &s.Diff_Colour, &s.Markers_Colour,    &s.Main_Colour};
    return fields[row];
}

namespace {

const char* const Names[6] = {"DataPoints",     "BackgroundPoints", "CalculationLine",
                              "DifferenceLine", "MarkerPoints",     "Chart"};

} // namespace

int RgbOf(const QColor& c) {
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

TChartColours::TChartColours(TSettings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setWindowTitle("Chart");
    auto* form = new QFormLayout(this);
    for (int row = 0; row < 6; ++row) {
        Colours[row] = ColourOf(*ColourSetting(settings_, row));
        buttons_[row] = new QPushButton(this);
        buttons_[row]->setMinimumWidth(80);
        connect(buttons_[row], &QPushButton::clicked, this, [this, row] {
            const QColor chosen = QColorDialog::getColor(Colours[row], this, Names[row]);
            if (chosen.isValid()) Colours[row] = chosen;
            ShowColour(row);
        });
        ShowColour(row);
        form->addRow(Names[row], buttons_[row]);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

void TChartColours::ShowColour(int row) {
    buttons_[row]->setStyleSheet("background-color: " + Colours[row].name());
}

void TChartColours::accept() {
    for (int row = 0; row < 6; ++row)
        *ColourSetting(settings_, row) = RgbOf(Colours[row]);
    QDialog::accept();
}

} // namespace koralix
