// Design-file loader: a design or its problems, never both missing; problems are
// capped, each names the file, and the summary of a loaded design can be formed.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "host/design/HDLoad.h"
#include "host/design/db/HDesignSummary.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::sink();
  const std::string json(reinterpret_cast<const char*>(data), size);
  std::vector<HDLoadProblem> problems;
  std::unique_ptr<HFLFloorplan> design = HDLoad::loadText(json, "fuzz.json", {}, problems);
  FUZZ_CHECK_LOAD(design, problems);
  HDLoad::report(problems);
  if (design) {
    const HDDesignSummary s = HDSummarizeDesign(*design);
    FUZZ_CHECK(s.leaves <= s.occurrences);
    FUZZ_CHECK(design->getPart() && design->getNetlist()->getTopCellview());
  }
  return 0;
}
