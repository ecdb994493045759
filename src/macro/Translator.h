// The translator: resolves the names of a statement and lowers it into
// instructions of the current code list, keeping the pending jumps of open
// blocks on its stacks until their targets are known.
#pragma once

#include <vector>

#include "CodeList.h"
#include "Lexer.h"

namespace koralix::macro {

class TSBTranslator {
  public:
    TSBTranslator(TypeList& types, FunctionList& functions, TSBCodeList& main);

    // maxVariableBytes: the largest variable or object a macro may declare.
    void Start(int maxDimension, int64_t maxVariableBytes);
    // Resolves identifiers, members and constants of a statement in place.
    void Resolve(TokenList& tokens, int line);
    // Lowers a checked statement.
    void Translate(const TokenList& tokens, int line, bool inClassFields);
    // Appends the stop instruction and finishes every list.
    void FinishSource(int line);
    // Defines a label in the current body; false when it is already defined.
    bool DefineLabel(const std::string& name);

    TSBCodeList& Current() { return *current_; }

    // A token or a translated operand while an expression is reduced.
    struct Item {
        bool operand = false;
        bool index = false; // a translated index that waits for its field
        TSBLex tok;
        TSBReg reg;
        bool lvalue = false;
        int length = 1;
        std::string name;

        bool IsToken(int kind) const { return !operand && !index && tok.kind == kind; }
        bool IsPunct(int sub) const { return !operand && !index && tok.IsPunct(sub); }
    };

  private:
    struct IfRecord {
        int condJump = -1;
        std::vector<int> endJumps;
    };
    struct ForRecord {
        int loopTest = 0;
        TSBReg variable, step;
    };
    struct DoRecord {
        int start = 0;
        int exitJump = -1;
        bool conditionOnDo = false;
    };
    struct CaseRecord {
        TSBReg selector, counter;
        int skipJump = -1;
    };

    [[noreturn]] void Fail(int code, const std::string& name = "") const;
    int Emit(Op op, int32_t value, const TSBReg& a = {}, const TSBReg& b = {},
             const TSBReg& d = {});
    void Patch(int jump, int target);
    int Marker() { return Emit(Op::Marker, 0); }

    // Expressions.
    Item Reduce(std::vector<Item> items);
    Item Expression(const TokenList& t, int from, int to);
    TSBReg Copied(const Item& item);
    TSBReg Condition(const TokenList& t, int from, int to) {
        return Copied(Expression(t, from, to));
    }
    void ReduceBrackets(std::vector<Item>& items);
    void ReduceCalls(std::vector<Item>& items);
    void ReduceMembers(std::vector<Item>& items);
    void ReduceNot(std::vector<Item>& items);
    void ReduceBinary(std::vector<Item>& items, int kind, std::initializer_list<int> subs);
    void ReduceAssignments(std::vector<Item>& items);
    Item Element(const Item& array, const TSBReg& index);
    Item Call(const TSBFunc& f, int functionIndex, const TSBReg& object, std::vector<Item> items,
              size_t open, size_t close);
    Item BinaryResult(const Item& a, const Item& op, const Item& b);

    // Statements.
    void Declaration(const TokenList& t, bool inClassFields);
    void FunctionHeader(const TokenList& t);
    void EndFunction();
    void ClassHeader(const TokenList& t);
    void ForStatement(const TokenList& t);
    void DoStatement(const TokenList& t, bool isLoop);
    void CaseStatement(const TokenList& t);

    int FindFunction(const std::string& name, bool& isMethodOutside) const;
    void Account(int typeIndex, int count);
    int DeclareChecked(const std::string& name, int typeIndex, int count, bool reference);

    TypeList& types_;
    FunctionList& functions_;
    TSBCodeList& main_;
    TSBCodeList* current_ = nullptr;
    TSBFunc* function_ = nullptr;
    int functionIndex_ = -1;
    TSBType* class_ = nullptr;
    int maxDimension_ = kDefaultArrayLimit;
    int64_t maxVariableBytes_ = 0;
    int64_t declaredBytes_ = 0; // storage of all variables of this translation
    int line_ = 0;
    std::vector<IfRecord> ifs_;
    std::vector<ForRecord> fors_;
    std::vector<DoRecord> dos_;
    std::vector<CaseRecord> cases_;
};

} // namespace koralix::macro
