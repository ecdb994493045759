// Fixed name tables shared by several windows: ion and atom-type names,
// parameter-type names, macro status texts and input-line labels.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace koralix {

inline constexpr int IonNameCount = 206;

// The ion table in its own order: four characters each, upper case, blank-filled.
const std::array<std::string_view, IonNameCount>& IonNameTable();
// Replaces the list's contents by the ion names, sorted without regard to case.
void FillIonNames(std::vector<std::string>& names);

// Name of the parameter type t at histogram h, phase p; "undefined" when the
// address names no known type.
std::string ParameterTypeName(int h, int p, int t);
// Text for a refinement or macro status code, as GETERROR returns it.
std::string MacroStatusText(int code);
// Label of the first lines of an input file, by line kind (1 to 5).
std::string InputLineLabel(int kind);

} // namespace koralix
