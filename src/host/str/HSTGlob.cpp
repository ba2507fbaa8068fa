#include "host/str/HSTGlob.h"

#include <cctype>
#include <cstring>

namespace {

// [:name:] at `p` (after its '['); the set of its characters, or false when it is none.
bool posixClass(std::string_view p, size_t& i, std::bitset<256>& set) {
  static const struct {
    const char* name;
    int (*is)(int);
  } kClasses[] = {{"alnum", isalnum}, {"alpha", isalpha}, {"blank", isblank}, {"cntrl", iscntrl},
                  {"digit", isdigit}, {"graph", isgraph}, {"lower", islower}, {"print", isprint},
                  {"punct", ispunct}, {"space", isspace}, {"upper", isupper}, {"xdigit", isxdigit}};
  if (i + 1 >= p.size() || p[i] != '[' || p[i + 1] != ':') return false;
  const size_t end = p.find(":]", i + 2);
  if (end == std::string_view::npos) return false;
  const std::string_view name = p.substr(i + 2, end - i - 2);
  for (const auto& c : kClasses) {
    if (name != c.name) continue;
    for (int ch = 0; ch < 128; ++ch)
      if (c.is(ch)) set.set(static_cast<size_t>(ch));
    i = end + 2;
    return true;
  }
  return false;
}

}  // namespace

bool HSTGlob::isGlob(std::string_view text) {
  return text.find_first_of("*?[") != std::string_view::npos;
}

HSTGlob::HSTGlob(std::string_view p) {
  for (size_t i = 0; i < p.size();) {
    const char c = p[i];
    if (c == '*') {
      // A run of stars is one star.
      if (tokens_.empty() || tokens_.back().kind != Token::STAR) tokens_.push_back({Token::STAR});
      ++i;
    } else if (c == '?') {
      tokens_.push_back({Token::ANY});
      ++i;
    } else if (c == '[') {
      // A set; without its closing ']' the '[' is an ordinary character.
      size_t j = i + 1;
      bool negate = false;
      if (j < p.size() && (p[j] == '!' || p[j] == '^')) {
        negate = true;
        ++j;
      }
      std::bitset<256> set;
      bool closed = false, first = true;
      while (j < p.size()) {
        if (p[j] == ']' && !first) {
          closed = true;
          ++j;
          break;
        }
        first = false;
        if (posixClass(p, j, set)) continue;
        unsigned char lo = static_cast<unsigned char>(p[j]);
        if (lo == '\\' && j + 1 < p.size()) lo = static_cast<unsigned char>(p[++j]);
        ++j;
        unsigned char hi = lo;
        if (j + 1 < p.size() && p[j] == '-' && p[j + 1] != ']') {
          hi = static_cast<unsigned char>(p[j + 1]);
          if (hi == '\\' && j + 2 < p.size()) hi = static_cast<unsigned char>(p[++j + 1]);
          j += 2;
        }
        for (unsigned v = lo; v <= hi; ++v) set.set(v);
      }
      if (!closed) {
        tokens_.push_back({Token::CHAR, '['});
        ++i;
        continue;
      }
      if (negate) set.flip();
      sets_.push_back(set);
      tokens_.push_back({Token::SET, 0, sets_.size() - 1});
      i = j;
    } else {
      unsigned char ch = static_cast<unsigned char>(c);
      if (c == '\\' && i + 1 < p.size()) ch = static_cast<unsigned char>(p[++i]);
      tokens_.push_back({Token::CHAR, ch});
      ++i;
    }
  }
}

bool HSTGlob::matchOne(const Token& t, unsigned char c) const {
  switch (t.kind) {
    case Token::CHAR:
      return t.c == c;
    case Token::ANY:
      return true;
    case Token::SET:
      return sets_[t.set].test(c);
    case Token::STAR:
      break;
  }
  return false;
}

bool HSTGlob::matches(std::string_view text, uint64_t& steps) const {
  // Greedy with one point of return: the last star takes one more character whenever the
  // rest fails, which is enough because every other token matches exactly one character.
  const size_t n = text.size(), m = tokens_.size(), none = static_cast<size_t>(-1);
  size_t ti = 0, pi = 0, starP = none, starT = 0;
  while (ti < n) {
    ++steps;
    if (pi < m && tokens_[pi].kind == Token::STAR) {
      starP = pi++;
      starT = ti;
    } else if (pi < m && matchOne(tokens_[pi], static_cast<unsigned char>(text[ti]))) {
      ++pi;
      ++ti;
    } else if (starP != none) {
      pi = starP + 1;
      ti = ++starT;
    } else {
      return false;
    }
  }
  while (pi < m && tokens_[pi].kind == Token::STAR) ++pi;
  return pi == m;
}
