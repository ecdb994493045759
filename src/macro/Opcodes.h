// The instruction set of the KoraBasic interpreter. The opcodes reuse the token
// kinds of the translator, so one list gives the enum, the disassembly names and
// the operand forms; nothing else may number an opcode.
#pragma once

#include <cstdint>
#include <string_view>

namespace koralix::macro {

// X(name, code, mnemonic, operands): operands says which descriptors the
// disassembler shows: 'a' src1, 'b' src2, 'd' dest, 'v' value, 't' jump target.
#define KORALIX_MACRO_OPCODES(X)                                                                   \
    X(Arith, 14, "ARITH", "abd")                                                                   \
    X(Inc, 19, "INC", "a")                                                                         \
    X(Dec, 20, "DEC", "a")                                                                         \
    X(Compare, 21, "CMP", "abd")                                                                   \
    X(Assign, 30, "MOV", "ad")                                                                     \
    X(Call, 31, "CALL", "vad")                                                                     \
    X(LoopTest, 34, "LOOPTEST", "abdt")                                                            \
    X(LoopStep, 36, "LOOPSTEP", "adt")                                                             \
    X(JumpIfZero, 37, "JZ", "at")                                                                  \
    X(JumpIfNotZero, 38, "JNZ", "at")                                                              \
    X(Jump40, 40, "JMP", "t")                                                                      \
    X(Jump, 43, "JMP", "t")                                                                        \
    X(Marker, 45, "MARK", "")                                                                      \
    X(Stop, 47, "STOP", "")                                                                        \
    X(SelectMarker, 63, "SELECT", "a")                                                             \
    X(LoadInt, 66, "LDI", "vd")                                                                    \
    X(Push, 67, "PUSH", "a")                                                                       \
    X(Return101, 101, "RET", "")                                                                   \
    X(GotoLabel, 106, "GOTO", "v")                                                                 \
    X(Return, 108, "RET", "")                                                                      \
    X(ElementOffset, 110, "ELEM", "vbd")                                                           \
    X(Not, 117, "NOT", "ad")

enum class Op : uint8_t {
#define KORALIX_MACRO_ENUM(name, code, mnemonic, operands) name = code,
    KORALIX_MACRO_OPCODES(KORALIX_MACRO_ENUM)
#undef KORALIX_MACRO_ENUM
};

struct OpInfo {
    Op op;
    std::string_view mnemonic;
    std::string_view operands;
};

inline constexpr OpInfo kOpInfos[] = {
#define KORALIX_MACRO_INFO(name, code, mnemonic, operands) {Op::name, mnemonic, operands},
    KORALIX_MACRO_OPCODES(KORALIX_MACRO_INFO)
#undef KORALIX_MACRO_INFO
};

inline constexpr int kOpCount = 0
#define KORALIX_MACRO_COUNT(name, code, mnemonic, operands) +1
    KORALIX_MACRO_OPCODES(KORALIX_MACRO_COUNT)
#undef KORALIX_MACRO_COUNT
    ;
static_assert(kOpCount == sizeof(kOpInfos) / sizeof(kOpInfos[0]), "one info per opcode");

constexpr const OpInfo* FindOpInfo(int code) {
    for (const auto& info : kOpInfos)
        if (static_cast<int>(info.op) == code) return &info;
    return nullptr;
}

// Jump-type instructions carry a target in their value field; deleting a
// marker shifts the targets behind it.
constexpr bool IsJump(Op op) {
    return op == Op::LoopTest || op == Op::LoopStep || op == Op::JumpIfZero ||
           op == Op::JumpIfNotZero || op == Op::Jump40 || op == Op::Jump;
}

} // namespace koralix::macro
