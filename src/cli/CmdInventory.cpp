// seufit inventory DESIGN: the memory inventory that a report would be computed from;
// seufit dump inventory DESIGN: the same walk, listed in the message log.
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/CliDesign.h"
#include "cli/CliDesignCheck.h"
#include "cli/CliHierarchy.h"
#include "cli/CliNetlist.h"
#include "cli/CliOptions.h"
#include "host/design/db/HDesign.h"
#include "host/msg/ComMsgMgr.h"
#include "host/str/HSTJson.h"
#include "shared/fit/base/HAFITFloorplan.h"
#include "shared/fit/base/HAFITHierarchy.h"

namespace {

struct InventoryOptions {
  std::string design;
  bool json = false;
  HierarchyText hierarchy;
};

struct Walked {
  std::unique_ptr<HFLFloorplan> design;
  std::unique_ptr<HAFITFloorplan> floorplan;
};

std::string deviceName(const HFLFloorplan& design) {
  const HDARPart* part = design.getPart();
  return part ? part->getPlaceArch()->getDeviceName() : std::string();
}

// Loads the design and walks it with the floorplan of its family. Returns the exit
// status; EXIT_OK only when `w` holds a walked floorplan.
int loadAndWalk(const std::string& path, Walked& w, HAFITHierarchy* hierarchy = nullptr) {
  w.design = loadDesignOrReport(path);
  if (!w.design) return EXIT_USAGE;
  if (!checkDesignValues(*w.design, false)) return EXIT_USAGE;
  w.floorplan.reset(HAFITFloorplan::createOrRefuse(w.design.get()));
  if (!w.floorplan) return EXIT_NO_RESULT;
  w.floorplan->setWalkObserver(hierarchy);
  try {
    w.floorplan->traverseCellview(w.design->getNetlist()->getTopCellview());
  } catch (const std::exception& e) {
    // The walk names the instance and the value it could not read.
    ComMsgMgr::hostError("@1-62@%s%s", path, std::string(e.what()));
    return EXIT_NO_RESULT;
  }
  warnSaturatedTotals(w.floorplan->saturatedTotals());
  return EXIT_OK;
}

struct Field {
  const char* key;
  const char* label;
  std::string json;  // the value as JSON
  std::string text;  // text values unquoted, for the listing; empty for numbers
};

std::vector<Field> inventoryFields(const HFLFloorplan& design, const HAFITFloorplan& fp) {
  const HDARPart* part = design.getPart();
  const std::string partName = part ? part->getName() : std::string();
  const std::string device = deviceName(design);
  const std::string family = fp.familyName() ? fp.familyName() : "";
  auto i = [](int32_t v) { return std::to_string(v); };
  auto d = [](double v) { return HSTJson::number(v); };
  auto t = [](const char* key, const char* label, const std::string& v) {
    return Field{key, label, HSTJson::quote(v), v};
  };
  return {
      t("part", "Part", partName),
      t("device", "Device", device),
      t("family", "Family", family),
      {"bramBits", "Block RAM and FIFO bits exposed", i(fp.getBramBits()), ""},
      {"bramCount", "Block RAM and FIFO instances", i(fp.getBramCount()), ""},
      {"ramb18TdpCount", "RAMB18 true dual port", i(fp.getRamb18TdpCount()), ""},
      {"ramb18SdpCount", "RAMB18 simple dual port", i(fp.getRamb18SdpCount()), ""},
      {"ramb36TdpCount", "RAMB36 true dual port", i(fp.getRamb36TdpCount()), ""},
      {"ramb36SdpCount", "RAMB36 simple dual port", i(fp.getRamb36SdpCount()), ""},
      {"fifo18Count", "FIFO18", i(fp.getFifo18Count()), ""},
      {"fifo18_36Count", "FIFO18 in FIFO18_36 mode", i(fp.getFifo18_36Count()), ""},
      {"fifo36Count", "FIFO36", i(fp.getFifo36Count()), ""},
      {"fifo36_72Count", "FIFO36 in FIFO36_72 mode", i(fp.getFifo36_72Count()), ""},
      {"ramb36CascadeCount", "RAMB36 cascade halves", i(fp.getRamb36CascadeCount()), ""},
      {"yramCount", "YRAM instances", d(fp.getYramCount()), ""},
      {"yramUnprotectedBits", "YRAM bits exposed", d(fp.getYramUnprotectedBits()), ""},
      {"hbmStackCount", "HBM stacks", d(fp.getHbmStackCount()), ""},
      {"hbmProtectedBits", "HBM bits protected", d(fp.getHbmProtectedBits()), ""},
      {"hbmUnprotectedBits", "HBM bits exposed", d(fp.getHbmUnprotectedBits()), ""},
  };
}

std::string bitsJson(const HAFITHierarchy::Bits& b) {
  return "\"bramBits\": " + HAFITHierarchy::toString(b.bram) +
         ", \"yramBits\": " + HAFITHierarchy::toString(b.yram) +
         ", \"hbmBits\": " + HSTJson::number(b.hbm);
}

std::string bitsText(const HAFITHierarchy::Bits& b) {
  return "block RAM " + HAFITHierarchy::toString(b.bram) + ", YRAM " +
         HAFITHierarchy::toString(b.yram) + ", HBM " + HSTJson::number(b.hbm);
}

int runInventory(const InventoryOptions& o) {
  int depth = -1;
  size_t unused = 0;
  if (!parseHierarchy(o.hierarchy, depth, unused)) return EXIT_USAGE;
  HAFITHierarchy hierarchy;
  Walked w;
  const int status = loadAndWalk(o.design, w, depth >= 0 ? &hierarchy : nullptr);
  if (status != EXIT_OK) return status;
  const std::vector<Field> fields = inventoryFields(*w.design, *w.floorplan);
  std::vector<HAFITHierarchy::Row> rows;
  try {
    if (depth >= 0) rows = hierarchy.rows(depth);
  } catch (const std::exception& e) {
    ComMsgMgr::hostError("@1-62@%s%s", o.design, std::string(e.what()));
    return EXIT_NO_RESULT;
  }
  if (o.json) {
    std::cout << "{";
    for (size_t k = 0; k < fields.size(); ++k)
      std::cout << (k ? ",\n  " : "\n  ") << HSTJson::quote(fields[k].key) << ": "
                << fields[k].json;
    if (depth >= 0) {
      std::cout << ",\n  \"hierarchy\": [";
      for (size_t k = 0; k < rows.size(); ++k)
        std::cout << (k ? ",\n    " : "\n    ") << "{\"path\": " << HSTJson::quote(rows[k].path)
                  << ", \"depth\": " << rows[k].depth << ", " << bitsJson(rows[k].bits)
                  << ", \"own\": {" << bitsJson(rows[k].own) << "}}";
      std::cout << "\n  ]";
    }
    std::cout << "\n}\n";
  } else {
    for (const Field& f : fields) {
      const std::string label = std::string(f.label) + ":";
      std::cout << label << std::string(label.size() < 34 ? 34 - label.size() : 1, ' ')
                << (f.json[0] == '"' ? f.text : f.json) << "\n";
    }
    if (depth >= 0) {
      std::cout << "Bits exposed by instance (the instance and everything below it):\n";
      for (const HAFITHierarchy::Row& r : rows)
        std::cout << std::string(2 * static_cast<size_t>(r.depth) + 2, ' ') << r.path << ": "
                  << bitsText(r.bits) << "\n";
    }
  }
  return EXIT_OK;
}

}  // namespace

void registerInventoryCommand(CLI::App& app, CliContext& ctx) {
  auto opts = std::make_shared<InventoryOptions>();
  auto* cmd = app.add_subcommand("inventory",
                                 "Walk a design as a report would and print its memory inventory");
  addCommonOptions(cmd, ctx);
  // Required: settleDesignArgument() says so once --by-hierarchy has given back its word.
  cmd->add_option("DESIGN", opts->design, "Design file (JSON) or netlist (Yosys JSON, EDIF)");
  addNetlistOptions(cmd);
  cmd->add_flag("--json", opts->json, "Print one JSON object");
  addHierarchyOptions(cmd, opts->hierarchy, false);
  cmd->callback([opts, &ctx]() {
    settleDesignArgument(opts->hierarchy, opts->design);
    ctx.exitCode = runInventory(*opts);
  });
}

int runDumpInventory(const std::string& designPath, CliContext&) {
  Walked w;
  const int status = loadAndWalk(designPath, w);
  if (status != EXIT_OK) return status;
  w.floorplan->print();
  return EXIT_OK;
}
