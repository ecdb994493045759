// Types, fields and variables of KoraBasic. Every value lives in bytes: a
// variable owns type size x element count bytes (or points into another
// variable's bytes when it is a reference), so arrays, object fields and
// by-reference parameters are all addresses into the same storage.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace koralix::macro {

// Type letters.
inline constexpr char kSingle = '0';
inline constexpr char kInteger = '1';
inline constexpr char kDouble = '2';
inline constexpr char kString = '3';
inline constexpr char kDate = '4';
inline constexpr char kObject = '6';

inline constexpr int kStringSize = 256; // length byte + 255 characters
inline constexpr int kMaxStringLength = 255;

// Indices of the built-in types, created in this order.
enum BuiltinType : int {
    kBooleanType,
    kIntegerType,
    kSingleType,
    kFloatType,
    kDoubleType,
    kStringType,
    kDateType,
    kBuiltinTypeCount
};

inline bool IsNumeric(char letter) {
    return letter == kSingle || letter == kInteger || letter == kDouble;
}

// A data field (name, type, length) or a method entry (name, result type,
// function index) of a class.
struct TSBField {
    std::string name;
    int typeIndex = 0;
    int length = 1;
    int offset = 0;         // byte offset of a data field inside the object
    int functionIndex = -1; // method entries only
};

struct TSBType {
    std::string name;
    char letter = kSingle;
    int size = 0;
    int index = 0;
    int parent = -1;
    std::vector<TSBField> fields;
    std::vector<TSBField> methods;

    const TSBField* FindField(const std::string& n) const;
    const TSBField* FindMethod(const std::string& n) const;
};

using TypeList = std::vector<std::unique_ptr<TSBType>>;

void AddBuiltinTypes(TypeList& types);
// The built-in type that holds results of a letter (INTEGER, SINGLE, ...).
int TypeIndexOfLetter(char letter);

struct TSBVar {
    std::string name;
    const TSBType* type = nullptr;
    char letter = kSingle;
    int32_t count = 1;
    int32_t size = 0; // bytes of all elements
    std::vector<uint8_t> storage;
    uint8_t* data = nullptr;
    bool isRef = false;

    TSBVar() = default;
    TSBVar(std::string n, const TSBType* t, int32_t c, bool reference);
    TSBVar(const TSBVar&) = delete;
    TSBVar& operator=(const TSBVar&) = delete;

    int ElementSize() const { return type ? type->size : 0; }
    // Temporaries take the type of each result; their buffer keeps at least
    // `capacity` bytes so that re-typing never reallocates during a run.
    void Retype(const TSBType* t);
    void Reserve(int bytes);
};

using VarList = std::vector<std::unique_ptr<TSBVar>>;

} // namespace koralix::macro
