// Shared pieces of the seufit command line.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

struct CliContext {
  std::vector<std::string> argv;      // the command line as typed
  std::vector<std::string> dataDirs;  // --data-dir, repeatable
  std::string messages = "text";      // --messages text|json
  int exitCode = 0;
  // When false, error messages that a command chose to tolerate do not turn exit 0 into 1.
  bool errorsFail = true;
};

// Exit statuses.
constexpr int EXIT_OK = 0;
constexpr int EXIT_NO_RESULT = 1;
constexpr int EXIT_USAGE = 2;

// --data-dir and --messages, taken by every command.
void addCommonOptions(CLI::App* cmd, CliContext& ctx);

// The command line as typed, each argument quoted where a POSIX shell would need it.
std::string shellQuoteCommand(const std::vector<std::string>& argv);

void registerReportCommand(CLI::App& app, CliContext& ctx);
void registerFluxCommand(CLI::App& app, CliContext& ctx);
void registerInventoryCommand(CLI::App& app, CliContext& ctx);
void registerDumpCommand(CLI::App& app, CliContext& ctx);
void registerCheckCommand(CLI::App& app, CliContext& ctx);

// `seufit dump inventory DESIGN`; returns the exit status.
int runDumpInventory(const std::string& designPath, CliContext& ctx);
