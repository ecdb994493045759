// The host routines of the macro library, registered in the order of each
// window: argument checks, failure values and status codes live here, the
// work in MacroLibrary.
#include "MacroLibrary.h"

#include "Arguments.h"
#include "MacroError.h"
#include "NameTables.h"
#include "ValueText.h"
#include "Values.h"

#include <algorithm>
#include <filesystem>
#include <fnmatch.h>
#include <map>

namespace koralix::macro {

namespace {

namespace fs = std::filesystem;

struct Entry {
    int argCount;
    char letter;
    HostRoutine routine;
};

bool IsInt(TSBCodeList& c, int i) {
    return ArgType(c, i) == kInteger;
}

// The files and folders that match a pattern whose last part may hold * and ?.
std::vector<std::string> MatchingNames(const std::string& pattern) {
    const fs::path p(pattern);
    const fs::path folder = p.has_parent_path() ? p.parent_path() : fs::path(".");
    const std::string mask = p.filename().string();
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (::fnmatch(mask.c_str(), name.c_str(), FNM_PERIOD) == 0) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The elements of a numeric array argument while they exist.
std::vector<float> Elements(TSBCodeList& c, int i, int last) {
    std::vector<float> values;
    for (int j = 0; j <= last; ++j) {
        const uint8_t* p = ArgPointer(c, i, j);
        if (!p) break;
        values.push_back(static_cast<float>(ReadReal(ArgType(c, i), p)));
    }
    return values;
}

TAddress AddressOf(TSBCodeList& c) {
    return {ArgInt(c, 0), ArgInt(c, 1), ArgInt(c, 2), ArgInt(c, 3)};
}

const char* const kMacroWindowOrder[] = {
    "OPENFILE",     "READFILE",      "WRITEFILE",     "CLOSEFILE",    "EOFFILE",
    "ADDMENU",      "CLEARMENU",     "CLEARSCR",      "OPENDIALOG",   "SAVEDIALOG",
    "COPYFILE",     "DELETEFILE",    "MOVEFILE",      "RENAMEFILE",   "WRITE",
    "GETDIR",       "SETDIR",        "REFINEFILE",    "OPENRIETVELD", "STARTRIETVELD",
    "STEPRIETVELD", "ENDRIETVELD",   "SAVERIETVELD",  "GETPARAMETER", "GETVALUE",
    "SETPARAMETER", "SETVALUE",      "GETERROR",      "GETFIT",       "NUMHISTOGRAMS",
    "NUMPHASES",    "NUMATOMS",      "PLOTRIETVELD",  "PLOT",         "SETDATAFILE",
    "EXECUTE",      "EXECUTEWAIT",   "FINDFILES",     "UPDATE"};

const char* const kMainWindowOrder[] = {
    "OPENFILE",     "READFILE",     "WRITEFILE",     "CLOSEFILE",    "EOFFILE",
    "CLEARSCR",     "WRITE",        "ADDMENU",       "CLEARMENU",    "GETDIR",
    "SETDIR",       "OPENDIALOG",   "SAVEDIALOG",    "COPYFILE",     "DELETEFILE",
    "MOVEFILE",     "RENAMEFILE",   "REFINEFILE",    "OPENRIETVELD", "STARTRIETVELD",
    "STEPRIETVELD", "ENDRIETVELD",  "SAVERIETVELD",  "GETPARAMETER", "GETVALUE",
    "SETPARAMETER", "SETVALUE",     "GETERROR",      "GETFIT",       "NUMHISTOGRAMS",
    "NUMPHASES",    "NUMATOMS",     "PLOTRIETVELD",  "PLOT",         "SETDATAFILE",
    "EXECUTE",      "EXECUTEWAIT",  "FINDFILES",     "UPDATE"};

} // namespace

void MacroLibrary::Register(TSBasic& basic, MacroWindow& window, MacroLibraryVariant variant) {
    MacroWorkspace& ws = workspace_;
    MacroWindow* win = &window;
    const bool macroWindow = variant == MacroLibraryVariant::MacroWindow;
    std::map<std::string, Entry> e;

    e["OPENFILE"] = {1, kInteger, [this](TSBCodeList& c, ResultRecord& r) {
                         r.SetInt(OpenFile(ArgString(c, 0), ArgIsString(c, 0)));
                     }};
    e["READFILE"] = {0, kString,
                     [this](TSBCodeList&, ResultRecord& r) { r.SetString(ReadFile()); }};
    e["WRITEFILE"] = {1, kInteger, [this](TSBCodeList& c, ResultRecord& r) {
                          r.SetInt(WriteFile(ArgString(c, 0)));
                      }};
    e["CLOSEFILE"] = {0, kInteger, [this](TSBCodeList&, ResultRecord& r) { r.SetInt(CloseFile()); }};
    e["EOFFILE"] = {0, kInteger, [this](TSBCodeList&, ResultRecord& r) { r.SetInt(EofFile()); }};
    e["ADDMENU"] = {3, kInteger, [win](TSBCodeList& c, ResultRecord& r) {
                        if (!ArgIsString(c, 0) || !ArgIsString(c, 1) || !ArgIsString(c, 2))
                            return r.SetInt(1);
                        win->AddUserMenu(ArgString(c, 0), ArgString(c, 1), ArgString(c, 2));
                        r.SetInt(0);
                    }};
    e["CLEARMENU"] = {0, kInteger, [win](TSBCodeList&, ResultRecord& r) {
                          win->ClearUserMenu();
                          r.SetInt(0);
                      }};
    e["CLEARSCR"] = {0, kInteger, [win, macroWindow](TSBCodeList&, ResultRecord& r) {
                         if (macroWindow) win->ClearScreen();
                         r.SetInt(0);
                     }};
    auto dialog = [win](bool save) {
        return [win, save](TSBCodeList& c, ResultRecord& r) {
            if (!ArgIsString(c, 0) || !ArgIsString(c, 1)) return r.SetString("");
            const std::string name = ArgString(c, 0), filter = ArgString(c, 1);
            r.SetString(save ? win->SaveDialog(name, filter) : win->OpenDialog(name, filter));
        };
    };
    e["OPENDIALOG"] = {2, kString, dialog(false)};
    e["SAVEDIALOG"] = {2, kString, dialog(true)};
    e["COPYFILE"] = {2, kInteger, [this](TSBCodeList& c, ResultRecord& r) {
                         if (ArgIsString(c, 0) && ArgIsString(c, 1)) {
                             fileCopy_.SourceFile = ArgString(c, 0);
                             fileCopy_.TargetFile = ArgString(c, 1);
                             fileCopy_.Copy();
                         }
                         r.SetInt(kMacroArgumentError);
                     }};
    e["DELETEFILE"] = {1, kInteger, [](TSBCodeList& c, ResultRecord& r) {
                           if (!ArgIsString(c, 0)) return r.SetInt(kMacroArgumentError);
                           std::error_code ec;
                           const std::string name = ArgString(c, 0);
                           const bool removed =
                               !fs::is_directory(name, ec) && fs::remove(name, ec) && !ec;
                           r.SetInt(removed ? 0 : kMacroDeleteError);
                       }};
    e["MOVEFILE"] = {2, kInteger, [](TSBCodeList& c, ResultRecord& r) {
                         if (!ArgIsString(c, 0) || !ArgIsString(c, 1))
                             return r.SetInt(kMacroArgumentError);
                         std::error_code ec;
                         const std::string from = ArgString(c, 0), to = ArgString(c, 1);
                         // Never over an existing file, and never leaving a half copy.
                         if (fs::exists(to, ec) || !fs::is_regular_file(from, ec))
                             return r.SetInt(kMacroMoveError);
                         fs::rename(from, to, ec);
                         r.SetInt(ec ? kMacroMoveError : 0);
                     }};
    e["RENAMEFILE"] = {2, kInteger, [](TSBCodeList& c, ResultRecord& r) {
                           if (ArgIsString(c, 0) && ArgIsString(c, 1)) {
                               std::error_code ec;
                               fs::rename(ArgString(c, 0), ArgString(c, 1), ec);
                               if (ec)
                                   Fault("Cannot rename " + ArgString(c, 0) + ": " +
                                         ec.message());
                           }
                           r.SetInt(kMacroArgumentError);
                       }};
    e["WRITE"] = {1, kInteger, [win, macroWindow](TSBCodeList& c, ResultRecord& r) {
                      const uint8_t* p = ArgPointer(c, 0);
                      if (macroWindow && p) win->Write(DisplayText(ArgType(c, 0), p));
                      r.SetInt(0);
                  }};
    e["GETDIR"] = {0, kString, [](TSBCodeList&, ResultRecord& r) {
                       std::error_code ec;
                       r.SetString(fs::current_path(ec).string());
                   }};
    e["SETDIR"] = {1, kInteger, [](TSBCodeList& c, ResultRecord& r) {
                       if (!ArgIsString(c, 0)) return r.SetInt(1);
                       std::error_code ec;
                       fs::current_path(ArgString(c, 0), ec);
                       r.SetInt(ec ? 1 : 0);
                   }};
    e["REFINEFILE"] = {1, kInteger, [this](TSBCodeList& c, ResultRecord& r) {
                           r.SetInt(ArgIsString(c, 0) ? RefineFile(ArgString(c, 0)) : 0);
                       }};
    e["OPENRIETVELD"] = {1, kInteger, [this](TSBCodeList& c, ResultRecord& r) {
                             if (!ArgIsString(c, 0))
                                 return r.SetInt(MacroStatus = kMacroArgumentError);
                             r.SetInt(OpenRietveld(ArgString(c, 0)));
                         }};
    e["STARTRIETVELD"] = {0, kInteger,
                          [this](TSBCodeList&, ResultRecord& r) { r.SetInt(StartRietveld()); }};
    e["STEPRIETVELD"] = {1, kInteger, [this](TSBCodeList& c, ResultRecord& r) {
                             if (!IsInt(c, 0)) return r.SetInt(MacroStatus = kMacroArgumentError);
                             r.SetInt(StepRietveld(ArgInt(c, 0)));
                         }};
    e["ENDRIETVELD"] = {0, kInteger,
                        [this](TSBCodeList&, ResultRecord& r) { r.SetInt(EndRietveld()); }};
    e["SAVERIETVELD"] = {1, kInteger, [this](TSBCodeList& c, ResultRecord& r) {
                             if (!ArgIsString(c, 0)) return r.SetInt(kMacroArgumentError);
                             r.SetInt(SaveRietveld(ArgString(c, 0)));
                         }};
    e["GETPARAMETER"] = {4, kSingle, [&ws](TSBCodeList& c, ResultRecord& r) {
                             TRefine* d = ws.Driver();
                             if (!IsInt(c, 0) || !d) return r.SetSingle(0);
                             const TAddress a = AddressOf(c);
                             r.SetSingle(d->GetParValue(a.Histogram, a.Phase, a.Atom, a.Type));
                         }};
    e["GETVALUE"] = {4, kSingle, [&ws](TSBCodeList& c, ResultRecord& r) {
                         TRietveld* m = ws.Model();
                         if (!IsInt(c, 0) || !m) return r.SetSingle(0);
                         r.SetSingle(m->GetValue(AddressOf(c)));
                     }};
    e["SETPARAMETER"] = {5, kInteger, [&ws](TSBCodeList& c, ResultRecord& r) {
                             TRefine* d = ws.Driver();
                             if (!IsInt(c, 0) || !d) return r.SetInt(0);
                             const TAddress a = AddressOf(c);
                             r.SetInt(d->SetParValue(a.Histogram, a.Phase, a.Atom, a.Type,
                                                     ArgSingle(c, 4)));
                         }};
    e["SETVALUE"] = {5, kInteger, [&ws](TSBCodeList& c, ResultRecord& r) {
                         TRietveld* m = ws.Model();
                         if (IsInt(c, 0) && m) m->SetValue(AddressOf(c), ArgSingle(c, 4));
                         r.SetInt(0);
                     }};
    e["GETERROR"] = {macroWindow ? 0 : 1, kString, [this](TSBCodeList&, ResultRecord& r) {
                         r.SetString(MacroStatusText(MacroStatus));
                     }};
    e["GETFIT"] = {1, kSingle, [&ws](TSBCodeList& c, ResultRecord& r) {
                       TRefine* d = ws.Driver();
                       if (!IsInt(c, 0) || !d || !d->Model) return r.SetSingle(0);
                       const int h = ArgInt(c, 0);
                       if (h > d->Model->HistogramCount()) return r.SetSingle(0);
                       r.SetSingle(d->GetChi2(h));
                   }};
    e["NUMHISTOGRAMS"] = {0, kInteger, [&ws](TSBCodeList&, ResultRecord& r) {
                              r.SetInt(ws.Model() ? ws.Model()->HistogramCount() : 0);
                          }};
    e["NUMPHASES"] = {0, kInteger, [&ws](TSBCodeList&, ResultRecord& r) {
                          r.SetInt(ws.Model() ? ws.Model()->PhaseCount() : 0);
                      }};
    e["NUMATOMS"] = {1, kInteger, [&ws](TSBCodeList& c, ResultRecord& r) {
                         TRietveld* m = ws.Model();
                         const int p = ArgInt(c, 0);
                         if (!IsInt(c, 0) || !m || p < 1 || p > m->PhaseCount())
                             return r.SetInt(0);
                         r.SetInt(m->Phase(p).AtomCount());
                     }};
    e["PLOTRIETVELD"] = {1, kInteger, [&ws, win](TSBCodeList& c, ResultRecord& r) {
                             r.SetInt(0);
                             TRefine* d = ws.Driver();
                             if (!d || d->State() == RefineState::NotStarted || !IsInt(c, 0))
                                 return;
                             int h = ArgInt(c, 0);
                             const int count = d->Model ? d->Model->HistogramCount() : 0;
                             if (h < 1 || h > count) h = 1;
                             ws.ProcessEvents();
                             win->PlotPattern(*d, h);
                         }};
    e["PLOT"] = {3, kInteger, [win](TSBCodeList& c, ResultRecord& r) {
                     const int last = ArgInt(c, 2);
                     std::vector<float> x = Elements(c, 0, last), y = Elements(c, 1, last);
                     const size_t n = std::min(x.size(), y.size());
                     x.resize(n);
                     y.resize(n);
                     win->PlotPoints(x, y);
                     r.SetInt(0);
                 }};
    e["SETDATAFILE"] = {1, kInteger, [this](TSBCodeList& c, ResultRecord& r) {
                            r.SetInt(ArgIsString(c, 0) ? SetDataFile(ArgString(c, 0)) : 0);
                        }};
    auto execute = [this](bool wait) {
        return [this, wait](TSBCodeList& c, ResultRecord& r) {
            r.SetInt(ArgIsString(c, 0) ? Execute(ArgString(c, 0), wait) : 0);
        };
    };
    e["EXECUTE"] = {1, kInteger, execute(false)};
    e["EXECUTEWAIT"] = {1, kInteger, execute(true)};
    e["FINDFILES"] = {2, kInteger, [&ws](TSBCodeList& c, ResultRecord& r) {
                          if (!ArgIsString(c, 0) || !ArgIsString(c, 1)) return r.SetInt(0);
                          int stored = 0;
                          for (const std::string& name : MatchingNames(ArgString(c, 0))) {
                              uint8_t* p = ArgPointer(c, 1, stored);
                              if (!p) break;
                              StoreString(kString, p, name.substr(0, kMaxStringLength));
                              ++stored;
                              ws.ProcessEvents();
                          }
                          r.SetInt(stored);
                      }};
    e["UPDATE"] = {0, kInteger, [this](TSBCodeList&, ResultRecord& r) { r.SetInt(Update()); }};

    for (const char* name : macroWindow ? kMacroWindowOrder : kMainWindowOrder) {
        Entry& entry = e.at(name);
        basic.AddFunction(name, std::move(entry.routine), entry.argCount, entry.letter);
    }
}

} // namespace koralix::macro
