// The fixed list of the 230 space-group symbols, numbered as in the
// International Tables, from which the user picks a symbol or types its number.
#pragma once

#include <string>
#include <string_view>

namespace koralix {

constexpr int SpaceGroupCount = 230;

// The table symbol of space group `number` (1 to 230), or "" outside that range.
std::string SpaceGroupSymbol(int number);

// What the phase editor does when Enter is pressed in the symbol field: a
// number from 1 to 230 becomes its table symbol, any other text is kept.
std::string SymbolForNumberText(std::string_view text);

} // namespace koralix
