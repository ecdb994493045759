// The refinement driver: the one owner of the engine library. It writes the
// model to a temporary input file, starts a refinement, runs cycles, closes it,
// answers queries, and turns every engine status code into a message.
#pragma once

#include "EngineApi.h"
#include "EngineLibrary.h"
#include "Model.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace koralix {

class Messenger;
class TPlotData;

enum class RefineState : int32_t {
    NotStarted = 0,
    Closed = 1,
    Started = 2,
    Cycled = 3,
    Finished = 4,
    Busy = 5,
};

// Status codes the driver produces itself.
constexpr int32_t StatusFault = 200;
constexpr int32_t StatusNotLoaded = 901;

// The message shown for an engine status code.
std::string RefineStatusMessage(int32_t code);

class TRefine {
  public:
    explicit TRefine(Messenger& messenger);
    ~TRefine();
    TRefine(const TRefine&) = delete;
    TRefine& operator=(const TRefine&) = delete;

    TRietveld* Model = nullptr;
    std::string DataName;
    std::string BaseName;
    int32_t LastError = 0;
    bool ShowMessages = true;
    int32_t IRS = 1500;
    int32_t IDSZ = 8000;
    int32_t NIPOI = 0;
    // The engine library file; by default KORALIX_ENGINE or libkoradll.so beside the program.
    std::string LibraryPath;
    // Called with true before and false after each blocking engine call.
    std::function<void(bool busy)> BusyCursor;
    // Runs one engine call. The default runs it at once; a window may run it on a
    // worker thread while it keeps processing events, returning when it is done.
    std::function<void(const std::function<void()>& call)> RunEngineCall;

    void LoadEngine();
    void UnloadEngine();
    void StartRefinement();
    void StepRefinement();
    void CloseRefinement(bool update);
    void QuickClose();
    void ReportStatus(int32_t code);

    float GetRp(int32_t hist);
    float GetRwp(int32_t hist);
    float GetChi2(int32_t hist);
    int32_t GetProgress();
    float GetParValue(int32_t hist, int32_t phase, int32_t atom, int32_t type);
    float GetParEsd(int32_t hist, int32_t phase, int32_t atom, int32_t type);
    int32_t SetParValue(int32_t hist, int32_t phase, int32_t atom, int32_t type, float value);
    void GetPlot(TPlotData& plot, int32_t hist);
    void GetRdf(float* buffer, int32_t function, int32_t phase);
    // An operation of the loaded library by its name; nullptr when no library is
    // loaded or it lacks the operation (the Fourier window looks up getfour so).
    void* LibrarySymbol(const char* name) const;

    // What the engine held in this refinement, for the user, in the order it
    // said so: parameters the pattern does not depend on. Each new one is
    // also passed to the messenger as a notice (unless messages are off);
    // they change neither LastError nor State. Empty for an engine without getnotes.
    const std::vector<std::string>& Notes() const { return notes_; }

    bool IsLoaded() const { return loaded_; }
    int32_t Cycle() const { return cycle_; }
    RefineState State() const { return state_; }
    bool FinishedFlag() const { return finished_ == 1; }
    // The private folder that holds the temporary input file, with a trailing "/".
    std::string TempDirectory();

  private:
    struct Entries {
        engine::StartProgFn* startprog = nullptr;
        engine::CloseProgFn* closeprog = nullptr;
        engine::IterationFn* iteration = nullptr;
        engine::GetInfoFn* getinfo = nullptr;
        engine::GetStatusFn* getstatus = nullptr;
        engine::PutInfoFn* putinfo = nullptr;
        engine::GetPlotFn* getplot = nullptr;
        engine::GetRdfFn* getrdf = nullptr;
        engine::GetPlotInfoFn* getplotinfo = nullptr;
        engine::QuickCloseFn* quickclose = nullptr;
        engine::CloseMemFn* closemem = nullptr;
        engine::GetParFn* getpar = nullptr;
        engine::GetPar2Fn* getpar2 = nullptr;
        engine::GetVerDllFn* getverdll = nullptr;
        engine::SetParFn* setpar = nullptr;
        engine::GetNotesFn* getnotes = nullptr; // optional, not in the binding chain
    };

    void Show(const std::string& text);
    // Runs an engine call, returning StatusFault when it raised a floating-point
    // fault or let an exception escape, else 0.
    int32_t Guarded(const std::function<void()>& call);
    void Busy(bool on);
    bool Bind();
    void FailAfterCall(int32_t status);
    // Asks the engine for its notes and passes the new ones on as one notice.
    void CollectNotes();
    void Info(int32_t hist, float& rp, float& rwp, float& chi2);
    int32_t HistogramCount() const { return Model ? Model->HistogramCount() : 0; }
    // Copies the engine's file of this extension from the private folder to
    // BaseName + extension, when the engine writes there for a BaseName.
    // False, after saying why, when the copy failed.
    bool Publish(const char* extension);
    // The files the engine writes only for some models (bonds, Le Bail
    // intensities): published when this run wrote them.
    bool PublishOptional();
    // Clears the private folder of the last run's optional files and hands
    // the engine BaseName's Le Bail intensities, which it recycles on request.
    void PrepareEngineFiles();

    Messenger& messenger_;
    EngineLibrary library_;
    Entries entries_;
    bool loaded_ = false;
    int32_t cycle_ = 0;
    int32_t finished_ = 0;
    RefineState state_ = RefineState::NotStarted;
    std::vector<std::string> notes_;
    std::string tempDirectory_;
    // The engine's own base name in the private folder while it works for a
    // BaseName elsewhere: its files reach BaseName only from runs that went
    // well, so a failed run never empties the last good listing.
    std::string engineBase_;
};

} // namespace koralix
