// `seufit data SUBCOMMAND`: work on the data a report is made from. Each subcommand is
// registered on the `data` command by a function of its own (declared here, called by
// registerDataCommand in CmdData.cpp), so a new one is a file, a declaration and a call.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/Cli.h"

// `data rate`: a beam test's counts as a cross-section, a rate and its bounds, written as
// a TYPE element of the rate file.
void registerDataRate(CLI::App* data, CliContext& ctx);
