// The cell map of a netlist (--map FILE): which catalogue primitive a netlist cell type
// stands for, by exact name or glob, and what an unknown leaf type is. Applied to any
// front end's instance types once the part's primitive library is known:
//   {"seufit_map": 1,
//    "cells": {"RAMB36E*": "RAMB36", "vendor_pll": null},   // null: a black box
//    "unknown": "black_box" | "error"}
// An exact name wins over the globs; globs are tried in the file's order. Without a map,
// a type names a primitive of the library, and unknown leaf types are black boxes. Matching
// all types against all globs has a bound on its work; a map beyond it is refused.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/design/load/HDDesignAssembly.h"
#include "host/str/HSTGlob.h"

class HDCellMap {
 public:
  // Reads a map file; its problems are placed in it.
  void read(const std::string& path, HDLoadContext& ctx);
  // Points instance types at primitives; a type that is no cell and no primitive becomes
  // a black box without memory (listed in `blackBoxes`, sorted) or an error.
  void apply(HDDesignAssembly& d, HDLoadContext& ctx, std::vector<std::string>& blackBoxes) const;

 private:
  struct Entry {
    std::string pattern;
    std::string primitive;  // empty: a black box
    HDJsonPos pos;
  };
  // Character comparisons that matching all cell types may take: enough for any real map
  // (a few globs against thousands of types), a bound for a hostile one.
  static constexpr uint64_t kMaxMatchSteps = uint64_t(1) << 25;
  const Entry* find(const std::string& type, uint64_t& steps) const;

  std::string file_;
  std::vector<Entry> entries_;
  std::unordered_map<std::string, size_t> exact_;
  std::vector<size_t> globs_;
  std::vector<HSTGlob> compiled_;  // of globs_, in the same order
  bool unknownIsError_ = false;
};
