#include "NameTables.h"

#include "ParameterTable.h"

#include <algorithm>

namespace koralix {

namespace {

// clang-format off
constexpr std::array<std::string_view, IonNameCount> IonNames = {
    "H   ", "H-1 ", "D   ", "HE  ", "LI  ", "LI+1", "BE  ", "BE+2", "B   ", "C   ", "CVAL",
    "N   ", "O   ", "O-1 ", "O-2 ", "F   ", "F-1 ", "NE  ", "NA  ", "NA+1", "MG  ", "MG+2",
    "AL  ", "AL+3", "SI  ", "SIV ", "SI+4", "P   ", "S   ", "CL  ", "CL-1", "AR  ", "K   ",
    "K+1 ", "CA  ", "CA+2", "SC  ", "SC+3", "TI  ", "TI+2", "TI+3", "TI+4", "V   ", "V+2 ",
    "V+3 ", "V+5 ", "CR  ", "CR+2", "CR+3", "MN  ", "MN+2", "MN+3", "MN+4", "FE  ", "FE+2",
    "FE+3", "CO  ", "CO+2", "CO+3", "NI  ", "NI+2", "NI+3", "CU  ", "CU+1", "CU+2", "ZN  ",
    "ZN+2", "GA  ", "GA+3", "GE  ", "GE+4", "AS  ", "SE  ", "BR  ", "BR-1", "KR  ", "RB  ",
    "RB+1", "SR  ", "SR+2", "Y   ", "Y+3 ", "ZR  ", "ZR+4", "NB  ", "NB+3", "NB+5", "MO  ",
    "MO+3", "MO+5", "MO+6", "TC  ", "RU  ", "RU+3", "RU+4", "RH  ", "RH+3", "RH+4", "PD  ",
    "PD+2", "PD+4", "AG  ", "AG+1", "AG+2", "CD  ", "CD+2", "IN  ", "IN+3", "SN  ", "SN+2",
    "SN+4", "SB  ", "SB+3", "SB+5", "TE  ", "I   ", "I-1 ", "XE  ", "CS  ", "CS+1", "BA  ",
    "BA+2", "LA  ", "LA+3", "CE  ", "CE+3", "CE+4", "PR  ", "PR+3", "PR+4", "ND  ", "ND+3",
    "EU+2", "EU+3", "EU  ", "GD+3", "GD  ", "TB+3", "TB  ", "DY+3", "DY  ", "HO+3", "HO  ",
    "ER  ", "ER+3", "TM  ", "TM+3", "YB  ", "YB+2", "YB+3", "LU  ", "LU+3", "HF  ", "HF+4",
    "TA  ", "TA+5", "W   ", "W+6 ", "RE  ", "OS  ", "OS+4", "IR  ", "IR+3", "IR+4", "PT  ",
    "PT+2", "PT+4", "AU  ", "AU+1", "AU+3", "HG  ", "HG+1", "HG+2", "TL  ", "TL+1", "TL+3",
    "PB  ", "PB+2", "PB+4", "BI  ", "BI+3", "BI+5", "TH  ", "TH+4", "U   ", "U+3 ", "U+4 ",
    "U+6 ", "NP  ", "NP+3", "NP+4", "NP+6", "PU  ", "PU+3", "PU+4", "PU+6", "PM  ", "SM  ",
    "AM  ", "CM  ", "RA  ", "RA+2", "AC+2", "AC  ", "CF  ", "BK  ",
};
// clang-format on

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool LessIgnoringCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return LowerAscii(x) < LowerAscii(y);
    });
}

// The parameters window's name of a kind and type, "undefined" when it has none.
std::string TypeTitle(int kind, int t) {
    const TParameterEntry* entry = FindParameterEntry(kind, t);
    const std::string title = entry ? EntryTitle(*entry, t) : std::string();
    return title.empty() ? "undefined" : title;
}

struct StatusText {
    int code;
    const char* text;
};

constexpr std::array<StatusText, 28> StatusTexts = {{
    {0, "No error."},
    {1, "Error opening input file"},
    {2, "Error opening output file"},
    {3, "Error opening temporary files"},
    {4, "Error opening bond file"},
    {5, "Error closing files"},
    {6, "Error opening data file"},
    {10, "Trying to get a histogram greater than dimensioned"},
    {21, "Error reading data file"},
    {22, "Error reading data file"},
    {23, "Error reading data file"},
    {31, "End of input file"},
    {32, "Error reading file 4"},
    {33, "Error reading file 2"},
    {34, "Error reading input file"},
    {35, "More histograms than allowed."},
    {70, "No LeBail file for reading"},
    {71, "Error reading LeBail file"},
    {80, "Not enough points to allocate the full peak width."},
    {200, "Unstable Refinement - change value/number of parameters"},
    {499, "Error in function arguments"},
    {500, "Error copying files"},
    {501, "Error renaming files"},
    {502, "Error deleting files"},
    {503, "Error moving files"},
    {504, "Invalid filename"},
    {900, "Internal DLL problem."},
    {901, "DLL problem, not continuing with computations."},
}};

constexpr std::array<const char*, 6> InputLineLabels = {
    "",
    "Title",
    "nhist, nphase, ...",
    "Control Options,...",
    "Wavelengths,ratio,...",
    "Ncycle,damping,thetas,...",
};

} // namespace

const std::array<std::string_view, IonNameCount>& IonNameTable() {
    return IonNames;
}

void FillIonNames(std::vector<std::string>& names) {
    names.assign(IonNames.begin(), IonNames.end());
    std::stable_sort(names.begin(), names.end(), LessIgnoringCase);
}

std::string ParameterTypeName(int h, int p, int t) {
    // The phase names cover the phase and the sample types, which share one list.
    if (h == 0 && p >= 1)
        return FindParameterEntry(KindPhase, t) ? TypeTitle(KindPhase, t) : TypeTitle(KindSample, t);
    if (h >= 1 && p == 0) return TypeTitle(KindHistogram, t);
    return "undefined";
}

std::string MacroStatusText(int code) {
    for (const auto& entry : StatusTexts)
        if (entry.code == code) return entry.text;
    return "Error: " + std::to_string(code);
}

std::string InputLineLabel(int kind) {
    if (kind < 0 || kind >= static_cast<int>(InputLineLabels.size())) return {};
    return InputLineLabels[static_cast<size_t>(kind)];
}

} // namespace koralix
