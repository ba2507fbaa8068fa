// Reads a design file (JSON) into the design database, with the part and primitive
// library from the data directory's catalogues (parts.json, primitives.json) when the
// design names them. An invalid file yields no database and the list of its problems.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/design/HDNetlistOptions.h"
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
  // What a file holds, told by its first bytes: a seufit design file, a Yosys JSON
  // netlist, an EDIF netlist, or something else (read as a design file).
  enum Format { DESIGN_FILE, YOSYS_JSON, EDIF };
  static Format detectFormat(const std::string& path);
  // A netlist (Yosys JSON; EDIF to come) with the part, top, cell map and site attribute
  // of `opts`: the front end, the catalogues, the cell map, name resolution and the
  // conversion of attribute values to the kinds the primitives declare.
  static std::unique_ptr<HFLFloorplan> loadNetlist(const std::string& path,
                                                   const HDNetlistOptions& opts,
                                                   std::vector<HDLoadProblem>& problems);
  // A design file or a netlist, by content.
  static std::unique_ptr<HFLFloorplan> loadAny(const std::string& path,
                                               const HDNetlistOptions& opts,
                                               std::vector<HDLoadProblem>& problems);
  // Sends each problem as one host error message naming file, place and what was expected.
  static void report(const std::vector<HDLoadProblem>& problems);
};
