// Running translated macros: values, conversions, control flow, functions,
// classes, execution limits and run-time errors.
#include <gtest/gtest.h>

#include "MacroRunner.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace koralix::macro::test {
namespace {

struct RunCase {
    const char* name;
    const char* source;
    const char* output; // WRITE lines joined by "|"
};

// Names the case in test listings.
void PrintTo(const RunCase& c, std::ostream* os) {
    *os << c.name;
}

const RunCase kRunCases[] = {
    {"IntegerDivision",
     "INTEGER x\nx = 7 / 2\nWRITE(x)\nx = 7 / 0\nWRITE(x)\nWRITE(7.0 / 2)\nWRITE(-7 / 2)",
     "3|0|3.5|-3"},
    {"RealDivisionByZeroIsZero", "WRITE(1.5 / 0)", "0"},
    {"SingleArithmetic", "x = 0.1 + 0.2\nWRITE(x)\nWRITE(1 / 3.0)", "0.3|0.33333334"},
    {"DoubleArithmetic", "DOUBLE d\nd = 1\nd = d / 3\nWRITE(d)", "0.333333333333333"},
    {"IntegerToSingleConversion",
     "INTEGER i\ni = 2.5\nWRITE(i)\ni = 3.5\nWRITE(i)\ni = -2.5\nWRITE(i)", "2|4|-2"},
    {"StringConcatenation", "STRING s\ns = \"abc\" + \"def\"\nWRITE(s)", "abcdef"},
    {"StringAndNumberConvertThroughParameters",
     "FUNCTION NUM(BYVAL n AS INTEGER) AS INTEGER\nNUM = n\nEND FUNCTION\nFUNCTION TEXT(BYVAL s AS "
     "STRING) AS "
     "STRING\nTEXT = s + \"!\"\nEND FUNCTION\nWRITE(NUM(\"12\"))\nWRITE(TEXT(5))",
     "0|!"},
    {"StringsAreCutAt255",
     "STRING s\nINTEGER i\nFOR i = 1 TO 30\ns = s + \"0123456789\"\nNEXT "
     "i\nWRITE(GETLENGTH(s))\nWRITE(STRCOPY(s, 251, "
     "10))",
     "255|01234"},
    {"StringComparison",
     "WRITE(\"abc\" < \"abd\")\nWRITE(\"ab\" < \"abc\")\nWRITE(\"B\" < \"a\")\nWRITE(\"x\" == "
     "\"x\")\nWRITE(\"x\" <> \"x\")",
     "1|1|1|1|0"},
    {"ConditionsRound", "IF 0.4 THEN\nWRITE(1)\nEND IF\nIF 0.6 THEN\nWRITE(2)\nEND IF", "2"},
    {"AndOrAreArithmetic", "WRITE(1 OR 1)\nWRITE(2 AND 3)\nWRITE(1.5 AND 2)\nWRITE(0 OR 0)",
     "2|6|3|0"},
    {"ComparisonsChain", "WRITE(3 < 2 < 1)\nWRITE(1 < 2 == 1)", "1|1"},
    {"AndOrSameRank", "WRITE(1 OR 0 AND 0)", "0"},
    {"NotOperator", "WRITE(NOT 0)\nWRITE(NOT 5)\nWRITE(NOT 0 + 1)\nWRITE(NOT NOT 3)", "1|0|2|1"},
    {"Signs", "INTEGER i\nx = -3\nWRITE(x)\nWRITE(-x + 1)\ni = -(2 + 3)\nWRITE(i)", "-3|4|-5"},
    {"Precedence", "WRITE(2 + 3 * 4)\nWRITE((2 + 3) * 4)\nWRITE(10 - 4 - 3)", "14|20|3"},
    {"AssignInCondition", "IF a = 5 THEN\nWRITE(a)\nEND IF\nIF a == 4 THEN\nWRITE(0)\nEND IF", "5"},
    {"ChainedAssignment", "a = b = 7\nWRITE(a)\nWRITE(b)", "7|7"},
    {"IntegerLiteralsAreExact", "INTEGER i\ni = 16777217\nWRITE(i)\ni = $FF\nWRITE(i)",
     "16777217|255"},
    {"BigLiteralIsSingle", "DOUBLE d\nd = 12345678901\nWRITE(d)", "12345678848"},
    {"LongIdentifiers",
     "ABCDEFGHIJKLMNOPQRSTUVWXYZ123456XXXXXXXX = "
     "4\nWRITE(ABCDEFGHIJKLMNOPQRSTUVWXYZ123456YYYYYYYY)",
     "4"},
    {"CaseInsensitiveNames", "Total = 2\nWRITE(TOTAL)", "2"},
    {"Continuation", "a = 1 + _\n2\nWRITE(a)", "3"},
    {"LastContinuationIsDropped", "WRITE(1)\nWRITE(2) _", "1"},
    {"IfElseIfElse",
     "FOR i = 1 TO 4\nIF i == 1 THEN\nWRITE(\"one\")\nELSEIF i == 2 THEN\nWRITE(\"two\")\nELSEIF i "
     "== 3 "
     "THEN\nWRITE(\"three\")\nELSE\nWRITE(\"many\")\nEND IF\nNEXT i",
     "one|two|three|many"},
    {"NestedIf", "a = 1\nb = 0\nIF a THEN\nIF b THEN\nWRITE(1)\nELSE\nWRITE(2)\nEND IF\nEND IF",
     "2"},
    {"ForLoop", "INTEGER i, s\nFOR i = 1 TO 10\ns = s + i\nNEXT i\nWRITE(s)\nWRITE(i)", "55|11"},
    {"ForStepDown", "INTEGER i\nFOR i = 3 TO 1 STEP -1\nWRITE(i)\nNEXT i", "3|2|1"},
    {"ForNotEntered", "INTEGER i\nFOR i = 5 TO 1\nWRITE(i)\nNEXT i\nWRITE(i)", "5"},
    {"ForBoundsEvaluatedOnce", "INTEGER i, n\nn = 3\nFOR i = 1 TO n\nn = 10\nNEXT i\nWRITE(i)",
     "4"},
    {"ForSingleVariableRounds", "FOR x = 1 TO 2\nWRITE(x)\nNEXT x", "1|2"},
    {"NestedFor",
     "INTEGER i, j, c\nFOR i = 1 TO 3\nFOR j = i TO 3\nINC c\nNEXT j\nNEXT i\nWRITE(c)", "6"},
    {"DoWhile", "i = 0\nDO WHILE i < 3\nINC i\nLOOP\nWRITE(i)", "3"},
    {"DoUntil", "i = 0\nDO UNTIL i >= 3\nINC i\nLOOP\nWRITE(i)", "3"},
    {"LoopWhile", "i = 10\nDO\nINC i\nLOOP WHILE i < 3\nWRITE(i)", "11"},
    {"LoopUntil", "i = 0\nDO\nINC i\nLOOP UNTIL i == 4\nWRITE(i)", "4"},
    {"ConditionOnDoWins", "i = 0\nDO WHILE i < 2\nINC i\nLOOP UNTIL 1\nWRITE(i)", "2"},
    {"DoWithGoto", "i = 0\nDO\nINC i\nIF i == 5 THEN\nGOTO OUT\nEND IF\nLOOP\nOUT: WRITE(i)", "5"},
    {"GotoBackwards", "i = 0\nAGAIN: i = i + 1\nIF i < 5 THEN\nGOTO AGAIN\nEND IF\nWRITE(i)", "5"},
    {"GotoUndefinedContinues", "GOTO NOWHERE\nWRITE(\"after\")", "after"},
    {"GotoSkips", "GOTO LATER\nWRITE(1)\nLATER: WRITE(2)", "2"},
    {"LabelOnItsOwnLine", "GOTO HERE\nWRITE(1)\nHERE:\nWRITE(2)", "2"},
    {"SelectRunsEveryMatchingCase",
     "SELECT CASE 3\nCASE 1 TO 5\nWRITE(\"a\")\nCASE 3\nWRITE(\"b\")\nCASE ELSE\nWRITE(\"c\")\nEND "
     "SELECT",
     "a|b"},
    {"SelectCaseElse",
     "SELECT CASE 9\nCASE 1, 2\nWRITE(\"a\")\nCASE ELSE\nWRITE(\"c\")\nEND SELECT", "c"},
    {"SelectRoundsHalfToEven",
     "SELECT CASE 2.5\nCASE 2\nWRITE(\"two\")\nCASE 3\nWRITE(\"three\")\nEND SELECT", "two"},
    {"SelectStringNeverMatches",
     "SELECT CASE \"a\"\nCASE \"a\"\nWRITE(1)\nCASE 0\nWRITE(2)\nEND SELECT", "2"},
    {"SelectNested",
     "SELECT CASE 1\nCASE 1\nSELECT CASE 2\nCASE 2\nWRITE(\"in\")\nEND SELECT\nWRITE(\"out\")\nEND "
     "SELECT",
     "in|out"},
    {"IncDec",
     "INTEGER i\nSTRING s\nINC i\nINC i\nDEC i\nWRITE(i)\nx = 1.5\nINC x\nWRITE(x)\ns = \"a\"\nINC "
     "s\nWRITE(s)",
     "1|2.5|a"},
    {"IncArrayElement", "INTEGER a[3]\nINC a[1]\nINC a[1]\nWRITE(a[1])\nWRITE(a[0])", "2|0"},
    {"Arrays",
     "INTEGER a[5], i\nFOR i = 0 TO 4\na[i] = i * i\nNEXT i\nWRITE(a[4] + a[2])\nWRITE(a[a[2]])",
     "20|16"},
    {"StringArrays", "STRING s[3]\ns[0] = \"x\"\ns[2] = s[0] + \"y\"\nWRITE(s[2])", "xy"},
    {"Dates", "DATE d\nINTEGER n\nd = ENCODEDATE(2023, 12, 31) + 1\nWRITE(d)\nn = d\nWRITE(n)",
     "2024-01-01|738886"},
    {"DatesFollowTheCalendar",
     "DATE d\nd = ENCODEDATE(1900, 2, 28) + 1\nWRITE(d)\nd = ENCODEDATE(2000, 2, 28) + 1\nWRITE(d)",
     "1900-03-01|2000-02-29"},
    {"DateDifference", "INTEGER n\nn = ENCODEDATE(2024, 3, 1) - ENCODEDATE(2024, 2, 1)\nWRITE(n)",
     "29"},
    {"DateIncrement", "DATE d\nd = ENCODEDATE(2024, 12, 31)\nINC d\nWRITE(d)", "2025-01-01"},
    {"FunctionResult", "FUNCTION F AS INTEGER\nF = 2\nEND FUNCTION\nWRITE(F() + 1)", "3"},
    {"RecursiveFactorial",
     "FUNCTION FACT(BYVAL n AS INTEGER) AS INTEGER\nIF n <= 1 THEN\nFACT = 1\nELSE\nFACT = n * "
     "FACT(n - 1)\nEND "
     "IF\nEND FUNCTION\nINTEGER i, p\np = 1\nFOR i = 1 TO 10\np = p * i\nNEXT "
     "i\nWRITE(FACT(10))\nWRITE(p)",
     "3628800|3628800"},
    {"RecursionKeepsTemporaries",
     "FUNCTION FIB(BYVAL n AS INTEGER) AS INTEGER\nIF n < 2 THEN\nFIB = n\nELSE\nFIB = FIB(n - 1) "
     "+ FIB(n - "
     "2)\nEND IF\nEND FUNCTION\nWRITE(FIB(15))",
     "610"},
    {"ByRefIntoArrayElement",
     "FUNCTION SETIT(BYREF x AS INTEGER) AS INTEGER\nx = 42\nEND FUNCTION\nINTEGER "
     "a[5]\nSETIT(a[3])\nWRITE(a[3])"
     "\nWRITE(a[2])",
     "42|0"},
    {"ByRefChangeSurvivesTheCall",
     "FUNCTION ADD(BYREF x AS INTEGER, BYVAL y AS INTEGER) AS INTEGER\nx = x + y\ny = 0\nEND "
     "FUNCTION\nINTEGER "
     "v, w\nv = 1\nw = 5\nADD(v, w)\nADD(v, w)\nWRITE(v)\nWRITE(w)",
     "11|5"},
    {"ByRefThroughRecursion",
     "FUNCTION COUNT(BYREF c AS INTEGER, BYVAL n AS INTEGER) AS INTEGER\nIF n > 0 THEN\nINC "
     "c\nCOUNT(c, n - "
     "1)\nINC c\nEND IF\nEND FUNCTION\nINTEGER k\nCOUNT(k, 5)\nWRITE(k)",
     "10"},
    {"ByRefToACallersLocalThroughRecursion",
     "FUNCTION DEPTH(BYREF x AS INTEGER, BYVAL n AS INTEGER) AS INTEGER\nINTEGER inner\nIF n > 0 "
     "THEN\nDEPTH(inner, n - "
     "1)\nx = inner + 1\nEND IF\nEND FUNCTION\nINTEGER k\nDEPTH(k, 4)\nWRITE(k)",
     "4"},
    {"EachActivationKeepsItsLocals",
     "FUNCTION SUMTO(BYVAL n AS INTEGER) AS INTEGER\nINTEGER mine\nmine = n\nIF n > 0 THEN\nSUMTO "
     "= SUMTO(n - 1) + "
     "mine\nEND IF\nEND FUNCTION\nWRITE(SUMTO(10))",
     "55"},
    {"CalleeStartsFromItsOwnValues",
     "FUNCTION COUNTER AS INTEGER\nINTEGER calls\nINC calls\nCOUNTER = calls\nEND "
     "FUNCTION\nWRITE(COUNTER())\nWRITE("
     "COUNTER())",
     "1|1"},
    {"ByValConverts",
     "FUNCTION HALF(BYVAL n AS INTEGER) AS DOUBLE\nHALF = n / 2\nEND FUNCTION\nWRITE(HALF(7.4))",
     "3"},
    {"ArgumentsAreStaged",
     "FUNCTION SWAPPED(BYVAL a, BYVAL b) AS SINGLE\nIF a > b THEN\nSWAPPED = SWAPPED(b, "
     "a)\nELSE\nSWAPPED = a * "
     "10 + b\nEND IF\nEND FUNCTION\nWRITE(SWAPPED(2, 1))",
     "12"},
    {"ReturnLeavesFunction",
     "FUNCTION F(BYVAL n AS INTEGER) AS INTEGER\nF = 1\nIF n > 0 THEN\nRETURN\nEND IF\nF = 2\nEND "
     "FUNCTION\nWRITE(F(1))\nWRITE(F(0))",
     "1|2"},
    {"ExitFunction", "FUNCTION F AS INTEGER\nF = 1\nEXIT FUNCTION\nF = 2\nEND FUNCTION\nWRITE(F())",
     "1"},
    {"ReturnStopsMain", "WRITE(1)\nRETURN\nWRITE(2)", "1"},
    {"FunctionsHaveOwnVariables",
     "FUNCTION F AS INTEGER\nx = 5\nF = x\nEND FUNCTION\nx = 1\nWRITE(F())\nWRITE(x)", "5|1"},
    {"StringFunction",
     "FUNCTION GREET(BYVAL who AS STRING) AS STRING\nGREET = \"hello \" + who\nEND "
     "FUNCTION\nWRITE(GREET(\"you\"))",
     "hello you"},
    {"ClassFieldsAndMethods",
     "CLASS POINT\nSINGLE X, Y\nFUNCTION LEN AS SINGLE\nLEN = SQRT(X * X + Y * Y)\nEND "
     "FUNCTION\nFUNCTION "
     "MOVE(DX, DY) AS INTEGER\nX = X + DX\nY = Y + DY\nEND FUNCTION\nEND CLASS\nPOINT p\np.X = "
     "3\np.Y = "
     "4\nWRITE(p.LEN())\np.MOVE(1, 1)\nWRITE(p.X)\nWRITE(p.Y)",
     "5|4|5"},
    {"MethodCallsMethod",
     "CLASS C\nINTEGER v\nFUNCTION GET AS INTEGER\nGET = v\nEND FUNCTION\nFUNCTION TWICE AS "
     "INTEGER\nTWICE = 2 * "
     "GET()\nEND FUNCTION\nEND CLASS\nC o\no.v = 21\nWRITE(o.TWICE())",
     "42"},
    {"SelfIsTheObject",
     "CLASS C\nINTEGER v\nFUNCTION BUMP AS INTEGER\nSELF.v = SELF.v + 1\nBUMP = v\nEND "
     "FUNCTION\nEND CLASS\nC "
     "o\nWRITE(o.BUMP())\nWRITE(o.BUMP())",
     "1|2"},
    {"ArraysOfObjects",
     "CLASS P\nINTEGER a\nSTRING s\nEND CLASS\nP pts[3]\npts[1].a = 5\npts[2].s = "
     "\"z\"\nWRITE(pts[1].a)\nWRITE(pts["
     "2].s)\nWRITE(pts[0].a)",
     "5|z|0"},
    {"ArrayFields",
     "CLASS C\nINTEGER v[3]\nEND CLASS\nC o\no.v[2] = 7\nWRITE(o.v[2])\nWRITE(o.v[1])", "7|0"},
    {"NestedObjects",
     "CLASS IN\nINTEGER a, b\nEND CLASS\nCLASS OUT\nSTRING name\nIN inner\nEND CLASS\nOUT "
     "o\no.inner.b = "
     "9\nWRITE(o.inner.b)\nWRITE(o.inner.a)",
     "9|0"},
    {"Inheritance",
     "CLASS A\nINTEGER v\nFUNCTION GET AS INTEGER\nGET = v\nEND FUNCTION\nEND CLASS\nCLASS "
     "B(A)\nINTEGER w\nEND "
     "CLASS\nB o\no.v = 3\no.w = 4\nWRITE(o.GET() + o.w)",
     "7"},
    {"ObjectCopy",
     "CLASS A\nINTEGER v\nSTRING s\nEND CLASS\nA x, y\nx.v = 2\nx.s = \"t\"\ny = "
     "x\nWRITE(y.v)\nWRITE(y.s)",
     "2|t"},
    {"ObjectByReference",
     "CLASS A\nINTEGER v\nEND CLASS\nFUNCTION SET(BYREF o AS A) AS INTEGER\no.v = 8\nEND "
     "FUNCTION\nA x\nSET(x)\nWRITE(x.v)",
     "8"},
    {"EmptyProgram", "", ""},
};

class MacroRuns : public testing::TestWithParam<RunCase> {};

TEST_P(MacroRuns, WriteExpectedValues) {
    const RunCase& c = GetParam();
    MacroRunner runner;
    const MacroResult r = runner.Run(c.source);
    ASSERT_EQ(r.compileCode, 0) << r.message;
    EXPECT_EQ(r.runCode, 0) << r.message << r.fault;
    EXPECT_EQ(r.Joined(), c.output);
}

INSTANTIATE_TEST_SUITE_P(Language, MacroRuns, testing::ValuesIn(kRunCases),
                         [](const testing::TestParamInfo<RunCase>& info) {
                             return std::string(info.param.name);
                         });

struct FaultCase {
    const char* name;
    const char* source;
    const char* fault;
};

// Names the case in test listings.
void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

const FaultCase kFaultCases[] = {
    {"IntegerOverflow", "INTEGER x\nx = 2147483647 + 1", "Integer overflow"},
    {"IntegerProductOverflow", "INTEGER x\nx = 65536 * 65536", "Integer overflow"},
    {"RealTooBigForInteger", "INTEGER i\ni = 1E10", "Range check error"},
    {"SquareRootOfNegative", "x = SQRT(-1)", "Invalid floating point operation"},
    {"ArcSinOutsideDomain", "x = ARCSIN(2)", "Invalid floating point operation"},
    {"SingleOverflow", "x = 1E30 * 1E30", "Floating point overflow"},
    {"SetLengthTooLong", "STRING s\nSETLENGTH(s, 300)", "Range check error"},
    {"StrSetPastTheEnd", "STRING s\nSTRSET(s, 250, \"abcdefghij\")", "Range check error"},
    {"ImpossibleDate", "DATE d\nd = ENCODEDATE(2023, 2, 29)", "Invalid argument to date encode"},
    {"NotADate", "DATE d\nd = STRTODATE(\"soon\")", "'soon' is not a valid date"},
    {"EndlessRecursion", "FUNCTION F AS INTEGER\nF = F()\nEND FUNCTION\nF()", "Stack overflow"},
};

class MacroFaults : public testing::TestWithParam<FaultCase> {};

TEST_P(MacroFaults, EndTheRunWithTheLibraryMessage) {
    const FaultCase& c = GetParam();
    MacroRunner runner;
    const MacroResult r = runner.Run(c.source);
    ASSERT_EQ(r.compileCode, 0) << r.message;
    EXPECT_EQ(r.runCode, kLibraryFault);
    EXPECT_EQ(r.fault, c.fault);
    ASSERT_FALSE(runner.messenger.messages.empty());
    EXPECT_EQ(runner.messenger.messages.back(), c.fault) << "reported to the host";
}

INSTANTIATE_TEST_SUITE_P(RunTimeLibrary, MacroFaults, testing::ValuesIn(kFaultCases),
                         [](const testing::TestParamInfo<FaultCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(RunTimeErrors, ForLoopUnderTheLimitRuns) {
    MacroRunner runner(100000);
    const MacroResult r = runner.Run("INTEGER i\nFOR i = 1 TO 99999\nNEXT i\nWRITE(i)");
    EXPECT_EQ(r.runCode, 0) << r.message;
    EXPECT_EQ(r.Joined(), "100000");
}

TEST(RunTimeErrors, ForLoopOverTheLimitStopsAtTheLoopTest) {
    MacroRunner runner(100000);
    const MacroResult r = runner.Run("INTEGER i\nFOR i = 1 TO 100000\nNEXT i\nWRITE(i)");
    EXPECT_EQ(r.runCode, 310);
    EXPECT_EQ(r.message, " Run time error :310  IP:0006   Line:0002.  Too many cycles");
    EXPECT_TRUE(r.output.empty());
}

TEST(RunTimeErrors, FunctionsHaveTheirOwnLimit) {
    MacroRunner runner(100000);
    const MacroResult r = runner.Run("FUNCTION F AS INTEGER\nINTEGER i\nFOR i = 1 TO 20000\nNEXT "
                                     "i\nEND FUNCTION\nWRITE(1)\nF()\nWRITE(2)");
    EXPECT_EQ(r.runCode, 310);
    EXPECT_NE(r.message.find("Line:0003.  Too many cycles"), std::string::npos) << r.message;
    EXPECT_EQ(r.Joined(), "1");
}

TEST(RunTimeErrors, EndlessDoLoopStops) {
    MacroRunner runner(1000);
    const MacroResult r = runner.Run("x = 0\nDO\nx = x + 1\nLOOP");
    EXPECT_EQ(r.runCode, 310);
    EXPECT_NE(r.message.find("Too many cycles"), std::string::npos);
}

// Stop comes from the window while the run works on another thread; it must end
// a loop that no execution limit would end soon, also one that calls a function.
TEST(RunTimeErrors, StopFromAnotherThreadEndsTheRun) {
    for (const char* source :
         {"INTEGER i\nDO\ni = 1\nLOOP", "FUNCTION F AS INTEGER\nEND FUNCTION\nINTEGER i\nDO\nF()\nLOOP"}) {
        MacroRunner runner(2000000000);
        // Stop is pressed again and again until the run has ended: a press that
        // came before the run began would be forgotten by it.
        std::atomic<bool> ended{false};
        std::thread stopper([&runner, &ended] {
            while (!ended) {
                runner.basic.RequestStop();
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
        const MacroResult r = runner.Run(source);
        ended = true;
        stopper.join();
        EXPECT_EQ(r.runCode, kLibraryFault) << source;
        EXPECT_EQ(r.fault, "Macro stopped by the user") << source;
    }
}

TEST(RunTimeErrors, AStopBeforeTheRunDoesNotCarryOver) {
    MacroRunner runner;
    runner.basic.RequestStop();
    EXPECT_EQ(runner.Run("WRITE(1)").Joined(), "1");
}

TEST(RunTimeErrors, StepRoundedToZeroRunsIntoTheLimit) {
    MacroRunner runner(1000);
    EXPECT_EQ(runner.Run("FOR i = 1 TO 3 STEP 0.5\nNEXT i").runCode, 310);
}

TEST(RunTimeErrors, IndexOutOfRange) {
    MacroRunner runner;
    const MacroResult r = runner.Run("INTEGER a[5]\na[5] = 1");
    EXPECT_EQ(r.runCode, 307);
    EXPECT_EQ(r.message, " Run time error :307  IP:0002   Line:0002.  Range check error");
    EXPECT_EQ(runner.Run("INTEGER a[5]\nx = a[-1]").runCode, 307);
    EXPECT_EQ(runner.Run("CLASS C\nINTEGER v[3]\nEND CLASS\nC o\no.v[3] = 1").runCode, 307);
}

TEST(RunTimeErrors, TooManyTemporaries) {
    std::string source = "x = 1 _\n";
    for (int i = 0; i < 160; ++i)
        source += "+ 1 _\n";
    source += "+ 1";
    MacroRunner runner;
    const MacroResult r = runner.Run(source);
    ASSERT_EQ(r.compileCode, 0) << r.message;
    EXPECT_EQ(r.runCode, 306);
    EXPECT_NE(r.message.find("Invalid pointer"), std::string::npos);
}

TEST(RunTimeErrors, ErrorInsideFunctionStopsTheCaller) {
    MacroRunner runner;
    const MacroResult r = runner.Run(
        "FUNCTION F AS INTEGER\nINTEGER a[2]\na[2] = 1\nEND FUNCTION\nF()\nWRITE(\"not reached\")");
    EXPECT_EQ(r.runCode, 307);
    EXPECT_NE(r.message.find("Line:0003"), std::string::npos) << r.message;
    EXPECT_TRUE(r.output.empty());
}

TEST(Runs, VariablesKeepTheirValuesBetweenRuns) {
    MacroRunner runner;
    ASSERT_EQ(runner.Run("x = x + 1\nWRITE(x)").Joined(), "1");
    runner.output.clear();
    EXPECT_EQ(runner.basic.Run(), 0);
    EXPECT_EQ(runner.output, std::vector<std::string>{"2"});
}

TEST(Runs, RunTranslatesWhenNothingIsTranslated) {
    MacroRunner runner;
    runner.basic.SetSourceText("WRITE(5)");
    EXPECT_EQ(runner.basic.Run(), 0);
    EXPECT_EQ(runner.output, std::vector<std::string>{"5"});
}

TEST(Runs, RunReportsAFailedTranslation) {
    MacroRunner runner;
    runner.basic.SetSourceText("x = \"abc");
    EXPECT_EQ(runner.basic.Run(), 1);
    EXPECT_EQ(runner.basic.MessageText(), "Invalid symbol. Line:0001");
}

TEST(Runs, MacroFunctionsAreDroppedByTheNextTranslation) {
    MacroRunner runner;
    ASSERT_EQ(runner.Run("FUNCTION F AS INTEGER\nF = 1\nEND FUNCTION\nWRITE(F())").Joined(), "1");
    const size_t withMacro = runner.basic.Functions().size();
    ASSERT_EQ(runner.Run("WRITE(2)").Joined(), "2");
    EXPECT_EQ(runner.basic.Functions().size(), withMacro - 1);
    EXPECT_EQ(static_cast<int>(runner.basic.Functions().size()),
              runner.basic.BuiltinFunctionCount());
    EXPECT_EQ(runner.basic.Types().size(), static_cast<size_t>(kBuiltinTypeCount));
    EXPECT_EQ(runner.Run("F = 3\nWRITE(F)").Joined(), "3") << "F is a plain variable again";
}

} // namespace
} // namespace koralix::macro::test

namespace koralix::macro::test {
namespace {

TEST(Runs, AFaultInsideAFunctionLeavesItUsable) {
    MacroRunner runner;
    const char* source =
        "FUNCTION F(BYVAL n AS INTEGER) AS INTEGER\nINTEGER a\na = n\nIF n > 1 THEN\nF = SQRT(-n)\n"
        "ELSE\nF = F(n + 1) + a\nEND IF\nEND FUNCTION\nWRITE(F(1))";
    EXPECT_EQ(runner.Run(source).fault, "Invalid floating point operation");
    runner.output.clear();
    EXPECT_EQ(runner.basic.Run(), kLibraryFault);
    EXPECT_TRUE(runner.output.empty());
}

} // namespace
} // namespace koralix::macro::test
