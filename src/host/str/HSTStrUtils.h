// ASCII, locale-independent string helpers.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace HSTStrUtils {
// <0, 0 or >0 like strcmp, comparing ASCII letters without regard to case.
// A null pointer sorts before every string.
int compareCI(const char* a, const char* b);
// A command line as typed: the words joined by blanks, each quoted where a POSIX shell
// would need it.
std::string shellQuote(const std::vector<std::string>& words);
}  // namespace HSTStrUtils

namespace HSTStringUtils {
// Lower-cases ASCII letters in place; other bytes are left alone.
void to_lower(std::string& s);
}  // namespace HSTStringUtils

// The host's ordered map: a std::map with no state of its own.
template <typename K, typename V, typename C = std::less<K>>
class HSTMap : public std::map<K, V, C> {
 public:
  using std::map<K, V, C>::map;
};
