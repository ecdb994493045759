#include "SBasic.h"

#include <algorithm>
#include <sstream>

#include "Lexer.h"
#include "TextFile.h"

namespace koralix::macro {

static TypeList BuiltinTypes() {
    TypeList types;
    AddBuiltinTypes(types);
    return types;
}

TSBasic::TSBasic(Messenger* messenger, MacroHost* host)
    : types_(BuiltinTypes()), main_(std::make_unique<TSBCodeList>("MAIN", types_)),
      translator_(types_, functions_, *main_), messenger_(messenger), host_(host) {
    if (!host_) {
        ownHost_ = std::make_unique<MessengerMacroHost>(messenger);
        host_ = ownHost_.get();
    }
    RegisterBuiltins(*this, functions_);
    builtinFunctionCount_ = static_cast<int>(functions_.size());
}

TSBasic::~TSBasic() = default;

void TSBasic::SetSourceText(std::string text) {
    text_ = std::move(text);
    file_.clear();
    textSource_ = true;
}

void TSBasic::SetSourceFile(std::string path) {
    file_ = std::move(path);
    textSource_ = file_.empty();
    if (!file_.empty()) text_.clear();
}

void TSBasic::AddFunction(const std::string& name, HostRoutine routine, int argCount,
                          char resultLetter) {
    // Host functions sit in front of the macro's own functions.
    Reset();
    auto f = std::make_unique<TSBFunc>();
    f->name = name;
    f->argCount = argCount;
    f->kind = kHostFunction;
    f->resultLetter = resultLetter;
    f->resultType = TypeIndexOfLetter(resultLetter);
    f->host = std::move(routine);
    functions_.push_back(std::move(f));
    builtinFunctionCount_ = static_cast<int>(functions_.size());
    main_->Clear();
}

void TSBasic::Reset() {
    if (static_cast<int>(functions_.size()) > builtinFunctionCount_)
        functions_.resize(static_cast<size_t>(builtinFunctionCount_));
    if (types_.size() > kBuiltinTypeCount) types_.resize(kBuiltinTypeCount);
    // The main program refers to those functions and types: it goes too, and
    // the next Run translates again.
    main_->Clear();
}

static void AppendLines(std::string text, std::vector<std::string>& lines) {
    // Editors on the original platform often start files with a byte-order mark.
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    // Old Macintosh files end their lines in a lone CR and hold no LF at all.
    if (text.find('\n') == std::string::npos) std::replace(text.begin(), text.end(), '\r', '\n');
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
}

std::optional<std::string> MacroSourceProblem(const std::string& path) {
    return TextFileProblem(path, ReadTextFile(path));
}

static std::string ReadWholeFile(const std::string& path) {
    TextFileRead file = ReadTextFile(path);
    if (file.Missing) Fault("Cannot open file \"" + path + "\"");
    if (const std::optional<std::string> problem = TextFileProblem(path, file)) Fault(*problem);
    return std::move(*file.Text);
}

std::vector<std::string> TSBasic::SourceLines() {
    std::vector<std::string> lines;
    if (!library_.empty()) AppendLines(ReadWholeFile(library_), lines);
    lineOffset_ = static_cast<int>(lines.size());
    AppendLines(textSource_ ? text_ : ReadWholeFile(file_), lines);
    return lines;
}

void TSBasic::ShowMessage(const std::string& text) {
    message_ = text;
    if (OnMessage) OnMessage(text);
}

void TSBasic::ReportFault(const std::string& text) {
    fault_ = text;
    message_ = text;
    if (messenger_) messenger_->Message(text);
}

int TSBasic::Compile() {
    Reset();
    checker_.Clear();
    main_->Clear();
    main_->ExecLimit = Max_Count;
    main_->ArrayLimit = Max_Dimension;
    translator_.Start(Max_Dimension, MaxVariableBytes);
    message_.clear();
    fault_.clear();
    translationError_ = {};
    try {
        CompileLines(SourceLines());
        main_->LineOffset = lineOffset_;
        return 0;
    } catch (const TranslationError& e) {
        translationError_ = e.error;
        const std::string text =
            TranslationMessage(e.error.code, e.error.name, e.error.line - lineOffset_ + 1);
        ShowMessage(Headline.empty() ? text : Headline + ": " + text);
        Reset();
        main_->Clear();
        return e.error.code;
    } catch (const MacroFault& f) {
        translationError_ = {kLibraryFault, 0, ""};
        ReportFault(f.what());
        Reset();
        main_->Clear();
        return kLibraryFault;
    }
}

void TSBasic::CompileLines(const std::vector<std::string>& lines) {
    TokenList pending;
    int lastLine = 0;
    for (size_t index = 0; index < lines.size(); ++index) {
        const int line = static_cast<int>(index);
        std::string_view text = TrimBlanks(lines[index]);
        if (const size_t comment = text.find("//"); comment != std::string_view::npos)
            text = TrimBlanks(text.substr(0, comment));
        // Indentation and comments may run past the limit; the statement may not.
        if (text.size() > kMaxLineLength)
            throw TranslationError(MacroError{kLineTooLong, line, ""});
        if (text.empty()) continue;
        lastLine = line;
        char quote = 0;
        size_t colon = std::string_view::npos;
        for (size_t i = 0; i < text.size() && colon == std::string_view::npos; ++i) {
            if (text[i] == '"' || text[i] == '\'')
                quote = quote ? 0 : text[i];
            else if (text[i] == ':' && !quote)
                colon = i;
        }
        if (colon != std::string_view::npos) {
            const std::string label = UpperCase(TrimBlanks(text.substr(0, colon)));
            text = TrimBlanks(text.substr(colon + 1));
            if (!label.empty()) {
                for (char c : label)
                    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '~' || c == '_'))
                        throw TranslationError(MacroError{1, line, ""});
                if (!translator_.DefineLabel(label.substr(0, kTextLength)))
                    throw TranslationError(MacroError{1, line, ""});
            }
            if (text.empty()) continue;
        }
        if (!PassesCharacterCheck(text)) throw TranslationError(MacroError{1, line, ""});
        const bool continued = text.back() == '_';
        if (continued) text = TrimBlanks(text.substr(0, text.size() - 1));
        if (!text.empty()) Tokenize(text, types_, pending);
        if (continued) continue;
        ProcessStatement(pending, line);
        pending.clear();
    }
    checker_.CheckEnd(lastLine);
    translator_.FinishSource(lastLine);
}

void TSBasic::ProcessStatement(TokenList& tokens, int line) {
    if (tokens.empty()) return;
    const int first = tokens[0].kind;
    if (first != kEnd && first != kGoto && first != kTypeName && first != kFunction &&
        first != kClass)
        translator_.Resolve(tokens, line);
    checker_.Check(tokens, line);
    translator_.Translate(tokens, line, checker_.ProgramState == 2);
}

int TSBasic::Run() {
    if (main_->Instructions.empty()) {
        const int code = Compile();
        // A failed translation is not a successful run.
        if (code != 0) return code;
    }
    main_->LineOffset = lineOffset_;
    main_->ExecLimit = Max_Count;
    RunContext context;
    context.maxDepth = MaxCallDepth;
    context.maxSteps = MaxSteps;
    stop_ = false;
    context.stop = &stop_;
    runError_ = {};
    fault_.clear();
    try {
        runError_ = main_->Run(context);
        steps_ = context.steps;
    } catch (const MacroFault& f) {
        steps_ = context.steps;
        ReportFault(f.what());
        return kLibraryFault;
    }
    if (runError_.code != 0)
        ShowMessage(RunTimeMessage(runError_.code, runError_.ip, runError_.line + 1));
    return runError_.code;
}

} // namespace koralix::macro
