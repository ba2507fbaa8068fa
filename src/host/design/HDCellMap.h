// The cell map of a netlist (--map FILE): which catalogue primitive a netlist cell type
// stands for, by exact name or glob, and what an unknown leaf type is. Applied to any
// front end's instance types once the part's primitive library is known:
//   {"seufit_map": 1,
//    "cells": {"RAMB36E*": "RAMB36", "vendor_pll": null},   // null: a black box
//    "unknown": "black_box" | "error"}
// An exact name wins over the globs; globs are tried in the file's order. Without a map,
// a type names a primitive of the library, and unknown leaf types are black boxes.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "host/design/HDDesignAssembly.h"

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
  const Entry* find(const std::string& type) const;

  std::string file_;
  std::vector<Entry> entries_;
  std::unordered_map<std::string, size_t> exact_;
  std::vector<size_t> globs_;
  bool unknownIsError_ = false;
};
