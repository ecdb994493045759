// The language's own functions: the real functions (one or two real arguments,
// a SINGLE result) and the host built-ins for strings, dates, files and
// dialogs, registered in this order when a TSBasic is created.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>

#include "Arguments.h"
#include "Lexer.h"
#include "NumberFormat.h"
#include "SBasic.h"
#include "ValueText.h"
#include "Values.h"

namespace koralix::macro {

namespace {

[[noreturn]] void DivisionByZero() {
    Fault("Floating point division by zero");
}

double Arg(TSBCodeList& c, int i) {
    return ArgDouble(c, i);
}

double Logarithm(double x) {
    if (x < 0) InvalidFloat();
    if (x == 0) DivisionByZero();
    return std::log(x);
}

double Power(double a, double b) {
    if (b == 0) return 1;
    if (a == 0 && b > 0) return 0;
    if (b == std::trunc(b) && std::fabs(b) < 2147483648.0) {
        long long n = static_cast<long long>(std::fabs(b));
        double result = 1, base = a;
        while (n > 0) {
            if (n & 1) result *= base;
            base *= base;
            n >>= 1;
        }
        if (b < 0) {
            if (result == 0) DivisionByZero();
            result = 1 / result;
        }
        return result;
    }
    if (a < 0) InvalidFloat();
    if (a == 0) DivisionByZero();
    return std::exp(b * std::log(a));
}

struct RealFunction {
    const char* name;
    int argCount;
    RealRoutine routine;
};

const RealFunction kRealFunctions[] = {
    {"ROUND", 1, [](TSBCodeList& c) { return std::nearbyint(Arg(c, 0)); }},
    {"FLOOR", 1, [](TSBCodeList& c) { return std::floor(Arg(c, 0)); }},
    {"TRUNC", 1, [](TSBCodeList& c) { return std::trunc(Arg(c, 0)); }},
    {"SQR", 1, [](TSBCodeList& c) { return Arg(c, 0) * Arg(c, 0); }},
    {"SQRT", 1,
     [](TSBCodeList& c) {
         const double x = Arg(c, 0);
         if (x < 0) InvalidFloat();
         return std::sqrt(x);
     }},
    {"SIN", 1, [](TSBCodeList& c) { return std::sin(Arg(c, 0)); }},
    {"COS", 1, [](TSBCodeList& c) { return std::cos(Arg(c, 0)); }},
    {"TAN", 1, [](TSBCodeList& c) { return std::tan(Arg(c, 0)); }},
    {"ARCSIN", 1,
     [](TSBCodeList& c) {
         const double x = Arg(c, 0);
         if (x < -1 || x > 1) InvalidFloat();
         return std::asin(x);
     }},
    {"ARCCOS", 1,
     [](TSBCodeList& c) {
         const double x = Arg(c, 0);
         if (x < -1 || x > 1) InvalidFloat();
         return std::acos(x);
     }},
    {"ARCTAN", 1, [](TSBCodeList& c) { return std::atan(Arg(c, 0)); }},
    // LN is the logarithm of 1 + x.
    {"LN", 1, [](TSBCodeList& c) { return Logarithm(1 + Arg(c, 0)); }},
    {"LOG2", 1, [](TSBCodeList& c) { return Logarithm(Arg(c, 0)) / std::log(2.0); }},
    {"LOG10", 1, [](TSBCodeList& c) { return Logarithm(Arg(c, 0)) / std::log(10.0); }},
    {"LOGN", 2,
     [](TSBCodeList& c) {
         const double base = Logarithm(Arg(c, 0));
         if (base == 0) DivisionByZero();
         return Logarithm(Arg(c, 1)) / base;
     }},
    {"POWER", 2, [](TSBCodeList& c) { return Power(Arg(c, 0), Arg(c, 1)); }},
    {"EXP", 1, [](TSBCodeList& c) { return std::exp(Arg(c, 0)); }},
    {"ABS", 1, [](TSBCodeList& c) { return std::fabs(Arg(c, 0)); }},
};

std::string Trimmed(const std::string& s) {
    return std::string(TrimBlanks(s));
}

std::string StrNSet(TSBCodeList& c, int position, int count, const std::string& t) {
    std::string s = ArgString(c, 0);
    const int from = std::max(position, 1);
    if (count > 0) {
        const int n = std::min<int>(count, static_cast<int>(t.size()));
        const int last = from - 1 + n;
        if (last > kMaxStringLength) RangeError();
        if (static_cast<int>(s.size()) < last) s.resize(static_cast<size_t>(last), ' ');
        s.replace(static_cast<size_t>(from - 1), static_cast<size_t>(n), t, 0,
                  static_cast<size_t>(n));
        SetArgString(c, 0, s);
    }
    return s;
}

size_t LastSeparator(const std::string& path) {
    // ":" and "\" as on the original platform, and "/" for this one.
    return path.find_last_of("\\:/");
}

std::string ExtractFileDir(const std::string& path) {
    const size_t at = LastSeparator(path);
    if (at == std::string::npos) return {};
    std::string dir = path.substr(0, at + 1);
    const bool root = dir == "/" || (dir.size() == 3 && dir[1] == ':') || dir.back() == ':';
    if (!root && (dir.back() == '\\' || dir.back() == '/')) dir.pop_back();
    return dir;
}

double Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    double date = 0;
    TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date);
    return date;
}

void StoreDecoded(TSBCodeList& c, int i, int value) {
    // Written in the variable's own type, so that any numeric variable reads it.
    StoreInt(ArgType(c, i), ArgPointer(c, i), value);
}

} // namespace

void RegisterBuiltins(TSBasic& basic, FunctionList& functions) {
    for (const auto& r : kRealFunctions) {
        auto f = std::make_unique<TSBFunc>();
        f->name = r.name;
        f->argCount = r.argCount;
        f->kind = kRealFunction;
        f->resultLetter = kSingle;
        f->resultType = kSingleType;
        f->real = r.routine;
        functions.push_back(std::move(f));
    }
    auto add = [&](const char* name, int argCount, char letter, HostRoutine routine) {
        auto f = std::make_unique<TSBFunc>();
        f->name = name;
        f->argCount = argCount;
        f->kind = kHostFunction;
        f->resultLetter = letter;
        f->resultType = TypeIndexOfLetter(letter);
        f->host = std::move(routine);
        functions.push_back(std::move(f));
    };
    TSBasic* b = &basic;
    add("RANDOMIZE", 0, kInteger, [b](TSBCodeList&, ResultRecord& r) {
        b->Random().seed(
            static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
        r.SetInt(0);
    });
    add("RANDOM", 1, kInteger, [b](TSBCodeList& c, ResultRecord& r) {
        const int32_t n = ArgInt(c, 0);
        r.SetInt(n <= 0 ? 0 : std::uniform_int_distribution<int32_t>(0, n - 1)(b->Random()));
    });
    add("BEEP", 0, kInteger, [b](TSBCodeList&, ResultRecord& r) {
        b->Host().Beep();
        r.SetInt(0);
    });
    add("GETLENGTH", 1, kInteger, [](TSBCodeList& c, ResultRecord& r) {
        r.SetInt(static_cast<int32_t>(ArgString(c, 0).size()));
    });
    add("SETLENGTH", 2, kString, [](TSBCodeList& c, ResultRecord& r) {
        if (!ArgIsString(c, 0)) return r.SetString("");
        const int32_t n = ArgInt(c, 1);
        if (n > kMaxStringLength) RangeError();
        std::string s = ArgString(c, 0);
        s.resize(static_cast<size_t>(std::max(n, 0)), ' ');
        SetArgString(c, 0, s);
        r.SetString(s);
    });
    add("STRCOPY", 3, kString, [](TSBCodeList& c, ResultRecord& r) {
        const std::string s = ArgString(c, 0);
        const int32_t i = std::max(ArgInt(c, 1), 1);
        const int32_t n = ArgInt(c, 2);
        if (i > static_cast<int32_t>(s.size()) || n <= 0) return r.SetString("");
        r.SetString(s.substr(static_cast<size_t>(i - 1), static_cast<size_t>(n)));
    });
    add("STRNSET", 4, kString, [](TSBCodeList& c, ResultRecord& r) {
        if (!ArgIsString(c, 0)) return r.SetString("");
        r.SetString(StrNSet(c, ArgInt(c, 1), ArgInt(c, 2), ArgString(c, 3)));
    });
    add("STRSET", 3, kString, [](TSBCodeList& c, ResultRecord& r) {
        if (!ArgIsString(c, 0)) return r.SetString("");
        const std::string t = ArgString(c, 2);
        r.SetString(StrNSet(c, ArgInt(c, 1), static_cast<int>(t.size()), t));
    });
    add("POS", 2, kInteger, [](TSBCodeList& c, ResultRecord& r) {
        if (!ArgIsString(c, 0) || !ArgIsString(c, 1)) return r.SetInt(0);
        const std::string sub = ArgString(c, 0), s = ArgString(c, 1);
        const size_t at = sub.empty() ? std::string::npos : s.find(sub);
        r.SetInt(at == std::string::npos ? 0 : static_cast<int32_t>(at) + 1);
    });
    add("ASC", 1, kInteger, [](TSBCodeList& c, ResultRecord& r) {
        const std::string s = ArgString(c, 0);
        r.SetInt(s.empty() ? 0 : static_cast<unsigned char>(s[0]));
    });
    add("CHR", 1, kString, [](TSBCodeList& c, ResultRecord& r) {
        if (ArgType(c, 0) != kInteger) return r.SetString("");
        r.SetString(std::string(1, static_cast<char>(ArgInt(c, 0) & 0xFF)));
    });
    add("TRIM", 1, kString,
        [](TSBCodeList& c, ResultRecord& r) { r.SetString(Trimmed(ArgString(c, 0))); });
    add("GETTOKEN", 3, kString, [](TSBCodeList& c, ResultRecord& r) {
        if (!ArgIsString(c, 0) || !ArgIsString(c, 1) || ArgType(c, 2) != kInteger)
            return r.SetString("");
        const std::string s = ArgString(c, 0);
        std::string sep = ArgString(c, 1);
        if (sep.empty()) sep = " ";
        std::vector<std::string> pieces;
        size_t start = 0;
        for (;;) {
            const size_t at = s.find(sep, start);
            const std::string piece =
                s.substr(start, at == std::string::npos ? std::string::npos : at - start);
            if (!piece.empty()) pieces.push_back(piece);
            if (at == std::string::npos) break;
            start = at + sep.size();
        }
        const int32_t n = ArgInt(c, 2);
        r.SetString(n >= 1 && n <= static_cast<int32_t>(pieces.size())
                        ? pieces[static_cast<size_t>(n - 1)]
                        : "");
    });
    add("STRUPPER", 1, kString,
        [](TSBCodeList& c, ResultRecord& r) { r.SetString(UpperCase(ArgString(c, 0))); });
    add("STRLOWER", 1, kString, [](TSBCodeList& c, ResultRecord& r) {
        std::string s = ArgString(c, 0);
        for (char& ch : s)
            if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
        r.SetString(s);
    });
    add("FORMATVAL", 2, kString, [](TSBCodeList& c, ResultRecord& r) {
        r.SetString(FormatFloatText(ArgString(c, 0), ArgDouble(c, 1)));
    });
    add("VAL", 1, kDouble, [](TSBCodeList& c, ResultRecord& r) {
        // The whole text must be a number; anything else reads as 0.
        const std::string s = Trimmed(ArgString(c, 0));
        double v = 0;
        const char* begin = s.data() + (!s.empty() && s[0] == '+');
        auto [end, ec] = std::from_chars(begin, s.data() + s.size(), v);
        const bool plain = s.find_first_of("nNiIxXpP") == std::string::npos;
        r.SetDouble(
            ec == std::errc() && end == s.data() + s.size() && plain && std::isfinite(v) ? v : 0);
    });
    add("STR", 1, kString,
        [](TSBCodeList& c, ResultRecord& r) { r.SetString(FixedText(ArgDouble(c, 0), 3)); });
    add("ENCODEDATE", 3, kDate, [](TSBCodeList& c, ResultRecord& r) {
        double date = 0;
        if (!TryEncodeDate(ArgInt(c, 0), ArgInt(c, 1), ArgInt(c, 2), date))
            Fault("Invalid argument to date encode");
        r.SetDate(date);
    });
    add("DECODEDATE", 4, kInteger, [](TSBCodeList& c, ResultRecord& r) {
        if (!ArgPointer(c, 1) || !ArgPointer(c, 2) || !ArgPointer(c, 3)) return r.SetInt(0);
        int y, m, d;
        DecodeDate(ArgDate(c, 0), y, m, d);
        StoreDecoded(c, 1, y);
        StoreDecoded(c, 2, m);
        StoreDecoded(c, 3, d);
        r.SetInt(1);
    });
    add("DATETOSTR", 1, kString,
        [](TSBCodeList& c, ResultRecord& r) { r.SetString(DateText(ArgDate(c, 0))); });
    add("STRTODATE", 1, kDate, [](TSBCodeList& c, ResultRecord& r) {
        if (!ArgIsString(c, 0)) return r.SetDate(0);
        double date = 0;
        const std::string s = ArgString(c, 0);
        if (!TryParseDate(s, date)) Fault("'" + s + "' is not a valid date");
        r.SetDate(date);
    });
    add("TODAY", 0, kDate, [](TSBCodeList&, ResultRecord& r) { r.SetDate(Today()); });
    add("MESSAGEBOX", 1, kInteger, [b](TSBCodeList& c, ResultRecord& r) {
        if (const uint8_t* p = ArgPointer(c, 0))
            b->Host().ShowMessage(DisplayText(ArgType(c, 0), p));
        r.SetInt(0);
    });
    add("INPUTBOX", 1, kString, [b](TSBCodeList& c, ResultRecord& r) {
        if (!ArgIsString(c, 0)) return r.SetString("");
        r.SetString(b->Host().InputBox("Input Box", ArgString(c, 0), "").value_or(""));
    });
    add("EXTRACTFILENAME", 1, kString, [](TSBCodeList& c, ResultRecord& r) {
        const std::string path = ArgString(c, 0);
        const size_t at = LastSeparator(path);
        r.SetString(at == std::string::npos ? path : path.substr(at + 1));
    });
    add("EXTRACTFILEDIR", 1, kString,
        [](TSBCodeList& c, ResultRecord& r) { r.SetString(ExtractFileDir(ArgString(c, 0))); });
    add("FILEEXISTS", 1, kInteger, [](TSBCodeList& c, ResultRecord& r) {
        std::error_code ec;
        const std::string path = ArgString(c, 0);
        r.SetBool(!path.empty() && std::filesystem::is_regular_file(path, ec));
    });
    add("MESSAGEDLG", 3, kInteger, [b](TSBCodeList& c, ResultRecord& r) {
        if (!ArgIsString(c, 0)) return r.SetInt(0);
        const int kind = ArgType(c, 1) == kInteger ? ArgInt(c, 1) : 3;
        const int buttons = ArgType(c, 2) == kInteger ? ArgInt(c, 2) : 0;
        r.SetInt(b->Host().MessageDlg(ArgString(c, 0), kind, buttons));
    });
    add("GETDIR", 0, kString, [](TSBCodeList&, ResultRecord& r) {
        std::error_code ec;
        r.SetString(std::filesystem::current_path(ec).string());
    });
    add("SETDIR", 1, kInteger, [](TSBCodeList& c, ResultRecord& r) {
        if (!ArgIsString(c, 0)) return r.SetInt(1);
        std::error_code ec;
        std::filesystem::current_path(ArgString(c, 0), ec);
        r.SetInt(ec ? 1 : 0);
    });
}

} // namespace koralix::macro
