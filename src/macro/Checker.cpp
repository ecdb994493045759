#include "Checker.h"

#include <algorithm>

#include "MacroError.h"

namespace koralix::macro {

namespace {

bool IsForbiddenInExpression(int kind) {
    switch (kind) {
    case kInc:
    case kDec:
    case kFor:
    case kStep:
    case kTo:
    case kNext:
    case kDo:
    case kLoop:
    case kWhile:
    case kUntil:
    case kSelect:
    case kCase:
    case kIf:
    case kElseIf:
    case kElse:
    case kEnd:
        return true;
    default:
        return false;
    }
}

// The checker counts fields as variables and methods as function names.
int KindOf(const TSBLex& t) {
    if (t.kind == kField) return kIdent;
    if (t.kind == kMethod) return kFuncName;
    return t.kind;
}

bool IsOperator(const TSBLex& t) {
    return t.kind == kArithOp || t.kind == kCompOp;
}
bool IsSign(const TSBLex& t) {
    return t.kind == kArithOp && (t.sub == kAddSub || t.sub == kSubSub);
}
bool IsOperandStart(const TSBLex& t) {
    const int k = KindOf(t);
    return k == kIdent || k == kConst || k == kFuncName || k == kNot || t.IsPunct(kOpen);
}
bool IsIdentifier(const TSBLex& t) {
    return KindOf(t) == kIdent;
}

} // namespace

void TSBError::Clear() {
    BlockStack.clear();
    ProgramState = 0;
    ClassMode = false;
    FunctionMode = false;
}

void TSBError::Fail(int code) const {
    throw TranslationError(MacroError{code, line_, ""});
}

bool TSBError::Innermost(std::initializer_list<Block> kinds) const {
    return !BlockStack.empty() &&
           std::find(kinds.begin(), kinds.end(), BlockStack.back()) != kinds.end();
}

int TSBError::CheckExpression(const TSBLex* t, int n) {
    if (n <= 0) return -1;
    for (int i = 0; i < n; ++i)
        if (IsForbiddenInExpression(t[i].kind)) return 3;
    enum class Prev { Start, Operand, Function, Open, Operator, Dot };
    Prev prev = Prev::Start;
    std::vector<char> brackets; // 'c' call, 'g' group, 'i' index
    bool justOpenedCall = false;
    for (int i = 0; i < n; ++i) {
        const TSBLex& x = t[i];
        const int k = KindOf(x);
        const bool opened = justOpenedCall;
        justOpenedCall = false;
        switch (prev) {
        case Prev::Start:
        case Prev::Open:
            if (x.IsPunct(kClose) && opened) {
                brackets.pop_back();
                prev = Prev::Operand;
                continue;
            }
            if (IsSign(x)) {
                prev = Prev::Operator;
                continue;
            }
            [[fallthrough]];
        case Prev::Operator:
            if (!IsOperandStart(x)) return -1;
            if (k == kIdent || k == kConst)
                prev = Prev::Operand;
            else if (k == kFuncName)
                prev = Prev::Function;
            else if (k == kNot)
                prev = Prev::Operator;
            else
                brackets.push_back('g'), prev = Prev::Open;
            break;
        case Prev::Function:
            if (!x.IsPunct(kOpen)) return -1;
            brackets.push_back('c');
            justOpenedCall = true;
            prev = Prev::Open;
            break;
        case Prev::Dot:
            if (k == kIdent)
                prev = Prev::Operand;
            else if (k == kFuncName)
                prev = Prev::Function;
            else
                return -1;
            break;
        case Prev::Operand: {
            const TSBLex& last = t[i - 1];
            const bool afterVariable = KindOf(last) == kIdent;
            if (IsOperator(x)) {
                prev = Prev::Operator;
            } else if (x.kind == kAssignOp) {
                prev = Prev::Open;
            } else if (x.IsPunct(kClose) || x.IsPunct(kCloseBracket)) {
                const char want = x.IsPunct(kClose) ? 'p' : 'i';
                if (brackets.empty()) return -1;
                const char top = brackets.back();
                if ((want == 'p' && top == 'i') || (want == 'i' && top != 'i')) return -1;
                brackets.pop_back();
            } else if (x.IsPunct(kComma)) {
                if (brackets.empty() || brackets.back() != 'c') return -1;
                prev = Prev::Open;
            } else if (x.IsPunct(kDot)) {
                if (!afterVariable && !last.IsPunct(kClose) && !last.IsPunct(kCloseBracket))
                    return -1;
                prev = Prev::Dot;
            } else if (x.IsPunct(kOpenBracket)) {
                if (!afterVariable) return -1;
                brackets.push_back('i');
                prev = Prev::Open;
            } else {
                return -1;
            }
            break;
        }
        }
    }
    return prev == Prev::Operand && brackets.empty() ? 0 : -1;
}

void TSBError::CheckBrackets(const TokenList& t) const {
    std::vector<int> stack;
    for (const auto& x : t) {
        if (x.IsPunct(kOpen) || x.IsPunct(kOpenBracket)) stack.push_back(x.sub);
        if (x.IsPunct(kClose) || x.IsPunct(kCloseBracket)) {
            const int want = x.sub == kClose ? kOpen : kOpenBracket;
            if (stack.empty() || stack.back() != want) Fail(2);
            stack.pop_back();
        }
    }
    if (!stack.empty()) Fail(2);
}

void TSBError::CheckStructure(const TokenList& t) {
    enum Class { kCls, kFun, kEndCls, kDecl, kOther };
    int c = kOther;
    if (t[0].kind == kClass)
        c = kCls;
    else if (t[0].kind == kFunction)
        c = kFun;
    else if (t[0].kind == kTypeName)
        c = kDecl;
    else if (t[0].kind == kEnd && !(t.size() > 1 && (t[1].kind == kIf || t[1].kind == kSelect)))
        c = kEndCls;
    // Rows: states 0..13; columns: CLASS, FUNCTION, END, declaration, other.
    static constexpr int table[14][5] = {
        {1, 8, -1, 12, 13},  {-1, -1, -1, 2, -1},  {-1, 4, 3, 2, -1},    {1, 8, -1, 12, 13},
        {-1, 4, 7, 5, 6},    {-1, -1, 7, 5, 6},    {-1, -1, 7, -1, 6},   {-1, 4, 3, -1, -1},
        {-1, -1, 11, 9, 10}, {-1, -1, 11, 9, 10},  {-1, -1, 11, -1, 10}, {1, 8, -1, 12, 13},
        {-1, 8, -1, 12, 13}, {-1, -1, 13, -1, 13},
    };
    const int next = table[ProgramState][c];
    if (next < 0) Fail(150);
    ProgramState = next;
}

void TSBError::Check(const TokenList& t, int line) {
    line_ = line;
    if (t.empty()) return;
    CheckBrackets(t);
    CheckStructure(t);
    CheckRule(t);
}

void TSBError::CheckDoForm(const TokenList& t, int code47, int code48, int code49) const {
    if (t.size() == 1) return;
    if (t[1].kind != kWhile && t[1].kind != kUntil) Fail(code48);
    if (t.size() == 2) Fail(code47);
    if (CheckExpression(t.data() + 2, static_cast<int>(t.size()) - 2) != 0) Fail(code49);
}

void TSBError::CheckRule(const TokenList& t) {
    const int n = static_cast<int>(t.size());
    auto expression = [&](int from, int to, int code) { // [from, to)
        const int r = CheckExpression(t.data() + from, to - from);
        if (r == 3) Fail(3);
        if (r != 0) Fail(code);
    };
    switch (KindOf(t[0])) {
    case kIdent:
        expression(0, n, 37);
        break;
    case kFuncName:
        expression(0, n, 42);
        break;
    case kInc:
    case kDec:
        if (n < 2 || !IsIdentifier(t[1])) Fail(28);
        if (n > 2) {
            if (!t[2].IsPunct(kOpenBracket) || !t[n - 1].IsPunct(kCloseBracket)) Fail(29);
            if (n - 4 <= 0) Fail(30);
            expression(3, n - 1, 31);
        }
        break;
    case kFor: {
        if (n < 2 || !IsIdentifier(t[1])) Fail(17);
        if (n < 3 || t[2].kind != kAssignOp) Fail(18);
        int to = -1, step = -1;
        for (int i = 3; i < n; ++i) {
            if (t[i].kind == kTo && to < 0) to = i;
            if (t[i].kind == kStep && step < 0 && to >= 0) step = i;
        }
        if (to < 0) Fail(19);
        if (to == n - 1) Fail(20);
        const int limitEnd = step < 0 ? n : step;
        if (to == 3 || limitEnd == to + 1) Fail(21);
        expression(3, to, 22);
        expression(to + 1, limitEnd, 23);
        if (step >= 0 && step + 1 < n) expression(step + 1, n, 24);
        BlockStack.push_back(Block::For);
        break;
    }
    case kNext:
        if (!Innermost({Block::For})) Fail(25);
        if (n != 2) Fail(26);
        if (!IsIdentifier(t[1])) Fail(27);
        BlockStack.pop_back();
        break;
    case kIf: {
        int then = -1;
        for (int i = 1; i < n; ++i)
            if (t[i].kind == kThen) {
                then = i;
                break;
            }
        if (then < 0) Fail(6);
        if (then != n - 1) Fail(7);
        if (then == 1) Fail(8);
        expression(1, then, 9);
        BlockStack.push_back(Block::If);
        break;
    }
    case kElseIf:
        if (!Innermost({Block::If, Block::ElseIf})) Fail(10);
        if (n < 3 || t[n - 1].kind != kThen) Fail(11);
        expression(1, n - 1, 11);
        BlockStack.back() = Block::ElseIf;
        break;
    case kElse:
        if (!Innermost({Block::If, Block::ElseIf})) Fail(13);
        if (n != 1) Fail(14);
        BlockStack.back() = Block::Else;
        break;
    case kEnd: {
        if (n < 2) Fail(140);
        const int second = t[1].kind;
        if (second == kIf) {
            if (!Innermost({Block::If, Block::ElseIf, Block::Else})) Fail(15);
            if (n != 2) Fail(16);
            BlockStack.pop_back();
        } else if (second == kSelect) {
            if (!Innermost({Block::Select, Block::Case, Block::CaseElse})) Fail(111);
            if (n != 2) Fail(112);
            BlockStack.pop_back();
        } else if (FunctionMode) {
            if (!BlockStack.empty()) Fail(137);
            if (n != 2) Fail(138);
            if (second != kFunction) Fail(139);
            FunctionMode = false;
        } else if (ClassMode && second == kClass && n == 2) {
            ClassMode = false;
        } else {
            Fail(140);
        }
        break;
    }
    case kGoto:
        break;
    case kTypeName:
        CheckDeclaration(t);
        break;
    case kDo:
        CheckDoForm(t, 47, 48, 49);
        BlockStack.push_back(Block::Do);
        break;
    case kLoop:
        if (!Innermost({Block::Do})) Fail(50);
        CheckDoForm(t, 51, 51, 51);
        BlockStack.pop_back();
        break;
    case kSelect:
        if (n < 3) Fail(100);
        expression(2, n, 101);
        BlockStack.push_back(Block::Select);
        break;
    case kCase:
        CheckCase(t);
        break;
    case kFunction:
        CheckFunctionHeader(t);
        FunctionMode = true;
        break;
    case kReturn:
        if (n > 1) expression(1, n, 133);
        break;
    case kExit:
        if (n != 2 || t[1].kind != kFunction) Fail(135);
        break;
    case kClass: {
        const bool nameOk = n >= 2 && (t[1].kind == kIdent || t[1].kind == kTypeName);
        const bool shortForm = n == 2;
        const bool longForm =
            n == 5 && t[2].IsPunct(kOpen) && t[3].kind == kTypeName && t[4].IsPunct(kClose);
        if (!nameOk || !(shortForm || longForm)) Fail(140);
        ClassMode = true;
        break;
    }
    default:
        Fail(141);
    }
}

void TSBError::CheckDeclaration(const TokenList& t) const {
    const int n = static_cast<int>(t.size());
    int start = 1;
    for (int i = 1; i <= n; ++i) {
        if (i < n && !t[i].IsPunct(kComma)) continue;
        const int length = i - start;
        if (length == 1) {
            if (t[start].kind != kIdent) Fail(44);
        } else if (length == 4) {
            const bool ok = t[start].kind == kIdent && t[start + 1].IsPunct(kOpenBracket) &&
                            t[start + 2].kind == kConst && t[start + 2].letter != kString &&
                            t[start + 3].IsPunct(kCloseBracket);
            if (!ok) Fail(46);
        } else {
            Fail(45);
        }
        start = i + 1;
    }
}

void TSBError::CheckCase(const TokenList& t) {
    const int n = static_cast<int>(t.size());
    if (n >= 2 && t[1].kind == kElse) {
        if (!Innermost({Block::Case})) Fail(106);
        if (n != 2) Fail(107);
        BlockStack.back() = Block::CaseElse;
        return;
    }
    if (!Innermost({Block::Select, Block::Case})) Fail(108);
    if (n < 2) Fail(109);
    if (t[n - 1].IsPunct(kComma)) Fail(110);
    int depth = 0, start = 1;
    for (int i = 1; i <= n; ++i) {
        if (i < n) {
            if (t[i].IsPunct(kOpen) || t[i].IsPunct(kOpenBracket)) ++depth;
            if (t[i].IsPunct(kClose) || t[i].IsPunct(kCloseBracket)) --depth;
            if (depth > 0 || !t[i].IsPunct(kComma)) continue;
        }
        if (i == start) Fail(102);
        int to = -1;
        for (int j = start; j < i; ++j) {
            if (t[j].kind != kTo) continue;
            if (to >= 0) Fail(103);
            to = j;
        }
        if (to == start || to == i - 1) Fail(104);
        auto valid = [&](int from, int end) {
            const int r = CheckExpression(t.data() + from, end - from);
            if (r == 3) Fail(3);
            if (r != 0) Fail(105);
        };
        if (to < 0) {
            valid(start, i);
        } else {
            valid(start, to);
            valid(to + 1, i);
        }
        start = i + 1;
    }
    BlockStack.back() = Block::Case;
}

void TSBError::CheckFunctionHeader(const TokenList& t) const {
    const int n = static_cast<int>(t.size());
    if (n < 2 || (t[1].kind != kIdent && t[1].kind != kTypeName)) Fail(121);
    const bool qualified = t[1].kind == kTypeName;
    int nameAt = 1;
    if (qualified) {
        if (n < 6 || !t[2].IsPunct(kDot) || t[3].kind != kIdent) Fail(122);
        nameAt = 3;
    } else if (n < 4) {
        Fail(122);
    }
    if (t[n - 2].kind != kAs || t[n - 1].kind != kTypeName) Fail(123);
    const int first = nameAt + 1, last = n - 2; // parameter part [first, last)
    if (first == last) return;
    if (!t[first].IsPunct(kOpen) || !t[last - 1].IsPunct(kClose)) Fail(124);
    const int from = first + 1, to = last - 1; // inside the brackets
    if (from >= to) Fail(125);
    auto isName = [](const TSBLex& x) { return x.kind == kIdent; };
    const TSBLex& head = t[from];
    if (!isName(head) && head.kind != kByVal && head.kind != kByRef) Fail(125);
    for (int i = from + 1; i < to; ++i) {
        const TSBLex& p = t[i - 1];
        const TSBLex& x = t[i];
        if (p.IsPunct(kComma)) {
            if (!isName(x) && x.kind != kByVal && x.kind != kByRef) Fail(130);
        } else if (isName(p)) {
            if (!x.IsPunct(kComma) && x.kind != kAs) Fail(129);
        } else if (p.kind == kAs) {
            if (x.kind != kTypeName) Fail(127);
        } else if (p.kind == kByVal || p.kind == kByRef) {
            if (!isName(x)) Fail(128);
        } else if (p.kind == kTypeName) {
            if (!x.IsPunct(kComma)) Fail(126);
        }
    }
    if (!isName(t[to - 1]) && t[to - 1].kind != kTypeName) Fail(131);
}

void TSBError::CheckEnd(int lastLine) const {
    if (BlockStack.empty()) return;
    int code = 0;
    switch (BlockStack.back()) {
    case Block::For:
        code = 148;
        break;
    case Block::If:
        code = 142;
        break;
    case Block::ElseIf:
        code = 143;
        break;
    case Block::Else:
        code = 144;
        break;
    case Block::Select:
        code = 145;
        break;
    case Block::Case:
        code = 146;
        break;
    case Block::CaseElse:
        code = 147;
        break;
    case Block::Do:
        code = 149;
        break;
    }
    throw TranslationError(MacroError{code, lastLine, ""});
}

} // namespace koralix::macro
