#include "CifDocument.h"

#include <gemmi/cif.hpp> // CIF grammar and Document

#include <algorithm>
#include <cctype>

namespace koralix {

namespace cif = gemmi::cif;

namespace {

int LineAt(std::string_view text, size_t offset) {
    offset = std::min(offset, text.size());
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + offset, '\n'));
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

// The grammar ends the first block where it finds no further item. Only
// another block or the end of the text may follow; anything else is a fault
// inside the block, and the items after it would be lost without a word.
std::string CheckBlockEnd(std::string_view text, size_t offset) {
    while (offset < text.size()) {
        char c = text[offset];
        if (c == '#') {
            offset = std::min(text.find('\n', offset), text.size());
        } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            ++offset;
        } else {
            std::string_view rest = text.substr(offset);
            if (StartsWithNoCase(rest, "data_") || StartsWithNoCase(rest, "global_")) return {};
            return "line " + std::to_string(LineAt(text, offset)) + ": unexpected text";
        }
    }
    return {};
}

// An empty raw value is an item the parser stopped inside.
TCifValue ValueOf(const std::string& raw) {
    if (raw.empty() || cif::is_null(raw)) return std::nullopt;
    return cif::as_string(raw);
}

TCifBlock PlainBlock(const cif::Block& block) {
    TCifBlock plain;
    plain.name = block.name;
    for (const cif::Item& item : block.items) {
        if (item.type == cif::ItemType::Pair) {
            plain.pairs.push_back({item.pair[0], ValueOf(item.pair[1])});
        } else if (item.type == cif::ItemType::Loop) {
            TCifLoop loop;
            loop.tags = item.loop.tags;
            for (const std::string& raw : item.loop.values)
                loop.values.push_back(ValueOf(raw));
            loop.values.resize(loop.Rows() * loop.tags.size()); // drop an unfinished row
            plain.loops.push_back(std::move(loop));
        }
    }
    return plain;
}

} // namespace

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

int TCifLoop::Column(std::string_view tag) const {
    for (size_t k = 0; k < tags.size(); ++k)
        if (EqualNoCase(tags[k], tag)) return static_cast<int>(k);
    return -1;
}

const TCifValue* TCifBlock::Value(std::string_view tag) const {
    for (const TCifPair& pair : pairs)
        if (EqualNoCase(pair.tag, tag)) return &pair.value;
    return nullptr;
}

std::vector<const TCifValue*> TCifBlock::Values(std::string_view tag) const {
    std::vector<const TCifValue*> values;
    if (const TCifValue* single = Value(tag)) {
        values.push_back(single);
        return values;
    }
    for (const TCifLoop& loop : loops) {
        int column = loop.Column(tag);
        if (column < 0) continue;
        for (size_t row = 0; row < loop.Rows(); ++row)
            values.push_back(&loop.At(row, column));
        break;
    }
    return values;
}

TCifFirstBlock ReadFirstCifBlock(std::string_view text, const std::string& sourceName) {
    TCifFirstBlock first;
    cif::Document document;
    try {
        tao::pegtl::memory_input<> input(text.data(), text.size(), sourceName);
        size_t end = cif::parse_one_block(document, input);
        if (!document.blocks.empty()) first.fault = CheckBlockEnd(text, end);
    } catch (const tao::pegtl::parse_error& e) {
        size_t line = e.positions().empty() ? 0 : e.positions().front().line;
        first.fault = "line " + std::to_string(line) + ": " + std::string(e.message());
    } catch (const std::exception& e) {
        first.fault = e.what();
    }
    if (!document.blocks.empty())
        first.block = PlainBlock(document.blocks.front());
    else if (first.fault.empty())
        first.fault = "no data block";
    return first;
}

} // namespace koralix
