#include "host/report/HCRRptText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/report/HCRRptTypes.h"
#include "host/str/HSTJson.h"

namespace {

const char kReplacement[] = "\xef\xbf\xbd";

// Decodes the code point at s[i]; returns its length in bytes, or 0 for an invalid byte.
size_t decode(const std::string& s, size_t i, unsigned long& cp) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const size_t n = s.size();
  const unsigned char c = p[i];
  if (c < 0x80) {
    cp = c;
    return 1;
  }
  size_t len = (c >= 0xc2 && c <= 0xdf)   ? 2
               : (c >= 0xe0 && c <= 0xef) ? 3
               : (c >= 0xf0 && c <= 0xf4) ? 4
                                          : 0;
  if (len == 0 || i + len > n) return 0;
  for (size_t k = 1; k < len; ++k)
    if ((p[i + k] & 0xc0) != 0x80) return 0;
  if (c == 0xe0 && p[i + 1] < 0xa0) return 0;   // overlong
  if (c == 0xed && p[i + 1] >= 0xa0) return 0;  // surrogate
  if (c == 0xf0 && p[i + 1] < 0x90) return 0;   // overlong
  if (c == 0xf4 && p[i + 1] >= 0x90) return 0;  // beyond U+10FFFF
  cp = c & (len == 2 ? 0x1f : len == 3 ? 0x0f : 0x07);
  for (size_t k = 1; k < len; ++k) cp = (cp << 6) | (p[i + k] & 0x3f);
  return len;
}

bool isControl(unsigned long cp) { return cp < 0x20 || (cp >= 0x7f && cp <= 0x9f); }

}  // namespace

namespace HCRRptText {

std::string plain(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    unsigned long cp = 0;
    const size_t len = decode(s, i, cp);
    if (len == 0 || isControl(cp)) {
      out += kReplacement;
      i += len ? len : 1;
    } else {
      out.append(s, i, len);
      i += len;
    }
  }
  return out;
}

std::string xml(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    unsigned long cp = 0;
    const size_t len = decode(s, i, cp);
    if (len == 0) {
      out += kReplacement;
      ++i;
      continue;
    }
    switch (cp) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      // Literal white space would be normalised away in attribute values.
      case '\t':
        out += "&#9;";
        break;
      case '\n':
        out += "&#10;";
        break;
      case '\r':
        out += "&#13;";
        break;
      default:
        if (isControl(cp) || cp == 0xfffe || cp == 0xffff)
          out += kReplacement;
        else
          out.append(s, i, len);
    }
    i += len;
  }
  return out;
}

size_t width(const std::string& utf8) {
  size_t n = 0;
  for (unsigned char c : utf8)
    if ((c & 0xc0) != 0x80) ++n;
  return n;
}

}  // namespace HCRRptText

namespace HCRRptTypes {

namespace {
// 10^-p: the smallest magnitude that shows a nonzero digit at p decimals.
constexpr double kSmallest[MAX_PRECISION + 1] = {1e0,   1e-1,  1e-2,  1e-3,  1e-4,  1e-5,  1e-6,
                                                 1e-7,  1e-8,  1e-9,  1e-10, 1e-11, 1e-12, 1e-13,
                                                 1e-14, 1e-15, 1e-16, 1e-17, 1e-18, 1e-19, 1e-20};
// Below 10^-7 two significant digits take scientific form (1.2e-08).
constexpr int kMinPositionalExponent = -7;
}  // namespace

int clampPrecision(int precision) {
  return precision < 0 ? 0 : precision > MAX_PRECISION ? MAX_PRECISION : precision;
}

std::string formatNumber(double value, int precision) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  if (value == 0.0) value = 0.0;  // no "-0"
  const int p = clampPrecision(precision);
  // The largest finite double has 309 integer digits; with a sign, a point and at
  // most MAX_PRECISION decimals it fits.
  char buf[309 + 3 + MAX_PRECISION + 8];
  if (value != 0.0 && std::fabs(value) < kSmallest[p]) {
    // At its precision the figure would print as 0: a risk that is not zero is shown
    // with two significant digits instead, in positional form while that stays short.
    std::snprintf(buf, sizeof buf, "%.1e", value);
    const int exponent = std::atoi(std::strchr(buf, 'e') + 1);
    if (exponent >= kMinPositionalExponent) {
      const int n = std::snprintf(buf, sizeof buf, "%.*f", 1 - exponent, value);
      return std::string(buf, static_cast<size_t>(n));
    }
    return buf;
  }
  const int n = std::snprintf(buf, sizeof buf, "%.*f", p, value);
  return std::string(buf, static_cast<size_t>(n));
}

std::string formatValue(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  return HSTJson::number(value);
}

}  // namespace HCRRptTypes
