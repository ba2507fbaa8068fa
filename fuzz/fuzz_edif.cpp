// EDIF netlist reader: a design or its problems, never both missing; problems are capped
// and each names the file with a line; a loaded netlist can be summarised.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "host/design/HDLoad.h"
#include "host/design/db/HDesignSummary.h"
#include "host/design/dfile/HDCatalogueReader.h"
#include "host/design/edif/HDEdifReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::sink();
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<HDLoadProblem> problems;
  std::unique_ptr<HFLFloorplan> design;
  {
    HDLoadContext ctx("fuzz.edf", problems);
    HDDesignAssembly assembly(ctx);
    HDDesignFileReader objects(ctx, assembly);
    try {
      HDNetlistOptions opts;
      hdReadEdif(ctx, assembly, text, opts);
      assembly.havePart = assembly.partOk = true;
      assembly.partName = "z9-s1";
      HDCatalogueReader catalogues(ctx, assembly, objects);
      const bool known = catalogues.read();
      // Leaf types outside the catalogue are black boxes, as the cell map makes them.
      for (const HDSymbol& s : assembly.symbols()) {
        if (s.cell || assembly.primitives().count(s.name)) continue;
        HDPrimitive* p = assembly.floorplan().addPrimitive(s.name);
        p->classes = HDPrimitive::OTHER;
        assembly.primitives()[s.name] = HDPrimInfo{p, true, "", "", {}};
      }
      assembly.resolve(known);
    } catch (const HDStopLoading&) {
    }
    if (ctx.clean()) {
      design = assembly.take();
      hdNumberUndeclaredLiterals(*design);
    }
  }
  FUZZ_CHECK(design || !problems.empty());
  FUZZ_CHECK(problems.size() <= HDLoadLimits::kMaxProblems + 1);
  for (const HDLoadProblem& p : problems) {
    FUZZ_CHECK(!p.file.empty() && !p.message.empty());
    FUZZ_CHECK(p.line >= 0 && p.column >= 0);
  }
  HDLoad::report(problems);
  if (design) {
    const HDDesignSummary s = HDSummarizeDesign(*design);
    FUZZ_CHECK(s.leaves <= s.occurrences);
    FUZZ_CHECK(design->getPart() && design->getNetlist()->getTopCellview());
  }
  return 0;
}
