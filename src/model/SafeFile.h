// Replacing a file only once its new content is completely on disk.
#pragma once

#include <string>

namespace koralix {

// Writes `content` to a temporary file in the folder of `fileName`, flushes it
// to disk and renames it over `fileName`. On any failure the old file is
// untouched, the temporary file is removed, and std::runtime_error names the
// file and the cause. An existing file keeps its permissions.
void WriteFileSafely(const std::string& fileName, const std::string& content);

} // namespace koralix
