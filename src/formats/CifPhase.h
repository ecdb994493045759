// Reading one phase from a Crystallographic Information File: cell, Z,
// space group, a title and the atom sites of the first data block.
#pragma once

#include "Model.h"

#include <string>
#include <string_view>

namespace koralix {

class Messenger;

enum class TCifResult {
    Read,      // the first data block was read completely
    NotOpened, // the file could not be opened; the phase is untouched. Why is
               // shown, except for a missing file, which the caller reports
    Invalid,   // "Invalid CIF file" was shown; what was read before the fault is kept
};

// Fills `phase` from the first data block of the file. Values the file does
// not give keep what the phase held.
//
// Taken from the file (tag names compared without regard to case):
// - cell: _cell_length_a/b/c, _cell_angle_alpha/beta/gamma; _cell_formula_units_Z;
// - title: _chemical_formula_structural, else _chemical_formula_sum;
// - space group: from the symmetry operators (_space_group_symop_operation_xyz
//   or _symmetry_equiv_pos_as_xyz) when they name a known setting, else from
//   the Hall symbol, else from _symmetry_space_group_name_H-M or
//   _space_group_name_H-M_alt. The stored symbol is one ResolveSpaceGroup
//   turns into that same setting: the file's own H-M text when it does,
//   else the program's spelling ("F D -3 M:1" for origin 1);
// - atoms, in file order: label and type symbol (trimmed, cut to 4, upper
//   case; a missing type comes from the label's element, a charge written
//   "Fe3+" becomes "FE+3", an ion without a program name its neutral atom),
//   fractional x, y, z (simple fractions such as 1/3
//   are read), B from _atom_site_B_iso_or_equiv or 8 pi^2 times
//   _atom_site_U_iso_or_equiv, and N, the occupancy times the site
//   multiplicity over the general multiplicity when the group is known.
// Numbers lose their standard uncertainty in parentheses; "?" and "." mean
// the value is not given.
TCifResult ReadCifPhase(const std::string& fileName, TPhase& phase, Messenger& messenger);

// The same for CIF text already in memory; `sourceName` names it in messages.
TCifResult ReadCifPhaseText(std::string_view text, const std::string& sourceName, TPhase& phase,
                            Messenger& messenger);

} // namespace koralix
