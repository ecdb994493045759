#include "CifPhase.h"

#include "CifDocument.h"
#include "Messenger.h"
#include "NameTables.h"
#include "SpaceGroupLibrary.h"
#include "SpaceGroupResolver.h"
#include "TextFile.h"
#include "TextHelpers.h"

#include <gemmi/elem.hpp> // element symbols, to type atoms by their label

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>
#include <optional>
#include <vector>

namespace koralix {

namespace {

// ---- Values ----

// A text value, its lines and blank runs joined by one blank.
std::string TextValue(const TCifValue* value) {
    if (value == nullptr || !*value) return {};
    std::string out;
    for (char c : **value) {
        bool blank = static_cast<unsigned char>(c) <= ' ';
        if (blank && (out.empty() || out.back() == ' ')) continue;
        out += blank ? ' ' : c;
    }
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

// A simple fraction "1/3" as some files write special positions.
std::optional<float> FractionValue(std::string_view text) {
    size_t slash = text.find('/');
    int numerator = 0, denominator = 0;
    auto [n, ne] = std::from_chars(text.data() + (text[0] == '+'), text.data() + slash, numerator);
    auto [d, de] = std::from_chars(text.data() + slash + 1, text.data() + text.size(), denominator);
    if (ne != std::errc() || de != std::errc() || n != text.data() + slash ||
        d != text.data() + text.size() || denominator == 0)
        return std::nullopt;
    return static_cast<float>(static_cast<double>(numerator) / denominator);
}

// A numeric value: nothing when the file does not give it ("?", "."); the
// standard uncertainty in parentheses is dropped; other text reads as the
// program reads numbers everywhere (invalid text is 0).
std::optional<float> NumberValue(const TCifValue* value) {
    if (value == nullptr || !*value) return std::nullopt;
    std::string text = TrimText((*value)->substr(0, (*value)->find('(')));
    if (!text.empty() && text.find('/') != std::string::npos)
        if (std::optional<float> fraction = FractionValue(text)) return fraction;
    try {
        float value = TextToReal(text);
        return std::isfinite(value) ? value : 0.0f; // "nan" and "inf" are no numbers here
    } catch (const NumericOverflow&) {
        return 0.0f;
    }
}

void SetNumber(const TCifBlock& block, const char* tag, float& field) {
    if (std::optional<float> value = NumberValue(block.Value(tag))) field = *value;
}

// ---- Phase fields ----

void ReadCell(const TCifBlock& block, TPhase& phase) {
    SetNumber(block, "_cell_length_a", phase.A);
    SetNumber(block, "_cell_length_b", phase.B);
    SetNumber(block, "_cell_length_c", phase.C);
    SetNumber(block, "_cell_angle_alpha", phase.Alpha);
    SetNumber(block, "_cell_angle_beta", phase.Beta);
    SetNumber(block, "_cell_angle_gamma", phase.Gamma);
    // Z counts formula units: a value below 1 is no count at all.
    if (std::optional<float> z = NumberValue(block.Value("_cell_formula_units_Z")))
        if (*z >= 1 && *z < 1e6f) phase.Z = static_cast<int32_t>(std::lround(*z));
}

void ReadTitle(const TCifBlock& block, TPhase& phase) {
    for (const char* tag : {"_chemical_formula_structural", "_chemical_formula_sum"}) {
        std::string title = TextValue(block.Value(tag));
        if (!title.empty()) {
            phase.Name = title;
            return;
        }
    }
}

// What gemmi's triplet parser may safely be given: its integers overflow on
// long digit runs or long sums, and real operators are short ("-x+3/4").
bool PlausibleTriplet(const std::string& text) {
    constexpr size_t MaxLength = 64, MaxDigits = 2;
    size_t digits = 0;
    for (char c : text) {
        digits = std::isdigit(static_cast<unsigned char>(c)) ? digits + 1 : 0;
        if (digits > MaxDigits) return false;
    }
    return text.size() <= MaxLength;
}

// No space group has more operations than F m -3 m.
constexpr size_t MaxOperations = 192;

const gemmi::SpaceGroup* GroupFromOperators(const TCifBlock& block) {
    for (const char* tag : {"_space_group_symop_operation_xyz", "_symmetry_equiv_pos_as_xyz"}) {
        std::vector<const TCifValue*> values = block.Values(tag);
        if (values.empty()) continue;
        if (values.size() > MaxOperations) return nullptr;
        try {
            std::vector<gemmi::Op> operations;
            for (const TCifValue* value : values) {
                std::string triplet = value->value_or("");
                if (!PlausibleTriplet(triplet)) return nullptr;
                operations.push_back(gemmi::parse_triplet(triplet).wrap());
            }
            return gemmi::find_spacegroup_by_ops(gemmi::split_centering_vectors(operations));
        } catch (const std::exception&) {
            return nullptr; // operators gemmi cannot read: the names decide
        }
    }
    return nullptr;
}

// Only Hall symbols of gemmi's table are taken: gemmi's Hall parser is not
// safe against malformed symbols (it reads outside its arrays on some), and
// database files write the table's symbols.
const gemmi::SpaceGroup* GroupFromHall(const TCifBlock& block) {
    for (const char* tag : {"_space_group_name_Hall", "_symmetry_space_group_name_Hall"}) {
        std::string hall = TextValue(block.Value(tag));
        if (hall.empty()) continue;
        for (const gemmi::SpaceGroup& group : gemmi::spacegroup_tables::main)
            if (EqualNoCase(group.hall, hall)) return &group;
        return nullptr;
    }
    return nullptr;
}

std::string HermannMauguinText(const TCifBlock& block) {
    for (const char* tag : {"_symmetry_space_group_name_H-M", "_space_group_name_H-M_alt"}) {
        std::string text = TextValue(block.Value(tag));
        if (!text.empty()) return text;
    }
    return {};
}

bool SameSetting(const gemmi::SpaceGroup* a, const gemmi::SpaceGroup* b) {
    return a != nullptr && b != nullptr && std::strcmp(a->hall, b->hall) == 0;
}

bool Near(float a, float b) {
    return std::fabs(a - b) < 0.01f;
}

// a = b = c and alpha = beta = gamma, not 90 degrees.
bool IsRhombohedralCell(const TPhase& phase) {
    return Near(phase.A, phase.B) && Near(phase.A, phase.C) && Near(phase.Alpha, phase.Beta) &&
           Near(phase.Alpha, phase.Gamma) && !Near(phase.Alpha, 90.0f);
}

// The symmetry operators and the Hall symbol are exact; the H-M name leaves
// the origin and the axes to convention, so it only decides when they are
// missing. A bare R name on a cell with rhombohedral angles means
// rhombohedral axes.
void ReadSpaceGroup(const TCifBlock& block, TPhase& phase) {
    const std::string named = HermannMauguinText(block);
    const gemmi::SpaceGroup* byName = named.empty() ? nullptr : ResolveSpaceGroup(named);
    const gemmi::SpaceGroup* group = GroupFromOperators(block);
    if (group == nullptr) group = GroupFromHall(block);
    if (group == nullptr && byName != nullptr && byName->ext == 'H' && IsRhombohedralCell(phase) &&
        named.find(':') == std::string::npos)
        group = ResolveSpaceGroup(named + ":R");
    if (group == nullptr) group = byName;
    if (group == nullptr) {
        if (!named.empty()) phase.SpaceGroup = named; // unknown: the user sees "Unknown SG"
        return;
    }
    const bool keepText = SameSetting(byName, group) && named.size() <= SymbolBufferLength;
    phase.SpaceGroup = keepText ? named : SymbolOfSpaceGroup(*group);
}

// ---- Atoms ----

enum TAtomTag { tagLabel, tagType, tagX, tagY, tagZ, tagOccupancy, tagB, tagU, AtomTagCount };
const std::array<std::string, AtomTagCount> AtomTagNames = {
    "_atom_site_label",          "_atom_site_type_symbol",   "_atom_site_fract_x",
    "_atom_site_fract_y",        "_atom_site_fract_z",       "_atom_site_occupancy",
    "_atom_site_B_iso_or_equiv", "_atom_site_U_iso_or_equiv"};
// Tags that make a loop the atom-site loop.
constexpr int SiteTagCount = tagZ + 1;

using TAtomRow = std::array<const TCifValue*, AtomTagCount>;

std::vector<TAtomRow> LoopRows(const TCifLoop& loop, const std::array<int, AtomTagCount>& columns) {
    std::vector<TAtomRow> rows(loop.Rows());
    for (size_t row = 0; row < rows.size(); ++row)
        for (int k = 0; k < AtomTagCount; ++k)
            rows[row][k] = columns[k] < 0 ? nullptr : &loop.At(row, columns[k]);
    return rows;
}

// The atom-site loop, or the site given as single items when there is no loop.
std::vector<TAtomRow> AtomRows(const TCifBlock& block) {
    for (const TCifLoop& loop : block.loops) {
        std::array<int, AtomTagCount> columns;
        bool isSiteLoop = false;
        for (int k = 0; k < AtomTagCount; ++k) {
            columns[k] = loop.Column(AtomTagNames[k]);
            isSiteLoop = isSiteLoop || (k < SiteTagCount && columns[k] >= 0);
        }
        if (isSiteLoop) return LoopRows(loop, columns);
    }
    TAtomRow single{};
    bool any = false;
    for (int k = 0; k < AtomTagCount; ++k) {
        single[k] = block.Value(AtomTagNames[k]);
        any = any || (k < SiteTagCount && single[k] != nullptr);
    }
    if (!any) return {};
    return {single};
}

// "Si1" -> "Si", "O12" -> "O", "Ca2a" -> "Ca": the element a label starts with.
std::string ElementOfLabel(const std::string& label) {
    size_t letters = 0;
    while (letters < label.size() && letters < 2 &&
           std::isalpha(static_cast<unsigned char>(label[letters])))
        ++letters;
    for (size_t length = letters; length > 0; --length) {
        std::string symbol = label.substr(0, length);
        if (gemmi::find_element(symbol.c_str()) != gemmi::El::X) return symbol;
    }
    return {};
}

bool IsIonName(const std::string& name) {
    const auto& table = IonNameTable();
    return std::find(table.begin(), table.end(), name) != table.end();
}

// CIF writes charges after the number ("Fe3+", "O2-", "Na+"); the program's
// atom-type names put the sign first ("FE+3", "O-2", "NA+1"). An ion the
// program has no name for ("C4-") becomes its neutral atom, whose scattering
// the program knows; anything else keeps the file's spelling.
std::string ProgramTypeName(const std::string& type) {
    size_t letters = 0;
    while (letters < type.size() && std::isalpha(static_cast<unsigned char>(type[letters])))
        ++letters;
    std::string_view charge = std::string_view(type).substr(letters);
    if (letters == 0 || charge.empty()) return Pad4Upper(type);
    char sign = charge.back();
    std::string_view digits = charge.substr(0, charge.size() - 1);
    if ((sign != '+' && sign != '-') ||
        digits.find_first_not_of("0123456789") != std::string_view::npos)
        return Pad4Upper(type);
    std::string ion = Pad4Upper(type.substr(0, letters) + sign +
                                (digits.empty() ? std::string("1") : std::string(digits)));
    std::string atom = Pad4Upper(type.substr(0, letters));
    return !IsIonName(ion) && IsIonName(atom) ? atom : ion;
}

float SiteOccupancyFactor(const gemmi::SpaceGroup* group, const TAtom& atom, float occupancy) {
    if (group == nullptr) return occupancy;
    const gemmi::GroupOps& operations = OperationsOf(*group);
    int32_t site = SiteMultiplicityOf(operations, atom.X, atom.Y, atom.Z);
    return occupancy * static_cast<float>(site) / static_cast<float>(operations.order());
}

TAtom AtomOfRow(const TAtomRow& row, const gemmi::SpaceGroup* group) {
    TAtom atom;
    const std::string label = TextValue(row[tagLabel]);
    std::string type = TextValue(row[tagType]);
    if (type.empty()) type = ElementOfLabel(label);
    if (row[tagLabel] != nullptr) atom.Label = Pad4Upper(label);
    if (row[tagType] != nullptr || !type.empty()) atom.AtomType = ProgramTypeName(type);
    atom.X = NumberValue(row[tagX]).value_or(atom.X);
    atom.Y = NumberValue(row[tagY]).value_or(atom.Y);
    atom.Z = NumberValue(row[tagZ]).value_or(atom.Z);
    if (std::optional<float> b = NumberValue(row[tagB]))
        atom.B = *b;
    else if (std::optional<float> u = NumberValue(row[tagU]))
        atom.B = static_cast<float>(8 * std::numbers::pi * std::numbers::pi * *u);
    atom.N = SiteOccupancyFactor(group, atom, NumberValue(row[tagOccupancy]).value_or(1.0f));
    return atom;
}

void ReadAtoms(const TCifBlock& block, TPhase& phase) {
    const gemmi::SpaceGroup* group = ResolveSpaceGroup(phase.SpaceGroup.str());
    for (const TAtomRow& row : AtomRows(block))
        phase.AddAtom(AtomOfRow(row, group));
}

void FillPhase(const TCifBlock& block, TPhase& phase) {
    ReadCell(block, phase);
    ReadTitle(block, phase);
    ReadSpaceGroup(block, phase);
    ReadAtoms(block, phase);
}

} // namespace

TCifResult ReadCifPhaseText(std::string_view text, const std::string& sourceName, TPhase& phase,
                            Messenger& messenger) {
    TCifFirstBlock first = ReadFirstCifBlock(text, sourceName);
    try {
        if (first.block) FillPhase(*first.block, phase);
    } catch (const std::exception& e) {
        // No fault of a file may end the program.
        if (first.fault.empty()) first.fault = e.what();
    }
    if (first.fault.empty()) return TCifResult::Read;
    messenger.Message("Invalid CIF file\n" + sourceName + ", " + first.fault);
    return TCifResult::Invalid;
}

TCifResult ReadCifPhase(const std::string& fileName, TPhase& phase, Messenger& messenger) {
    TextFileRead file = ReadTextFile(fileName);
    if (!file.Text) {
        // A missing file is the caller's to report; any other cause is said here.
        if (!file.Missing) messenger.Message(file.Problem);
        return TCifResult::NotOpened;
    }
    return ReadCifPhaseText(*file.Text, fileName, phase, messenger);
}

} // namespace koralix
