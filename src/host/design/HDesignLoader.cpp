#include "host/design/HDesignLoader.h"

#include "host/design/HDCatalogueReader.h"
#include "host/design/HDDesignAssembly.h"
#include "host/design/HDDesignFileReader.h"
#include "host/design/HDJsonReader.h"
#include "host/design/HDLoadContext.h"
#include "host/msg/ComMsgMgr.h"

namespace {

struct DesignTexts {
  DesignTexts() {
    using ComMsgMgr::registerText;
    registerText("1-20", "{1}: {2}");
    registerText("1-21", "{1}:{2}:{3}: {4}");
    registerText("1-22", "{1}:{2}:{3}: {5} (at {4})");
    registerText("1-23", "{1}: {3} (at {2})");
  }
} designTexts;

// Reads the design file, then its catalogues, then resolves names and checks.
std::unique_ptr<HFLFloorplan> loadDesign(HDJsonReader& r, const std::string& file,
                                         std::vector<HDLoadProblem>& problems) {
  HDLoadContext ctx(file, problems);
  HDDesignAssembly design(ctx);
  HDDesignFileReader reader(ctx, design);
  try {
    try {
      reader.parseDocument(r);
    } catch (const HDJsonSyntaxError& e) {
      ctx.problemAt(file, e.pos, ctx.currentPath(""),
                    std::string("JSON syntax error: ") + e.what());
      return nullptr;
    }
    HDCatalogueReader catalogues(ctx, design, reader);
    design.resolve(catalogues.read());
  } catch (const HDStopLoading&) {
    return nullptr;
  }
  if (!ctx.clean()) return nullptr;
  return design.take();
}

}  // namespace

std::unique_ptr<HFLFloorplan> HDDesignLoader::loadFile(const std::string& path,
                                                       std::vector<HDLoadProblem>& problems) {
  HDJsonReader r;
  std::string err;
  if (!r.openFile(path, err)) {
    HDLoadProblem p;
    p.file = path;
    p.message = "cannot read the design file: " + err;
    problems.push_back(p);
    return nullptr;
  }
  return loadDesign(r, path, problems);
}

std::unique_ptr<HFLFloorplan> HDDesignLoader::loadString(const std::string& json,
                                                         const std::string& displayName,
                                                         std::vector<HDLoadProblem>& problems) {
  HDJsonReader r;
  r.openString(json);
  return loadDesign(r, displayName, problems);
}

void HDDesignLoader::report(const std::vector<HDLoadProblem>& problems) {
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
