// The first data block of a CIF file as plain tags and values: the syntax
// stage of the CIF import, kept apart from what the values mean.
//
// This header and CifDocument.cpp stay within C++17: clang 14 with
// libstdc++ 12 cannot compile gemmi's CIF document in C++20 mode (a vector of
// a then incomplete type), so the fuzzing build compiles that one file as
// C++17. Nothing of gemmi shows here.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace koralix {

// A value without its quotes or text-field semicolons; nothing when the file
// says it is unknown or not applicable ("?" or "." unquoted).
using TCifValue = std::optional<std::string>;

struct TCifPair {
    std::string tag;
    TCifValue value;
};

struct TCifLoop {
    std::vector<std::string> tags;
    std::vector<TCifValue> values; // row after row

    // Column of a tag (compared without regard to case), or -1.
    int Column(std::string_view tag) const;
    size_t Rows() const { return tags.empty() ? 0 : values.size() / tags.size(); }
    const TCifValue& At(size_t row, int column) const {
        return values[row * tags.size() + static_cast<size_t>(column)];
    }
};

struct TCifBlock {
    std::string name;
    std::vector<TCifPair> pairs;
    std::vector<TCifLoop> loops; // in file order

    // The value of a tag that stands alone; nullptr when there is none.
    const TCifValue* Value(std::string_view tag) const;
    // Every value of a tag, whether it stands in a loop or alone.
    std::vector<const TCifValue*> Values(std::string_view tag) const;
};

struct TCifFirstBlock {
    std::optional<TCifBlock> block; // as far as it could be read
    std::string fault;              // "line N: what is wrong"; empty when read completely
};

// Only another block or the end of the text may follow the first block.
TCifFirstBlock ReadFirstCifBlock(std::string_view text, const std::string& sourceName);

// ASCII letters compared without regard to case, as CIF compares tags.
bool EqualNoCase(std::string_view a, std::string_view b);

} // namespace koralix
