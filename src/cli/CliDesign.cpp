#include "cli/CliDesign.h"

#include <vector>

#include "host/design/HDesignLoader.h"

std::unique_ptr<HFLFloorplan> loadDesignOrReport(const std::string& path) {
  std::vector<HDLoadProblem> problems;
  std::unique_ptr<HFLFloorplan> design = HDDesignLoader::loadFile(path, problems);
  if (!design) HDDesignLoader::report(problems);
  return design;
}
