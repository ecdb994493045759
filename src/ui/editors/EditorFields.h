// How editors show numbers in their fields: the fixed and general forms of
// the model's number formats, without leading blanks, "." always.
#pragma once

#include <QString>

namespace koralix {

// Fixed point with `decimals` decimals (the width is the field's, for the look only).
QString FixedField(double value, int decimals, int width = 0);
// General form with `digits` significant digits.
QString GeneralField(double value, int digits);
// A single in general form with at most `digits` significant digits, but no
// more than it needs to read back the same: 0.1 stays 0.1 rather than showing
// the binary noise of its double (0.100000001).
QString ShortestField(float value, int digits);

} // namespace koralix
