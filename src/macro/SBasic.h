// TSBasic: the component through which the program uses KoraBasic. It owns the
// type and function tables and the main program, translates a source as a
// whole (Compile) and runs it (Run); hosts add their own functions with
// AddFunction.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "Checker.h"
#include "CodeList.h"
#include "MacroError.h"
#include "MacroHost.h"
#include "Translator.h"

namespace koralix::macro {

// Returned by Compile and Run when a fault of the run-time library (integer
// overflow, range check, invalid floating-point operation, ...) ended them.
inline constexpr int kLibraryFault = 400;

// Why the file `path` cannot be a macro source or library: it is missing, a
// folder, not a regular file, unreadable, empty or not text. Every host asks
// before translating, so that such a source is refused with its message
// instead of running as an empty macro.
std::optional<std::string> MacroSourceProblem(const std::string& path);

class TSBasic {
  public:
    // Both may be null: messages are then only kept in MessageText().
    explicit TSBasic(Messenger* messenger = nullptr, MacroHost* host = nullptr);
    ~TSBasic();
    TSBasic(const TSBasic&) = delete;
    TSBasic& operator=(const TSBasic&) = delete;

    std::string Headline;                                 // put in front of translation errors
    int Max_Count = kDefaultExecLimit;                    // execution limit of the main program
    int Max_Dimension = kDefaultArrayLimit;               // largest array of the main program
    int MaxCallDepth = 1000;                              // nested macro-function calls
    int64_t MaxSteps = 0;                                 // instructions per Run, 0 without limit
    int64_t MaxVariableBytes = int64_t{64} * 1024 * 1024; // largest variable or object

    // The source kinds exclude each other: setting one clears the other.
    void SetSourceText(std::string text);
    void SetSourceFile(std::string path);
    void SetSourceLibrary(std::string path) { library_ = std::move(path); }
    const std::string& SourceFile() const { return file_; }
    const std::string& SourceLibrary() const { return library_; }

    int Compile();
    int Run();
    // Ends the current Run before its next instruction with "Macro stopped by the
    // user"; safe to call from another thread while Run works.
    void RequestStop() { stop_ = true; }
    void Reset();
    void AddFunction(const std::string& name, HostRoutine routine, int argCount, char resultLetter);

    // The text of the message panel: the last error of Compile or Run.
    const std::string& MessageText() const { return message_; }
    std::function<void(const std::string&)> OnMessage;
    const MacroError& LastTranslationError() const { return translationError_; }
    const ErrorRecord& LastRunError() const { return runError_; }
    const std::string& LastFault() const { return fault_; }
    // Instructions executed by the last Run, functions included.
    int64_t LastStepCount() const { return steps_; }

    TSBCodeList& MainCode() { return *main_; }
    const TypeList& Types() const { return types_; }
    const FunctionList& Functions() const { return functions_; }
    int BuiltinFunctionCount() const { return builtinFunctionCount_; }
    int LineOffset() const { return lineOffset_; }
    MacroHost& Host() { return *host_; }
    std::mt19937& Random() { return random_; }

  private:
    std::vector<std::string> SourceLines();
    void CompileLines(const std::vector<std::string>& lines);
    void ProcessStatement(TokenList& tokens, int line);
    void ShowMessage(const std::string& text);
    void ReportFault(const std::string& text);

    TypeList types_;
    FunctionList functions_;
    std::unique_ptr<TSBCodeList> main_;
    TSBError checker_;
    TSBTranslator translator_;
    std::unique_ptr<MessengerMacroHost> ownHost_;
    Messenger* messenger_;
    MacroHost* host_;
    std::mt19937 random_;
    int builtinFunctionCount_ = 0;
    int lineOffset_ = 0;
    int64_t steps_ = 0;
    std::atomic<bool> stop_{false};
    std::string text_, file_, library_;
    bool textSource_ = true;
    std::string message_, fault_;
    MacroError translationError_;
    ErrorRecord runError_;
};

// Registers the real functions and the host built-ins (called by TSBasic).
void RegisterBuiltins(TSBasic& basic, FunctionList& functions);

// One instruction per line: index, line, mnemonic and operands.
std::string Disassemble(const TSBCodeList& code);
// The mnemonics only, space separated ("MOV LOOPTEST ..."), for tests.
std::string Mnemonics(const TSBCodeList& code);

} // namespace koralix::macro
