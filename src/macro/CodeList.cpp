#include "CodeList.h"

#include <algorithm>
#include <cstring>

#include "MacroError.h"
#include "Values.h"

namespace koralix::macro {

namespace {

// Raised inside an instruction to record a run-time error on it.
struct RecordedError {
    int code;
};

std::string NumberedName(char prefix, size_t index) {
    std::string digits = std::to_string(index);
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    return prefix + digits;
}

inline uint8_t* Addr(const TSBReg& r) {
    if (!r.offsetVar) return r.var->data;
    const int32_t offset = LoadI32(r.offsetVar->data);
    const int32_t element = r.type ? r.type->size : 0;
    if (offset < 0 || offset > r.var->size - element) throw RecordedError{307};
    return r.var->data + offset;
}

// A destination temporary first takes the instruction's result type.
inline uint8_t* DestAddr(const TSBReg& r) {
    if (r.kind == kTemporary && r.type) r.var->Retype(r.type);
    return Addr(r);
}

inline int32_t CheckedAdd(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_add_overflow(a, b, &r)) IntegerOverflow();
    return r;
}
inline int32_t CheckedSub(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_sub_overflow(a, b, &r)) IntegerOverflow();
    return r;
}
inline int32_t CheckedMul(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_mul_overflow(a, b, &r)) IntegerOverflow();
    return r;
}

enum Sub { kMul = 15, kDiv = 16, kAdd = 17, kSub = 18 };
enum Cmp {
    kLess = 22,
    kLessEq = 23,
    kEq = 24,
    kGreaterEq = 25,
    kGreater = 26,
    kNotEq = 27,
    kAnd = 28,
    kOr = 29
};

template <typename T> bool Compare(int sub, const T& a, const T& b) {
    switch (sub) {
    case kLess:
        return a < b;
    case kLessEq:
        return a <= b;
    case kEq:
        return a == b;
    case kGreaterEq:
        return a >= b;
    case kGreater:
        return a > b;
    case kNotEq:
        return a != b;
    default:
        return false;
    }
}

void Arithmetic(const TSBCode& c) {
    const uint8_t* a = Addr(c.src1);
    const uint8_t* b = Addr(c.src2);
    uint8_t* d = DestAddr(c.dest);
    const int sub = c.op.value;
    switch (c.dest.letter) {
    case kSingle:
    case kDouble: {
        const double x = ReadReal(c.src1.letter, a), y = ReadReal(c.src2.letter, b);
        double r = 0;
        switch (sub) {
        case kMul:
            r = x * y;
            break;
        case kDiv:
            r = y == 0 ? 0 : x / y;
            break;
        case kAdd:
            r = x + y;
            break;
        case kSub:
            r = x - y;
            break;
        }
        StoreReal(c.dest.letter, d, r);
        break;
    }
    case kInteger: {
        const int32_t x = ReadInt(c.src1.letter, a), y = ReadInt(c.src2.letter, b);
        int32_t r = 0;
        switch (sub) {
        case kMul:
            r = CheckedMul(x, y);
            break;
        case kDiv:
            if (y == -1 && x == INT32_MIN) IntegerOverflow();
            r = y == 0 ? 0 : x / y;
            break;
        case kAdd:
            r = CheckedAdd(x, y);
            break;
        case kSub:
            r = CheckedSub(x, y);
            break;
        }
        PutI32(d, r);
        break;
    }
    case kDate: {
        const int32_t x = ReadInt(c.src1.letter, a), y = ReadInt(c.src2.letter, b);
        int32_t r = 0;
        if (sub == kAdd)
            r = CheckedAdd(x, y);
        else if (sub == kSub)
            r = CheckedSub(x, y);
        PutF64(d, DateOfDayNumber(r));
        break;
    }
    case kString: {
        if (sub != kAdd) {
            d[0] = 0;
            break;
        }
        const std::string_view x = ReadString(c.src1.letter, a), y = ReadString(c.src2.letter, b);
        std::string joined;
        joined.reserve(x.size() + y.size());
        joined.append(x).append(y);
        StoreString(kString, d, joined);
        break;
    }
    default:
        break;
    }
}

void Comparison(const TSBCode& c) {
    const uint8_t* a = Addr(c.src1);
    const uint8_t* b = Addr(c.src2);
    const char la = c.src1.letter, lb = c.src2.letter;
    const int sub = c.op.value;
    int32_t r = 0;
    auto intLike = [](char l) { return l == kInteger || l == kDate; };
    if (intLike(la) && intLike(lb)) {
        const int32_t x = ReadInt(la, a), y = ReadInt(lb, b);
        if (sub == kAnd)
            r = CheckedMul(x, y);
        else if (sub == kOr)
            r = CheckedAdd(x, y);
        else
            r = Compare(sub, x, y);
    } else if (la == kString || lb == kString) {
        if (la == kString && lb == kString && sub != kAnd && sub != kOr)
            r = Compare(sub, ReadString(la, a), ReadString(lb, b));
    } else if (la != kObject && lb != kObject) {
        const double x = ReadReal(la, a), y = ReadReal(lb, b);
        if (sub == kAnd)
            r = RoundToInt(x * y);
        else if (sub == kOr)
            r = RoundToInt(x + y);
        else
            r = Compare(sub, x, y);
    }
    PutI32(DestAddr(c.dest), r);
}

void ElementOffset(const TSBCode& c) {
    const int32_t index = c.src2.kind == kNone ? 0 : ReadInt(c.src2.letter, Addr(c.src2));
    const int32_t size = c.op.value, offset = c.op.offsetReg, length = c.op.typeIndex;
    if (index < 0 || index >= length) throw RecordedError{307};
    uint8_t* d = Addr(c.dest);
    PutI32(d, LoadI32(d) + offset + size * index);
}

} // namespace

void ResultRecord::SetString(std::string v) {
    letter = kString;
    if (v.size() > kMaxStringLength) v.resize(kMaxStringLength);
    stringValue = std::move(v);
}

TSBCodeList::TSBCodeList(std::string n, const TypeList& t) : name(std::move(n)), types(t) {
    for (int i = 0; i < kTemporaryCount; ++i) {
        auto v = std::make_unique<TSBVar>(NumberedName('R', i), types[kSingleType].get(), 1, false);
        v->Reserve(kStringSize);
        Temporaries.push_back(std::move(v));
    }
    for (int i = 0; i < kMaxParameters; ++i)
        ArgumentStage.push_back(
            std::make_unique<TSBVar>(NumberedName('P', i), types[kSingleType].get(), 1, false));
}

void TSBCodeList::Clear() {
    Instructions.clear();
    Variables.clear();
    Constants.clear();
    ArgumentList.clear();
    LabelDefs.clear();
    LabelRefs.clear();
    TempCounter = 0;
    HighestTemp = -1;
    Error = {};
    for (auto& t : Temporaries)
        t->Retype(types[kSingleType].get());
}

int TSBCodeList::Emit(Op op, int32_t value, const TSBReg& src1, const TSBReg& src2,
                      const TSBReg& dest, int line) {
    TSBCode c;
    c.index = static_cast<int>(Instructions.size());
    c.line = line;
    c.op.kind = static_cast<uint8_t>(op);
    c.op.value = value;
    c.src1 = src1;
    c.src2 = src2;
    c.dest = dest;
    if (op == Op::Marker) TempCounter = 0;
    Instructions.push_back(c);
    return c.index;
}

TSBReg TSBCodeList::NewTemporary(int typeIndex) {
    TSBReg r;
    r.kind = kTemporary;
    r.value = TempCounter++;
    HighestTemp = std::max(HighestTemp, r.value);
    r.typeIndex = typeIndex;
    r.letter = types[typeIndex]->letter;
    return r;
}

TSBReg TSBCodeList::AddConstant(int typeIndex) {
    TSBReg r;
    r.kind = kConstant;
    r.value = static_cast<int32_t>(Constants.size());
    r.typeIndex = typeIndex;
    r.letter = types[typeIndex]->letter;
    Constants.push_back(std::make_unique<TSBVar>(NumberedName('C', Constants.size()),
                                                 types[typeIndex].get(), 1, false));
    return r;
}

int TSBCodeList::IndexOfVariable(const std::string& n) const {
    for (size_t i = 0; i < Variables.size(); ++i)
        if (Variables[i]->name == n) return static_cast<int>(i);
    return -1;
}

TSBVar* TSBCodeList::FindVariable(const std::string& n) {
    const int i = IndexOfVariable(n);
    return i < 0 ? nullptr : Variables[static_cast<size_t>(i)].get();
}

TSBVar& TSBCodeList::DeclareVariable(const std::string& n, int typeIndex, int count,
                                     bool reference) {
    Variables.push_back(std::make_unique<TSBVar>(n, types[typeIndex].get(), count, reference));
    return *Variables.back();
}

void TSBCodeList::Finish(const FunctionList& functions) {
    for (auto& c : Instructions) {
        if (c.Opcode() != Op::GotoLabel) continue;
        const auto& label = LabelRefs[static_cast<size_t>(c.op.value)];
        const auto it = LabelDefs.find(label);
        c.op.kind = static_cast<uint8_t>(Op::Jump);
        c.op.value = it == LabelDefs.end() ? -1 : it->second;
    }
    // Markers at index 1 and above go; a target behind a deleted marker moves
    // back by one for each marker deleted before it.
    std::vector<int> deletedBefore(Instructions.size() + 1, 0);
    int deleted = 0;
    for (size_t i = 0; i < Instructions.size(); ++i) {
        deletedBefore[i] = deleted;
        if (i >= 1 && Instructions[i].Opcode() == Op::Marker) ++deleted;
    }
    deletedBefore[Instructions.size()] = deleted;
    auto shifted = [&](int target) {
        if (target <= 0) return target;
        if (target > static_cast<int>(Instructions.size())) return target - deleted;
        return target - deletedBefore[static_cast<size_t>(target)];
    };
    std::vector<TSBCode> kept;
    kept.reserve(Instructions.size());
    for (size_t i = 0; i < Instructions.size(); ++i) {
        TSBCode c = Instructions[i];
        if (i >= 1 && c.Opcode() == Op::Marker) continue;
        if (IsJump(c.Opcode())) c.op.value = shifted(c.op.value);
        c.index = static_cast<int>(kept.size());
        kept.push_back(c);
    }
    Instructions = std::move(kept);
    LabelDefs.clear();
    LabelRefs.clear();

    auto bind = [&](TSBReg& r) -> bool {
        r.type = types[static_cast<size_t>(
                           std::clamp<int>(r.typeIndex, 0, static_cast<int>(types.size()) - 1))]
                     .get();
        switch (r.kind) {
        case kVariable:
            r.var = Variables[static_cast<size_t>(r.value)].get();
            break;
        case kConstant:
            r.var = Constants[static_cast<size_t>(r.value)].get();
            break;
        case kTemporary:
            r.var = r.value < kTemporaryCount ? Temporaries[static_cast<size_t>(r.value)].get()
                                              : nullptr;
            if (r.var) r.var->Reserve(r.type->size);
            break;
        default:
            return true;
        }
        if (r.offsetReg >= 0)
            r.offsetVar = r.offsetReg < kTemporaryCount
                              ? Temporaries[static_cast<size_t>(r.offsetReg)].get()
                              : nullptr;
        return r.var && (r.offsetReg < 0 || r.offsetVar);
    };
    for (auto& c : Instructions) {
        const bool a = bind(c.src1), b = bind(c.src2), d = bind(c.dest);
        c.bound = a && b && d;
        if (c.Opcode() == Op::Call && c.op.value >= 0 &&
            c.op.value < static_cast<int>(functions.size()))
            c.function = functions[static_cast<size_t>(c.op.value)].get();
    }
}

void TSBCodeList::Record(int code, const TSBCode& c) {
    Error.code = code;
    Error.ip = c.index;
    Error.line = c.line - LineOffset;
    Error.name.clear();
}

const Argument* TSBCodeList::ArgumentAt(int i) const {
    const int index = static_cast<int>(ArgumentList.size()) - CurrentArgCount + i;
    if (i < 0 || i >= CurrentArgCount || index < 0) return nullptr;
    return &ArgumentList[static_cast<size_t>(index)];
}

Argument TSBCodeList::MakeArgument(const TSBReg& r) {
    Argument a;
    a.addr = Addr(r);
    a.letter = r.letter;
    a.type = r.type;
    a.bytes = static_cast<int32_t>(r.var->data + r.var->size - a.addr);
    return a;
}

ErrorRecord TSBCodeList::Run(RunContext& context) {
    ArgumentList.clear();
    for (auto& c : Instructions)
        c.ExecCount = 0;
    Error = {};
    const int count = static_cast<int>(Instructions.size());
    int ip = 0;
    bool stop = false;
    while (ip < count && !stop && Error.code == 0) {
        if (context.stop && context.stop->load(std::memory_order_relaxed))
            Fault("Macro stopped by the user");
        TSBCode& c = Instructions[static_cast<size_t>(ip)];
        int next = ip + 1;
        try {
            if (!c.bound) throw RecordedError{306};
            switch (c.Opcode()) {
            case Op::Stop:
            case Op::Return:
            case Op::Return101:
                stop = true;
                break;
            default:
                Execute(c, next, context);
                break;
            }
        } catch (const RecordedError& e) {
            Record(e.code, c);
        }
        if (++c.ExecCount > ExecLimit && Error.code == 0) Record(310, c);
        if (++context.steps > context.maxSteps && context.maxSteps > 0 && Error.code == 0)
            Record(310, c);
        ip = next;
    }
    return Error;
}

void TSBCodeList::Execute(TSBCode& c, int& next, RunContext& context) {
    const int count = static_cast<int>(Instructions.size());
    switch (c.Opcode()) {
    case Op::Arith:
        Arithmetic(c);
        break;
    case Op::Compare:
        Comparison(c);
        break;
    case Op::Inc:
    case Op::Dec: {
        if (c.src1.letter == kString || c.src1.letter == kObject) break;
        uint8_t* p = Addr(c.src1);
        StoreReal(c.src1.letter, p, ReadReal(c.src1.letter, p) + (c.Opcode() == Op::Inc ? 1 : -1));
        break;
    }
    case Op::Assign: {
        const uint8_t* s = Addr(c.src1);
        uint8_t* d = DestAddr(c.dest);
        ConvertValue(c.dest.letter, d, c.src1.letter, s, c.dest.type ? c.dest.type->size : 0);
        break;
    }
    case Op::Call:
        Call(c, context);
        break;
    case Op::LoopTest: {
        const int32_t v = ReadInt(c.src1.letter, Addr(c.src1));
        const int32_t limit = ReadInt(c.src2.letter, Addr(c.src2));
        const int32_t step = ReadInt(c.dest.letter, Addr(c.dest));
        if ((step >= 0 && v > limit) || (step < 0 && v < limit))
            if (c.op.value >= 0) next = c.op.value;
        break;
    }
    case Op::LoopStep: {
        uint8_t* p = Addr(c.src1);
        const int32_t v =
            CheckedAdd(ReadInt(c.src1.letter, p), ReadInt(c.dest.letter, Addr(c.dest)));
        StoreInt(c.src1.letter, p, v);
        if (c.op.value >= 0) next = c.op.value;
        break;
    }
    case Op::JumpIfZero:
        if (ReadInt(c.src1.letter, Addr(c.src1)) == 0 && c.op.value >= 0) next = c.op.value;
        break;
    case Op::JumpIfNotZero:
        if (ReadInt(c.src1.letter, Addr(c.src1)) != 0 && c.op.value >= 0) next = c.op.value;
        break;
    case Op::Jump40:
    case Op::Jump:
        if (c.op.value >= 0 && c.op.value - 1 < count) next = c.op.value;
        break;
    case Op::LoadInt:
        StoreInt(c.dest.letter, DestAddr(c.dest), c.src1.value);
        break;
    case Op::Push:
        ArgumentList.push_back(MakeArgument(c.src1));
        break;
    case Op::ElementOffset:
        ElementOffset(c);
        break;
    case Op::Not: {
        const int32_t v = ReadInt(c.src1.letter, Addr(c.src1));
        PutI32(DestAddr(c.dest), v == 0 ? 1 : 0);
        break;
    }
    default:
        break; // markers, select marker
    }
}

namespace {

// A callee's values across a call of it. The callee runs on a copy of its
// current values; the storage it had stays where it is, so that every
// activation of a recursive function keeps its own values and a write through
// a by-reference parameter into a caller's variable (of any activation)
// survives the call. References get their targets back afterwards.
struct Snapshot {
    std::vector<uint8_t> bytes;    // the callee's working copy
    std::vector<uint8_t*> storage; // where each variable, constant and temporary lived
    std::vector<const TSBType*> tempTypes;
    std::vector<Argument> arguments;
    int tempCounter = 0;

    static size_t Capacity(const TSBVar& v, bool temporary) {
        return temporary ? v.storage.size() : static_cast<size_t>(v.isRef ? 0 : v.size);
    }

    void Save(TSBCodeList& list) {
        const int temps = std::min(list.HighestTemp + 1, kTemporaryCount);
        size_t total = 0;
        for (const auto& v : list.Variables)
            total += Capacity(*v, false);
        for (const auto& v : list.Constants)
            total += Capacity(*v, false);
        for (int i = 0; i < temps; ++i)
            total += Capacity(*list.Temporaries[static_cast<size_t>(i)], true);
        bytes.resize(total);
        storage.reserve(list.Variables.size() + list.Constants.size() + static_cast<size_t>(temps));
        size_t at = 0;
        auto move = [&](TSBVar& v, bool temporary) {
            storage.push_back(v.data);
            const size_t n = Capacity(v, temporary);
            if (n == 0) return;
            std::memcpy(bytes.data() + at, v.data, n);
            v.data = bytes.data() + at;
            at += n;
        };
        for (auto& v : list.Variables)
            move(*v, false);
        for (auto& v : list.Constants)
            move(*v, false);
        for (int i = 0; i < temps; ++i) {
            TSBVar& t = *list.Temporaries[static_cast<size_t>(i)];
            tempTypes.push_back(t.type);
            move(t, true);
        }
        arguments = list.ArgumentList;
        tempCounter = list.TempCounter;
    }

    void Restore(TSBCodeList& list) const {
        size_t k = 0;
        for (auto& v : list.Variables)
            v->data = storage[k++];
        for (auto& v : list.Constants)
            v->data = storage[k++];
        for (size_t i = 0; i < tempTypes.size(); ++i) {
            TSBVar& t = *list.Temporaries[i];
            t.data = storage[k++];
            t.type = tempTypes[i];
            t.letter = t.type->letter;
            t.count = 1;
            t.size = t.type->size;
        }
        list.ArgumentList = arguments;
        list.TempCounter = tempCounter;
    }
};

} // namespace

void TSBCodeList::Call(TSBCode& c, RunContext& context) {
    TSBFunc* f = c.function;
    if (!f) throw RecordedError{320};
    const int n = f->argCount;
    uint8_t* dest = nullptr;
    switch (f->kind) {
    case kRealFunction: {
        CurrentArgCount = n;
        const double v = f->real(*this);
        dest = DestAddr(c.dest);
        StoreReal(c.dest.letter, dest, v);
        break;
    }
    case kHostFunction: {
        CurrentArgCount = n;
        ResultRecord result;
        result.letter = f->resultLetter;
        f->host(*this, result);
        dest = DestAddr(c.dest);
        switch (result.letter) {
        case kInteger:
            StoreInt(c.dest.letter, dest, result.intValue);
            break;
        case kSingle:
            StoreReal(c.dest.letter, dest, result.singleValue);
            break;
        case kDouble:
            StoreReal(c.dest.letter, dest, result.doubleValue);
            break;
        case kString:
            StoreString(c.dest.letter, dest, result.stringValue);
            break;
        case kDate:
            StoreDate(c.dest.letter, dest, result.dateValue);
            break;
        default:
            break;
        }
        break;
    }
    case kMacroFunction:
        CallMacro(*f, c, context);
        break;
    default:
        break;
    }
    const size_t remove = std::min(ArgumentList.size(), static_cast<size_t>(n));
    ArgumentList.resize(ArgumentList.size() - remove);
}

void TSBCodeList::CallMacro(TSBFunc& f, TSBCode& c, RunContext& context) {
    TSBCodeList& callee = *f.code;
    const int n = f.argCount;
    if (static_cast<int>(ArgumentList.size()) < n) throw RecordedError{302};
    if (context.depth >= context.maxDepth) Fault("Stack overflow");
    const Argument* args = ArgumentList.data() + ArgumentList.size() - n;

    Snapshot saved;
    saved.Save(callee);
    // Also when a fault ends the run inside the callee: its variables must not
    // keep pointing into this snapshot.
    struct Restorer {
        const Snapshot& snapshot;
        TSBCodeList& list;
        bool done = false;
        ~Restorer() {
            if (!done) snapshot.Restore(list);
        }
    } restorer{saved, callee};

    // Stage the values first: binding may overwrite what a later argument reads.
    std::vector<std::vector<uint8_t>> staged(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        if (f.byRef[static_cast<size_t>(i)]) continue;
        const int size = args[i].type ? std::min(args[i].type->size, args[i].bytes) : 0;
        staged[static_cast<size_t>(i)].assign(args[i].addr, args[i].addr + std::max(size, 0));
        staged[static_cast<size_t>(i)].resize(static_cast<size_t>(std::max(size, kStringSize)), 0);
    }
    for (int i = 0; i < n; ++i) {
        TSBVar& p = *callee.Variables[static_cast<size_t>(i + 1)];
        if (f.byRef[static_cast<size_t>(i)]) {
            p.data = args[i].addr;
        } else {
            ConvertValue(p.letter, p.data, args[i].letter, staged[static_cast<size_t>(i)].data(),
                         p.size);
        }
    }
    if (f.classIndex >= 0) {
        uint8_t* object = Addr(c.src1);
        const TSBType& cls = *types[static_cast<size_t>(f.classIndex)];
        size_t v = static_cast<size_t>(n + 1);
        for (const auto& field : cls.fields)
            callee.Variables[v++]->data = object + field.offset;
        callee.Variables[v]->data = object; // SELF
    }

    callee.LineOffset = LineOffset;
    const int64_t kept = static_cast<int64_t>(saved.bytes.size());
    if (context.savedBytes + kept > context.maxSavedBytes) Fault("Stack overflow");
    ++context.depth;
    context.savedBytes += kept;
    struct DepthGuard {
        RunContext& context;
        int64_t kept;
        ~DepthGuard() {
            --context.depth;
            context.savedBytes -= kept;
        }
    } guard{context, kept};
    const ErrorRecord error = callee.Run(context);
    TSBVar& result = *callee.Variables[0];
    std::vector<uint8_t> value(result.data, result.data + result.size);
    value.resize(std::max<size_t>(value.size(), kStringSize), 0);
    saved.Restore(callee);
    restorer.done = true;
    uint8_t* dest = DestAddr(c.dest);
    ConvertValue(c.dest.letter, dest, result.letter, value.data(),
                 c.dest.type ? c.dest.type->size : 0);
    if (error.code != 0) Error = error;
}

} // namespace koralix::macro
