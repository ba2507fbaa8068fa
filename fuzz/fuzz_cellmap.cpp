// Cell map reader: a fixed Yosys netlist loaded through the map under test. The load gives
// a design or its problems, capped, each naming a file; the work of matching is bounded.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "host/design/HDLoad.h"
#include "host/design/db/HDesignSummary.h"

namespace {
const char* const kNetlist = R"({"creator": "Yosys", "modules": {"top": {
  "attributes": {"top": "00000000000000000000000000000001"},
  "cells": {
    "r0": {"type": "RAMB36E2", "parameters": {}, "attributes": {"LOC": "RAMB36_X0Y0"}},
    "r1": {"type": "ramb18_sdp", "parameters": {}, "attributes": {}},
    "f0": {"type": "FIFO36E2", "parameters": {}, "attributes": {}},
    "g0": {"type": "$_AND_", "parameters": {}, "attributes": {}},
    "u0": {"type": "vendor_pll", "parameters": {}, "attributes": {}}}}}})";
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::sink();
  // The map is read from a file, as --map gives it.
  static const std::string path =
      "/tmp/seufit-fuzz-cellmap-" + std::to_string(::getpid()) + ".json";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  HDLoad::Options options;
  options.netlist.part = "z9-s1";
  options.netlist.mapFile = path;
  options.netlistGiven = true;
  std::vector<HDLoadProblem> problems;
  std::unique_ptr<HFLFloorplan> design = HDLoad::loadText(kNetlist, "top.json", options, problems);
  FUZZ_CHECK(design || !problems.empty());
  FUZZ_CHECK(problems.size() <= HDLoadLimits::kMaxProblems + 1);
  for (const HDLoadProblem& p : problems) FUZZ_CHECK(!p.file.empty() && !p.message.empty());
  HDLoad::report(problems);
  if (design) FUZZ_CHECK(HDSummarizeDesign(*design).leaves <= 5);
  return 0;
}
