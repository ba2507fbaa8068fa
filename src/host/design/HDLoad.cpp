#include "host/design/HDLoad.h"

#include "host/design/dfile/HDCatalogueReader.h"
#include "host/design/dfile/HDDesignFileReader.h"
#include "host/design/edif/HDEdifReader.h"
#include "host/design/load/HDCellMap.h"
#include "host/design/load/HDTypedAttributes.h"
#include "host/design/yosys/HDYosysReader.h"
#include "host/msg/ComMsgMgr.h"

namespace {
struct Texts {
  Texts() {
    using ComMsgMgr::registerText;
    registerText("1-20", "{1}: {2}");
    registerText("1-21", "{1}:{2}:{3}: {4}");
    registerText("1-22", "{1}:{2}:{3}: {5} (at {4})");
    registerText("1-23", "{1}: {3} (at {2})");
  }
} texts;
}  // namespace

namespace HDLoad {

const std::vector<HDFrontEnd>& frontEnds() {
  static const std::vector<HDFrontEnd> all = {kHDYosysFrontEnd, kHDEdifFrontEnd,
                                              kHDDesignFileFrontEnd};
  return all;
}

const HDFrontEnd& detect(std::string_view head) {
  for (const HDFrontEnd& f : frontEnds())
    if (f.detect(head)) return f;
  return frontEnds().back();
}

std::unique_ptr<HFLFloorplan> load(HDInput& input, const Options& options,
                                   std::vector<HDLoadProblem>& problems) {
  const HDFrontEnd& format = detect(input.head());
  const HDNetlistOptions& o = options.netlist;
  HDLoadContext ctx(input.name(), problems);
  HDDesignAssembly design(ctx);
  try {
    if (!format.netlist && options.netlistGiven) {
      ctx.problemAt(input.name(), {}, "",
                    "--part, --top, --map and --site-attribute are for netlists; this is a "
                    "seufit design file, which names its own part and top");
      return nullptr;
    }
    HDCellMap map;
    if (format.netlist && !o.mapFile.empty()) map.read(o.mapFile, ctx);
    format.read(input, ctx, design, o);
    // A netlist's problems are the reader's; a design file goes on to name those of its
    // catalogues and names as well.
    if (format.netlist && !ctx.clean()) return nullptr;
    HDCatalogueReader catalogues(ctx, design);
    const bool known = catalogues.read();
    std::vector<std::string> blackBoxes;
    if (format.netlist && known && ctx.clean()) map.apply(design, ctx, blackBoxes);
    design.resolve(known);
    if (!ctx.clean()) return nullptr;
    std::unique_ptr<HFLFloorplan> fp = design.take();
    if (!format.netlist) return fp;
    fp->setUnmappedTypes(std::move(blackBoxes));
    HDTypedAttributes::convertDesign(*fp, ctx);
    if (!ctx.clean()) return nullptr;
    // A wide value that no primitive declares stays a number, not a text.
    hdNumberUndeclaredLiterals(*fp);
    return fp;
  } catch (const HDStopLoading&) {
    return nullptr;
  }
}

std::unique_ptr<HFLFloorplan> load(const std::string& path, const Options& options,
                                   std::vector<HDLoadProblem>& problems) {
  std::string error;
  std::unique_ptr<HDInput> input = HDInput::open(path, error);
  if (!input) {
    HDLoadProblem p;
    p.file = path;
    p.message = "cannot read the design file: " + error;
    problems.push_back(p);
    return nullptr;
  }
  return load(*input, options, problems);
}

std::unique_ptr<HFLFloorplan> loadText(std::string_view text, const std::string& name,
                                       const Options& options,
                                       std::vector<HDLoadProblem>& problems) {
  std::unique_ptr<HDInput> input = HDInput::text(text, name);
  return load(*input, options, problems);
}

bool readPartCatalogue(const std::string& path, std::vector<HDPartSpec>& parts,
                       std::vector<HDLoadProblem>& problems) {
  HDLoadContext ctx(path, problems);
  HDDesignAssembly design(ctx);
  try {
    HDCatalogueReader(ctx, design).readParts(path, parts);
  } catch (const HDStopLoading&) {
    return false;
  }
  return ctx.clean();
}

void report(const std::vector<HDLoadProblem>& problems) {
  for (const HDLoadProblem& p : problems) {
    if (p.line > 0 && !p.jsonPath.empty())
      ComMsgMgr::hostError("@1-22@%s%d%d%s%s", p.file, p.line, p.column, p.jsonPath, p.message);
    else if (p.line > 0)
      ComMsgMgr::hostError("@1-21@%s%d%d%s", p.file, p.line, p.column, p.message);
    else if (!p.jsonPath.empty())
      ComMsgMgr::hostError("@1-23@%s%s%s", p.file, p.jsonPath, p.message);
    else
      ComMsgMgr::hostError("@1-20@%s%s", p.file, p.message);
  }
}

}  // namespace HDLoad
