#include "cli/CliDesign.h"

#include <vector>

#include "cli/CliNetlist.h"
#include "host/design/HDesignLoader.h"

std::unique_ptr<HFLFloorplan> loadDesignOrReport(const std::string& path) {
  std::vector<HDLoadProblem> problems;
  std::unique_ptr<HFLFloorplan> design;
  if (HDDesignLoader::detectFormat(path) != HDDesignLoader::DESIGN_FILE) {
    design = HDDesignLoader::loadNetlist(path, netlistOptions(), problems);
  } else if (netlistOptionsGiven()) {
    HDLoadProblem p;
    p.file = path;
    p.message =
        "--part, --top, --map and --site-attribute are for netlists; this is a seufit design "
        "file, which names its own part and top";
    problems.push_back(p);
  } else {
    design = HDDesignLoader::loadFile(path, problems);
  }
  if (!design) HDDesignLoader::report(problems);
  return design;
}
