// What the translator emits: instruction order, markers removed, jump targets
// and the listing of the disassembler.
#include <gtest/gtest.h>

#include "MacroRunner.h"

namespace koralix::macro::test {
namespace {

struct LoweringCase {
    const char* name;
    const char* source;
    const char* mnemonics;
};

// Names the case in test listings.
void PrintTo(const LoweringCase& c, std::ostream* os) {
    *os << c.name;
}

const LoweringCase kLoweringCases[] = {
    {"Empty", "", "STOP"},
    {"CommentsOnly", "// a\n   // b", "STOP"},
    {"Assignment", "x = 1", "MOV STOP"},
    {"Arithmetic", "x = a + b * c", "ARITH ARITH MOV STOP"},
    {"BracketsFirst", "x = (a + b) * (c + d) + SQRT(e)",
     "ARITH ARITH PUSH CALL ARITH ARITH MOV STOP"},
    {"Sign", "x = -a", "ARITH MOV STOP"},
    {"Element", "INTEGER a[3]\na[1] = 2", "MOV LDI ELEM MOV STOP"},
    {"If", "IF a THEN\nx = 1\nEND IF", "MOV JZ MOV STOP"},
    {"IfElse", "IF a THEN\nx = 1\nELSE\nx = 2\nEND IF", "MOV JZ MOV JMP MOV STOP"},
    {"For", "FOR i = 1 TO 3\nNEXT i", "MOV MOV MOV MOV MOV LDI LOOPTEST LOOPSTEP STOP"},
    {"ForStep", "FOR i = 1 TO 3 STEP 2\nNEXT i",
     "MOV MOV MOV MOV MOV MOV MOV LOOPTEST LOOPSTEP STOP"},
    {"DoForeverKeepsMarkerAtZero", "DO\nx = x + 1\nLOOP", "MARK ARITH MOV JMP STOP"},
    {"DoWhile", "x = 0\nDO WHILE x < 3\nINC x\nLOOP", "MOV CMP JZ INC JMP STOP"},
    {"Select", "SELECT CASE x\nCASE 1\nEND SELECT", "MOV MOV SELECT LDI MOV CMP JNZ JMP INC STOP"},
    {"Goto", "GOTO L\nL: x = 1", "JMP MOV STOP"},
    {"Call", "WRITE(1)", "PUSH CALL STOP"},
    {"Function", "FUNCTION F(a) AS INTEGER\nF = a\nEND FUNCTION\nx = F(2)", "PUSH CALL MOV STOP"},
};

class Lowering : public testing::TestWithParam<LoweringCase> {};

TEST_P(Lowering, EmitsInOrder) {
    const LoweringCase& c = GetParam();
    MacroRunner runner;
    runner.basic.SetSourceText(c.source);
    ASSERT_EQ(runner.basic.Compile(), 0) << runner.basic.MessageText();
    EXPECT_EQ(Mnemonics(runner.basic.MainCode()), c.mnemonics)
        << Disassemble(runner.basic.MainCode());
}

INSTANTIATE_TEST_SUITE_P(Constructs, Lowering, testing::ValuesIn(kLoweringCases),
                         [](const testing::TestParamInfo<LoweringCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(LoweringTargets, IfElseJumpsPastTheirBranches) {
    MacroRunner runner;
    runner.basic.SetSourceText("IF a THEN\nx = 1\nELSE\nx = 2\nEND IF\nWRITE(x)");
    ASSERT_EQ(runner.basic.Compile(), 0);
    const auto& code = runner.basic.MainCode().Instructions;
    // 0 MOV, 1 JZ -> 4 (else branch), 2 MOV, 3 JMP -> 5 (after END IF), 4 MOV, 5 PUSH ...
    EXPECT_EQ(code[1].op.value, 4);
    EXPECT_EQ(code[3].op.value, 5);
    EXPECT_EQ(code[5].Opcode(), Op::Push);
}

TEST(LoweringTargets, LoopTestExitsBehindTheLoopStep) {
    MacroRunner runner;
    runner.basic.SetSourceText("FOR i = 1 TO 3\nx = i\nNEXT i\nWRITE(x)");
    ASSERT_EQ(runner.basic.Compile(), 0);
    const auto& code = runner.basic.MainCode().Instructions;
    ASSERT_EQ(code[6].Opcode(), Op::LoopTest);
    ASSERT_EQ(code[8].Opcode(), Op::LoopStep);
    EXPECT_EQ(code[6].op.value, 9);
    EXPECT_EQ(code[8].op.value, 6);
}

TEST(LoweringTargets, UndefinedLabelJumpsNowhere) {
    MacroRunner runner;
    runner.basic.SetSourceText("GOTO NOWHERE");
    ASSERT_EQ(runner.basic.Compile(), 0);
    EXPECT_EQ(runner.basic.MainCode().Instructions[0].op.value, -1);
}

TEST(LoweringTargets, EndlessDoChangesNoOtherInstruction) {
    MacroRunner runner;
    runner.basic.SetSourceText("IF a THEN\nx = 1\nEND IF\nDO\ny = 2\nLOOP");
    ASSERT_EQ(runner.basic.Compile(), 0);
    const auto& code = runner.basic.MainCode().Instructions;
    // 0 MOV, 1 JZ -> 3, 2 MOV, 3 MOV (y = 2), 4 JMP -> 3, 5 STOP
    EXPECT_EQ(code[1].op.value, 3);
    EXPECT_EQ(code[4].op.value, 3);
    EXPECT_EQ(code[5].Opcode(), Op::Stop);
}

TEST(LoweringTargets, InstructionsCarryTheirLines) {
    MacroRunner runner;
    runner.basic.SetSourceText("x = 1\n\n// comment\ny = 2");
    ASSERT_EQ(runner.basic.Compile(), 0);
    EXPECT_EQ(Disassemble(runner.basic.MainCode()), "0000 L0000 MOV       C000 -> V000\n"
                                                    "0001 L0003 MOV       C001 -> V001\n"
                                                    "0002 L0003 STOP     \n");
}

} // namespace
} // namespace koralix::macro::test
