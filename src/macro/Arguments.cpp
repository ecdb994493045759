#include "Arguments.h"

#include "Values.h"

namespace koralix::macro {

uint8_t* ArgPointer(const TSBCodeList& code, int i, int j) {
    const Argument* a = code.ArgumentAt(i);
    if (!a || !a->type || j < 0) return nullptr;
    const int64_t size = a->type->size;
    const int64_t start = size * j;
    if (start + size > a->bytes) return nullptr;
    return a->addr + start;
}

char ArgType(const TSBCodeList& code, int i) {
    const Argument* a = code.ArgumentAt(i);
    return a ? a->letter : 0;
}

int32_t ArgInt(const TSBCodeList& code, int i) {
    const uint8_t* p = ArgPointer(code, i);
    return p ? ReadInt(ArgType(code, i), p) : 0;
}

float ArgSingle(const TSBCodeList& code, int i) {
    return ToSingle(ArgDouble(code, i));
}

double ArgDouble(const TSBCodeList& code, int i) {
    const uint8_t* p = ArgPointer(code, i);
    return p ? ReadReal(ArgType(code, i), p) : 0;
}

double ArgDate(const TSBCodeList& code, int i) {
    const uint8_t* p = ArgPointer(code, i);
    return p ? ReadDate(ArgType(code, i), p) : 0;
}

bool ArgIsString(const TSBCodeList& code, int i) {
    return ArgType(code, i) == kString && ArgPointer(code, i) != nullptr;
}

std::string ArgString(const TSBCodeList& code, int i) {
    if (!ArgIsString(code, i)) return {};
    return std::string(ReadString(kString, ArgPointer(code, i)));
}

void SetArgString(const TSBCodeList& code, int i, const std::string& text) {
    if (ArgIsString(code, i)) StoreString(kString, ArgPointer(code, i), text);
}

} // namespace koralix::macro
