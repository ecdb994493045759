// Errors of KoraBasic. A translation error or a recorded run-time error carries
// its code, the source line and the name the message mentions; a fault is what
// the run-time library of the language raises (overflow, bad conversions) and
// ends a run at once with its own message.
#pragma once

#include <stdexcept>
#include <string>

namespace koralix::macro {

// Codes with a message of their own beyond the classic table.
inline constexpr int kTooManyParameters = 220;
inline constexpr int kMaxParameters = 26;
// A source line longer than a line may be: cutting it would translate
// another program than the one written.
inline constexpr int kLineTooLong = 221;

struct MacroError {
    int code = 0;
    int line = 0; // index of the line in the combined source (library + macro)
    std::string name;
};

// Thrown by the translator at the first error.
class TranslationError : public std::runtime_error {
  public:
    explicit TranslationError(MacroError e)
        : std::runtime_error(std::to_string(e.code)), error(std::move(e)) {}
    MacroError error;
};

// A run-time library fault: ends the run (or the translation) with its message.
class MacroFault : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fault(const std::string& message);
[[noreturn]] void IntegerOverflow();
[[noreturn]] void RangeError();
[[noreturn]] void InvalidFloat();

// The message text of a code (the table shared by translation and run time).
std::string ErrorMessage(int code, const std::string& name);
// "Incompatible types. Line:0012"; `line` is already relative to the macro.
std::string TranslationMessage(int code, const std::string& name, int line);
// " Run time error :310  IP:0004   Line:0007.  Too many cycles"; `line` relative.
std::string RunTimeMessage(int code, int ip, int line);
// The "0000" picture: at least four digits, a minus sign in front when negative.
std::string Picture(int value, int digits);

} // namespace koralix::macro
