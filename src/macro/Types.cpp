#include "Types.h"

#include <algorithm>
#include <cstring>

namespace koralix::macro {

const TSBField* TSBType::FindField(const std::string& n) const {
    for (const auto& f : fields)
        if (f.name == n) return &f;
    return nullptr;
}

const TSBField* TSBType::FindMethod(const std::string& n) const {
    for (const auto& m : methods)
        if (m.name == n) return &m;
    return nullptr;
}

void AddBuiltinTypes(TypeList& types) {
    struct Builtin {
        const char* name;
        char letter;
        int size;
    };
    static constexpr Builtin builtins[] = {
        {"BOOLEAN", kInteger, 4}, {"INTEGER", kInteger, 4}, {"SINGLE", kSingle, 4},
        {"FLOAT", kSingle, 4},    {"DOUBLE", kDouble, 8},   {"STRING", kString, kStringSize},
        {"DATE", kDate, 8},
    };
    for (const auto& b : builtins) {
        auto t = std::make_unique<TSBType>();
        t->name = b.name;
        t->letter = b.letter;
        t->size = b.size;
        t->index = static_cast<int>(types.size());
        types.push_back(std::move(t));
    }
}

int TypeIndexOfLetter(char letter) {
    switch (letter) {
    case kInteger:
        return kIntegerType;
    case kDouble:
        return kDoubleType;
    case kString:
        return kStringType;
    case kDate:
        return kDateType;
    default:
        return kSingleType;
    }
}

TSBVar::TSBVar(std::string n, const TSBType* t, int32_t c, bool reference)
    : name(std::move(n)), type(t), letter(t->letter), count(c), size(t->size * c),
      isRef(reference) {
    if (!isRef) {
        storage.assign(static_cast<size_t>(size), 0);
        data = storage.data();
    }
}

void TSBVar::Reserve(int bytes) {
    if (static_cast<int>(storage.size()) < bytes) {
        storage.resize(static_cast<size_t>(bytes), 0);
        data = storage.data();
    }
}

void TSBVar::Retype(const TSBType* t) {
    if (type == t) return;
    type = t;
    letter = t->letter;
    count = 1;
    size = t->size;
    Reserve(size);
    std::fill(data, data + size, 0); // data may be a callee's working copy
}

} // namespace koralix::macro
