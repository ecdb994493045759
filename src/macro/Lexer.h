// The front end of the translator: preparing source lines (comments, labels,
// the character set, continuation) and cutting them into tokens.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Types.h"

namespace koralix::macro {

// Token kinds.
enum TokenKind : int {
    kPunct = 1,
    kIdent = 9, // a variable after name resolution
    kConst = 11,
    kArithOp = 14,
    kInc = 19,
    kDec = 20,
    kCompOp = 21,
    kAssignOp = 30,
    kFuncName = 31,
    kFor = 34,
    kTo = 35,
    kNext = 36,
    kIf = 37,
    kThen = 39,
    kElse = 40,
    kElseIf = 41,
    kEnd = 42,
    kGoto = 43,
    kStep = 44,
    kQuite = 47,
    kTypeName = 54,
    kDo = 57,
    kLoop = 58,
    kWhile = 59,
    kUntil = 60,
    kSelect = 63,
    kCase = 64,
    kFunction = 100,
    kReturn = 101,
    kAs = 102,
    kByVal = 103,
    kByRef = 104,
    kExit = 108,
    kField = 112,
    kMethod = 114,
    kClass = 115,
    kNot = 117,
};

// Punctuation sub-codes.
enum PunctSub : int {
    kOpen = 2,
    kClose = 3,
    kOpenBracket = 4,
    kCloseBracket = 5,
    kComma = 6,
    kDot = 8
};
// Operator sub-codes.
enum OpSub : int {
    kMulSub = 15,
    kDivSub = 16,
    kAddSub = 17,
    kSubSub = 18,
    kLessSub = 22,
    kLessEqSub = 23,
    kEqSub = 24,
    kGreaterEqSub = 25,
    kGreaterSub = 26,
    kNotEqSub = 27,
    kAndSub = 28,
    kOrSub = 29
};

inline constexpr size_t kMaxLineLength = 255;
inline constexpr size_t kTextLength = 35;
inline constexpr size_t kIdentifierLength = 32;

struct TSBLex {
    int kind = 0;
    int sub = 0;
    std::string text; // upper-cased; "C" for constants
    std::string word; // the word as read, upper-cased (labels, messages)
    char letter = kSingle;
    float value = 0;
    int32_t intValue = 0; // integer literals keep their exact value
    std::string literal;  // string constants
    // Set by name resolution.
    int typeIndex = kSingleType;
    int fieldOffset = 0;
    int fieldLength = 1;
    bool selfCall = false; // a method of the current class called by its bare name

    bool Is(int k, int s) const { return kind == k && sub == s; }
    bool IsPunct(int s) const { return kind == kPunct && sub == s; }
};

using TokenList = std::vector<TSBLex>;

std::string UpperCase(std::string_view text);
// Removes leading and trailing blanks and control characters.
std::string_view TrimBlanks(std::string_view text);

// The 69 characters a prepared (upper-cased) line may hold.
bool IsAllowedCharacter(char c);
// Characters, quote counts: false when the line breaks the rules (code 1).
bool PassesCharacterCheck(std::string_view line);

// Integer literals: decimal or $hex, fitting 32 bits.
bool ParseIntegerLiteral(std::string_view word, int32_t& value);
// Real literals: digits with an optional point and an optional unsigned exponent.
bool ParseRealLiteral(std::string_view word, double& value);

// Cuts one prepared line into tokens and classifies them; `types` names the
// type words (built-ins and classes declared so far).
void Tokenize(std::string_view line, const TypeList& types, TokenList& out);

} // namespace koralix::macro
