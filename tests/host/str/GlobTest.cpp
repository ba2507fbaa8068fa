// Globs against the C library's fnmatch, which defines them, on random patterns and names;
// and the bound on the work of a pattern made to backtrack.
#include <fnmatch.h>
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "host/str/HSTGlob.h"

TEST(Glob, AgreesWithFnmatch) {
  std::mt19937 rng(7);
  const std::string atoms[] = {"a",     "b",    "_",           "*",   "?", "[ab]", "[!a]",
                               "[a-c]", "[]a]", "[[:digit:]]", "\\*", "1", "[",    "[^b]"};
  const char letters[] = "ab_1*[]c";
  for (int round = 0; round < 20000; ++round) {
    std::string pattern;
    for (unsigned k = rng() % 6; k > 0; --k) pattern += atoms[rng() % std::size(atoms)];
    std::string text;
    for (unsigned k = rng() % 7; k > 0; --k) text += letters[rng() % (sizeof letters - 1)];
    const bool expected = ::fnmatch(pattern.c_str(), text.c_str(), 0) == 0;
    EXPECT_EQ(HSTGlob(pattern).matches(text), expected) << pattern << " ~ " << text;
  }
}

TEST(Glob, BacktrackingIsBounded) {
  // fnmatch's recursion takes exponential time on this; a glob takes at most n x m steps.
  const std::string pattern = "*a*a*a*a*a*a*a*a*a*a*a*a*b";
  const std::string text(2000, 'a');
  uint64_t steps = 0;
  EXPECT_FALSE(HSTGlob(pattern).matches(text, steps));
  EXPECT_LE(steps, (text.size() + 1) * (pattern.size() + 1));
  EXPECT_TRUE(HSTGlob::isGlob("RAMB36E*"));
  EXPECT_FALSE(HSTGlob::isGlob("RAMB36E2"));
}
