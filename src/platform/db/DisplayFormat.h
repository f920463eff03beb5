#pragma once

#include <QString>

namespace db {

// Formats a number through a display format of the kind "0", "0.0", "00.000":
// the zeros before the point give the least number of whole digits, the zeros
// after it the exact number of decimals.
//
// Halves are rounded away from zero (1234.5 shows "1235", -2.5 shows "-3"),
// as desktop database tools format numbers, and the rounding works on the
// shortest decimal text of the value, so 0.15 with "0.0" shows "0.2" rather
// than the "0.1" that its binary value 0.1499999… would give. A result that
// is zero never shows a minus sign.
//
// Any other format, and an empty one, shows the value in general notation
// with up to 15 significant digits.
QString formatNumber(double value, const QString& format);

// The general notation used without a display format: up to 15 significant
// digits, '.' as the decimal point ("1234.6", "0.3", "1e+20").
QString generalNumber(double value);

} // namespace db
