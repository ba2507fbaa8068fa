// seufit inventory DESIGN: the memory inventory that a report would be computed from;
// seufit dump inventory DESIGN: the same walk, listed in the message log.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/CliRequest.h"
#include "host/str/HSTJson.h"
#include "shared/fit/run/HAFITRun.h"

namespace {

std::string bitsJson(const HAFITHierarchy::Bits& b) {
  return "\"bramBits\": " + HAFITHierarchy::toString(b.bram) +
         ", \"yramBits\": " + HAFITHierarchy::toString(b.yram) +
         ", \"hbmBits\": " + HSTJson::number(b.hbm);
}

std::string bitsText(const HAFITHierarchy::Bits& b) {
  return "block RAM " + HAFITHierarchy::toString(b.bram) + ", YRAM " +
         HAFITHierarchy::toString(b.yram) + ", HBM " + HSTJson::number(b.hbm);
}

void printJson(const HAFITRun::Inventory& inv, bool hierarchy) {
  std::cout << "{";
  for (size_t k = 0; k < inv.fields.size(); ++k)
    std::cout << (k ? ",\n  " : "\n  ") << HSTJson::quote(inv.fields[k].key) << ": "
              << inv.fields[k].json;
  if (hierarchy) {
    std::cout << ",\n  \"hierarchy\": [";
    for (size_t k = 0; k < inv.rows.size(); ++k)
      std::cout << (k ? ",\n    " : "\n    ") << "{\"path\": " << HSTJson::quote(inv.rows[k].path)
                << ", \"depth\": " << inv.rows[k].depth << ", " << bitsJson(inv.rows[k].bits)
                << ", \"own\": {" << bitsJson(inv.rows[k].own) << "}}";
    std::cout << "\n  ]";
  }
  std::cout << "\n}\n";
}

void printText(const HAFITRun::Inventory& inv, bool hierarchy) {
  for (const HAFITRun::InventoryField& f : inv.fields) {
    const std::string label = std::string(f.label) + ":";
    std::cout << label << std::string(label.size() < 34 ? 34 - label.size() : 1, ' ')
              << (f.json[0] == '"' ? f.text : f.json) << "\n";
  }
  if (!hierarchy) return;
  std::cout << "Bits exposed by instance (the instance and everything below it):\n";
  for (const HAFITHierarchy::Row& r : inv.rows)
    std::cout << std::string(2 * static_cast<size_t>(r.depth) + 2, ' ') << r.path << ": "
              << bitsText(r.bits) << "\n";
}

int runInventory(const CliRequest& in, bool json) {
  HAFITRun::Request request;
  if (!in.fill(request)) return HAFITRun::USAGE;
  HAFITRun::Design design;
  if (const auto s = HAFITRun::load(request.design, request.netlist, request.netlistGiven, design);
      s != HAFITRun::OK)
    return s;
  HAFITRun::Inventory inv;
  if (const auto s = HAFITRun::inventory(design, request.hierarchyDepth, inv); s != HAFITRun::OK)
    return s;
  if (json)
    printJson(inv, request.hierarchyDepth >= 0);
  else
    printText(inv, request.hierarchyDepth >= 0);
  return HAFITRun::OK;
}

}  // namespace

void registerInventoryCommand(CLI::App& app, CliContext& ctx) {
  auto in = std::make_shared<CliRequest>();
  auto json = std::make_shared<bool>(false);
  auto* cmd = app.add_subcommand("inventory",
                                 "Walk a design as a report would and print its memory inventory");
  addCommonOptions(cmd, ctx);
  addStrictOption(cmd, ctx);
  in->addDesign(cmd);
  cmd->add_flag("--json", *json, "Print one JSON object");
  in->addOptions(cmd, {*HAFITRun::Request::find("by-hierarchy")},
                 {{"by-hierarchy",
                   "Break the memory down by hierarchical instance, down to DEPTH levels "
                   "(default 2, 1 to 4096)"}});
  cmd->callback([in, json, &ctx]() {
    in->settleDesign();
    ctx.exitCode = runInventory(*in, *json);
  });
}

int runDumpInventory(const std::string& designPath, const CliRequest& in) {
  HAFITRun::Request request;
  if (!in.fill(request)) return HAFITRun::USAGE;
  HAFITRun::Design design;
  if (const auto s = HAFITRun::load(designPath, request.netlist, request.netlistGiven, design);
      s != HAFITRun::OK)
    return s;
  HAFITRun::Inventory inv;
  if (const auto s = HAFITRun::inventory(design, -1, inv); s != HAFITRun::OK) return s;
  inv.floorplan->print();
  return HAFITRun::OK;
}
