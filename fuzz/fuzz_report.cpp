// The report and the inventory walk of a fuzzed design over the shipped data files,
// as `seufit report` and `seufit inventory` run them.
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "host/design/HDLoad.h"
#include "host/design/db/HDesignSummary.h"
#include "shared/fit/base/HAFITFloorplan.h"
#include "shared/fit/base/HAFITMgr.h"

namespace {
// The walk visits every occurrence: a small file can describe billions of them, which
// is work rather than a fault. Such inputs stop after loading.
constexpr uint64_t kMaxOccurrences = 20000;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::sink();
  HAFITMgr* mgr = HAFITMgr::getGlobal();
  FUZZ_CHECK(mgr->getSERMgr() && mgr->getDetectMgr() && mgr->getRCMgr());

  const std::string json(reinterpret_cast<const char*>(data), size);
  std::vector<HDLoadProblem> problems;
  std::unique_ptr<HFLFloorplan> design = HDLoad::loadText(json, "fuzz.json", {}, problems);
  if (!design) return 0;
  const HDDesignSummary s = HDSummarizeDesign(*design);
  if (s.saturated || s.occurrences > kMaxOccurrences) return 0;

  // Exceptions from the walk name the instance; the command line reports them.
  const std::string command = "seufit report fuzz.json";
  try {
    mgr->reportFit(design.get(), "", command, 0.0f, -74, 40, 1, 12.0f, 28, false, false);
  } catch (const std::exception&) {
  }
  try {
    mgr->reportFit(design.get(), "", command, 12000.0f, -30, 55, 40, 120.0f, -40, true, true);
  } catch (const std::exception&) {
  }
  std::unique_ptr<HAFITFloorplan> fp(HAFITFloorplan::create(design.get()));
  if (fp) {
    try {
      fp->traverseCellview(design->getNetlist()->getTopCellview());
      fp->print();
    } catch (const std::exception&) {
    }
  }
  return 0;
}
