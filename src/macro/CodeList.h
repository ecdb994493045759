// A compiled body of KoraBasic (the main program or one function) and the
// interpreter that runs it. Instructions are bound to their storage when the
// list is finished, so running needs no name look-up.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Opcodes.h"
#include "Types.h"

namespace koralix::macro {

inline constexpr int kTemporaryCount = 151;
inline constexpr int kDefaultExecLimit = 10000;
inline constexpr int kDefaultArrayLimit = 1000;

// Operand kinds.
enum OperandKind : uint8_t {
    kNone = 0,
    kVariable = 9,
    kTemporary = 10,
    kConstant = 11,
    kParameter = 12,
    kFunctionOperand = 31
};

// An operand descriptor (or, as the first descriptor of an instruction, the
// operation with its sub-code or jump target in `value`).
struct TSBReg {
    uint8_t kind = kNone;
    int32_t value = 0;
    int32_t indexReg = -1;
    int32_t offsetReg = -1;
    char letter = kSingle;
    int32_t typeIndex = kSingleType;
    // Bound when the list is finished.
    TSBVar* var = nullptr;
    TSBVar* offsetVar = nullptr;
    const TSBType* type = nullptr;

    bool IsStorage() const { return kind == kVariable || kind == kTemporary || kind == kConstant; }
};

struct TSBCode {
    int index = 0;
    int line = 0; // index of the line in the combined source
    int64_t ExecCount = 0;
    TSBReg op, src1, src2, dest;
    bool bound = true;                  // false when an operand has no storage (error 306)
    struct TSBFunc* function = nullptr; // the callee of a call, bound when finished

    Op Opcode() const { return static_cast<Op>(op.kind); }
};

// One pushed argument: where its value lives and how to read it.
struct Argument {
    uint8_t* addr = nullptr;
    char letter = kSingle;
    const TSBType* type = nullptr;
    int32_t bytes = 0; // storage available from addr to the end of the variable
};

struct ErrorRecord {
    int code = 0;
    int line = 0; // line of the instruction minus LineOffset
    int ip = 0;
    std::string name;
};

// The value a host routine returns: the letter selects the slot.
struct ResultRecord {
    char letter = kInteger;
    int32_t intValue = 0;
    float singleValue = 0;
    double doubleValue = 0;
    std::string stringValue;
    double dateValue = 0;

    void SetBool(bool v) { SetInt(v ? 1 : 0); }
    void SetInt(int32_t v) { letter = kInteger, intValue = v; }
    void SetSingle(float v) { letter = kSingle, singleValue = v; }
    void SetDouble(double v) { letter = kDouble, doubleValue = v; }
    void SetString(std::string v);
    void SetDate(double v) { letter = kDate, dateValue = v; }
};

class TSBCodeList;
using HostRoutine = std::function<void(TSBCodeList& code, ResultRecord& result)>;
using RealRoutine = double (*)(TSBCodeList& code);

enum FunctionKind { kRealFunction = 1, kHostFunction = 2, kMacroFunction = 3 };

struct TSBFunc {
    std::string name;
    int argCount = 0;
    int kind = kHostFunction;
    char resultLetter = kInteger;
    int resultType = kIntegerType;
    int classIndex = -1;
    HostRoutine host;
    RealRoutine real = nullptr;
    std::unique_ptr<TSBCodeList> code;
    std::vector<bool> byRef;     // per parameter
    std::vector<int> paramTypes; // per parameter
    bool finished = false;
};

using FunctionList = std::vector<std::unique_ptr<TSBFunc>>;

// Shared by the nested runs of one macro run.
struct RunContext {
    int depth = 0;
    int maxDepth = 1000;
    int64_t steps = 0;
    int64_t maxSteps = 0; // 0: no limit beyond the per-instruction counts
    // Set from another thread when the user stops the run; read before each instruction.
    const std::atomic<bool>* stop = nullptr;
    // Bytes kept by the callers' snapshots of nested calls; deep recursion of a
    // function with large variables ends as a stack overflow, not in swapping.
    int64_t savedBytes = 0;
    int64_t maxSavedBytes = int64_t{512} * 1024 * 1024;
};

class TSBCodeList {
  public:
    TSBCodeList(std::string name, const TypeList& types);

    std::string name;
    std::vector<TSBCode> Instructions;
    VarList Variables;
    VarList Temporaries;
    VarList Constants;
    VarList ArgumentStage;
    std::vector<Argument> ArgumentList;
    std::map<std::string, int> LabelDefs;
    std::vector<std::string> LabelRefs;
    int TempCounter = 0;
    int HighestTemp = -1;
    int ExecLimit = kDefaultExecLimit;
    int ArrayLimit = kDefaultArrayLimit;
    int LineOffset = 0;
    ErrorRecord Error;
    int CurrentArgCount = 0; // argument count of the host function being called

    // Translator side.
    int Emit(Op op, int32_t value, const TSBReg& src1, const TSBReg& src2, const TSBReg& dest,
             int line);
    TSBReg NewTemporary(int typeIndex);
    TSBReg AddConstant(int typeIndex);
    TSBVar* FindVariable(const std::string& name);
    int IndexOfVariable(const std::string& name) const;
    TSBVar& DeclareVariable(const std::string& name, int typeIndex, int count, bool reference);
    void StartStatement() { TempCounter = 0; }
    void Finish(const FunctionList& functions);
    void Clear();

    // Interpreter side.
    ErrorRecord Run(RunContext& context);
    const Argument* ArgumentAt(int i) const;

    const TypeList& types;

  private:
    void Execute(TSBCode& c, int& next, RunContext& context);
    void Call(TSBCode& c, RunContext& context);
    void CallMacro(TSBFunc& f, TSBCode& c, RunContext& context);
    void Record(int code, const TSBCode& c);
    Argument MakeArgument(const TSBReg& r);
    friend struct Snapshot;
};

} // namespace koralix::macro
