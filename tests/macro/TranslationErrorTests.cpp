// Translation errors: every statement kind with an invalid form, the code it
// records and the line it names.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>

#include "MacroRunner.h"

namespace koralix::macro::test {
namespace {

struct ErrorCase {
    const char* name;
    const char* source;
    int code;
    int line;
};

// Names the case in test listings.
void PrintTo(const ErrorCase& c, std::ostream* os) {
    *os << c.name;
}

// A statement longer than a line may be; cutting it would run another program.
const std::string kLongLine = "x = 1\ny = 1" + std::string(260, ' ') + "+ 1000";

const ErrorCase kErrorCases[] = {
    // Lines.
    {"LineLongerThanALine", kLongLine.c_str(), kLineTooLong, 2},
    // Characters, quotes, labels.
    {"OddQuote", "x = \"abc", 1, 1},
    {"AccentedLetter", "x = 1\ny = \"\xC3\xA9\"", 1, 2},
    {"CommentCutsString", "x = \"a//b\"", 1, 1},
    {"RepeatedLabel", "START: x = 1\nSTART: y = 2", 1, 2},
    {"LabelWithBlank", "MY LABEL: x = 1", 1, 1},
    {"SingleQuoteOdd", "x = 'a", 1, 1},
    // Brackets.
    {"UnclosedBracket", "x = (1 + 2", 2, 1},
    {"CrossedBrackets", "INTEGER a[3]\nx = (a[1)]", 2, 2},
    // Expressions.
    {"StatementWordInExpression", "x = IF", 3, 1},
    {"SignAfterOperator", "x = 2 * -3", 37, 1},
    {"DanglingOperator", "x = 2 +", 37, 1},
    {"CallWithoutBrackets", "WRITE 3", 42, 1},
    {"ConstantFirst", "3 = x", 141, 1},
    {"QuiteIsReserved", "QUITE", 141, 1},
    {"ThenFirst", "THEN", 141, 1},
    // IF.
    {"IfWithoutThen", "IF a == 5\nEND IF", 6, 1},
    {"IfThenNotLast", "IF a == 5 THEN x\nEND IF", 7, 1},
    {"IfWithoutCondition", "IF THEN\nEND IF", 8, 1},
    {"IfBadCondition", "IF a == THEN\nEND IF", 9, 1},
    {"ElseIfOutsideIf", "ELSEIF a THEN", 10, 1},
    {"ElseIfBadCondition", "IF a THEN\nELSEIF THEN\nEND IF", 11, 2},
    {"ElseOutsideIf", "ELSE", 13, 1},
    {"ElseWithTokens", "IF a THEN\nELSE x\nEND IF", 14, 2},
    {"EndIfOutsideIf", "END IF", 15, 1},
    // FOR and NEXT.
    {"ForConstantVariable", "FOR 1 = 1 TO 2\nNEXT i", 17, 1},
    {"ForWithoutAssign", "FOR i 1 TO 2\nNEXT i", 18, 1},
    {"ForWithoutTo", "FOR i = 1\nNEXT i", 19, 1},
    {"ForToLast", "FOR i = 1 TO\nNEXT i", 20, 1},
    {"ForWithoutStart", "FOR i = TO 2\nNEXT i", 21, 1},
    {"ForBadStart", "FOR i = 1 * TO 2\nNEXT i", 22, 1},
    {"ForBadLimit", "FOR i = 1 TO 2 *\nNEXT i", 23, 1},
    {"ForBadStep", "FOR i = 1 TO 2 STEP *\nNEXT i", 24, 1},
    {"NextWithoutFor", "NEXT i", 25, 1},
    {"NextWithoutName", "FOR i = 1 TO 2\nNEXT", 26, 2},
    {"NextConstant", "FOR i = 1 TO 2\nNEXT 3", 27, 2},
    // INC and DEC.
    {"IncConstant", "INC 3", 28, 1},
    {"IncWithoutBracket", "INC a 1", 29, 1},
    {"IncEmptyIndex", "INTEGER a[3]\nINC a[]", 30, 2},
    {"DecBadIndex", "INTEGER a[3]\nDEC a[*]", 31, 2},
    // Declarations.
    {"DeclareConstant", "INTEGER 3", 44, 1},
    {"DeclareTwoNames", "INTEGER a b", 45, 1},
    {"DeclareVariableLength", "INTEGER a[x]", 46, 1},
    {"DeclareStringLength", "INTEGER a[\"3\"]", 46, 1},
    {"DeclarationAfterStatement", "x = 1\nINTEGER y", 150, 2},
    {"FunctionAfterStatement", "x = 1\nFUNCTION F AS INTEGER\nEND FUNCTION", 150, 2},
    {"DeclarationAfterStatementInFunction", "FUNCTION F AS INTEGER\nF = 1\nINTEGER y\nEND FUNCTION",
     150, 3},
    // DO and LOOP.
    {"DoUnknownWord", "DO FOREVER\nLOOP", 48, 1},
    {"DoWhileWithoutCondition", "DO WHILE\nLOOP", 47, 1},
    {"DoBadCondition", "DO WHILE *\nLOOP", 49, 1},
    {"LoopWithoutDo", "LOOP", 50, 1},
    {"LoopWhileWithoutCondition", "DO\nLOOP WHILE", 51, 2},
    // SELECT and CASE.
    {"SelectWithoutExpression", "SELECT CASE", 100, 1},
    {"SelectBadExpression", "SELECT CASE *\nEND SELECT", 101, 1},
    {"CaseEmptyItem", "SELECT CASE x\nCASE 1,,2\nEND SELECT", 102, 2},
    {"CaseTwoTo", "SELECT CASE x\nCASE 1 TO 2 TO 3\nEND SELECT", 103, 2},
    {"CaseEmptyToSide", "SELECT CASE x\nCASE TO 3\nEND SELECT", 104, 2},
    {"CaseElseFirst", "SELECT CASE x\nCASE ELSE\nEND SELECT", 106, 2},
    {"CaseElseWithTokens", "SELECT CASE x\nCASE 1\nCASE ELSE 1\nEND SELECT", 107, 3},
    {"CaseOutsideSelect", "CASE 1", 108, 1},
    {"CaseWithoutItems", "SELECT CASE x\nCASE\nEND SELECT", 109, 2},
    {"CaseTrailingComma", "SELECT CASE x\nCASE 1,\nEND SELECT", 110, 2},
    {"EndSelectOutsideSelect", "END SELECT", 111, 1},
    // Functions.
    {"FunctionConstantName", "FUNCTION 3 AS INTEGER", 121, 1},
    {"FunctionTooShort", "FUNCTION F AS", 122, 1},
    {"FunctionWithoutType", "FUNCTION F AS X", 123, 1},
    {"FunctionParametersWithoutBrackets", "FUNCTION F X AS INTEGER", 124, 1},
    {"FunctionEmptyBrackets", "FUNCTION F() AS INTEGER\nEND FUNCTION", 125, 1},
    {"ParameterTypeAfterType", "FUNCTION F(a AS INTEGER b) AS INTEGER", 126, 1},
    {"ParameterBadType", "FUNCTION F(a AS 3) AS INTEGER", 127, 1},
    {"ByValWithoutName", "FUNCTION F(BYVAL 3) AS INTEGER", 128, 1},
    {"ParameterTwoNames", "FUNCTION F(a b) AS INTEGER", 129, 1},
    {"ParameterAfterComma", "FUNCTION F(a, 3) AS INTEGER", 130, 1},
    {"ParameterTrailingComma", "FUNCTION F(a,) AS INTEGER", 131, 1},
    {"ReturnBadExpression", "RETURN *", 133, 1},
    {"ExitAlone", "EXIT", 135, 1},
    {"EndFunctionInsideIf", "FUNCTION F AS INTEGER\nIF 1 THEN\nEND FUNCTION", 137, 3},
    {"EndClassInFunction", "FUNCTION F AS INTEGER\nEND CLASS", 139, 2},
    {"EndAlone", "x = 1\nEND", 140, 2},
    {"EndWhile", "x = 1\nEND WHILE", 140, 2},
    {"ClassAlone", "CLASS", 140, 1},
    {"ClassUnknownParent", "CLASS A(NOTHING)\nEND CLASS", 140, 1},
    // Blocks left open: the last non-empty line.
    {"OpenIf", "IF 1 THEN\nx = 1\n\n// only a comment", 142, 2},
    {"OpenElseIf", "IF 1 THEN\nELSEIF 2 THEN", 143, 2},
    {"OpenElse", "IF 1 THEN\nELSE\nx = 2", 144, 3},
    {"OpenSelect", "SELECT CASE 1", 145, 1},
    {"OpenCase", "SELECT CASE 1\nCASE 1", 146, 2},
    {"OpenCaseElse", "SELECT CASE 1\nCASE 1\nCASE ELSE", 147, 3},
    {"OpenFor", "FOR i = 1 TO 2", 148, 1},
    {"OpenDo", "DO\nx = 1", 149, 2},
    // Names and members.
    {"MemberOfNumber", "x.y = 1", 199, 1},
    {"MethodOutsideClass",
     "CLASS A\nINTEGER v\nFUNCTION GET AS INTEGER\nGET = v\nEND FUNCTION\nEND CLASS\nx = GET()",
     199, 7},
    {"UnknownMember", "CLASS A\nINTEGER v\nEND CLASS\nA o\no.w = 1", 199, 5},
    // Types.
    {"StringPlusNumber", "x = \"a\" + 1", 201, 1},
    {"NotOfString", "STRING s\ns = NOT s", 201, 2},
    {"SignOfString", "STRING s\ns = -s", 201, 2},
    {"AssignToResult", "x = 1\nx + 1 = 3", 201, 2},
    {"CompareStringWithNumber", "IF \"a\" == 1 THEN\nEND IF", 201, 1},
    {"AndOfDates", "DATE d\nx = d AND 1", 201, 2},
    {"ObjectArithmetic", "CLASS A\nINTEGER v\nEND CLASS\nA o\nx = o + 1", 201, 5},
    {"ObjectsOfOtherClasses",
     "CLASS A\nINTEGER v\nEND CLASS\nCLASS B\nDOUBLE w\nEND CLASS\nA a1\nB b1\na1 = b1", 201, 9},
    {"ByRefOtherType", "FUNCTION F(BYREF s AS STRING) AS INTEGER\nEND FUNCTION\nINTEGER i\nF(i)",
     203, 4},
    {"MacroFunctionArgumentCount", "FUNCTION F AS INTEGER\nEND FUNCTION\nx = F(1)", 205, 3},
    {"RealFunctionArgumentCount", "x = SQRT(1, 2)", 206, 1},
    {"IndexOfScalar", "x = y[3]", 208, 1},
    {"IndexOfScalarField", "CLASS A\nINTEGER v\nEND CLASS\nA o\no.v[1] = 2", 209, 5},
    {"DuplicateVariable", "INTEGER x, x", 212, 1},
    {"DuplicateParameterVariable", "FUNCTION F(a) AS INTEGER\nINTEGER a\nEND FUNCTION", 212, 2},
    {"DuplicateFunction", "FUNCTION SQRT AS INTEGER\nEND FUNCTION", 212, 1},
    {"DuplicateClass", "CLASS A\nINTEGER x\nEND CLASS\nCLASS A\nEND CLASS", 212, 4},
    {"DuplicateField", "CLASS A\nINTEGER x, x\nEND CLASS", 212, 2},
    {"FieldOfOwnClass", "CLASS A\nA inner\nEND CLASS", 212, 2},
    {"TooManyParameters",
     "FUNCTION F(a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15, a16, a17, a18, "
     "a19, "
     "a20, a21, a22, a23, a24, a25, a26, a27) AS INTEGER\nEND FUNCTION",
     kTooManyParameters, 1},
};

class TranslationErrors : public testing::TestWithParam<ErrorCase> {};

TEST_P(TranslationErrors, RecordCodeAndLine) {
    const ErrorCase& c = GetParam();
    MacroRunner runner;
    const MacroResult r = runner.Run(c.source);
    EXPECT_EQ(r.compileCode, c.code) << r.message;
    EXPECT_EQ(runner.basic.LastTranslationError().line + 1, c.line);
    EXPECT_NE(r.message.find(". Line:" + Picture(c.line, 4)), std::string::npos) << r.message;
    EXPECT_TRUE(runner.basic.MainCode().Instructions.empty())
        << "a failed translation leaves no program";
}

INSTANTIATE_TEST_SUITE_P(Statements, TranslationErrors, testing::ValuesIn(kErrorCases),
                         [](const testing::TestParamInfo<ErrorCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(TranslationMessages, ExactTexts) {
    struct {
        const char* source;
        const char* message;
    } cases[] = {
        {"x = \"abc", "Invalid symbol. Line:0001"},
        {"x = 1\nx = \"a\" + 1", "Incompatible types. Line:0002"},
        {"x = y[3]", "'Y' is not an array. Line:0001"},
        {"INTEGER abc, ABC", "Duplicate name 'ABC'. Line:0001"},
        {"FUNCTION SQRT AS INTEGER\nEND FUNCTION", "Duplicate name ''. Line:0001"},
        {"x.y = 1", "Syntax error. Line:0001"},
        {"x = SQRT(1, 2)", "Wrong number of parameters. Line:0001"},
        {"FUNCTION F(BYREF s AS STRING) AS INTEGER\nEND FUNCTION\nF(1)",
         "Incompatible parameter type. Line:0003"},
        {"IF 1 THEN", "Invalid statement. Line:0001"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        MacroRunner runner;
        EXPECT_EQ(runner.Run(c.source).message, c.message);
    }
}

TEST(TranslationMessages, HeadlineGoesInFront) {
    MacroRunner runner;
    runner.basic.Headline = "Error";
    EXPECT_EQ(runner.Run("x = \"abc").message, "Error: Invalid symbol. Line:0001");
}

TEST(TranslationMessages, LinesCountFromTheFirstMacroLineAfterTheLibrary) {
    const std::string library = testing::TempDir() + "macro_library.rib";
    {
        std::ofstream out(library);
        out << "FUNCTION TWICE(BYVAL n AS INTEGER) AS INTEGER\nTWICE = 2 * n\nEND FUNCTION\n";
    }
    MacroRunner runner;
    runner.basic.SetSourceLibrary(library);
    MacroResult ok = runner.Run("WRITE(TWICE(21))");
    EXPECT_EQ(ok.Joined(), "42");
    EXPECT_EQ(runner.Run("x = 1\nx = \"a\" + 1").message, "Incompatible types. Line:0002");
    EXPECT_EQ(runner.Run("x = 1 / 0\nINTEGER a[2]\na[2] = 1").message,
              "Invalid statement. Line:0002");
    std::remove(library.c_str());
}

TEST(TranslationMessages, LibraryErrorsGiveLinesBeforeTheMacro) {
    const std::string library = testing::TempDir() + "bad_library.rib";
    {
        std::ofstream out(library);
        out << "x = 1\nx = \"a\" + 1\ny = 2\n";
    }
    MacroRunner runner;
    runner.basic.SetSourceLibrary(library);
    EXPECT_EQ(runner.Run("WRITE(1)").message, "Incompatible types. Line:-0001");
    std::remove(library.c_str());
}

TEST(SourceFiles, ByteOrderMarkAndCarriageReturnsAreAccepted) {
    const std::string file = testing::TempDir() + "bom_macro.rib";
    {
        std::ofstream out(file, std::ios::binary);
        out << "\xEF\xBB\xBFx = 2\r\nWRITE(x * 3)\r\n";
    }
    MacroRunner runner;
    runner.basic.SetSourceFile(file);
    ASSERT_EQ(runner.basic.Compile(), 0) << runner.basic.MessageText();
    EXPECT_EQ(runner.basic.Run(), 0);
    EXPECT_EQ(runner.output, std::vector<std::string>{"6"});
    std::remove(file.c_str());
}

TEST(TranslationMessages, MissingSourceFileIsAFault) {
    MacroRunner runner;
    runner.basic.SetSourceFile("/nonexistent/macro.rib");
    EXPECT_EQ(runner.basic.Compile(), kLibraryFault);
    EXPECT_NE(runner.basic.LastFault().find("Cannot open file"), std::string::npos);
}

// Files that hold no macro, as a source or as the library: the translation
// ends with the file's problem instead of running an empty program.
struct BadSourceCase {
    const char* name;
    void (*make)(const std::string& path);
    const char* reason;
};

void PrintTo(const BadSourceCase& c, std::ostream* os) {
    *os << c.name;
}

const BadSourceCase kBadSources[] = {
    {"Empty", [](const std::string& p) { std::ofstream(p) << " \n\n"; }, "is empty."},
    {"Binary", [](const std::string& p) { std::ofstream(p) << "WRITE(1)\n\x01\x02\n"; },
     "is not a text file (a control byte in line 2)."},
    {"Folder", [](const std::string& p) { std::filesystem::create_directory(p); },
     ": it is a folder, not a file."},
    {"Fifo", [](const std::string& p) { ::mkfifo(p.c_str(), 0644); },
     ": it is not a regular file."},
};

class BadSource : public ::testing::TestWithParam<BadSourceCase> {
  protected:
    void SetUp() override {
        path_ = testing::TempDir() + "bad_source_" + GetParam().name + ".rib";
        std::filesystem::remove_all(path_);
        GetParam().make(path_);
    }
    void TearDown() override { std::filesystem::remove_all(path_); }
    void ExpectRefused(MacroRunner& runner) {
        EXPECT_EQ(runner.basic.Compile(), kLibraryFault);
        EXPECT_NE(runner.basic.LastFault().find(path_), std::string::npos)
            << runner.basic.LastFault();
        EXPECT_NE(runner.basic.LastFault().find(GetParam().reason), std::string::npos)
            << runner.basic.LastFault();
        EXPECT_EQ(runner.basic.LastFault(), MacroSourceProblem(path_).value_or(""));
    }
    std::string path_;
};

TEST_P(BadSource, AsTheSourceIsRefused) {
    MacroRunner runner;
    runner.basic.SetSourceFile(path_);
    ExpectRefused(runner);
}

TEST_P(BadSource, AsTheLibraryIsRefused) {
    MacroRunner runner;
    runner.basic.SetSourceLibrary(path_);
    runner.basic.SetSourceText("WRITE(1)");
    ExpectRefused(runner);
    EXPECT_TRUE(runner.output.empty());
}

INSTANTIATE_TEST_SUITE_P(Kinds, BadSource, ::testing::ValuesIn(kBadSources),
                         [](const ::testing::TestParamInfo<BadSourceCase>& info) {
                             return info.param.name;
                         });

TEST(ValidSources, Translate) {
    const char* sources[] = {
        "",
        "// nothing but a comment",
        "x = 1 // note \"a",
        "x = -3",
        "x = (-3)",
        "FUNCTION F AS INTEGER\nF = 2\nEND FUNCTION\nx = F()",
        "FUNCTION F(BYVAL a AS INTEGER, BYREF b, c AS STRING) AS DOUBLE\nEND FUNCTION",
        "CLASS A\nINTEGER v\nEND CLASS\nCLASS B(A)\nSINGLE w\nEND CLASS\nB o\no.v = 1",
        "SELECT CASE 1\nCASE 1, 2 TO 3\nCASE ELSE\nEND SELECT",
        "INTEGER a[20000]",
        "a = 1 + _\n2",
        "x = 1 + _",
        "GOTO NOWHERE",
        "DIM d[3]\nd[2] = 1.5",
    };
    for (const char* s : sources) {
        SCOPED_TRACE(s);
        MacroRunner runner;
        const MacroResult r = runner.Run(s);
        EXPECT_EQ(r.compileCode, 0) << r.message;
        EXPECT_EQ(r.runCode, 0) << r.message;
    }
}

TEST(Declarations, LengthsAreCutToTheLimits) {
    MacroRunner runner(100000, 10000);
    ASSERT_EQ(runner.Run("INTEGER a[20000], b[0]").compileCode, 0);
    EXPECT_EQ(runner.basic.MainCode().Variables[0]->count, 10000);
    EXPECT_EQ(runner.basic.MainCode().Variables[1]->count, 1);
}

} // namespace
} // namespace koralix::macro::test

namespace koralix::macro::test {
namespace {

TEST(Storage, OversizedVariablesEndTheTranslation) {
    MacroRunner runner;
    runner.basic.MaxVariableBytes = 1024;
    const MacroResult r = runner.Run("STRING s[10]");
    EXPECT_EQ(r.compileCode, kLibraryFault);
    EXPECT_EQ(r.fault, "Out of memory");
    EXPECT_EQ(runner.Run("CLASS A\nSTRING s[3]\nEND CLASS\nCLASS B\nA parts[3]\nEND CLASS").fault,
              "Out of memory");
    EXPECT_EQ(runner.Run("STRING s[4]").compileCode, 0);
}

} // namespace
} // namespace koralix::macro::test
