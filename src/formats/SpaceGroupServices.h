// What the phase editor and the importers ask about a space-group symbol:
// crystal system with the monoclinic unique axis, general multiplicity and
// site multiplicity. An invalid symbol gives "Unknown SG" and multiplicities
// of 0; nothing is shown to the user.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace koralix {

enum TCrystalSystemCode : int32_t {
    csTriclinic = 0,
    csMonoclinic = 1,
    csOrthorhombic = 2,
    csTetragonal = 3,
    csTrigonalRh = 4,
    csTrigonalHex = 5,
    csHexagonal = 6,
    csCubic = 7,
    csUnknown = 8,
};

struct TCrystalSystem {
    int32_t Code = csUnknown;
    int32_t UniqueAxis = 0; // monoclinic only: 1 a, 2 b, 3 c
};

// Symbols are compared upper-cased and trimmed; one longer than 20 characters
// does not fit the library's symbol buffer and counts as invalid.
TCrystalSystem CrystalSystem(std::string_view symbol);
int32_t GeneralMultiplicity(std::string_view symbol);
int32_t SiteMultiplicity(std::string_view symbol, float x, float y, float z);

// The name the phase editor shows for a crystal-system code ("Trigonal[Hex]",
// "Unknown SG" for 8 and anything out of range).
std::string CrystalSystemName(int32_t code);

} // namespace koralix
