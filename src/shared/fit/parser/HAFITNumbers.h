// Number conversions shared by the data-file readers. The end of the number is not
// checked: leading whitespace is skipped, "12abc" reads as 12 and text without a
// number as 0, and no range is checked.
#pragma once

#include <charconv>
#include <cmath>
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

// strtod, narrowed as above. Plain numbers that fill the whole text take the
// locale-free, correctly rounded from_chars, which gives the same value; anything else
// (spaces, '+', hex, trailing text, out of range) goes to strtod.
inline float toFloat(const char* text) {
  const char* end = text + std::strlen(text);
  double d = 0.0;
  const auto r = std::from_chars(text, end, d);
  if (r.ec == std::errc() && r.ptr == end) return narrow(d);
  return narrow(std::strtod(text, nullptr));
}
inline float toFloat(const std::string& text) { return toFloat(text.c_str()); }

// strtol in base 10, narrowed to int ("2.9" reads as 2).
inline int toInt(const char* text) {
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
