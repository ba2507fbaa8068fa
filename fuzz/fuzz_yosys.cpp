// Yosys JSON netlist reader, and `import`'s promise: a netlist that loads is written as a
// design file that loads again with the same summary. Problems are capped and each names
// the file with a line.
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "host/design/HDLoad.h"
#include "host/design/db/HDesignSummary.h"
#include "host/design/dfile/HDDesignWriter.h"
#include "host/design/yosys/HDYosysReader.h"

namespace {
bool sameSummary(const HDDesignSummary& a, const HDDesignSummary& b) {
  return a.cells == b.cells && a.definedInstances == b.definedInstances &&
         a.occurrences == b.occurrences && a.leaves == b.leaves && a.ramb == b.ramb &&
         a.fifo == b.fifo && a.yram == b.yram && a.hbm == b.hbm && a.saturated == b.saturated;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::sink();
  const std::string text(reinterpret_cast<const char*>(data), size);
  HDLoad::Options options;
  options.netlist.part = "z9-s1";
  options.netlistGiven = true;
  // Only the Yosys front end: other texts are other targets' business.
  if (HDLoad::detect(text).read != kHDYosysFrontEnd.read) return 0;
  std::vector<HDLoadProblem> problems;
  std::unique_ptr<HFLFloorplan> design = HDLoad::loadText(text, "fuzz.json", options, problems);
  FUZZ_CHECK_LOAD(design, problems);
  HDLoad::report(problems);
  if (!design) return 0;
  const HDDesignSummary s = HDSummarizeDesign(*design);
  FUZZ_CHECK(s.leaves <= s.occurrences);

  std::ostringstream written;
  HDDesignWriter::write(*design, options.netlist.part, written);
  std::vector<HDLoadProblem> again;
  std::unique_ptr<HFLFloorplan> back = HDLoad::loadText(written.str(), "import.json", {}, again);
  HDLoad::report(again);
  FUZZ_CHECK(back);
  FUZZ_CHECK(sameSummary(s, HDSummarizeDesign(*back)));
  return 0;
}
