// Reads a design file (JSON) into the design database, with the part and primitive
// library from the data directory's catalogues (parts.json, primitives.json) when the
// design names them. An invalid file yields no database and the list of its problems.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/design/HDesign.h"

struct HDLoadProblem {
  std::string file;
  int line = 0;
  int column = 0;
  std::string jsonPath;
  std::string message;
};

class HDDesignLoader {
 public:
  // Problems listed for one file at most; a last entry says when more were left out.
  static constexpr size_t kMaxProblems = 50;
  // Levels of hierarchy below the top cell at most.
  static constexpr int kMaxDepth = 4096;

  // Null and problems filled (capped) when the file is not a valid design.
  static std::unique_ptr<HFLFloorplan> loadFile(const std::string& path,
                                                std::vector<HDLoadProblem>& problems);
  static std::unique_ptr<HFLFloorplan> loadString(const std::string& json,
                                                  const std::string& displayName,
                                                  std::vector<HDLoadProblem>& problems);
  // Sends each problem as one host error message naming file, place and what was expected.
  static void report(const std::vector<HDLoadProblem>& problems);
};
