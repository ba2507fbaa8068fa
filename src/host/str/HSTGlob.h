// Shell-style globs (the patterns of fnmatch without flags): `*` any run of characters,
// `?` one character, `[...]` one character of a set (ranges, `!` or `^` to negate,
// [:alpha:] and the other POSIX classes), `\` makes the next character literal.
// Matching never recurses and costs at most about (text length) x (pattern length) steps,
// whatever the pattern: a pattern of many stars cannot take exponential time.
#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class HSTGlob {
 public:
  explicit HSTGlob(std::string_view pattern);
  // True when the pattern holds `*`, `?` or `[`: it is no plain name.
  static bool isGlob(std::string_view text);

  // Whether `text` matches; `steps` grows by the comparisons made, for callers that bound
  // the work of many matches.
  bool matches(std::string_view text, uint64_t& steps) const;
  bool matches(std::string_view text) const {
    uint64_t steps = 0;
    return matches(text, steps);
  }

 private:
  struct Token {
    enum Kind { CHAR, ANY, STAR, SET } kind;
    unsigned char c = 0;
    size_t set = 0;  // index into sets_
  };
  bool matchOne(const Token& t, unsigned char c) const;
  std::vector<Token> tokens_;
  std::vector<std::bitset<256>> sets_;
};
