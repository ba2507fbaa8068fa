// Enumerations and number formatting shared by the report document and its writers.
#pragma once

#include <string>

namespace HCRRptTypes {

// How the text writer frames a table. The XML writer carries content only.
enum TABLE_STYLE {
  TABLE_STYLE_PLAIN = 0,  // aligned columns, no rules
  TABLE_STYLE_RULED = 1,  // a rule under the heading rows
  TABLE_STYLE_BOXED = 2,  // a frame, column separators and a rule under the heading rows
};

// Horizontal alignment of a cell in its column. The values are single bits; AUTO (no bit)
// lets the cell's kind decide: numbers to the right, text and headings to the left.
enum HALIGN {
  HALIGN_AUTO = 0,
  HALIGN_CENTER = 1,
  HALIGN_LEFT = 2,
  HALIGN_RIGHT = 4,
};

// Number cells keep 0 to MAX_PRECISION decimals; other precisions are clamped to that range.
constexpr int MAX_PRECISION = 20;
int clampPrecision(int precision);

// A number as displayed: printf's "%.*f" at the clamped precision p. A figure that is not
// zero never shows as zero: below 10^-p in magnitude it has two significant digits
// (0.060, -0.0021; 1.2e-08 below 10^-7). Zero of either sign shows as "0" at p decimals,
// NaN as "nan" (whatever its sign bit), infinities as "inf" and "-inf".
std::string formatNumber(double value, int precision);

// The exact value: the shortest text that reads back to the same double ("0",
// "924.6157", "123.45600128173828"); "nan", "inf" and "-inf" for the others.
std::string formatValue(double value);

}  // namespace HCRRptTypes
