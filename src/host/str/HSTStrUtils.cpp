#include "host/str/HSTStrUtils.h"

namespace {
inline unsigned char lowerAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}
}  // namespace

int HSTStrUtils::compareCI(const char* a, const char* b) {
  if (!a || !b) return (a ? 1 : 0) - (b ? 1 : 0);
  const auto* pa = reinterpret_cast<const unsigned char*>(a);
  const auto* pb = reinterpret_cast<const unsigned char*>(b);
  for (;; ++pa, ++pb) {
    const int d = lowerAscii(*pa) - lowerAscii(*pb);
    if (d != 0 || *pa == 0) return d;
  }
}

void HSTStringUtils::to_lower(std::string& s) {
  for (char& c : s) c = static_cast<char>(lowerAscii(static_cast<unsigned char>(c)));
}

std::string HSTStrUtils::shellQuote(const std::vector<std::string>& words) {
  std::string out;
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& a = words[i];
    if (i) out += ' ';
    bool plain = !a.empty();
    for (char c : a) {
      const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.' || c == '/' ||
                        c == ',' || c == ':' || c == '+' || c == '=' || c == '@' || c == '%';
      if (!safe) plain = false;
    }
    if (plain) {
      out += a;
    } else {
      out += '\'';
      for (char c : a) out += (c == '\'') ? std::string("'\\''") : std::string(1, c);
      out += '\'';
    }
  }
  return out;
}
