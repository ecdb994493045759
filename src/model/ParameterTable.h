// The one table of refinable numbers. Every user of parameter addresses (the
// model's value access and labels, the parameter-name table of the windows,
// the engine's double-precision state, its relaxation groups and derivative
// paths) expands this list, so an address means the same field everywhere.
//
// Columns: constant name, kind, type number, number of consecutive types the
// row covers (the background coefficients), the field in the model's item,
// the field in the engine's item, the label of parameter lists, the name of
// the parameters window, the relaxation group (0 positions and occupancies,
// 1 anisotropic thermal, 2 scales, cell and the rest, 3 peak shape), and how
// the engine finds the pattern's derivative.
//
// The item of a kind: histogram THistogram, phase TPhase, atom TAtom, sample
// TSample, scattering TScatterFactor. For scattering rows the type number is
// the f'/f'' selector, which parameter-list addresses carry as their atom
// number (the entry number is their type).
#pragma once

#include "Parameters.h"

#include <array>
#include <cstddef>
#include <string>

namespace koralix {

// How the pattern depends on a parameter, for its derivative.
enum class TDerivativePath {
    Background, // through the background at each point
    Peaks,      // through the intensity, position, width and mixing of peaks: analytic slopes
    Shape,      // through the peak shape itself (asymmetry, TOF terms): peaks drawn again
    Unused,     // the engine does not use it
};

// clang-format off
#define KORALIX_PARAMETER_TABLE(ROW)                                                                          \
    ROW(HistZero,         KindHistogram, 1,  1,  Zero,             Zero,            "Zero",                  "Zero",                  2, Peaks)      \
    ROW(HistBackground,   KindHistogram, 2,  12, Background.Coeff, Background,      "Background ",           "Background ",           2, Background) \
    ROW(HistScale,        KindHistogram, 14, 1,  Scale,            Scale,           "Histogram Scale",       "Histogram Scale",       2, Peaks)      \
    ROW(HistWave1,        KindHistogram, 15, 1,  Wave1,            Wave1,           "Wavelength 1/DifC",     "Wavelength 1 or DIFC",  2, Peaks)      \
    ROW(HistWave2,        KindHistogram, 16, 1,  Wave2,            Wave2,           "DifA",                  "Wavelength 2 or DIFA",  2, Peaks)      \
    ROW(HistDisplacement, KindHistogram, 17, 1,  Displacement,     Displacement,    "Sample Displacement",   "",                      2, Peaks)      \
    ROW(HistExtra18,      KindHistogram, 18, 1,  Extra18,          Extra18,         "",                      "",                      2, Unused)     \
    ROW(PhaseScale,       KindPhase,     1,  1,  Scale,            Scale,           "Phase Scale",           "Phase Scale",           2, Peaks)      \
    ROW(PhaseOverallB,    KindPhase,     2,  1,  OverallB,         OverallB,        "Isotropic Thermal",     "Isotropic Thermal",     2, Peaks)      \
    ROW(PhaseA,           KindPhase,     6,  1,  A,                Cell[0],         "a",                     "a",                     2, Peaks)      \
    ROW(PhaseB,           KindPhase,     7,  1,  B,                Cell[1],         "b",                     "b",                     2, Peaks)      \
    ROW(PhaseC,           KindPhase,     8,  1,  C,                Cell[2],         "c",                     "c",                     2, Peaks)      \
    ROW(PhaseAlpha,       KindPhase,     9,  1,  Alpha,            Cell[3],         "Alpha",                 "alpha",                 2, Peaks)      \
    ROW(PhaseBeta,        KindPhase,     10, 1,  Beta,             Cell[4],         "Beta",                  "beta",                  2, Peaks)      \
    ROW(PhaseGamma,       KindPhase,     11, 1,  Gamma,            Cell[5],         "Gamma",                 "gamma",                 2, Peaks)      \
    ROW(AtomX,            KindAtom,      1,  1,  X,                X,               "x",                     "",                      0, Peaks)      \
    ROW(AtomY,            KindAtom,      2,  1,  Y,                Y,               "y",                     "",                      0, Peaks)      \
    ROW(AtomZ,            KindAtom,      3,  1,  Z,                Z,               "z",                     "",                      0, Peaks)      \
    ROW(AtomB,            KindAtom,      4,  1,  B,                B,               "B",                     "",                      0, Peaks)      \
    ROW(AtomN,            KindAtom,      5,  1,  N,                N,               "n",                     "",                      0, Peaks)      \
    ROW(AtomB11,          KindAtom,      6,  1,  B11,              Bij[0],          "B11",                   "",                      1, Peaks)      \
    ROW(AtomB22,          KindAtom,      7,  1,  B22,              Bij[1],          "B22",                   "",                      1, Peaks)      \
    ROW(AtomB33,          KindAtom,      8,  1,  B33,              Bij[2],          "B33",                   "",                      1, Peaks)      \
    ROW(AtomB12,          KindAtom,      9,  1,  B12,              Bij[3],          "B12",                   "",                      1, Peaks)      \
    ROW(AtomB13,          KindAtom,      10, 1,  B13,              Bij[4],          "B13",                   "",                      1, Peaks)      \
    ROW(AtomB23,          KindAtom,      11, 1,  B23,              Bij[5],          "B23",                   "",                      1, Peaks)      \
    ROW(SampleU,          KindSample,    3,  1,  U,                U,               "U",                     "U",                     3, Peaks)      \
    ROW(SampleV,          KindSample,    4,  1,  V,                V,               "V",                     "V",                     3, Peaks)      \
    ROW(SampleW,          KindSample,    5,  1,  W,                W,               "W",                     "W",                     3, Peaks)      \
    ROW(SamplePO,         KindSample,    12, 1,  PO,               PO,              "Preffered Orientation", "Preferred orientation", 2, Peaks)      \
    ROW(SampleAbsorption, KindSample,    13, 1,  AbsorptionR,      AbsorptionR,     "R value/Flat Plate P0", "R Absorption value",    2, Peaks)      \
    ROW(SampleAsym1,      KindSample,    14, 1,  Asym1,            Asym1,           "Asymmetery 1",          "Asymetry 1",            3, Shape)      \
    ROW(SampleGam0,       KindSample,    15, 1,  Gam0,             Gam0,            "Gam-0",                 "Gam-0",                 3, Peaks)      \
    ROW(SampleGam1,       KindSample,    16, 1,  Gam1,             Gam1,            "Gam-1",                 "Gam-1",                 3, Peaks)      \
    ROW(SampleGam2,       KindSample,    17, 1,  Gam2,             Gam2,            "Gam-2",                 "Gam-2",                 3, Peaks)      \
    ROW(SampleExtinction, KindSample,    18, 1,  Extinction,       Extinction,      "Extinction",            "Extinction",            2, Peaks)      \
    ROW(SampleUaniso,     KindSample,    19, 1,  Uaniso,           Uaniso,          "Uaniso",                "Uaniso",                3, Peaks)      \
    ROW(SampleAsym2,      KindSample,    20, 1,  Asym2,            Asym2,           "Asymmetery 2",          "Asymmetry 2",           3, Shape)      \
    ROW(SampleTofAlpha1,  KindSample,    21, 1,  TofAlpha1,        Tof[0],          "TOF Alpha-1",           "TOF alpha-1",           3, Shape)      \
    ROW(SampleTofAlpha2,  KindSample,    22, 1,  TofAlpha2,        Tof[1],          "TOF Alpha-2",           "TOF alpha-2",           3, Shape)      \
    ROW(SampleTofBeta1,   KindSample,    23, 1,  TofBeta1,         Tof[2],          "TOF Beta-1",            "TOF beta-1",            3, Shape)      \
    ROW(SampleTofBeta2,   KindSample,    24, 1,  TofBeta2,         Tof[3],          "TOF Beta-2",            "TOF beta-2",            3, Shape)      \
    ROW(SamplePore,       KindSample,    25, 1,  Pore,             Pore,            "Flat Plate Pore",       "Flat plate Pore",       2, Peaks)      \
    ROW(SampleRough,      KindSample,    26, 1,  Rough,            Rough,           "Flat Plate Rough",      "Flat plate Rough",      2, Peaks)      \
    ROW(ScatterFPrime,    KindScatter,   1,  1,  FPrime,           FPrime,          "f' :",                  "",                      2, Peaks)      \
    ROW(ScatterFDoublePrime, KindScatter, 2, 1,  FDoublePrime,     FDoublePrime,    "f'' :",                 "",                      2, Peaks)
// clang-format on

// Named type numbers (for scattering rows, the f'/f'' selector).
namespace ParamType {
#define KORALIX_PARAMETER_CONSTANT(name, kind, type, count, model, engine, label, title, relax,    \
                                   path)                                                           \
    inline constexpr int32_t name = type;
KORALIX_PARAMETER_TABLE(KORALIX_PARAMETER_CONSTANT)
#undef KORALIX_PARAMETER_CONSTANT
} // namespace ParamType

struct TParameterEntry {
    const char* Name;
    int32_t Kind;
    int32_t Type;  // first type number of the row
    int32_t Count; // consecutive type numbers it covers
    const char* Label;
    const char* Title; // the parameters window's name; empty when it has none
    int32_t RelaxGroup;
    TDerivativePath Path;
};

inline constexpr TParameterEntry ParameterEntries[] = {
#define KORALIX_PARAMETER_ENTRY(name, kind, type, count, model, engine, label, title, relax, path) \
    {#name, kind, type, count, label, title, relax, TDerivativePath::path},
    KORALIX_PARAMETER_TABLE(KORALIX_PARAMETER_ENTRY)
#undef KORALIX_PARAMETER_ENTRY
};

// The row of a kind and type number (for scattering, the f'/f'' selector);
// nullptr when none holds it.
constexpr const TParameterEntry* FindParameterEntry(int32_t kind, int32_t type) {
    for (const TParameterEntry& e : ParameterEntries)
        if (e.Kind == kind && type >= e.Type && type < e.Type + e.Count) return &e;
    return nullptr;
}

// The row of a parameter-list address (scattering: atom 1 f', 2 f'').
inline const TParameterEntry* FindParameterEntry(const TAddress& a) {
    const int32_t kind = KindOf(a);
    return FindParameterEntry(kind, kind == KindScatter ? a.Atom : a.Type);
}

// Label and title of a row for one type number: the background rows append
// the coefficient's index from 0.
std::string EntryLabel(const TParameterEntry& entry, int32_t type);
std::string EntryTitle(const TParameterEntry& entry, int32_t type);

// Value access takes a scattering value with the entry number as its atom
// number and f'/f'' as its type, the reverse of the parameter list (macros
// pass their arguments this way); these turn one form into the other.
inline TAddress ScatterValueAddress(const TAddress& listAddress) {
    return {listAddress.Histogram, listAddress.Phase, listAddress.Type, listAddress.Atom};
}
inline TAddress ScatterListAddress(const TAddress& valueAddress) {
    return ScatterValueAddress(valueAddress);
}

// The field of row `type` in an item, whether a single field or one element of
// an array field starting at the row's first type.
namespace parameter_table_detail {
template <typename T> T* Element(T& field, int32_t) {
    return &field;
}
template <typename T, size_t N> T* Element(std::array<T, N>& field, int32_t index) {
    return index >= 0 && static_cast<size_t>(index) < N ? &field[static_cast<size_t>(index)]
                                                        : nullptr;
}
template <typename T, size_t N> const T* Element(const std::array<T, N>& field, int32_t index) {
    return index >= 0 && static_cast<size_t>(index) < N ? &field[static_cast<size_t>(index)]
                                                        : nullptr;
}
} // namespace parameter_table_detail

// Rows of the body of a function template<int32_t ItemKind, typename R,
// typename Item> R* F(Item& item, int32_t typeValue) returning the field of
// type `typeValue` in `item` (an item of kind ItemKind): the model's column
// (MODEL) or the engine's (ENGINE).
#define KORALIX_PARAMETER_FIELD_MODEL(name, kind, type, count, model, engine, label, title, relax, \
                                      path)                                                        \
    if constexpr (ItemKind == kind)                                                                \
        if (typeValue >= type && typeValue < type + count)                                         \
            return ::koralix::parameter_table_detail::Element(item.model, typeValue - type);
#define KORALIX_PARAMETER_FIELD_ENGINE(name, kind, type, count, model, engine, label, title,       \
                                       relax, path)                                                \
    if constexpr (ItemKind == kind)                                                                \
        if (typeValue >= type && typeValue < type + count)                                         \
            return ::koralix::parameter_table_detail::Element(item.engine, typeValue - type);

} // namespace koralix
