// A readable listing of a code list, for tests and for looking at what the
// translator made of a macro.
#include <sstream>

#include "MacroError.h"
#include "SBasic.h"

namespace koralix::macro {

namespace {

std::string OperandText(const TSBReg& r) {
    std::string text;
    switch (r.kind) {
    case kVariable:
        text = "V" + Picture(r.value, 3);
        break;
    case kTemporary:
        text = "R" + Picture(r.value, 3);
        break;
    case kConstant:
        text = "C" + Picture(r.value, 3);
        break;
    case kParameter:
        text = "P" + Picture(r.value, 3);
        break;
    default:
        return "-";
    }
    if (r.offsetReg >= 0) text += "[R" + Picture(r.offsetReg, 3) + "]";
    return text;
}

} // namespace

std::string Disassemble(const TSBCodeList& code) {
    std::ostringstream out;
    for (const auto& c : code.Instructions) {
        const OpInfo* info = FindOpInfo(c.op.kind);
        out << Picture(c.index, 4) << " L" << Picture(c.line, 4) << ' ';
        std::string name = info ? std::string(info->mnemonic) : "OP" + std::to_string(c.op.kind);
        name.resize(std::max<size_t>(name.size(), 9), ' ');
        out << name;
        if (info) {
            for (char part : info->operands) {
                switch (part) {
                case 'a':
                    out << ' ' << OperandText(c.src1);
                    break;
                case 'b':
                    out << ' ' << OperandText(c.src2);
                    break;
                case 'd':
                    out << " -> " << OperandText(c.dest);
                    break;
                case 'v':
                    out << " #" << c.op.value;
                    break;
                case 't':
                    out << " @" << c.op.value;
                    break;
                default:
                    break;
                }
            }
        }
        out << '\n';
    }
    return out.str();
}

std::string Mnemonics(const TSBCodeList& code) {
    std::string out;
    for (const auto& c : code.Instructions) {
        const OpInfo* info = FindOpInfo(c.op.kind);
        if (!out.empty()) out += ' ';
        out += info ? std::string(info->mnemonic) : "OP" + std::to_string(c.op.kind);
    }
    return out;
}

} // namespace koralix::macro
