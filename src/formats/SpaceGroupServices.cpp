#include "SpaceGroupServices.h"

#include "SpaceGroupLibrary.h"
#include "TextHelpers.h"

#include <array>

namespace koralix {

namespace {

// The general position the program has always asked about when only the
// symbol matters.
constexpr float GeneralX = 1.0f / 108, GeneralY = 1.0f / 54, GeneralZ = 1.0f / 36;

struct TLibraryAnswer {
    std::array<int32_t, SpaceGroupInfoCount> info{};
    bool valid = false;
};

TLibraryAnswer AskLibrary(std::string_view symbol, float x, float y, float z) {
    TLibraryAnswer answer;
    std::string text = TrimText(symbol);
    if (text.size() > SymbolBufferLength) return answer;
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    std::array<char, SymbolBufferLength + 1> buffer;
    buffer.fill(' ');
    text.copy(buffer.data(), text.size());
    buffer[SymbolBufferLength] = '\0';
    const float position[3] = {x, y, z};
    int32_t error = 0;
    spacegp(buffer.data(), position, answer.info.data(), &error);
    answer.valid = error == 0;
    return answer;
}

int32_t CrystalSystemOfLaueCode(int32_t laue) {
    switch (laue) {
    case LaueTriclinic:
        return csTriclinic;
    case LaueMonoclinic:
        return csMonoclinic;
    case LaueOrthorhombic:
        return csOrthorhombic;
    case LaueTetragonalLow:
    case LaueTetragonalHigh:
        return csTetragonal;
    case LaueRhombohedralLow:
    case LaueRhombohedralHigh:
        return csTrigonalRh;
    case LaueTrigonalLow:
    case LaueTrigonal3m1:
    case LaueTrigonal31m:
        return csTrigonalHex;
    case LaueHexagonalLow:
    case LaueHexagonalHigh:
        return csHexagonal;
    case LaueCubicLow:
    case LaueCubicHigh:
        return csCubic;
    default:
        return csUnknown;
    }
}

} // namespace

TCrystalSystem CrystalSystem(std::string_view symbol) {
    TLibraryAnswer answer = AskLibrary(symbol, GeneralX, GeneralY, GeneralZ);
    if (!answer.valid) return {};
    return {CrystalSystemOfLaueCode(answer.info[0]), answer.info[7]};
}

int32_t GeneralMultiplicity(std::string_view symbol) {
    TLibraryAnswer answer = AskLibrary(symbol, GeneralX, GeneralY, GeneralZ);
    return answer.valid ? answer.info[1] : 0;
}

int32_t SiteMultiplicity(std::string_view symbol, float x, float y, float z) {
    TLibraryAnswer answer = AskLibrary(symbol, x, y, z);
    return answer.valid ? answer.info[2] : 0;
}

std::string CrystalSystemName(int32_t code) {
    static const std::array<const char*, 9> names = {"Triclinic",  "Monoclinic",   "Orthorhombic",
                                                     "Tetragonal", "Trigonal[Rh]", "Trigonal[Hex]",
                                                     "Hexagonal",  "Cubic",        "Unknown SG"};
    if (code < 0 || code >= static_cast<int32_t>(names.size())) code = csUnknown;
    return names[static_cast<size_t>(code)];
}

} // namespace koralix
