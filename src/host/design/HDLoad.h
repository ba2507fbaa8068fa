// Loading a design into the database: the front end told by content, then the pipeline
// every format shares (catalogues, cell map, name resolution, hierarchy check, typed
// values). A file is opened once; text in memory loads the same way.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/design/db/HDesign.h"
#include "host/design/load/HDDesignAssembly.h"
#include "host/design/load/HDFrontEnd.h"
#include "host/design/load/HDInput.h"
#include "host/design/load/HDLoadContext.h"
#include "host/design/load/HDNetlistOptions.h"

namespace HDLoad {

struct Options {
  HDNetlistOptions netlist;
  // The netlist options were given: a design file, which names its own part and top,
  // refuses them.
  bool netlistGiven = false;
};

// The front ends in the order they are tried; the design file, last, takes anything.
const std::vector<HDFrontEnd>& frontEnds();
const HDFrontEnd& detect(std::string_view head);

// Null, with every problem listed (capped), when the input is not a valid design.
std::unique_ptr<HFLFloorplan> load(HDInput& input, const Options& options,
                                   std::vector<HDLoadProblem>& problems);
std::unique_ptr<HFLFloorplan> load(const std::string& path, const Options& options,
                                   std::vector<HDLoadProblem>& problems);
// Text in memory, called `name` in messages.
std::unique_ptr<HFLFloorplan> loadText(std::string_view text, const std::string& name,
                                       const Options& options,
                                       std::vector<HDLoadProblem>& problems);

// The parts of the catalogue at `path` (parts.json) in its order, each read as a design's
// part is; false, with every problem listed (capped), when the catalogue is not valid.
bool readPartCatalogue(const std::string& path, std::vector<HDPartSpec>& parts,
                       std::vector<HDLoadProblem>& problems);

// Sends each problem as one host error message naming file, place and what was expected.
void report(const std::vector<HDLoadProblem>& problems);

}  // namespace HDLoad
