#include "host/design/load/HDVerilogLiteral.h"

#include <limits>

namespace HDVerilogLiteral {

bool parse(std::string_view text, int64_t& value, Options options) {
  const std::string_view s = text;
  size_t i = 0;
  bool negative = false;
  if (options.allowSign && !s.empty() && (s[0] == '-' || s[0] == '+')) {
    negative = s[0] == '-';
    i = 1;
  }
  const size_t tick = s.find('\'', i);
  if (tick == std::string_view::npos) return false;
  // The width: decimal digits, at least 1; none means 32.
  uint64_t width = 32;
  if (tick > i) {
    width = 0;
    for (size_t k = i; k < tick; ++k) {
      if (s[k] < '0' || s[k] > '9') return false;
      width = width * 10 + static_cast<uint64_t>(s[k] - '0');
      if (width > 1000000) return false;  // no real literal is that wide
    }
    if (width == 0) return false;
  } else if (options.requireWidth) {
    return false;
  }
  size_t j = tick + 1;
  bool isSigned = false;
  if (j < s.size() && (s[j] == 's' || s[j] == 'S')) {
    isSigned = true;
    ++j;
  }
  if (j >= s.size()) return false;
  const char b = static_cast<char>(s[j] | 0x20);
  const unsigned base = b == 'b' ? 2 : b == 'o' ? 8 : b == 'd' ? 10 : b == 'h' ? 16 : 0;
  if (base == 0) return false;
  uint64_t v = 0;
  size_t digits = 0;
  for (++j; j < s.size(); ++j) {
    const char c = s[j];
    if (c == '_' && digits > 0) continue;
    unsigned d;
    if (c >= '0' && c <= '9')
      d = static_cast<unsigned>(c - '0');
    else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f')
      d = static_cast<unsigned>((c | 0x20) - 'a' + 10);
    else
      return false;
    if (d >= base) return false;
    if (v > (std::numeric_limits<uint64_t>::max() - d) / base) return false;
    v = v * base + d;
    ++digits;
  }
  if (digits == 0) return false;
  if (width < 64 && (v >> width) != 0) return false;
  // Two's complement at the literal's width: the top bit set makes it negative.
  bool below = false;  // v stands for v - 2^width
  if (isSigned && width <= 64 && ((v >> (width - 1)) & 1)) below = true;
  constexpr uint64_t kMax = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  int64_t r;
  if (below) {
    // v - 2^width, which lies in [-2^(width-1), -1].
    const uint64_t magnitude = width == 64 ? (~v + 1) : ((uint64_t(1) << width) - v);
    r = magnitude == kMax + 1 ? std::numeric_limits<int64_t>::min()
                              : -static_cast<int64_t>(magnitude);
  } else {
    if (v > kMax) return false;
    r = static_cast<int64_t>(v);
  }
  if (negative) {
    if (r == std::numeric_limits<int64_t>::min()) return false;
    r = -r;
  }
  value = r;
  return true;
}

}  // namespace HDVerilogLiteral
