#include "SpaceGroupResolver.h"

#include "SpaceGroupTable.h"

#include <cstring>
#include <map>
#include <mutex>
#include <vector>

namespace koralix {

namespace {

bool IsLetter(char c) {
    return c >= 'A' && c <= 'Z';
}
bool IsLetterToken(const std::string& token) {
    return token.size() == 1 && IsLetter(token[0]);
}

// A symbol taken apart: its blank-separated words, upper case, and the
// setting letter or digit that followed a colon (0 when none was given).
struct SymbolWords {
    std::vector<std::string> words;
    char setting = 0;
    bool valid = true;
};

std::string UpperCaseWithBlanks(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (static_cast<unsigned char>(c) < ' ') c = ' ';
    }
    return out;
}

std::vector<std::string> SplitWords(std::string_view text) {
    std::vector<std::string> words;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t start = text.find_first_not_of(' ', pos);
        if (start == std::string_view::npos) break;
        size_t end = std::min(text.find(' ', start), text.size());
        words.emplace_back(text.substr(start, end - start));
        pos = end;
    }
    return words;
}

SymbolWords TakeApart(std::string_view symbol) {
    std::string text = UpperCaseWithBlanks(symbol);
    // CIF files may annotate the symbol: "F d -3 m {origin @ centre (-3m)}".
    text = text.substr(0, text.find('{'));
    SymbolWords parts;
    size_t colon = text.find(':');
    parts.words = SplitWords(std::string_view(text).substr(0, colon));
    if (colon != std::string::npos) {
        std::vector<std::string> setting = SplitWords(std::string_view(text).substr(colon + 1));
        parts.valid = setting.size() == 1 && setting[0].size() == 1 &&
                      std::strchr("12HR", setting[0][0]) != nullptr;
        if (parts.valid) parts.setting = setting[0][0];
    } else if (parts.words.size() >= 2 && parts.words[0][0] == 'R' &&
               (parts.words.back() == "R" || parts.words.back() == "H")) {
        // GSAS writes the axes of an R group as a last word: "R -3 M R".
        parts.setting = parts.words.back()[0];
        parts.words.pop_back();
    }
    return parts;
}

// The table writes the cubic bars the way users type them without one:
// "P M 3" for P m -3 and "P 4 3 M" for P -4 3 m. A letter is never followed
// by a 3 in any other symbol, so the bar can be put back without doubt.
void RestoreCubicBars(std::vector<std::string>& words) {
    if (words.size() == 1) {
        std::string& word = words[0];
        if (word.size() == 4 && word.compare(1, 2, "43") == 0 && IsLetter(word[3])) {
            word.insert(1, "-");
            return;
        }
        for (size_t k = 2; k < word.size(); ++k)
            if (word[k] == '3' && IsLetter(word[k - 1])) {
                word.insert(k, "-");
                return;
            }
        return;
    }
    if (words.size() >= 3 && words[2] == "3" && IsLetterToken(words[1])) words[2] = "-3";
    if (words.size() >= 4 && words[1] == "4" && words[2] == "3" && IsLetterToken(words[3]))
        words[1] = "-4";
}

std::string JoinWords(const std::vector<std::string>& words) {
    std::string out;
    for (const std::string& word : words) {
        if (!out.empty()) out += ' ';
        out += word;
    }
    return out;
}

bool SameSetting(const gemmi::SpaceGroup* a, const gemmi::SpaceGroup& b) {
    return a != nullptr && std::strcmp(a->hall, b.hall) == 0;
}

// "P 1 21/C 1" -> "P 21/C"; empty when the symbol has no such short form.
std::string MonoclinicShortForm(const std::string& full) {
    std::vector<std::string> words = SplitWords(full);
    if (words.size() != 4 || words[1] != "1" || words[3] != "1") return {};
    return words[0] + " " + words[2];
}

} // namespace

const gemmi::SpaceGroup* ResolveSpaceGroup(std::string_view symbol) {
    SymbolWords parts = TakeApart(symbol);
    if (!parts.valid || parts.words.empty() || !IsLetter(parts.words[0][0])) return nullptr;
    RestoreCubicBars(parts.words);
    std::string name = JoinWords(parts.words);
    if (parts.setting != 0) return gemmi::find_spacegroup_by_name(name + ":" + parts.setting);
    const gemmi::SpaceGroup* group = gemmi::find_spacegroup_by_name(name);
    if (group != nullptr && group->ext == '1')
        if (const gemmi::SpaceGroup* centred = gemmi::find_spacegroup_by_name(name + ":2"))
            return centred;
    return group;
}

std::string SymbolOfSpaceGroup(const gemmi::SpaceGroup& group) {
    std::string full = UpperCaseWithBlanks(group.hm);
    std::string withSetting = group.ext ? full + ":" + group.ext : full;
    for (const std::string& candidate :
         {SpaceGroupSymbol(group.number), MonoclinicShortForm(full), full, withSetting})
        if (!candidate.empty() && SameSetting(ResolveSpaceGroup(candidate), group))
            return candidate;
    return withSetting;
}

const gemmi::GroupOps& OperationsOf(const gemmi::SpaceGroup& group) {
    static std::mutex guard;
    static std::map<std::string, gemmi::GroupOps> cache;
    std::lock_guard lock(guard);
    auto found = cache.find(group.hall);
    if (found == cache.end()) found = cache.emplace(group.hall, group.operations()).first;
    return found->second;
}

} // namespace koralix
