// Splitting a command line into a program and its arguments the way a POSIX
// shell splits words, without ever handing the text to a shell: no variables,
// globs, pipes or redirections are interpreted.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace koralix::macro {

// Words are separated by blanks and tabs. Single quotes keep everything up to
// the next single quote; double quotes keep everything up to the next double
// quote, where a backslash escapes only '"', '\\', '$' and '`'; outside quotes
// a backslash keeps the next character. Empty when a quote is not closed.
std::optional<std::vector<std::string>> SplitCommandLine(const std::string& line);

} // namespace koralix::macro
