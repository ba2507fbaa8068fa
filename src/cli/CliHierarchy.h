// --by-hierarchy [DEPTH] and --top-contributors N: the memory of a design by
// hierarchical instance, and the leaf memories that contribute most.
#pragma once

#include <CLI/CLI.hpp>
#include <cstddef>
#include <string>

struct HierarchyText {
  CLI::Option* byHierarchy = nullptr;
  CLI::Option* topContributors = nullptr;
  std::string depth;
  std::string contributors;
};

// Default depth of --by-hierarchy given without a value.
constexpr int kDefaultHierarchyDepth = 2;

// --by-hierarchy; with `contributors`, --top-contributors too.
void addHierarchyOptions(CLI::App* cmd, HierarchyText& text, bool contributors);
// The parser lets an optional value take the next word: `--by-hierarchy top.json` leaves
// DESIGN empty and the path as the depth. Gives such a word back to `design`; throws the
// parser's own error when DESIGN is still missing.
void settleDesignArgument(HierarchyText& text, std::string& design);
// depth: -1 when not asked for; contributors: 0 when not asked for. False after telling
// every bad value.
bool parseHierarchy(const HierarchyText& text, int& depth, size_t& contributors);
