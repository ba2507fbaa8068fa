#include "cli/CliNetlist.h"

namespace {
HDNetlistOptions options;
std::vector<CLI::Option*> given;
}  // namespace

void addNetlistOptions(CLI::App* cmd) {
  const char* group = "Netlists (Yosys JSON or EDIF)";
  given.push_back(cmd->add_option("--part", options.part,
                                  "Catalogue part of the netlist (required for a netlist)")
                      ->type_name("NAME")
                      ->group(group));
  given.push_back(cmd->add_option("--top", options.top,
                                  "Top module (default: the module marked top in the netlist)")
                      ->type_name("MODULE")
                      ->group(group));
  given.push_back(
      cmd->add_option("--map", options.mapFile,
                      "Cell map (JSON): netlist cell types to catalogue primitives, see "
                      "docs/netlists.md")
          ->type_name("FILE")
          ->group(group));
  given.push_back(cmd->add_option("--site-attribute", options.siteAttribute,
                                  "Cell attribute that names the placement site")
                      ->type_name("NAME")
                      ->default_str(options.siteAttribute)
                      ->group(group));
}

const HDNetlistOptions& netlistOptions() { return options; }

std::vector<CliInput> commandInputs(const std::string& design, const std::string& profile) {
  std::vector<CliInput> inputs;
  if (!design.empty()) inputs.push_back({"the design file", design});
  if (!netlistOptions().mapFile.empty())
    inputs.push_back({"the cell map", netlistOptions().mapFile});
  if (!profile.empty()) inputs.push_back({"the mission profile", profile});
  return inputs;
}

bool netlistOptionsGiven() {
  for (const CLI::Option* o : given)
    if (o->count() > 0) return true;
  return false;
}
