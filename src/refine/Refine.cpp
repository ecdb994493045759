#include "Refine.h"

#include "InputFile.h"
#include "Messenger.h"
#include "SafeFile.h"
#include "TempFolders.h"
#include "TextFile.h"
#include "TextHelpers.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

namespace koralix {

namespace {

struct StatusText {
    int32_t code;
    const char* text;
};

constexpr StatusText StatusTexts[] = {
    {1, "Error opening input file"},
    {2, "Error opening output file"},
    {3, "Error opening temporary files"},
    {4, "Error opening bond file"},
    {5, "Error closing files"},
    {6, "Error opening data file"},
    {10, "Trying to get a histogram greater than dimensioned"},
    {21, "Error reading data file: data lines"},
    {22, "Error reading data file: first line"},
    {23, "Error reading data file: shouldn' happen"},
    {24, "Error:  No background file."},
    {31, "End of input file"},
    {32, "Error reading file 4"},
    {33, "Error reading file 2"},
    {34, "Error reading input file"},
    {35, "More histograms than allowed."},
    {41, "Error: Too many excluded regions"},
    {43, "Error: Too many scattering entries"},
    {44, "Error: More variables than allowed"},
    {45, "Error: Illegal jobtype"},
    {46, "Error: Excessive peak overlap"},
    {50, "Error: Scattering coeff. not found"},
    {51, "Error in space group"},
    {52, "Error: No reflections found"},
    {53, "Error: Preferred orientation usage invalid"},
    {54, "Error: Asymmetry usage invalid"},
    {60, "Error: Q.R=0 in amorp. back. calc."},
    {61, "Error: 1/0 in interpolated background"},
    {70, "No LeBail file for reading"},
    {71, "Error reading LeBail file"},
    {80, "Not enough points to allocate the full peak width."},
    {100, "Memory allocation error - free memory."},
    {101, "Memory deallocation problem."},
    {200, "Unstable Refinement - change value/number of parameters"},
    {900, "Internal DLL problem."},
    {901, "Not continuing with computations."},
};

// The order in which the operations are looked up, with the message of each.
struct Export {
    const char* name;
    const char* failure;
};
constexpr Export Exports[] = {
    {"startprog", "StartProg failed"}, {"closeprog", "Close prog failed"},
    {"iteration", "iteration failed"}, {"getinfo", "getinfo failed"},
    {"getstatus", "getstatus failed"}, {"putinfo", "putinfo failed"},
    {"getplot", "getplot failed"},     {"getrdf", "getrdf failed"},
    {"getplotinfo", "getplot failed"}, {"quickclose", "quickclose failed"},
    {"closemem", "closemem failed"},   {"getpar", "getpar failed"},
    {"getpar2", "getpar2 failed"},     {"getverdll", "GetVersion failed"},
    {"setpar", "setpar failed"},
};
constexpr int VersionExport = 13;
constexpr float OldestGoodVersion = 7.19f;

// A name in the engine's buffer form: blanks, the name, one zero byte.
struct NameBuffer {
    char text[engine::NameBufferSize];
    explicit NameBuffer(const std::string& name) {
        std::fill(std::begin(text), std::end(text), ' ');
        std::copy(name.begin(), name.end(), text);
        text[name.size()] = '\0';
    }
    static bool Fits(const std::string& name) { return name.size() < engine::NameBufferSize; }
};

std::string CreatePrivateFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/koralix-XXXXXX";
    // mkdtemp creates the folder with owner-only permissions under a name no one
    // else can predict or have created first.
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
    return pattern + "/";
}

} // namespace

std::string RefineStatusMessage(int32_t code) {
    for (const StatusText& s : StatusTexts)
        if (s.code == code) return s.text;
    return "Error: " + std::to_string(code);
}

TRefine::TRefine(Messenger& messenger) : LibraryPath(DefaultEnginePath()), messenger_(messenger) {}

TRefine::~TRefine() {
    if (state_ != RefineState::Closed && loaded_) CloseRefinement(false);
    if (loaded_) UnloadEngine();
    if (!tempDirectory_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(tempDirectory_, ec);
        ForgetTempFolder(tempDirectory_);
    }
}

std::string TRefine::TempDirectory() {
    if (tempDirectory_.empty()) {
        tempDirectory_ = CreatePrivateFolder();
        RegisterTempFolder(tempDirectory_);
    }
    return tempDirectory_;
}

bool TRefine::Publish(const char* extension) {
    if (engineBase_.empty()) return true;
    TextFileRead file = ReadTextFile(engineBase_ + extension, std::uintmax_t{1} << 40);
    if (!file.Text) {
        Show(file.Problem);
        return false;
    }
    try {
        WriteFileSafely(BaseName + extension, *file.Text);
    } catch (const std::exception& e) {
        Show(e.what());
        return false;
    }
    return true;
}

// Bond distances and angles, bond-valence sums, Le Bail intensities, the
// plot file and the reflection file for Fourier programs.
constexpr const char* OptionalEngineFiles[] = {".ang", ".dst", ".leb", ".plt", ".hkl"};

bool TRefine::PublishOptional() {
    if (engineBase_.empty()) return true;
    bool ok = true;
    for (const char* extension : OptionalEngineFiles) {
        std::error_code ec;
        if (std::filesystem::exists(engineBase_ + extension, ec)) ok = Publish(extension) && ok;
    }
    return ok;
}

void TRefine::PrepareEngineFiles() {
    if (engineBase_.empty()) return;
    for (const char* extension : OptionalEngineFiles) {
        std::error_code ec;
        std::filesystem::remove(engineBase_ + extension, ec);
    }
    std::error_code ec;
    if (std::filesystem::exists(BaseName + ".leb", ec))
        std::filesystem::copy_file(BaseName + ".leb", engineBase_ + ".leb", ec);
}

void TRefine::Show(const std::string& text) {
    if (ShowMessages) messenger_.Message(text);
}

void TRefine::Busy(bool on) {
    if (BusyCursor) BusyCursor(on);
}

int32_t TRefine::Guarded(const std::function<void()>& call) {
    int32_t fault = 0;
    // Floating-point flags belong to a thread: clear and test them where the call runs.
    auto body = [&] {
        std::feclearexcept(FE_ALL_EXCEPT);
        try {
            call();
        } catch (...) {
            fault = StatusFault;
        }
        if (std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW)) fault = StatusFault;
        std::feclearexcept(FE_ALL_EXCEPT);
    };
    if (RunEngineCall)
        RunEngineCall(body);
    else
        body();
    return fault;
}

void TRefine::LoadEngine() {
    if (loaded_) return;
    LoadFailure failure = library_.Open(LibraryPath);
    if (failure != LoadFailure::None) {
        std::string message = LoadFailureMessage(failure);
        if (!message.empty()) Show(message);
        return;
    }
    loaded_ = true;
    if (!Bind()) {
        loaded_ = false;
        entries_ = {};
        library_.Close();
        return;
    }
    // Newer engines tell what they held; older ones still load without a word.
    entries_.getnotes = reinterpret_cast<engine::GetNotesFn*>(library_.Symbol("getnotes"));
    float version = -1.0f;
    if (entries_.getverdll) Guarded([&] { entries_.getverdll(&version); });
    if (version < OldestGoodVersion) messenger_.Message("You are using an old dll.");
}

bool TRefine::Bind() {
    void** slots[] = {
        reinterpret_cast<void**>(&entries_.startprog),
        reinterpret_cast<void**>(&entries_.closeprog),
        reinterpret_cast<void**>(&entries_.iteration),
        reinterpret_cast<void**>(&entries_.getinfo),
        reinterpret_cast<void**>(&entries_.getstatus),
        reinterpret_cast<void**>(&entries_.putinfo),
        reinterpret_cast<void**>(&entries_.getplot),
        reinterpret_cast<void**>(&entries_.getrdf),
        reinterpret_cast<void**>(&entries_.getplotinfo),
        reinterpret_cast<void**>(&entries_.quickclose),
        reinterpret_cast<void**>(&entries_.closemem),
        reinterpret_cast<void**>(&entries_.getpar),
        reinterpret_cast<void**>(&entries_.getpar2),
        reinterpret_cast<void**>(&entries_.getverdll),
        reinterpret_cast<void**>(&entries_.setpar),
    };
    constexpr int count = static_cast<int>(std::size(Exports));
    static_assert(std::size(slots) == std::size(Exports));
    for (int k = 0; k < count; ++k) {
        *slots[k] = library_.Symbol(Exports[k].name);
        if (*slots[k]) continue;
        if (k == VersionExport) {
            Show(Exports[k].failure);
            continue;
        }
        // The first missing operation fails the binding; the later ones are not
        // looked up, and their messages follow.
        for (int later = k; later < count; ++later)
            Show(Exports[later].failure);
        return false;
    }
    return true;
}

void TRefine::UnloadEngine() {
    if (!loaded_) {
        Show("Closed DLL but it wasn't not open");
        return;
    }
    int32_t status = 0;
    if (entries_.closemem) Guarded([&] { entries_.closemem(&status); });
    bool released = library_.Close();
    if (!released || status != 0) Show("Memory failure in Koradll.dll");
    entries_ = {};
    loaded_ = false;
}

void TRefine::FailAfterCall(int32_t status) {
    if (status != StatusNotLoaded && loaded_) Guarded([&] { entries_.quickclose(); });
    ReportStatus(status);
}

void TRefine::CollectNotes() {
    if (!loaded_ || !entries_.getnotes) return;
    constexpr int32_t NoteLength = 1000;
    // More notes than an engine has parameters would be a broken count.
    constexpr int32_t MostNotes = 10000;
    int32_t count = 0, length = NoteLength;
    std::vector<char> text(NoteLength);
    if (Guarded([&] { entries_.getnotes(nullptr, &length, text.data(), &count); })) return;
    std::string fresh;
    const int32_t total = std::min(count, MostNotes);
    for (int32_t number = 1; number <= total; ++number) {
        text.assign(NoteLength, '\0');
        if (Guarded([&] { entries_.getnotes(&number, &length, text.data(), &count); })) return;
        const auto end = std::find(text.begin(), text.end(), '\0');
        const std::string note = TrimText(std::string(text.begin(), end));
        if (note.empty() || std::find(notes_.begin(), notes_.end(), note) != notes_.end()) continue;
        notes_.push_back(note);
        fresh += (fresh.empty() ? "" : "\n") + note;
    }
    if (!fresh.empty() && ShowMessages) messenger_.Notice(fresh);
}

void TRefine::StartRefinement() {
    LastError = 0;
    cycle_ = 0;
    finished_ = 0;
    notes_.clear();
    if (!Model) {
        Show("Input not set for refinement.");
        return;
    }
    state_ = RefineState::Busy;
    int32_t nhist = Model->HistogramCount();
    std::string temp;
    try {
        temp = TempDirectory();
    } catch (const std::exception& e) {
        Show(e.what());
        ReportStatus(3);
        state_ = RefineState::Closed;
        return;
    }
    std::string inputFile;
    engineBase_.clear();
    if (BaseName.empty()) {
        BaseName = temp + "testclass";
        inputFile = BaseName + ".inp";
    } else {
        inputFile = temp + "testclass.inp";
        if (BaseName != temp + "testclass") engineBase_ = temp + "testclass";
        // Refused now, as the engine refused an output file it could not open.
        if (const std::string reason = WhyNotWritable(BaseName + ".out"); !reason.empty()) {
            Show(reason);
            ReportStatus(2);
            state_ = RefineState::Closed;
            return;
        }
    }
    const std::string engineBase = engineBase_.empty() ? BaseName : engineBase_;
    const std::string outputFile = engineBase + ".out";
    try {
        WriteInputFile(*Model, inputFile);
    } catch (const std::exception& e) {
        Show(e.what());
        ReportStatus(1);
        state_ = RefineState::Closed;
        return;
    }
    for (const std::string* name : std::initializer_list<const std::string*>{
             &inputFile, &DataName, &outputFile, &engineBase}) {
        if (NameBuffer::Fits(*name)) continue;
        // A longer name would be cut into another path: refuse it instead.
        Show("The path is too long for the refinement engine (at most " +
             std::to_string(engine::NameBufferSize - 1) + " characters): " + *name);
        ReportStatus(1);
        state_ = RefineState::Closed;
        return;
    }
    NameBuffer input(inputFile), data(DataName), output(outputFile), base(engineBase);
    PrepareEngineFiles();

    if (loaded_) UnloadEngine();
    LoadEngine();
    int32_t status = StatusNotLoaded;
    if (loaded_) {
        Busy(true);
        status = 0;
        int32_t fault = Guarded([&] {
            entries_.startprog(&nhist, &IDSZ, &IRS, &NIPOI, input.text, data.text, output.text,
                               base.text, &status);
        });
        if (fault) status = fault;
        Busy(false);
    }
    if (status == 0) {
        state_ = RefineState::Started;
        Publish(".out");
        CollectNotes();
        return;
    }
    FailAfterCall(status);
    state_ = RefineState::Closed;
}

void TRefine::StepRefinement() {
    Busy(true);
    int32_t status = StatusNotLoaded;
    if (loaded_) {
        status = 0;
        ++cycle_;
        state_ = RefineState::Busy;
        if (finished_ == 0) {
            int32_t nhist = HistogramCount();
            int32_t cycle = cycle_;
            int32_t fault =
                Guarded([&] { entries_.iteration(&nhist, &cycle, &finished_, &status); });
            if (fault) status = fault;
        }
    }
    if (status != 0) {
        FailAfterCall(status);
        state_ = RefineState::Closed;
    } else {
        state_ = RefineState::Cycled;
        Publish(".out");
        CollectNotes();
    }
    if (finished_ == 1) state_ = RefineState::Finished;
    Busy(false);
}

void TRefine::CloseRefinement(bool update) {
    Busy(true);
    int32_t status = StatusNotLoaded;
    if (loaded_) {
        state_ = RefineState::Busy;
        status = 0;
        int32_t nhist = HistogramCount();
        int32_t flag = update ? 1 : 0;
        int32_t fault = Guarded([&] { entries_.closeprog(&nhist, &flag, &status); });
        if (fault) status = fault;
    }
    if (status != 0) {
        FailAfterCall(status);
    } else if (!Publish(".out") || (update && !Publish(".upd")) || !PublishOptional()) {
        // The caller would otherwise read the previous run's model as this one's.
        ReportStatus(5);
    }
    state_ = RefineState::Closed;
    Busy(false);
}

void TRefine::QuickClose() {
    if (loaded_) {
        state_ = RefineState::Busy;
        if (Guarded([&] { entries_.quickclose(); })) ReportStatus(StatusFault);
    }
    state_ = RefineState::Closed;
}

void TRefine::ReportStatus(int32_t code) {
    if (code != 0) Show(RefineStatusMessage(code));
    LastError = code;
    if (code != 0 && loaded_) {
        const bool previous = ShowMessages;
        ShowMessages = false;
        UnloadEngine();
        ShowMessages = previous;
    }
}

void TRefine::Info(int32_t hist, float& rp, float& rwp, float& chi2) {
    rp = rwp = chi2 = 0;
    if (!loaded_) return;
    float spare = 0;
    std::vector<float> a(engine::InfoArrayLength), b(engine::InfoArrayLength),
        c(engine::InfoArrayLength);
    Guarded(
        [&] { entries_.getinfo(&hist, &rp, &rwp, &chi2, &spare, a.data(), b.data(), c.data()); });
}

float TRefine::GetRp(int32_t hist) {
    float rp, rwp, chi2;
    Info(hist, rp, rwp, chi2);
    return rp;
}

float TRefine::GetRwp(int32_t hist) {
    float rp, rwp, chi2;
    Info(hist, rp, rwp, chi2);
    return rwp;
}

float TRefine::GetChi2(int32_t hist) {
    float rp, rwp, chi2;
    Info(hist, rp, rwp, chi2);
    return chi2;
}

int32_t TRefine::GetProgress() {
    if (!loaded_) return 0;
    float progress = 0;
    if (Guarded([&] { entries_.getstatus(&progress); })) return 50;
    if (!std::isfinite(progress)) return 0;
    return static_cast<int32_t>(std::trunc(progress));
}

float TRefine::GetParValue(int32_t hist, int32_t phase, int32_t atom, int32_t type) {
    if (!loaded_) return 0;
    float value = 0, esd = 0;
    int32_t status = 0;
    Guarded([&] { entries_.getpar(&hist, &phase, &atom, &type, &value, &esd, &status); });
    return value;
}

float TRefine::GetParEsd(int32_t hist, int32_t phase, int32_t atom, int32_t type) {
    if (!loaded_ || !Model) return 0;
    float value = 0, esd = 0;
    int32_t status = 0;
    const bool cell = phase != 0 && atom == 0 && hist == 0 && type >= 6 && type <= 11;
    if (cell) {
        Guarded([&] { entries_.getpar(&hist, &phase, &atom, &type, &value, &esd, &status); });
    } else {
        int32_t number = static_cast<int32_t>(
            std::trunc(Model->Parameters.CodeOf({hist, phase, atom, type}) / 10.0f));
        Guarded([&] { entries_.getpar2(&number, &value, &esd, &status); });
    }
    return status == 0 ? esd : 0.0f;
}

int32_t TRefine::SetParValue(int32_t hist, int32_t phase, int32_t atom, int32_t type, float value) {
    if (!loaded_) return 0;
    int32_t status = 0;
    if (Guarded([&] { entries_.setpar(&hist, &phase, &atom, &type, &value, &status); }))
        return StatusFault;
    return status;
}

void TRefine::GetRdf(float* buffer, int32_t function, int32_t phase) {
    if (!loaded_) return;
    float rmax = 10.0f;
    // The list passes phases from 0; the engine counts them from 1.
    int32_t enginePhase = phase + 1;
    int32_t spare = 0;
    Guarded([&] { entries_.getrdf(buffer, &rmax, &enginePhase, &function, &spare); });
}

void* TRefine::LibrarySymbol(const char* name) const {
    return loaded_ ? library_.Symbol(name) : nullptr;
}

} // namespace koralix
