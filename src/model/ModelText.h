// The text fields of a model read from a file, checked for bytes that are not
// text: a title of binary garbage or of another encoding is reported instead
// of being passed on as if it were text.
#pragma once

#include "Model.h"

#include <optional>
#include <string>

namespace koralix {

// The first text field that is not UTF-8 text ("the title", "the name of
// phase 2", ...), or nothing.
std::optional<std::string> NonTextField(const TRietveld& model);

} // namespace koralix
