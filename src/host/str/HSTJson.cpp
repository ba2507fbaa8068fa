#include "host/str/HSTJson.h"

#include <locale.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/str/HSTJsonExact.h"

namespace {
// %g writes 1000 as "1e+03"; numbers of moderate size read better, and are no longer,
// in plain notation with the same significant digits (the range JavaScript uses).
std::string plainIfShort(const char* g, int digits, double d) {
  const char* e = std::strchr(g, 'e');
  if (!e) return g;
  const int exp = std::atoi(e + 1);
  if (exp < -6 || exp > 20) return g;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", std::max(0, digits - 1 - exp), d);
  return buf;
}
}  // namespace

namespace HSTJson {

std::string quote(std::string_view s) {
  std::string out = "\"";
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const size_t n = s.size();
  for (size_t i = 0; i < n;) {
    unsigned char c = p[i];
    if (c == '"') {
      out += "\\\"";
      ++i;
    } else if (c == '\\') {
      out += "\\\\";
      ++i;
    } else if (c < 0x20 || c == 0x7f) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
      ++i;
    } else if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
    } else {
      // Pass well-formed UTF-8 sequences through; replace anything else.
      size_t len = (c >= 0xc2 && c <= 0xdf)   ? 2
                   : (c >= 0xe0 && c <= 0xef) ? 3
                   : (c >= 0xf0 && c <= 0xf4) ? 4
                                              : 0;
      bool ok = len > 0 && i + len <= n;
      for (size_t k = 1; ok && k < len; ++k) ok = (p[i + k] & 0xc0) == 0x80;
      if (ok && len == 3) {
        if (c == 0xe0 && p[i + 1] < 0xa0) ok = false;   // overlong
        if (c == 0xed && p[i + 1] >= 0xa0) ok = false;  // surrogate
      }
      if (ok && len == 4) {
        if (c == 0xf0 && p[i + 1] < 0x90) ok = false;
        if (c == 0xf4 && p[i + 1] >= 0x90) ok = false;
      }
      if (ok) {
        out.append(s, i, len);
        i += len;
      } else {
        out += "\xef\xbf\xbd";
        ++i;
      }
    }
  }
  out += '"';
  return out;
}

std::string number(double d) {
  if (!std::isfinite(d)) return "null";
  char buf[40];
  int prec = 1;
  for (; prec <= 17; ++prec) {
    std::snprintf(buf, sizeof buf, "%.*g", prec, d);
    if (std::strtod(buf, nullptr) == d) break;
  }
  return plainIfShort(buf, prec, d);
}

std::string number(float f) {
  if (!std::isfinite(f)) return "null";
  char buf[40];
  int prec = 1;
  for (; prec <= 9; ++prec) {
    std::snprintf(buf, sizeof buf, "%.*g", prec, static_cast<double>(f));
    if (std::strtof(buf, nullptr) == f) break;
  }
  return plainIfShort(buf, prec, static_cast<double>(f));
}

}  // namespace HSTJson

namespace HSTJsonExact {
double real(const std::string& text) {
  // The "C" locale: the decimal point is '.' whatever the process's locale.
  static const locale_t c = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
  // Overflow gives an infinity, underflow 0 or a subnormal: both are the value read.
  return strtod_l(text.c_str(), nullptr, c);
}
}  // namespace HSTJsonExact
