// Path helpers of the command line.
#pragma once

#include <string>

namespace koralix::cli {

// The path without the extension of its file name ("a.b/c.inp" gives "a.b/c").
std::string WithoutExtension(const std::string& path);

// Why a file named on the command line cannot be read ("Cannot read F: ..."),
// or an empty text when it can be opened.
std::string UnreadableReason(const std::string& path);

} // namespace koralix::cli
