#include "CommandLine.h"

namespace koralix::macro {

std::optional<std::vector<std::string>> SplitCommandLine(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '\'') {
            const size_t end = line.find('\'', i + 1);
            if (end == std::string::npos) return std::nullopt;
            word.append(line, i + 1, end - i - 1);
            i = end;
        } else if (c == '"') {
            size_t j = i + 1;
            for (; j < line.size() && line[j] != '"'; ++j) {
                const bool escape = line[j] == '\\' && j + 1 < line.size() &&
                                    std::string_view("\"\\$`").find(line[j + 1]) !=
                                        std::string_view::npos;
                if (escape) ++j;
                word += line[j];
            }
            if (j >= line.size()) return std::nullopt;
            i = j;
        } else if (c == '\\' && i + 1 < line.size()) {
            word += line[++i];
        } else {
            word += c;
        }
    }
    if (inWord) words.push_back(std::move(word));
    return words;
}

} // namespace koralix::macro
