// The syntax checker: bracket nesting, the program-structure automaton and the
// rule of every statement. It sees a statement's tokens after name resolution
// and throws a TranslationError at the first violation.
#pragma once

#include <vector>

#include "Lexer.h"

namespace koralix::macro {

enum class Block { If, ElseIf, Else, For, Do, Select, Case, CaseElse };

class TSBError {
  public:
    void Clear();
    // Checks one complete statement found on `line`.
    void Check(const TokenList& tokens, int line);
    // After the last line: an open block is an error on `lastLine`.
    void CheckEnd(int lastLine) const;

    std::vector<Block> BlockStack;
    int ProgramState = 0;
    bool ClassMode = false;
    bool FunctionMode = false;

    // 0 valid, 3 a statement word inside, -1 otherwise.
    static int CheckExpression(const TSBLex* tokens, int count);

  private:
    void CheckBrackets(const TokenList& t) const;
    void CheckStructure(const TokenList& t);
    void CheckRule(const TokenList& t);
    void CheckFunctionHeader(const TokenList& t) const;
    void CheckDeclaration(const TokenList& t) const;
    void CheckCase(const TokenList& t);
    void CheckDoForm(const TokenList& t, int code47, int code48, int code49) const;
    [[noreturn]] void Fail(int code) const;
    bool Innermost(std::initializer_list<Block> kinds) const;
    int line_ = 0;
};

} // namespace koralix::macro
