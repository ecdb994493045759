// How editors show numbers in their fields: the fixed and general forms of
// the model's number formats, without leading blanks, "." always.
#pragma once

#include <QString>

namespace koralix {

// Fixed point with `decimals` decimals (the width is the field's, for the look only).
QString FixedField(double value, int decimals, int width = 0);
// General form with `digits` significant digits.
QString GeneralField(double value, int digits);

} // namespace koralix
