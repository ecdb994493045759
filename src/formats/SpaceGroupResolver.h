// The one place where a space-group symbol gets its meaning. The workbench and
// the refinement engine must agree on the setting a symbol stands for, so both
// resolve symbols only through ResolveSpaceGroup.
#pragma once

#include <gemmi/symmetry.hpp> // SpaceGroup, GroupOps

#include <string>
#include <string_view>

namespace koralix {

// The group a Hermann-Mauguin symbol names, or nullptr when it names none.
//
// Case and blanks do not matter ("p 21/c", " P 21/C ", "P21/c"). Settings are
// those powder programs use for the short symbol:
// - groups with two origin choices: origin 2, at a centre of symmetry; ":1"
//   asks for origin 1 and ":2" for origin 2 explicitly;
// - R groups: hexagonal axes; rhombohedral axes when the symbol ends in ":R"
//   or, as GSAS writes it, in a separate " R" (":H" and " H" ask for
//   hexagonal axes explicitly);
// - monoclinic short symbols: unique axis b.
// Full and alternative spellings are accepted ("P 1 21/c 1", "Fm-3m",
// "P 63/m m c", "R -3 c:H"), and so are the table's cubic symbols written
// without the bar ("F M 3 M", "P 4 3 M"). A CIF annotation in braces after
// the symbol is ignored. A bare number is not a symbol.
const gemmi::SpaceGroup* ResolveSpaceGroup(std::string_view symbol);

// The symbol, upper case and at most 20 characters, that ResolveSpaceGroup
// turns back into `group`: the table symbol when that names this very
// setting, else the shortest spelling that does.
std::string SymbolOfSpaceGroup(const gemmi::SpaceGroup& group);

// The symmetry operations of a group (centring included), built once per group.
const gemmi::GroupOps& OperationsOf(const gemmi::SpaceGroup& group);

} // namespace koralix
