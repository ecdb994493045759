// The watch window: the refined parameters with their current values and
// errors, each value coloured by how it has moved since the last cycle.
#pragma once

#include <QColor>
#include <QSet>
#include <QWidget>

class QTableWidget;

namespace koralix {

class TRefine;
class TRietveld;
class TWorkspace;

// Red when the value moved by more than its error, blue when the error is
// larger than the value (blue wins), black otherwise.
QColor WatchColour(const QString& value, const QString& error, const QString& previous);

class TFormWatch : public QWidget {
    Q_OBJECT
  public:
    TFormWatch(TWorkspace& work, QWidget* parent = nullptr);

    QTableWidget* Grid = nullptr;
    QWidget* Legend = nullptr;

    void SetRowCount(int rows);
    void SetCell(int row, int column, const QString& text);
    QString Cell(int row, int column) const;
    // Fills the rows from the driver's values of the model's free parameters and shows the window.
    void Fill(TRefine& driver, const TRietveld& model);
    // Whether `requester` (the refinement window's Watch Values, a text window's
    // Watch) wants the values after each cycle. The window refills itself on
    // every completed cycle while someone wants it or while it is shown, so
    // that the refinement window, the text editor and macros never fill it twice.
    void Follow(const QObject* requester, bool on);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Recolour(int row);
    void FitWidth();
    void CycleCompleted();

    TWorkspace& work_;
    QSet<const QObject*> followers_;
};

} // namespace koralix
