#include "Translator.h"

#include <algorithm>
#include <cmath>

#include "MacroError.h"
#include "Values.h"

namespace koralix::macro {

// The largest variable or object the translator creates, so that a macro
// cannot ask for more memory than the machine has.
static constexpr int64_t kMaxTotalStorageBytes = 256 * 1024 * 1024;

namespace {

TSBReg NoOperand(int32_t value = 0) {
    TSBReg r;
    r.value = value;
    return r;
}

bool Either(const TSBReg& a, const TSBReg& b, char letter) {
    return a.letter == letter || b.letter == letter;
}

} // namespace

TSBTranslator::TSBTranslator(TypeList& types, FunctionList& functions, TSBCodeList& main)
    : types_(types), functions_(functions), main_(main) {}

void TSBTranslator::Start(int maxDimension, int64_t maxVariableBytes) {
    maxVariableBytes_ = maxVariableBytes;
    current_ = &main_;
    function_ = nullptr;
    functionIndex_ = -1;
    class_ = nullptr;
    maxDimension_ = maxDimension;
    declaredBytes_ = 0;
    ifs_.clear();
    fors_.clear();
    dos_.clear();
    cases_.clear();
}

void TSBTranslator::Fail(int code, const std::string& name) const {
    throw TranslationError(MacroError{code, line_, name});
}

int TSBTranslator::Emit(Op op, int32_t value, const TSBReg& a, const TSBReg& b, const TSBReg& d) {
    return current_->Emit(op, value, a, b, d, line_);
}

void TSBTranslator::Patch(int jump, int target) {
    if (jump >= 0) current_->Instructions[static_cast<size_t>(jump)].op.value = target;
}

bool TSBTranslator::DefineLabel(const std::string& name) {
    if (current_->LabelDefs.count(name)) return false;
    current_->LabelDefs[name] = static_cast<int>(current_->Instructions.size());
    return true;
}

int TSBTranslator::FindFunction(const std::string& name, bool& isMethodOutside) const {
    isMethodOutside = false;
    for (size_t i = 0; i < functions_.size(); ++i) {
        if (functions_[i]->name != name) continue;
        if (functions_[i]->classIndex < 0) return static_cast<int>(i);
        isMethodOutside = true;
    }
    return -1;
}

void TSBTranslator::Account(int typeIndex, int count) {
    const int64_t bytes =
        static_cast<int64_t>(types_[static_cast<size_t>(typeIndex)]->size) * count;
    declaredBytes_ += bytes;
    if (bytes > maxVariableBytes_ || declaredBytes_ > kMaxTotalStorageBytes) Fault("Out of memory");
}

int TSBTranslator::DeclareChecked(const std::string& name, int typeIndex, int count,
                                  bool reference) {
    bool method;
    if (current_->IndexOfVariable(name) >= 0 || FindFunction(name, method) >= 0) Fail(212, name);
    if (!reference) Account(typeIndex, count);
    current_->DeclareVariable(name, typeIndex, count, reference);
    return static_cast<int>(current_->Variables.size()) - 1;
}

// ---------------------------------------------------------------- resolution

void TSBTranslator::Resolve(TokenList& t, int line) {
    line_ = line;
    std::vector<int> typeStack{-1};
    const size_t n = t.size();
    for (size_t i = 0; i < n; ++i) {
        TSBLex& x = t[i];
        if (x.IsPunct(kOpen) || x.IsPunct(kOpenBracket)) {
            typeStack.push_back(-1);
            continue;
        }
        if (x.IsPunct(kClose) || x.IsPunct(kCloseBracket)) {
            if (typeStack.size() > 1) typeStack.pop_back();
            continue;
        }
        if (x.kind == kConst) {
            const TSBReg r = current_->AddConstant(x.typeIndex);
            TSBVar& c = *current_->Constants.back();
            if (x.letter == kInteger)
                PutI32(c.data, x.intValue);
            else if (x.letter == kString)
                StoreString(kString, c.data, x.literal);
            else
                PutF32(c.data, x.value);
            x.sub = r.value;
            typeStack.back() = -1;
            continue;
        }
        if (x.kind != kIdent) continue;
        if (i > 0 && t[i - 1].IsPunct(kDot)) {
            const int ti = typeStack.back();
            if (ti < 0 || types_[static_cast<size_t>(ti)]->letter != kObject) Fail(199);
            const TSBType& cls = *types_[static_cast<size_t>(ti)];
            if (const TSBField* m = cls.FindMethod(x.text)) {
                x.kind = kMethod;
                x.sub = m->functionIndex;
                x.typeIndex = m->typeIndex;
            } else if (const TSBField* f = cls.FindField(x.text)) {
                x.kind = kField;
                x.typeIndex = f->typeIndex;
                x.fieldOffset = f->offset;
                x.fieldLength = f->length;
            } else {
                Fail(199);
            }
            x.letter = types_[static_cast<size_t>(x.typeIndex)]->letter;
            typeStack.back() = x.typeIndex;
            continue;
        }
        const bool call = i + 1 < n && t[i + 1].IsPunct(kOpen);
        if (class_ && function_ && function_->classIndex == class_->index) {
            const TSBField* m = class_->FindMethod(x.text);
            if (m && !(m->functionIndex == functionIndex_ && !call)) {
                x.kind = kFuncName;
                x.sub = m->functionIndex;
                x.typeIndex = m->typeIndex;
                x.letter = types_[static_cast<size_t>(x.typeIndex)]->letter;
                x.selfCall = true;
                typeStack.back() = x.typeIndex;
                continue;
            }
        }
        bool methodOutside = false;
        const int fi = FindFunction(x.text, methodOutside);
        if (fi >= 0 && !(fi == functionIndex_ && !call)) {
            x.kind = kFuncName;
            x.sub = fi;
            x.typeIndex = functions_[static_cast<size_t>(fi)]->resultType;
            x.letter = types_[static_cast<size_t>(x.typeIndex)]->letter;
            typeStack.back() = x.typeIndex;
            continue;
        }
        int vi = current_->IndexOfVariable(x.text);
        if (vi < 0) {
            if (methodOutside) Fail(199);
            current_->DeclareVariable(x.text, kSingleType, 1, false);
            vi = static_cast<int>(current_->Variables.size()) - 1;
        }
        const TSBVar& v = *current_->Variables[static_cast<size_t>(vi)];
        x.sub = vi;
        x.typeIndex = v.type->index;
        x.letter = v.letter;
        typeStack.back() = x.typeIndex;
    }
}

// ---------------------------------------------------------------- expressions

TSBTranslator::Item TSBTranslator::Expression(const TokenList& t, int from, int to) {
    std::vector<Item> items;
    items.reserve(static_cast<size_t>(std::max(0, to - from)));
    for (int i = from; i < to; ++i) {
        const TSBLex& x = t[static_cast<size_t>(i)];
        Item it;
        if (x.kind == kIdent || x.kind == kConst) {
            it.operand = true;
            it.reg.kind = x.kind == kIdent ? kVariable : kConstant;
            it.reg.value = x.sub;
            it.reg.letter = x.letter;
            it.reg.typeIndex = x.typeIndex;
            if (x.kind == kIdent) {
                it.lvalue = true;
                it.length = current_->Variables[static_cast<size_t>(x.sub)]->count;
                it.name = x.text;
            }
        } else {
            it.tok = x;
        }
        items.push_back(std::move(it));
    }
    if (items.empty()) Fail(199);
    return Reduce(std::move(items));
}

TSBTranslator::Item TSBTranslator::Reduce(std::vector<Item> items) {
    ReduceBrackets(items);
    ReduceCalls(items);
    ReduceMembers(items);
    ReduceNot(items);
    ReduceBinary(items, kArithOp, {kMulSub, kDivSub});
    ReduceBinary(items, kArithOp, {kAddSub, kSubSub});
    ReduceBinary(items, kCompOp,
                 {kLessSub, kLessEqSub, kEqSub, kGreaterEqSub, kGreaterSub, kNotEqSub});
    ReduceBinary(items, kCompOp, {kAndSub, kOrSub});
    ReduceAssignments(items);
    if (items.size() != 1 || !items[0].operand) Fail(199);
    return items[0];
}

TSBReg TSBTranslator::Copied(const Item& item) {
    if (item.reg.kind == kTemporary && item.reg.offsetReg < 0) return item.reg;
    const TSBReg t = current_->NewTemporary(item.reg.typeIndex);
    Emit(Op::Assign, 0, item.reg, {}, t);
    return t;
}

static size_t MatchingClose(const std::vector<TSBTranslator::Item>& items, size_t open);

void TSBTranslator::ReduceBrackets(std::vector<Item>& items) {
    for (;;) {
        std::vector<size_t> stack;
        bool changed = false;
        for (size_t i = 0; i < items.size() && !changed; ++i) {
            if (items[i].IsPunct(kOpen) || items[i].IsPunct(kOpenBracket)) {
                stack.push_back(i);
                continue;
            }
            if (!items[i].IsPunct(kClose) && !items[i].IsPunct(kCloseBracket)) continue;
            if (stack.empty()) Fail(199);
            const size_t open = stack.back();
            stack.pop_back();
            const bool isCall =
                items[open].IsPunct(kOpen) && open > 0 &&
                (items[open - 1].IsToken(kFuncName) || items[open - 1].IsToken(kMethod));
            if (isCall) continue;
            std::vector<Item> inner(items.begin() + static_cast<long>(open) + 1,
                                    items.begin() + static_cast<long>(i));
            if (inner.empty()) Fail(199);
            if (items[open].IsPunct(kOpen)) {
                Item r = Reduce(std::move(inner));
                items.erase(items.begin() + static_cast<long>(open) + 1,
                            items.begin() + static_cast<long>(i) + 1);
                items[open] = std::move(r);
            } else {
                Item idx;
                idx.operand = true;
                idx.reg = Copied(Reduce(std::move(inner)));
                if (open == 0) Fail(199);
                Item& before = items[open - 1];
                if (before.operand) {
                    Item element = Element(before, idx.reg);
                    items.erase(items.begin() + static_cast<long>(open),
                                items.begin() + static_cast<long>(i) + 1);
                    items[open - 1] = std::move(element);
                } else if (before.IsToken(kField)) {
                    idx.operand = false;
                    idx.index = true;
                    items.erase(items.begin() + static_cast<long>(open) + 1,
                                items.begin() + static_cast<long>(i) + 1);
                    items[open] = std::move(idx);
                } else {
                    Fail(199);
                }
            }
            changed = true;
        }
        if (!changed) return;
    }
}

TSBTranslator::Item TSBTranslator::Element(const Item& array, const TSBReg& index) {
    if (array.reg.kind != kVariable || array.length <= 1 || array.reg.offsetReg >= 0)
        Fail(208, array.name);
    const TSBReg t = current_->NewTemporary(kIntegerType);
    Emit(Op::LoadInt, 0, NoOperand(0), {}, t);
    const int e = Emit(Op::ElementOffset, types_[static_cast<size_t>(array.reg.typeIndex)]->size,
                       {}, index, t);
    auto& op = current_->Instructions[static_cast<size_t>(e)].op;
    op.offsetReg = 0;
    op.typeIndex = array.length;
    Item r = array;
    r.reg.offsetReg = t.value;
    r.length = 1;
    return r;
}

static size_t MatchingClose(const std::vector<TSBTranslator::Item>& items, size_t open) {
    int depth = 0;
    for (size_t i = open; i < items.size(); ++i) {
        if (items[i].IsPunct(kOpen) || items[i].IsPunct(kOpenBracket)) ++depth;
        if (items[i].IsPunct(kClose) || items[i].IsPunct(kCloseBracket))
            if (--depth == 0) return i;
    }
    return items.size();
}

TSBTranslator::Item TSBTranslator::Call(const TSBFunc& f, int functionIndex, const TSBReg& object,
                                        std::vector<Item> items, size_t open, size_t close) {
    std::vector<std::vector<Item>> args;
    if (close > open + 1) {
        args.emplace_back();
        int depth = 0;
        for (size_t i = open + 1; i < close; ++i) {
            Item& it = items[i];
            if (it.IsPunct(kOpen) || it.IsPunct(kOpenBracket)) ++depth;
            if (it.IsPunct(kClose) || it.IsPunct(kCloseBracket)) --depth;
            if (depth == 0 && it.IsPunct(kComma)) {
                args.emplace_back();
                continue;
            }
            args.back().push_back(std::move(it));
        }
    }
    if (static_cast<int>(args.size()) != f.argCount) Fail(f.kind == kMacroFunction ? 205 : 206);
    for (size_t k = 0; k < args.size(); ++k) {
        if (args[k].empty()) Fail(199);
        const Item a = Reduce(std::move(args[k]));
        if (f.kind == kMacroFunction) {
            const TSBType& p = *types_[static_cast<size_t>(f.paramTypes[k])];
            const bool objects = p.letter == kObject || a.reg.letter == kObject;
            if (f.byRef[k] && a.reg.letter != p.letter) Fail(203);
            if (objects && a.reg.typeIndex != p.index) Fail(203);
        }
        Emit(Op::Push, 0, a.reg);
    }
    const TSBReg dest = current_->NewTemporary(f.resultType);
    Emit(Op::Call, functionIndex, object, {}, dest);
    Item r;
    r.operand = true;
    r.reg = dest;
    return r;
}

void TSBTranslator::ReduceCalls(std::vector<Item>& items) {
    for (;;) {
        size_t i = 0;
        while (i < items.size() && !items[i].IsToken(kFuncName))
            ++i;
        if (i == items.size()) return;
        if (i + 1 >= items.size() || !items[i + 1].IsPunct(kOpen)) Fail(199);
        const size_t close = MatchingClose(items, i + 1);
        if (close >= items.size()) Fail(199);
        const TSBLex tok = items[i].tok;
        const TSBFunc& f = *functions_[static_cast<size_t>(tok.sub)];
        TSBReg object;
        if (tok.selfCall) {
            object.kind = kVariable;
            object.value = current_->IndexOfVariable("SELF");
            if (object.value < 0) Fail(199);
            object.letter = kObject;
            object.typeIndex = current_->Variables[static_cast<size_t>(object.value)]->type->index;
        }
        Item r = Call(f, tok.sub, object, items, i + 1, close);
        items.erase(items.begin() + static_cast<long>(i) + 1,
                    items.begin() + static_cast<long>(close) + 1);
        items[i] = std::move(r);
    }
}

void TSBTranslator::ReduceMembers(std::vector<Item>& items) {
    for (;;) {
        size_t i = 0;
        while (i < items.size() && !items[i].IsPunct(kDot))
            ++i;
        if (i == items.size()) return;
        if (i == 0 || i + 1 >= items.size() || !items[i - 1].operand ||
            items[i - 1].reg.letter != kObject)
            Fail(199);
        const Item object = items[i - 1];
        const Item& member = items[i + 1];
        if (member.IsToken(kField)) {
            const bool indexed = i + 2 < items.size() && items[i + 2].index;
            const TSBLex& f = member.tok;
            if (indexed && f.fieldLength <= 1) Fail(209, f.text);
            TSBReg t;
            if (object.reg.offsetReg >= 0) { // add into the object's own offset
                t.kind = kTemporary;
                t.value = object.reg.offsetReg;
                t.letter = kInteger;
                t.typeIndex = kIntegerType;
            } else {
                t = current_->NewTemporary(kIntegerType);
                Emit(Op::LoadInt, 0, NoOperand(0), {}, t);
            }
            const TSBReg index = indexed ? items[i + 2].reg : TSBReg{};
            const int e = Emit(Op::ElementOffset, types_[static_cast<size_t>(f.typeIndex)]->size,
                               {}, index, t);
            auto& op = current_->Instructions[static_cast<size_t>(e)].op;
            op.offsetReg = f.fieldOffset;
            op.typeIndex = f.fieldLength;
            Item r = object;
            r.reg.offsetReg = t.value;
            r.reg.letter = f.letter;
            r.reg.typeIndex = f.typeIndex;
            r.length = indexed ? 1 : f.fieldLength;
            r.name = f.text;
            const size_t last = i + 1 + (indexed ? 1 : 0);
            items.erase(items.begin() + static_cast<long>(i),
                        items.begin() + static_cast<long>(last) + 1);
            items[i - 1] = std::move(r);
        } else if (member.IsToken(kMethod)) {
            if (i + 2 >= items.size() || !items[i + 2].IsPunct(kOpen)) Fail(199);
            const size_t close = MatchingClose(items, i + 2);
            if (close >= items.size()) Fail(199);
            const int fi = member.tok.sub;
            Item r =
                Call(*functions_[static_cast<size_t>(fi)], fi, object.reg, items, i + 2, close);
            items.erase(items.begin() + static_cast<long>(i),
                        items.begin() + static_cast<long>(close) + 1);
            items[i - 1] = std::move(r);
        } else {
            Fail(199);
        }
    }
}

void TSBTranslator::ReduceNot(std::vector<Item>& items) {
    for (;;) {
        size_t i = 0;
        while (i + 1 < items.size() && !(items[i].IsToken(kNot) && items[i + 1].operand))
            ++i;
        if (i + 1 >= items.size()) return;
        const TSBReg x = items[i + 1].reg;
        if (x.letter == kString || x.letter == kObject) Fail(201);
        const TSBReg t = current_->NewTemporary(kIntegerType);
        Emit(Op::Not, 0, x, {}, t);
        Item r;
        r.operand = true;
        r.reg = t;
        items.erase(items.begin() + static_cast<long>(i) + 1);
        items[i] = std::move(r);
    }
}

TSBTranslator::Item TSBTranslator::BinaryResult(const Item& a, const Item& op, const Item& b) {
    const TSBReg& x = a.reg;
    const TSBReg& y = b.reg;
    if (Either(x, y, kObject)) Fail(201);
    const int sub = op.tok.sub;
    const bool numeric = IsNumeric(x.letter) && IsNumeric(y.letter);
    auto numericType = [&] {
        if (x.letter == kInteger && y.letter == kInteger) return static_cast<int>(kIntegerType);
        if (Either(x, y, kDouble)) return static_cast<int>(kDoubleType);
        return static_cast<int>(kSingleType);
    };
    const bool bothStrings = x.letter == kString && y.letter == kString;
    const bool noStrings = !Either(x, y, kString);
    int result = kIntegerType;
    Op opcode = op.tok.kind == kArithOp ? Op::Arith : Op::Compare;
    switch (sub) {
    case kMulSub:
    case kDivSub:
        if (!numeric) Fail(201);
        result = numericType();
        break;
    case kAddSub:
        if (bothStrings) {
            result = kStringType;
            break;
        }
        [[fallthrough]];
    case kSubSub:
        if (!noStrings) Fail(201);
        result = Either(x, y, kDate) ? static_cast<int>(kDateType) : numericType();
        break;
    case kAndSub:
    case kOrSub:
        if (!numeric) Fail(201);
        break;
    default:
        if (!bothStrings && !noStrings) Fail(201);
        break;
    }
    const TSBReg t = current_->NewTemporary(result);
    Emit(opcode, sub, x, y, t);
    Item r;
    r.operand = true;
    r.reg = t;
    return r;
}

void TSBTranslator::ReduceBinary(std::vector<Item>& items, int kind,
                                 std::initializer_list<int> subs) {
    auto matches = [&](const Item& it) {
        return it.IsToken(kind) && std::find(subs.begin(), subs.end(), it.tok.sub) != subs.end();
    };
    for (;;) {
        size_t i = 0;
        while (i < items.size() && !matches(items[i]))
            ++i;
        if (i == items.size()) return;
        if (i + 1 >= items.size() || !items[i + 1].operand) Fail(199);
        const bool sign = kind == kArithOp &&
                          (items[i].tok.sub == kAddSub || items[i].tok.sub == kSubSub) &&
                          (i == 0 || !items[i - 1].operand);
        if (sign) {
            const TSBReg x = items[i + 1].reg;
            if (!IsNumeric(x.letter)) Fail(201);
            const TSBReg one = current_->AddConstant(kIntegerType);
            PutI32(current_->Constants.back()->data, items[i].tok.sub == kSubSub ? -1 : 1);
            const TSBReg t = current_->NewTemporary(TypeIndexOfLetter(x.letter));
            Emit(Op::Arith, kMulSub, x, one, t);
            Item r;
            r.operand = true;
            r.reg = t;
            items.erase(items.begin() + static_cast<long>(i) + 1);
            items[i] = std::move(r);
            continue;
        }
        if (i == 0 || !items[i - 1].operand) Fail(199);
        Item r = BinaryResult(items[i - 1], items[i], items[i + 1]);
        items.erase(items.begin() + static_cast<long>(i), items.begin() + static_cast<long>(i) + 2);
        items[i - 1] = std::move(r);
    }
}

void TSBTranslator::ReduceAssignments(std::vector<Item>& items) {
    for (;;) {
        size_t i = items.size();
        while (i > 0 && !items[i - 1].IsToken(kAssignOp))
            --i;
        if (i == 0) return;
        const size_t at = i - 1;
        if (at == 0 || at + 1 >= items.size() || !items[at - 1].operand || !items[at + 1].operand)
            Fail(199);
        const Item& left = items[at - 1];
        const TSBReg& x = left.reg;
        const TSBReg& y = items[at + 1].reg;
        if (!left.lvalue) Fail(201);
        const bool strings = x.letter == kString && y.letter == kString;
        const bool noStrings = !Either(x, y, kString);
        if (!strings && !noStrings && x.letter != y.letter) Fail(201);
        // Objects copy their bytes: only between objects of the same class.
        if (Either(x, y, kObject) && (x.letter != y.letter || x.typeIndex != y.typeIndex))
            Fail(201);
        Emit(Op::Assign, 0, y, {}, x);
        items.erase(items.begin() + static_cast<long>(at),
                    items.begin() + static_cast<long>(at) + 2);
    }
}

// ---------------------------------------------------------------- statements

void TSBTranslator::Translate(const TokenList& t, int line, bool inClassFields) {
    line_ = line;
    current_->StartStatement();
    const int n = static_cast<int>(t.size());
    switch (t[0].kind) {
    case kIdent:
    case kFuncName:
        Expression(t, 0, n);
        break;
    case kInc:
    case kDec: {
        const Item v = Expression(t, 1, n);
        if (!v.lvalue) Fail(201);
        Emit(t[0].kind == kInc ? Op::Inc : Op::Dec, 0, v.reg);
        break;
    }
    case kFor:
        ForStatement(t);
        break;
    case kNext: {
        const ForRecord r = fors_.back();
        fors_.pop_back();
        Emit(Op::LoopStep, r.loopTest, r.variable, {}, r.step);
        Patch(r.loopTest, Marker());
        break;
    }
    case kIf: {
        const TSBReg c = Condition(t, 1, n - 1);
        ifs_.push_back({Emit(Op::JumpIfZero, -1, c), {}});
        break;
    }
    case kElseIf: {
        IfRecord& r = ifs_.back();
        r.endJumps.push_back(Emit(Op::Jump, -1));
        Patch(r.condJump, Marker());
        const TSBReg c = Condition(t, 1, n - 1);
        r.condJump = Emit(Op::JumpIfZero, -1, c);
        break;
    }
    case kElse: {
        IfRecord& r = ifs_.back();
        r.endJumps.push_back(Emit(Op::Jump, -1));
        Patch(r.condJump, Marker());
        r.condJump = -1;
        break;
    }
    case kEnd:
        if (t[1].kind == kIf) {
            const IfRecord r = ifs_.back();
            ifs_.pop_back();
            const int m = Marker();
            Patch(r.condJump, m);
            for (int j : r.endJumps)
                Patch(j, m);
        } else if (t[1].kind == kSelect) {
            const CaseRecord r = cases_.back();
            cases_.pop_back();
            Patch(r.skipJump, Marker());
        } else if (t[1].kind == kFunction) {
            EndFunction();
        } else if (t[1].kind == kClass) {
            class_ = nullptr;
        }
        break;
    case kGoto: {
        const std::string name = n > 1 ? t[1].word : std::string();
        auto& refs = current_->LabelRefs;
        auto it = std::find(refs.begin(), refs.end(), name);
        const int index = static_cast<int>(it - refs.begin());
        if (it == refs.end()) refs.push_back(name);
        Emit(Op::GotoLabel, index);
        break;
    }
    case kTypeName:
        Declaration(t, inClassFields);
        break;
    case kDo:
        DoStatement(t, false);
        break;
    case kLoop:
        DoStatement(t, true);
        break;
    case kSelect: {
        const TSBReg e = Condition(t, 2, n);
        CaseRecord r;
        r.selector = current_->AddConstant(kIntegerType);
        Emit(Op::Assign, 0, e, {}, r.selector);
        Emit(Op::SelectMarker, 0, r.selector);
        r.counter = current_->AddConstant(kIntegerType);
        Emit(Op::LoadInt, 0, NoOperand(0), {}, r.counter);
        cases_.push_back(r);
        break;
    }
    case kCase:
        CaseStatement(t);
        break;
    case kFunction:
        FunctionHeader(t);
        break;
    case kReturn:
        if (n > 1) Condition(t, 1, n);
        Emit(Op::Return, 0);
        break;
    case kExit:
        Emit(Op::Return, 0);
        break;
    case kClass:
        ClassHeader(t);
        break;
    default:
        Fail(141);
    }
}

void TSBTranslator::ForStatement(const TokenList& t) {
    const int n = static_cast<int>(t.size());
    int to = -1, step = -1;
    for (int i = 3; i < n; ++i) {
        if (t[static_cast<size_t>(i)].kind == kTo && to < 0) to = i;
        if (t[static_cast<size_t>(i)].kind == kStep && step < 0 && to >= 0) step = i;
    }
    const bool hasStep = step >= 0 && step + 1 < n;
    const TSBReg start = Condition(t, 3, to);
    const TSBReg limit = Condition(t, to + 1, step < 0 ? n : step);
    const TSBReg stepValue = hasStep ? Condition(t, step + 1, n) : TSBReg{};
    const Item v = Expression(t, 1, 2);
    Emit(Op::Assign, 0, start, {}, v.reg);
    const TSBReg hidden = current_->AddConstant(kIntegerType);
    Emit(Op::Assign, 0, start, {}, hidden);
    const TSBReg limitCell = current_->AddConstant(kIntegerType);
    Emit(Op::Assign, 0, limit, {}, limitCell);
    const TSBReg stepCell = current_->AddConstant(kIntegerType);
    if (hasStep)
        Emit(Op::Assign, 0, stepValue, {}, stepCell);
    else
        Emit(Op::LoadInt, 0, NoOperand(1), {}, stepCell);
    const int test = Emit(Op::LoopTest, -1, v.reg, limitCell, stepCell);
    fors_.push_back({test, v.reg, stepCell});
}

void TSBTranslator::DoStatement(const TokenList& t, bool isLoop) {
    const int n = static_cast<int>(t.size());
    const bool hasCondition = n > 1;
    const Op exit = hasCondition && t[1].kind == kWhile ? Op::JumpIfZero : Op::JumpIfNotZero;
    if (!isLoop) {
        DoRecord r;
        r.start = Marker();
        r.conditionOnDo = hasCondition;
        if (hasCondition) {
            const TSBReg c = Condition(t, 2, n);
            r.exitJump = Emit(exit, -1, c);
        }
        dos_.push_back(r);
        return;
    }
    DoRecord r = dos_.back();
    dos_.pop_back();
    if (!r.conditionOnDo && hasCondition) {
        const TSBReg c = Condition(t, 2, n);
        r.exitJump = Emit(exit, -1, c);
    }
    Emit(Op::Jump, r.start);
    const int m = Marker();
    Patch(r.exitJump, m);
}

void TSBTranslator::CaseStatement(const TokenList& t) {
    CaseRecord& r = cases_.back();
    const int n = static_cast<int>(t.size());
    if (t[1].kind == kElse) {
        Patch(r.skipJump, Marker());
        r.skipJump = Emit(Op::JumpIfNotZero, -1, r.counter);
        return;
    }
    Patch(r.skipJump, Marker());
    std::vector<int> bodyJumps;
    int depth = 0, start = 1;
    for (int i = 1; i <= n; ++i) {
        if (i < n) {
            const TSBLex& x = t[static_cast<size_t>(i)];
            if (x.IsPunct(kOpen) || x.IsPunct(kOpenBracket)) ++depth;
            if (x.IsPunct(kClose) || x.IsPunct(kCloseBracket)) --depth;
            if (depth > 0 || !x.IsPunct(kComma)) continue;
        }
        int to = -1;
        for (int j = start; j < i; ++j)
            if (t[static_cast<size_t>(j)].kind == kTo) to = j;
        TSBReg c;
        if (to >= 0) {
            const TSBReg a = Condition(t, start, to);
            const TSBReg b = Condition(t, to + 1, i);
            const TSBReg low = current_->NewTemporary(kIntegerType);
            Emit(Op::Compare, kGreaterEqSub, r.selector, a, low);
            const TSBReg high = current_->NewTemporary(kIntegerType);
            Emit(Op::Compare, kLessEqSub, r.selector, b, high);
            c = current_->NewTemporary(kIntegerType);
            Emit(Op::Compare, kAndSub, low, high, c);
        } else {
            const TSBReg v = Condition(t, start, i);
            c = current_->NewTemporary(kIntegerType);
            Emit(Op::Compare, kEqSub, r.selector, v, c);
        }
        bodyJumps.push_back(Emit(Op::JumpIfNotZero, -1, c));
        start = i + 1;
    }
    r.skipJump = Emit(Op::Jump, -1);
    const int body = Marker();
    for (int j : bodyJumps)
        Patch(j, body);
    Emit(Op::Inc, 0, r.counter);
}

void TSBTranslator::Declaration(const TokenList& t, bool inClassFields) {
    const int typeIndex = t[0].sub;
    const int n = static_cast<int>(t.size());
    const int limit = inClassFields ? maxDimension_ : current_->ArrayLimit;
    int start = 1;
    for (int i = 1; i <= n; ++i) {
        if (i < n && !t[static_cast<size_t>(i)].IsPunct(kComma)) continue;
        const TSBLex& nameToken = t[static_cast<size_t>(start)];
        int length = 1;
        if (i - start == 4) {
            const TSBLex& c = t[static_cast<size_t>(start + 2)];
            const double requested = c.letter == kInteger ? c.intValue : c.value;
            length = requested >= limit ? limit : std::max(1, RoundToInt(requested));
            length = std::max(1, std::min(length, limit));
        }
        if (inClassFields) {
            if (class_->FindField(nameToken.text) || typeIndex == class_->index)
                Fail(212, nameToken.text);
            const int64_t bytes =
                static_cast<int64_t>(types_[static_cast<size_t>(typeIndex)]->size) * length +
                class_->size;
            if (bytes > maxVariableBytes_) Fault("Out of memory");
            class_->fields.push_back({nameToken.text, typeIndex, length, class_->size, -1});
            class_->size = static_cast<int>(bytes);
        } else {
            DeclareChecked(nameToken.text, typeIndex, length, false);
        }
        start = i + 1;
    }
}

void TSBTranslator::FunctionHeader(const TokenList& t) {
    const int n = static_cast<int>(t.size());
    if (t[1].kind == kTypeName) {
        // FUNCTION class.method: go on with the code of a method still open.
        const TSBType& cls = *types_[static_cast<size_t>(t[1].sub)];
        const TSBField* m = cls.FindMethod(t[3].text);
        if (!m || functions_[static_cast<size_t>(m->functionIndex)]->finished) Fail(217, t[3].text);
        function_ = functions_[static_cast<size_t>(m->functionIndex)].get();
        functionIndex_ = m->functionIndex;
        current_ = function_->code.get();
        return;
    }
    const std::string name = t[1].text;
    bool method = false;
    if (class_ ? class_->FindMethod(name) != nullptr : FindFunction(name, method) >= 0) Fail(212);

    struct Parameter {
        std::string name;
        bool byRef = false;
        int type = kSingleType;
    };
    std::vector<Parameter> params;
    for (int i = 3; i < n - 3; ++i) { // between the brackets
        const TSBLex& x = t[static_cast<size_t>(i)];
        if (i == 3 || t[static_cast<size_t>(i - 1)].IsPunct(kComma)) params.emplace_back();
        if (x.kind == kByRef)
            params.back().byRef = true;
        else if (x.kind == kIdent)
            params.back().name = x.text;
        else if (x.kind == kTypeName)
            params.back().type = x.sub;
    }
    if (params.size() > static_cast<size_t>(kMaxParameters)) Fail(kTooManyParameters);

    auto f = std::make_unique<TSBFunc>();
    f->name = name;
    f->argCount = static_cast<int>(params.size());
    f->kind = kMacroFunction;
    f->resultType = t[static_cast<size_t>(n - 1)].sub;
    f->resultLetter = types_[static_cast<size_t>(f->resultType)]->letter;
    f->classIndex = class_ ? class_->index : -1;
    f->code = std::make_unique<TSBCodeList>(name, types_);
    for (const auto& p : params) {
        f->byRef.push_back(p.byRef);
        f->paramTypes.push_back(p.type);
    }
    functionIndex_ = static_cast<int>(functions_.size());
    if (class_) class_->methods.push_back({name, f->resultType, 1, 0, functionIndex_});
    function_ = f.get();
    current_ = f->code.get();
    functions_.push_back(std::move(f));

    Account(function_->resultType, 1);
    current_->DeclareVariable(name, function_->resultType, 1, false);
    for (const auto& p : params)
        DeclareChecked(p.name, p.type, 1, p.byRef);
    if (class_) {
        for (const auto& field : class_->fields)
            DeclareChecked(field.name, field.typeIndex, field.length, true);
        DeclareChecked("SELF", class_->index, 1, true);
    }
}

void TSBTranslator::EndFunction() {
    Emit(Op::Return, 0);
    current_->Finish(functions_);
    const bool inClass = function_ && function_->classIndex >= 0;
    if (function_) function_->finished = true;
    current_ = &main_;
    function_ = nullptr;
    functionIndex_ = -1;
    if (!inClass) class_ = nullptr;
    ifs_.clear();
    fors_.clear();
    dos_.clear();
    cases_.clear();
}

void TSBTranslator::ClassHeader(const TokenList& t) {
    if (t[1].kind == kTypeName) Fail(212);
    int parent = -1;
    if (t.size() == 5) {
        parent = t[3].sub;
        if (types_[static_cast<size_t>(parent)]->letter != kObject) Fail(212);
    }
    auto type = std::make_unique<TSBType>();
    type->name = t[1].text;
    type->letter = kObject;
    type->index = static_cast<int>(types_.size());
    type->parent = parent;
    if (parent >= 0) {
        const TSBType& p = *types_[static_cast<size_t>(parent)];
        type->fields = p.fields;
        type->methods = p.methods;
        type->size = p.size;
    }
    class_ = type.get();
    types_.push_back(std::move(type));
}

void TSBTranslator::FinishSource(int line) {
    line_ = line;
    if (function_ && !function_->finished) EndFunction();
    for (auto& f : functions_) {
        if (f->kind != kMacroFunction || f->finished) continue;
        current_ = f->code.get();
        Emit(Op::Return, 0);
        f->code->Finish(functions_);
        f->finished = true;
    }
    current_ = &main_;
    Emit(Op::Stop, 0);
    main_.Finish(functions_);
}

} // namespace koralix::macro
