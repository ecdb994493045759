#include "MacroError.h"

#include <cstdlib>

namespace koralix::macro {

void Fault(const std::string& message) {
    throw MacroFault(message);
}
void IntegerOverflow() {
    Fault("Integer overflow");
}
void RangeError() {
    Fault("Range check error");
}
void InvalidFloat() {
    Fault("Invalid floating point operation");
}

std::string ErrorMessage(int code, const std::string& name) {
    if (code == 1) return "Invalid symbol";
    if (code >= 2 && code <= 150) return "Invalid statement";
    if (code >= 151 && code <= 200) return "Syntax error";
    switch (code) {
    case 201:
        return "Incompatible types";
    case 202:
        return "Invalid parameter";
    case 203:
    case 204:
    case 211:
        return "Incompatible parameter type";
    case 205:
    case 206:
    case 207:
        return "Wrong number of parameters";
    case 208:
    case 209:
    case 210:
        return "'" + name + "' is not an array";
    case 212:
        return "Duplicate name '" + name + "'";
    case 215:
    case 216:
    case 217:
        return "Unknown identifier '" + name + "'";
    case kTooManyParameters:
        return "Too many parameters (at most 26)";
    case kLineTooLong:
        return "Line too long (at most 255 characters)";
    case 301:
    case 303:
    case 304:
    case 305:
    case 307:
        return "Range check error";
    case 302:
        return "Invalid parameter";
    case 306:
        return "Invalid pointer";
    case 310:
        return "Too many cycles";
    case 320:
        return "Invalid command";
    default:
        break;
    }
    if (code > 300) return "Run-time error";
    return "Syntax error";
}

std::string Picture(int value, int digits) {
    std::string text = std::to_string(std::abs(static_cast<long long>(value)));
    if (static_cast<int>(text.size()) < digits)
        text.insert(0, static_cast<size_t>(digits) - text.size(), '0');
    return value < 0 ? "-" + text : text;
}

std::string TranslationMessage(int code, const std::string& name, int line) {
    return ErrorMessage(code, name) + ". Line:" + Picture(line, 4);
}

std::string RunTimeMessage(int code, int ip, int line) {
    return " Run time error :" + Picture(code, 2) + "  IP:" + Picture(ip, 4) + " " +
           "  Line:" + Picture(line, 4) + ".  " + ErrorMessage(code, "");
}

} // namespace koralix::macro
