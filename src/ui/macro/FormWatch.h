// The watch window: the refined parameters with their current values and
// errors, each value coloured by how it has moved since the last cycle.
#pragma once

#include <QColor>
#include <QWidget>

class QTableWidget;
class QSettings;

namespace koralix {

class TRefine;
class TRietveld;

// Red when the value moved by more than its error, blue when the error is
// larger than the value (blue wins), black otherwise.
QColor WatchColour(const QString& value, const QString& error, const QString& previous);

class TFormWatch : public QWidget {
    Q_OBJECT
  public:
    TFormWatch(QSettings& store, QWidget* parent = nullptr);

    QTableWidget* Grid = nullptr;
    QWidget* Legend = nullptr;

    void SetRowCount(int rows);
    void SetCell(int row, int column, const QString& text);
    QString Cell(int row, int column) const;
    // Fills the rows from the driver's values of the model's free parameters and shows the window.
    void Fill(TRefine& driver, const TRietveld& model);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Recolour(int row);
};

} // namespace koralix
