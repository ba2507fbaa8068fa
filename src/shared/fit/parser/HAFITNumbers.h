// Number conversions shared by the data-file readers. The end of the number is not
// checked: leading whitespace is skipped, "12abc" reads as 12 and text without a
// number as 0, and no range is checked.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace HAFITNumbers {

// A double narrowed to float with round-to-nearest. A value that rounds beyond float's
// range becomes an infinity, as IEEE narrowing gives it, without relying on a
// conversion the language leaves undefined.
inline float narrow(double d) {
  constexpr double overflow = 0x1.ffffffp127;  // halfway between FLT_MAX and 2^128
  if (std::fabs(d) >= overflow) return std::signbit(d) ? -HUGE_VALF : HUGE_VALF;
  return static_cast<float>(d);
}

// A whole text of the shape the data files use, "-12.375": a minus sign, at most 15 digits
// and a point, no exponent. The digits and the power of ten are then exact doubles, so
// one division rounds the value correctly, to what strtod gives. False for anything else.
inline bool shortDecimal(const char* p, double& out) {
  static constexpr double tens[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                    1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const bool negative = *p == '-';
  if (negative) ++p;
  if (*p < '0' || *p > '9') return false;
  std::uint64_t digits = 0;
  int count = 0;
  int scale = -1;  // digits after the point; -1 before it
  for (;; ++p) {
    if (*p >= '0' && *p <= '9') {
      if (++count > 15) return false;
      digits = digits * 10 + static_cast<unsigned>(*p - '0');
      if (scale >= 0) ++scale;
    } else if (*p == '.' && scale < 0) {
      scale = 0;
    } else {
      break;
    }
  }
  if (*p != '\0') return false;
  const double d = static_cast<double>(digits) / tens[scale < 0 ? 0 : scale];
  out = negative ? -d : d;
  return true;
}

// strtod, narrowed as above. Plain numbers that fill the whole text take the exact
// short path above or the locale-free, correctly rounded from_chars, which give the same
// value; anything else (spaces, '+', hex, trailing text, out of range) goes to strtod.
inline float toFloat(const char* text) {
  double d = 0.0;
  if (shortDecimal(text, d)) return narrow(d);
  const char* end = text + std::strlen(text);
  const auto r = std::from_chars(text, end, d);
  if (r.ec == std::errc() && r.ptr == end) return narrow(d);
  return narrow(std::strtod(text, nullptr));
}
inline float toFloat(const std::string& text) { return toFloat(text.c_str()); }

// strtol in base 10, narrowed to int ("2.9" reads as 2).
inline int toInt(const char* text) {
  // Up to nine digits cannot overflow: read in place, without measuring the text first.
  const char* p = text + (*text == '-');
  int whole = 0;
  int count = 0;
  for (; *p >= '0' && *p <= '9' && count < 9; ++p, ++count) whole = whole * 10 + (*p - '0');
  if (*p == '\0' && count > 0) return *text == '-' ? -whole : whole;
  const char* end = text + std::strlen(text);
  int v = 0;
  const auto r = std::from_chars(text, end, v);
  if (r.ec == std::errc() && r.ptr == end) return v;
  return static_cast<int>(std::strtol(text, nullptr, 10));
}
inline int toInt(const std::string& text) { return toInt(text.c_str()); }

// True when the whole text is one number as the readers above take it (blanks around it
// allowed): "1,7", "abc", "" and "12abc" are not, though they read as 1, 0, 0 and 12.
inline bool isWhole(const std::string& text) {
  const char* p = text.c_str();
  char* end = nullptr;
  std::strtod(p, &end);
  if (end == p) return false;
  while (*end == ' ' || *end == '\t' || *end == '\n' || *end == '\r') ++end;
  return *end == '\0';
}

}  // namespace HAFITNumbers
