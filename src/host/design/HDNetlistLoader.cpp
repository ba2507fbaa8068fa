// Netlists into the design database: the format told by content, then the front end,
// the catalogues, the cell map, name resolution and the typed attribute values.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "host/design/HDCatalogueReader.h"
#include "host/design/HDCellMap.h"
#include "host/design/HDDesignAssembly.h"
#include "host/design/HDDesignFileReader.h"
#include "host/design/HDEdifReader.h"
#include "host/design/HDLoadContext.h"
#include "host/design/HDTypedAttributes.h"
#include "host/design/HDYosysReader.h"
#include "host/design/HDesignLoader.h"

namespace {

// The first bytes of a regular file; nothing for anything else (a pipe is left to the
// design file reader, which reads it without waiting for a writer).
std::string head(const std::string& path) {
  std::string out;
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return out;
  char buf[4096];
  const size_t n = std::fread(buf, 1, sizeof buf, f);
  std::fclose(f);
  out.assign(buf, n);
  return out;
}

bool isEdif(const std::string& h) {
  size_t i = 0;
  while (i < h.size() && std::strchr(" \t\r\n", h[i])) ++i;
  if (i >= h.size() || h[i] != '(') return false;
  ++i;
  while (i < h.size() && std::strchr(" \t\r\n", h[i])) ++i;
  return h.size() - i >= 4 && strncasecmp(h.data() + i, "edif", 4) == 0;
}

}  // namespace

HDDesignLoader::Format HDDesignLoader::detectFormat(const std::string& path) {
  const std::string h = head(path);
  if (HDYosysReader::looksLike(h)) return YOSYS_JSON;
  if (isEdif(h)) return EDIF;
  return DESIGN_FILE;
}

namespace {
// The whole EDIF file through its front end; the part comes from the options.
bool readEdif(HDLoadContext& ctx, HDDesignAssembly& design, const std::string& path,
              const HDNetlistOptions& opts) {
  std::ifstream in(path, std::ios::binary);
  std::string text;
  if (in) {
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
  }
  if (!in) {
    ctx.problemAt(path, {}, "", std::string("cannot read the netlist: ") + std::strerror(errno));
    return false;
  }
  hdReadEdif(ctx, design, text, opts);
  design.setNetlistPart(opts.part, path);
  return true;
}
}  // namespace

std::unique_ptr<HFLFloorplan> HDDesignLoader::loadNetlist(const std::string& path,
                                                          const HDNetlistOptions& opts,
                                                          std::vector<HDLoadProblem>& problems) {
  HDLoadContext ctx(path, problems);
  HDDesignAssembly design(ctx);
  HDDesignFileReader objects(ctx, design);
  try {
    HDCellMap map;
    if (!opts.mapFile.empty()) map.read(opts.mapFile, ctx);
    switch (detectFormat(path)) {
      case YOSYS_JSON:
        HDYosysReader(ctx, design, opts).read(path);
        break;
      case EDIF:
        if (!readEdif(ctx, design, path, opts)) return nullptr;
        break;
      default:
        ctx.problemAt(path, {}, "",
                      "not a netlist: expected a Yosys JSON netlist ({\"creator\": ..., "
                      "\"modules\": {...}}) or an EDIF netlist ((edif ...))");
        return nullptr;
    }
    if (!ctx.clean()) return nullptr;
    HDCatalogueReader catalogues(ctx, design, objects);
    const bool known = catalogues.read();
    std::vector<std::string> blackBoxes;
    if (known && ctx.clean()) map.apply(design, ctx, blackBoxes);
    design.resolve(known);
    if (!ctx.clean()) return nullptr;
    std::unique_ptr<HFLFloorplan> fp = design.take();
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

std::unique_ptr<HFLFloorplan> HDDesignLoader::loadAny(const std::string& path,
                                                      const HDNetlistOptions& opts,
                                                      std::vector<HDLoadProblem>& problems) {
  if (detectFormat(path) == DESIGN_FILE) return loadFile(path, problems);
  return loadNetlist(path, opts, problems);
}
