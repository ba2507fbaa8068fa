#include "cli/CliDesign.h"

#include <vector>

#include "cli/CliNetlist.h"
#include "host/design/HDLoad.h"

std::unique_ptr<HFLFloorplan> loadDesignOrReport(const std::string& path) {
  std::vector<HDLoadProblem> problems;
  std::unique_ptr<HFLFloorplan> design =
      HDLoad::load(path, {netlistOptions(), netlistOptionsGiven()}, problems);
  if (!design) HDLoad::report(problems);
  return design;
}
