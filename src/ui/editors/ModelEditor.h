// What every window that edits the model shares. A page (one tab, or the
// whole window) is filled from the model by UpdateForm and written back by
// SaveChanges; any edit raises PageChanged. Leaving an edited page keeps it
// silently when the "AcceptChanges" setting is on and otherwise asks
// "Keep Changes?"; closing the window with an edited page always asks. OK
// keeps and hides, Cancel hides without keeping. Number fields are checked
// before a page is kept: a bad number is named at its field and never reaches
// the model. Refinement tick boxes switch codes through the parameter list.
#pragma once

#include "Parameters.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;

namespace koralix {

class TWorkspace;
class TRietveld;

// Reads a number typed into a field: blank is 0, a comma counts as the decimal
// point; anything else that is not a whole number, or lies outside
// [minimum, maximum], gives no value.
std::optional<double> ReadTypedNumber(const QString& text, double minimum = -3.4e38,
                                      double maximum = 3.4e38);

class TModelEditor : public QWidget {
    Q_OBJECT
  public:
    TModelEditor(TWorkspace& work, const QString& caption, QWidget* parent = nullptr);

    // Fills the shown page from the model and clears PageChanged.
    virtual void UpdateForm() = 0;
    // Writes the shown page into the model. Called only after CheckPage passed.
    virtual void SaveChanges() = 0;

    bool PageChanged = false;
    // Raised by every edit of the page; also marks the model changed.
    void DirtyPage();
    // Checks every number field of the page; shows the first fault at its field
    // and in a message, and gives false.
    virtual bool CheckPage();
    // Tells the other windows that this one changed the model (not this one).
    void AnnounceEdit();
    // CheckPage, SaveChanges, clear PageChanged and tell the other windows.
    bool KeepPage();
    // Before the page is left (another tab, another histogram): true when the
    // page may be left, after keeping or discarding it as the user chose.
    bool LeavePage();
    // The OK and Cancel buttons.
    virtual void Ok();
    void Cancel();

    TWorkspace& Work() { return work_; }
    TRietveld& Model();
    // The label under the page that names a faulty field ("" when all is well).
    QLabel* FaultLabel() const { return faultLabel_; }

  protected:
    // A number field: `name` is its object name (and names it in messages), its
    // typed text must read as a number within [minimum, maximum].
    QLineEdit* NumberEdit(const QString& name, double minimum = -3.4e38, double maximum = 3.4e38);
    // The value of a checked number field (CheckPage has passed).
    static float NumberOf(const QLineEdit* edit);
    // A refinement tick box for the parameter `address` names when the page is
    // filled or kept; LoadFlags and StoreFlags move all of them at once.
    QCheckBox* FlagBox(std::function<TAddress()> address, const QString& name = {});
    void LoadFlags();
    void StoreFlags();
    // Sets or clears the refinement of one address through the parameter list.
    void StoreFlag(const TAddress& address, bool refined);
    // Connects every edit, list and tick box under `root` to DirtyPage.
    void WatchEdits(QWidget* root);
    // Tab changes ask LeavePage first and refill the page afterwards; Cancel
    // puts the old tab back. One page widget serves every tab.
    void UseTabs(QTabBar* tabs);
    // Replaces the tabs without asking and selects `current` (0-based).
    void RebuildTabs(const QStringList& captions, int current = 0);
    // Called when the window is shown and when another model was read: rebuild
    // tabs and fill. The default fills.
    virtual void Showing() { UpdateForm(); }
    // A row with "OK", "Cancel" and "Help" (opening `helpTopic`).
    QWidget* ButtonRow(const QString& helpTopic);
    // While filling, edits do not raise PageChanged.
    class Filling {
      public:
        explicit Filling(TModelEditor& editor) : editor_(editor), was_(editor.filling_) {
            editor_.filling_ = true;
        }
        ~Filling() { editor_.filling_ = was_; }

      private:
        TModelEditor& editor_;
        bool was_;
    };
    bool IsFilling() const { return filling_; }

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    struct Flag {
        QCheckBox* box;
        std::function<TAddress()> address;
    };
    TWorkspace& work_;
    std::vector<Flag> flags_;
    QLabel* faultLabel_ = nullptr;
    bool filling_ = false;
    bool hiding_ = false;
    bool keeping_ = false;
    bool switchingTab_ = false;
    int shownTab_ = -1;
    QTabBar* trackedTabs_ = nullptr;
};

} // namespace koralix
