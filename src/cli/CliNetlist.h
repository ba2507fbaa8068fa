// The options of a command that reads a design file or a netlist: --part, --top, --map
// and --site-attribute, which only a netlist takes.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/CliOptions.h"
#include "host/design/load/HDNetlistOptions.h"

void addNetlistOptions(CLI::App* cmd);
// The values given to the command that runs (one command runs per process).
const HDNetlistOptions& netlistOptions();
// True when any netlist option was given.
bool netlistOptionsGiven();
// The inputs of a command that reads `design` (a design file or a netlist, "" for none) and
// `profile` (a mission profile, "" for none), with the netlist options' cell map.
std::vector<CliInput> commandInputs(const std::string& design, const std::string& profile);
