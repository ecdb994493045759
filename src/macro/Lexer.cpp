#include "Lexer.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "MacroError.h"

namespace koralix::macro {

namespace {

struct Keyword {
    const char* word;
    int kind;
};

constexpr Keyword kKeywords[] = {
    {"IF", kIf},         {"THEN", kThen},   {"ELSE", kElse},   {"ELSEIF", kElseIf},
    {"END", kEnd},       {"FOR", kFor},     {"TO", kTo},       {"STEP", kStep},
    {"NEXT", kNext},     {"INC", kInc},     {"DEC", kDec},     {"QUITE", kQuite},
    {"DO", kDo},         {"LOOP", kLoop},   {"WHILE", kWhile}, {"UNTIL", kUntil},
    {"SELECT", kSelect}, {"CASE", kCase},   {"GOTO", kGoto},   {"FUNCTION", kFunction},
    {"RETURN", kReturn}, {"EXIT", kExit},   {"AS", kAs},       {"BYVAL", kByVal},
    {"BYREF", kByRef},   {"CLASS", kClass}, {"NOT", kNot},
};

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

bool ReadsAsNumber(std::string_view word) {
    int32_t i;
    double d;
    const std::string upper = UpperCase(TrimBlanks(word));
    return !upper.empty() && (ParseIntegerLiteral(upper, i) || ParseRealLiteral(upper, d));
}

TSBLex Punct(int sub, const char* text) {
    TSBLex t;
    t.kind = kPunct;
    t.sub = sub;
    t.text = t.word = text;
    return t;
}

TSBLex Operator(int kind, int sub, std::string text) {
    TSBLex t;
    t.kind = kind;
    t.sub = sub;
    t.text = t.word = std::move(text);
    return t;
}

void Classify(std::string_view raw, const TypeList& types, TokenList& out) {
    const std::string_view trimmed = TrimBlanks(raw);
    if (trimmed.empty()) return;
    const std::string w = UpperCase(trimmed);
    TSBLex t;
    t.word = w.substr(0, kTextLength);
    t.text = t.word;
    if (w == "DIM") {
        t.kind = kTypeName;
        t.sub = kSingleType;
        t.typeIndex = kSingleType;
        t.letter = kSingle;
        out.push_back(t);
        return;
    }
    for (const auto& type : types) {
        if (type->name == w) {
            t.kind = kTypeName;
            t.sub = t.typeIndex = type->index;
            t.letter = type->letter;
            out.push_back(t);
            return;
        }
    }
    for (const auto& k : kKeywords) {
        if (w == k.word) {
            t.kind = k.kind;
            out.push_back(t);
            return;
        }
    }
    if (w == "AND" || w == "OR") {
        out.push_back(Operator(kCompOp, w == "AND" ? kAndSub : kOrSub, w));
        return;
    }
    int32_t i = 0;
    double d = 0;
    if (w == "TRUE" || w == "FALSE" || ParseIntegerLiteral(w, i)) {
        if (w == "TRUE") i = 1;
        if (w == "FALSE") i = 0;
        t.kind = kConst;
        t.text = "C";
        t.letter = kInteger;
        t.typeIndex = kIntegerType;
        t.intValue = i;
        t.value = static_cast<float>(i);
        out.push_back(t);
        return;
    }
    if (ParseRealLiteral(w, d)) {
        const float f = static_cast<float>(d);
        if (std::isinf(f)) Fault("Floating point overflow");
        t.kind = kConst;
        t.text = "C";
        t.letter = kSingle;
        t.typeIndex = kSingleType;
        t.value = f;
        out.push_back(t);
        return;
    }
    if (trimmed.size() >= 2 && IsQuote(trimmed.front()) && trimmed.back() == trimmed.front()) {
        t.kind = kConst;
        t.text = "C";
        t.letter = kString;
        t.typeIndex = kStringType;
        t.literal =
            std::string(trimmed.substr(1, std::min<size_t>(trimmed.size() - 2, kMaxStringLength)));
        out.push_back(t);
        return;
    }
    t.kind = kIdent;
    t.text = t.word = w.substr(0, kIdentifierLength);
    out.push_back(t);
}

} // namespace

std::string UpperCase(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return text;
}

bool IsAllowedCharacter(char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    return c != '\0' && std::strchr("'#\"~_ +-*/\\=<>()[],.!?:&^%$@|;{}\t", c) != nullptr;
}

bool PassesCharacterCheck(std::string_view line) {
    int doubleQuotes = 0, singleQuotes = 0;
    for (char c : UpperCase(line)) {
        if (!IsAllowedCharacter(c)) return false;
        doubleQuotes += c == '"';
        singleQuotes += c == '\'';
    }
    return doubleQuotes % 2 == 0 && singleQuotes % 2 == 0;
}

bool ParseIntegerLiteral(std::string_view w, int32_t& value) {
    if (w.empty()) return false;
    if (w.front() == '$') {
        w.remove_prefix(1);
        if (w.empty() || w.size() > 8) return false;
        uint32_t u = 0;
        auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), u, 16);
        if (ec != std::errc() || end != w.data() + w.size()) return false;
        value = static_cast<int32_t>(u);
        return true;
    }
    for (char c : w)
        if (c < '0' || c > '9') return false;
    auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), value);
    return ec == std::errc() && end == w.data() + w.size();
}

bool ParseRealLiteral(std::string_view w, double& value) {
    size_t i = 0, digits = 0;
    while (i < w.size() && w[i] >= '0' && w[i] <= '9')
        ++i, ++digits;
    if (i < w.size() && w[i] == '.') {
        ++i;
        while (i < w.size() && w[i] >= '0' && w[i] <= '9')
            ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < w.size() && w[i] == 'E') {
        ++i;
        size_t exponentDigits = 0;
        while (i < w.size() && w[i] >= '0' && w[i] <= '9')
            ++i, ++exponentDigits;
        if (exponentDigits == 0) return false;
    }
    if (i != w.size()) return false;
    std::string text(w);
    if (text.back() == '.') text.pop_back();
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc::result_out_of_range) {
        value = HUGE_VAL;
        return true;
    }
    return ec == std::errc() && end == text.data() + text.size();
}

void Tokenize(std::string_view line, const TypeList& types, TokenList& out) {
    std::string word;
    bool inString = false;
    auto finish = [&] {
        Classify(word, types, out);
        word.clear();
    };
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (IsQuote(c)) {
            if (!inString) {
                finish();
                word = c;
                inString = true;
            } else {
                word += c;
                finish();
                inString = false;
            }
            continue;
        }
        if (inString) {
            word += c;
            continue;
        }
        const char next = i + 1 < line.size() ? line[i + 1] : '\0';
        switch (c) {
        case ' ':
        case '\t':
            finish();
            break;
        case '+':
            finish(), out.push_back(Operator(kArithOp, kAddSub, "+"));
            break;
        case '-':
            finish(), out.push_back(Operator(kArithOp, kSubSub, "-"));
            break;
        case '*':
            finish(), out.push_back(Operator(kArithOp, kMulSub, "*"));
            break;
        case '/':
            finish(), out.push_back(Operator(kArithOp, kDivSub, "/"));
            break;
        case '(':
            finish(), out.push_back(Punct(kOpen, "("));
            break;
        case ')':
            finish(), out.push_back(Punct(kClose, ")"));
            break;
        case '[':
            finish(), out.push_back(Punct(kOpenBracket, "["));
            break;
        case ']':
            finish(), out.push_back(Punct(kCloseBracket, "]"));
            break;
        case ',':
            finish(), out.push_back(Punct(kComma, ","));
            break;
        case '.':
            if (ReadsAsNumber(word)) {
                word += c;
            } else {
                finish();
                out.push_back(Punct(kDot, "."));
            }
            break;
        case '=':
            finish();
            if (next == '=') {
                out.push_back(Operator(kCompOp, kEqSub, "=="));
                ++i;
            } else {
                out.push_back(Operator(kAssignOp, 0, "="));
            }
            break;
        case '<':
            finish();
            if (next == '=')
                out.push_back(Operator(kCompOp, kLessEqSub, "<=")), ++i;
            else if (next == '>')
                out.push_back(Operator(kCompOp, kNotEqSub, "<>")), ++i;
            else
                out.push_back(Operator(kCompOp, kLessSub, "<"));
            break;
        case '>':
            finish();
            if (next == '=')
                out.push_back(Operator(kCompOp, kGreaterEqSub, ">=")), ++i;
            else
                out.push_back(Operator(kCompOp, kGreaterSub, ">"));
            break;
        default:
            word += c;
            break;
        }
    }
    finish();
}

} // namespace koralix::macro
