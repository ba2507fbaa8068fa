// EDIF netlist reader: a design or its problems, never both missing; problems are capped
// and each names the file with a line; a loaded netlist can be summarised.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "host/design/HDLoad.h"
#include "host/design/db/HDesignSummary.h"
#include "host/design/edif/HDEdifReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::sink();
  const std::string text(reinterpret_cast<const char*>(data), size);
  // Part z9-s1; leaf types outside the catalogue are black boxes, as without a cell map.
  HDLoad::Options options;
  options.netlist.part = "z9-s1";
  options.netlistGiven = true;
  if (HDLoad::detect(text).read != kHDEdifFrontEnd.read) return 0;
  std::vector<HDLoadProblem> problems;
  std::unique_ptr<HFLFloorplan> design = HDLoad::loadText(text, "fuzz.edf", options, problems);
  FUZZ_CHECK_LOAD(design, problems);
  HDLoad::report(problems);
  if (design) {
    const HDDesignSummary s = HDSummarizeDesign(*design);
    FUZZ_CHECK(s.leaves <= s.occurrences);
    FUZZ_CHECK(design->getPart() && design->getNetlist()->getTopCellview());
  }
  return 0;
}
