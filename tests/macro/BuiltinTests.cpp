// The real functions and host built-ins, each through a macro as a user calls
// them, and the component's host-function interface.
#include <gtest/gtest.h>

#include <filesystem>

#include "MacroRunner.h"
#include "Values.h"

namespace koralix::macro::test {
namespace {

struct BuiltinCase {
    const char* name;
    const char* source;
    const char* output;
};

// Names the case in test listings.
void PrintTo(const BuiltinCase& c, std::ostream* os) {
    *os << c.name;
}

const BuiltinCase kBuiltinCases[] = {
    {"Round", "WRITE(ROUND(2.5))\nWRITE(ROUND(3.5))\nWRITE(ROUND(-2.5))", "2|4|-2"},
    {"Trunc", "WRITE(TRUNC(-2.7))\nWRITE(TRUNC(2.7))", "-2|2"},
    {"Floor", "WRITE(FLOOR(-2.2))\nWRITE(FLOOR(2.2))", "-3|2"},
    {"SqrAndSqrt", "WRITE(SQR(3))\nWRITE(SQRT(16))", "9|4"},
    {"Trigonometry",
     "WRITE(SIN(0))\nWRITE(COS(0))\nWRITE(ROUND(ARCTAN(1) * 4000))\nWRITE(ARCSIN(1) * 2)",
     "0|1|3142|3.1415927"},
    {"LnIsOfOnePlusX", "WRITE(LN(0))\nWRITE(LN(1))", "0|0.6931472"},
    {"Logarithms", "WRITE(LOGN(2, 8))\nWRITE(LOG2(1024))\nWRITE(LOG10(1000))", "3|10|3"},
    {"Power",
     "WRITE(POWER(2, 10))\nWRITE(POWER(5, 0))\nWRITE(POWER(0, 3))\nWRITE(POWER(-2, "
     "3))\nWRITE(POWER(4, 0.5))",
     "1024|1|0|-8|2"},
    {"Exp", "WRITE(EXP(0))", "1"},
    {"AbsOfEveryType",
     "DOUBLE d\nINTEGER i\nd = -2.5\ni = -2\nWRITE(ABS(-2.5))\nWRITE(ABS(d))\nWRITE(ABS(i))",
     "2.5|2.5|2"},
    {"RealFunctionsGiveSingle", "DOUBLE d\nd = SQRT(2)\nWRITE(d)", "1.41421353816986"},
    {"GetToken",
     "WRITE(GETTOKEN(\"a,,b\", \",\", 2))\nWRITE(GETTOKEN(\"a b\", \"\", "
     "2))\nWRITE(GETTOKEN(\"a\", \",\", "
     "0))\nWRITE(GETTOKEN(\"a;b\", \";\", 3))\nWRITE(GETTOKEN(\"x--y\", \"--\", 2))",
     "b|b|||y"},
    {"GetTokenNeedsIntegerIndex", "WRITE(GETTOKEN(\"a b\", \" \", 2.0))", ""},
    {"Pos", "WRITE(POS(\"lo\", \"hello\"))\nWRITE(POS(\"z\", \"hello\"))\nWRITE(POS(1, \"hello\"))",
     "4|0|0"},
    {"StrCopy",
     "WRITE(STRCOPY(\"hello\", 2, 3))\nWRITE(STRCOPY(\"hello\", 0, 2))\nWRITE(STRCOPY(\"hello\", "
     "4, 10))\nWRITE(STRCOPY("
     "\"hello\", 9, 1))",
     "ell|he|lo|"},
    {"SetLength",
     "STRING s\ns = \"ab\"\nWRITE(SETLENGTH(s, 5) + \"|\")\nWRITE(s + \"|\")\nSETLENGTH(s, "
     "1)\nWRITE(s)",
     "ab   ||ab   ||a"},
    {"StrSet",
     "STRING s\ns = \"ab\"\nSTRSET(s, 4, \"xy\")\nWRITE(s)\nSTRSET(s, 1, \"Z\")\nWRITE(s)",
     "ab xy|Zb xy"},
    {"StrNSet",
     "STRING s\ns = \"abcdef\"\nWRITE(STRNSET(s, 2, 2, \"XYZ\"))\nSTRNSET(s, 1, 0, "
     "\"Q\")\nWRITE(s)",
     "aXYdef|aXYdef"},
    {"StrNSetIntoArrayElement",
     "STRING s[3]\ns[1] = \"ab\"\nSTRSET(s[1], 3, \"c\")\nWRITE(s[1])\nWRITE(s[2])", "abc|"},
    {"GetLength", "WRITE(GETLENGTH(\"abc\"))\nWRITE(GETLENGTH(12))", "3|0"},
    {"AscAndChr", "WRITE(ASC(\"A\"))\nWRITE(ASC(\"\"))\nWRITE(CHR(65))\nWRITE(CHR(65.0))",
     "65|0|A|"},
    {"Trim", "WRITE(TRIM(\"  a b  \") + \"|\")", "a b|"},
    {"Case", "WRITE(STRUPPER(\"aBc1\"))\nWRITE(STRLOWER(\"aBc1\"))", "ABC1|abc1"},
    {"Str", "WRITE(STR(1.0 / 3))\nWRITE(STR(1 / 3))\nWRITE(STR(2.5))\nWRITE(STR(-1234))",
     "0.333|0.000|2.500|-1234.000"},
    {"Val",
     "WRITE(VAL(\"2.5\"))\nWRITE(VAL(\" -1E3 \"))\nWRITE(VAL(\"12abc\"))\nWRITE(VAL(\"nan\"))",
     "2.5|-1000|0|0"},
    {"FormatVal",
     "WRITE(FORMATVAL(\"0.00\", 3.14159))\nWRITE(FORMATVAL(\"#,##0\", "
     "1234567))\nWRITE(FORMATVAL(\"000\", "
     "7))\nWRITE(FORMATVAL(\"0.00E+00\", 12345))\nWRITE(FORMATVAL(\"0.0;(0.0)\", "
     "-2.5))\nWRITE(FORMATVAL(\"#.##\", "
     "0.5))",
     "3.14|1,234,567|007|1.23E+04|(2.5)|.5"},
    {"FormatValLongPicture",
     "WRITE(GETLENGTH(FORMATVAL(\"0.000000000000000000000000000000\", 1.5)))", "20"},
    {"EncodeAndDecodeDate",
     "DATE d\nINTEGER y, m, dd\nd = ENCODEDATE(2024, 2, 29)\nWRITE(DECODEDATE(d, y, m, "
     "dd))\nWRITE(y)\nWRITE(m)\nWRITE(dd)",
     "1|2024|2|29"},
    {"DecodeDateIntoSingles",
     "DATE d\nd = ENCODEDATE(1999, 12, 31)\nDECODEDATE(d, y, m, dd)\nWRITE(y)\nWRITE(dd)",
     "1999|31"},
    {"DateText", "WRITE(DATETOSTR(ENCODEDATE(2001, 9, 8)))\nWRITE(STRTODATE(\"2001-09-08\") + 1)",
     "2001-09-08|2001-09-09"},
    {"StrToDateOfNumber", "WRITE(STRTODATE(5))", "1899-12-30"},
    {"FileNames",
     "WRITE(EXTRACTFILENAME(\"C:\\data\\a.inp\"))\nWRITE(EXTRACTFILEDIR(\"C:\\data\\a.inp\"))"
     "\nWRITE("
     "EXTRACTFILEDIR(\"C:\\a.inp\"))\nWRITE(EXTRACTFILENAME(\"/home/u/"
     "b.rib\"))\nWRITE(EXTRACTFILEDIR(\"/home/u/"
     "b.rib\"))\nWRITE(EXTRACTFILEDIR(\"/b.rib\"))",
     "a.inp|C:\\data|C:\\|b.rib|/home/u|/"},
    {"FileExists", "WRITE(FILEEXISTS(\"/nonexistent/file\"))\nWRITE(FILEEXISTS(1))", "0|0"},
    {"SetDirMissing", "WRITE(SETDIR(\"X:\\missing\"))\nWRITE(SETDIR(5))", "1|1"},
    {"Random",
     "INTEGER i, bad\nFOR i = 1 TO 200\nr = RANDOM(3)\nIF r < 0 OR r > 2 THEN\nINC bad\nEND "
     "IF\nNEXT "
     "i\nWRITE(bad)\nWRITE(RANDOM(0))\nWRITE(RANDOMIZE())",
     "0|0|0"},
    {"Beep", "WRITE(BEEP())", "0"},
};

class Builtins : public testing::TestWithParam<BuiltinCase> {};

TEST_P(Builtins, GiveTheirResults) {
    const BuiltinCase& c = GetParam();
    MacroRunner runner;
    const MacroResult r = runner.Run(c.source);
    ASSERT_EQ(r.compileCode, 0) << r.message;
    EXPECT_EQ(r.runCode, 0) << r.message << r.fault;
    EXPECT_EQ(r.Joined(), c.output);
}

INSTANTIATE_TEST_SUITE_P(Functions, Builtins, testing::ValuesIn(kBuiltinCases),
                         [](const testing::TestParamInfo<BuiltinCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(BuiltinDirectories, GetDirAndSetDir) {
    const auto before = std::filesystem::current_path();
    const auto temp = std::filesystem::temp_directory_path();
    MacroRunner runner;
    const MacroResult r =
        runner.Run("WRITE(SETDIR(\"" + temp.string() + "\"))\nWRITE(GETDIR())\nWRITE(SETDIR(\"" +
                   before.string() + "\"))");
    EXPECT_EQ(r.Joined(), "0|" + std::filesystem::canonical(temp).string() + "|0");
    EXPECT_EQ(std::filesystem::current_path(), before);
}

TEST(BuiltinDialogs, MessageBoxAndMessageDlgUseTheMessenger) {
    MacroRunner runner;
    runner.messenger.answers = {Answer::No, Answer::Yes};
    const MacroResult r =
        runner.Run("MESSAGEBOX(2.5)\nMESSAGEBOX(\"hi\")\nWRITE(MESSAGEDLG(\"Go on?\", 3, "
                   "0))\nWRITE(MESSAGEDLG(\"Sure?\", 3, "
                   "1))\nWRITE(MESSAGEDLG(5, 3, 0))\nWRITE(INPUTBOX(\"Name?\") + \"|\")");
    EXPECT_EQ(r.Joined(), "7|1|0||");
    EXPECT_EQ(runner.messenger.messages, (std::vector<std::string>{"2.5", "hi"}));
    EXPECT_EQ(runner.messenger.questions, (std::vector<std::string>{"Go on?", "Sure?"}));
}

class ScriptedHost : public MacroHost {
  public:
    std::vector<std::string> shown;
    std::string typed = "crystal";
    int beeps = 0;
    void ShowMessage(const std::string& text) override { shown.push_back(text); }
    std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                        const std::string& initial) override {
        shown.push_back(caption + ":" + prompt + ":" + initial);
        return typed;
    }
    int MessageDlg(const std::string&, int kind, int buttons) override {
        return kind * 10 + buttons;
    }
    void Beep() override { ++beeps; }
};

TEST(BuiltinDialogs, HostDialogsReceiveKindAndButtons) {
    ScriptedHost host;
    TSBasic basic(nullptr, &host);
    std::vector<std::string> out;
    basic.AddFunction(
        "WRITE",
        [&](TSBCodeList& c, ResultRecord& r) {
            out.push_back(DisplayText(ArgType(c, 0), ArgPointer(c, 0)));
            r.SetInt(0);
        },
        1, kInteger);
    basic.SetSourceText(
        "WRITE(INPUTBOX(\"Name?\"))\nWRITE(MESSAGEDLG(\"x\", 1, 2))\nWRITE(MESSAGEDLG(\"x\", 1.0, "
        "2.0))\nBEEP()\nWRITE(INPUTBOX(3))");
    ASSERT_EQ(basic.Run(), 0) << basic.MessageText();
    EXPECT_EQ(out, (std::vector<std::string>{"crystal", "12", "30", ""}));
    EXPECT_EQ(host.shown, (std::vector<std::string>{"Input Box:Name?:"}));
    EXPECT_EQ(host.beeps, 1);
}

TEST(HostFunctions, FirstOfTwoWithTheSameNameIsCalled) {
    MacroRunner runner;
    runner.basic.AddFunction(
        "PICK", [](TSBCodeList&, ResultRecord& r) { r.SetInt(1); }, 0, kInteger);
    runner.basic.AddFunction(
        "PICK", [](TSBCodeList&, ResultRecord& r) { r.SetInt(2); }, 0, kInteger);
    EXPECT_EQ(runner.Run("WRITE(PICK())").Joined(), "1");
}

TEST(HostFunctions, ReadAndChangeTheirArguments) {
    MacroRunner runner;
    std::vector<std::string> seen;
    runner.basic.AddFunction(
        "PROBE",
        [&](TSBCodeList& c, ResultRecord& r) {
            seen.push_back(std::string(1, ArgType(c, 0)) + ArgString(c, 1) +
                           std::to_string(ArgInt(c, 2)));
            EXPECT_EQ(ArgPointer(c, 3), nullptr) << "no fourth argument";
            EXPECT_NE(ArgPointer(c, 0, 2), nullptr);
            EXPECT_EQ(ArgPointer(c, 0, 3), nullptr) << "element past the array";
            StoreInt(kInteger, ArgPointer(c, 0, 1), 77);
            r.SetDouble(1.5);
        },
        3, kDouble);
    const MacroResult r =
        runner.Run("INTEGER a[3]\nINTEGER n\nn = PROBE(a, \"s\", 2.6)\nWRITE(n)\nWRITE(a[1])");
    EXPECT_EQ(r.Joined(), "2|77") << r.message;
    EXPECT_EQ(seen, std::vector<std::string>{"1s3"});
}

TEST(HostFunctions, ResultIsConvertedToTheDeclaredType) {
    MacroRunner runner;
    runner.basic.AddFunction(
        "HALF", [](TSBCodeList&, ResultRecord& r) { r.SetDouble(2.5); }, 0, kInteger);
    EXPECT_EQ(runner.Run("WRITE(HALF())").Joined(), "2");
}

TEST(HostFunctions, SurviveTranslations) {
    MacroRunner runner;
    ASSERT_EQ(runner.Run("FUNCTION G AS INTEGER\nEND FUNCTION\nWRITE(1)").compileCode, 0);
    runner.basic.AddFunction(
        "LATE", [](TSBCodeList&, ResultRecord& r) { r.SetString("late"); }, 0, kString);
    EXPECT_EQ(runner.Run("WRITE(LATE())").Joined(), "late");
    EXPECT_EQ(runner.Run("WRITE(LATE())").Joined(), "late");
}

} // namespace
} // namespace koralix::macro::test
