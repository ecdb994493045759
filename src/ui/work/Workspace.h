// The workbench's shared state: the one open model, its file names, the
// unsaved-changes flag, the work mode, the settings, the refinement driver, the
// pattern plot window the engine draws into, and the task runner for long
// work. Windows reach the model only through here and name histograms, phases
// and atoms by number, never by pointers into the model's lists: any edit may
// reallocate those lists. The model object itself lives as long as the
// workspace (closing a file empties it), so the driver may keep its address.
#pragma once

#include "Messenger.h"
#include "Model.h"
#include "PlotData.h"
#include "Settings.h"
#include "TaskRunner.h"
#include "ThreadMessenger.h"
#include "WorkState.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class QSettings;
class QWidget;

namespace koralix {

class TPlotForm;
class TRefine;

class TWorkspace : public QObject {
    Q_OBJECT
  public:
    // `windowParent` becomes the parent of the windows the workspace creates.
    TWorkspace(std::unique_ptr<QSettings> store, Messenger& messenger,
               QWidget* windowParent = nullptr);
    // Closes a running refinement (which removes its temporary folder) before
    // the model goes.
    ~TWorkspace() override;

    // The open model; empty and not Loaded when no file is open.
    TRietveld& Model() { return *model_; }
    const TRietveld& Model() const { return *model_; }
    bool ModelLoaded() const { return model_->Loaded; }
    // 1-based lookups that give nullptr for a number not in the model.
    THistogram* Histogram(int h);
    TPhase* Phase(int p);
    TAtom* Atom(int p, int a);

    // Reads a model file of any supported type into the model (messages go to
    // the user) and announces it with ModelReplaced.
    void ReadModel(const QString& path);
    // Empties the model and forgets the input file; a running refinement is
    // closed first.
    void CloseModel();

    const QString& InputFile() const { return inputFile_; }
    void SetInputFile(const QString& file);
    const QString& DataFile() const { return dataFile_; }
    void SetDataFile(const QString& file);

    bool Changed() const { return changed_; }
    void SetChanged(bool changed = true);
    // An editor kept edits: sets the changed flag (while a model is loaded) and
    // tells the other windows to refresh.
    void MarkEdited();

    WorkMode Mode() const { return mode_; }
    void SetMode(WorkMode mode);

    TSettings& Settings() { return settings_; }
    QSettings& Store() { return *store_; }
    // Messages and questions for the user; safe to use from task-runner work.
    Messenger& Messages() { return messages_; }

    // The one refinement driver, created on first use, bound to Model().
    TRefine& Driver();
    TRefine* DriverIfCreated() { return driver_.get(); }
    // Waits for a running cycle and closes the engine without update.
    void CloseRefinement();

    TTaskRunner& Tasks() { return *tasks_; }
    bool Busy() const { return tasks_->Busy(); }
    // What a user is told who starts long work while other long work runs.
    static constexpr const char* BusyMessage =
        "Another refinement or macro is running; wait for it to end.";
    // Shows the messages held while work ran on the task runner.
    void FlushMessages() { messages_.Flush(); }

    // The pattern plot the engine draws into, shared by the refinement window,
    // the text editor's refine loop and macros; created on first use.
    TPlotData& EnginePlotData() { return enginePlotData_; }
    TPlotForm& EnginePlot();
    TPlotForm* EnginePlotIfCreated() const;
    // Fetches histogram h's arrays from the driver and draws them; false when
    // there is no running refinement or no such histogram.
    bool ReplotEngine(int h);

    QWidget* WindowParent() const { return windowParent_; }
    // The coordinate transformation the phase editor applies, kept between uses.
    TTransformation& Transformation() { return transformation_; }
    // The refinement cycle just completed; windows that follow a refinement
    // (the parameters window, the watch window) refresh on this.
    void AnnounceCycle(int cycle) { emit CycleCompleted(cycle); }

  signals:
    // Another model was read, or the model was closed.
    void ModelReplaced();
    // Values of the open model changed (an editor kept a page, a refinement
    // update was read back).
    void ModelEdited();
    void ChangedFlagChanged(bool changed);
    void FilesChanged();
    void ModeChanged(WorkMode mode);
    void BusyChanged(bool busy);
    void CycleCompleted(int cycle);

  private:
    std::unique_ptr<QSettings> store_;
    TSettings settings_;
    TThreadMessenger messages_;
    QWidget* windowParent_;
    // Declared before the driver so that the driver goes first.
    std::unique_ptr<TRietveld> model_;
    std::unique_ptr<TRefine> driver_;
    TTaskRunner* tasks_;
    TPlotData enginePlotData_;
    QPointer<TPlotForm> enginePlot_;
    TTransformation transformation_;
    QString inputFile_;
    QString dataFile_;
    bool changed_ = false;
    WorkMode mode_ = WorkMode::Idle;
};

} // namespace koralix
