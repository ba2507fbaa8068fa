// The seufit command line: its run context, exit statuses and commands.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

struct CliContext {
  std::vector<std::string> argv;      // the command line as typed
  std::vector<std::string> dataDirs;  // --data-dir, repeatable
  bool noBuiltinData = false;         // --no-builtin-data
  std::string messages = "text";      // --messages text|json
  // Every command's --messages option: after a usage error the parser's raw record of
  // them still tells how to write that error.
  std::vector<CLI::Option*> messageOptions;
  int exitCode = 0;
  // When false, error messages that a command chose to tolerate do not turn exit 0 into 1.
  bool errorsFail = true;
  // --strict: a warning makes a run that wrote its result exit EXIT_WARNINGS.
  bool strict = false;
};

// Exit statuses.
constexpr int EXIT_OK = 0;
constexpr int EXIT_NO_RESULT = 1;
constexpr int EXIT_USAGE = 2;
constexpr int EXIT_BUDGET = 3;
constexpr int EXIT_WARNINGS = 4;
// The reader of standard output closed it: as a shell reports a writer ended by SIGPIPE.
constexpr int EXIT_CLOSED_PIPE = 128 + 13;

// A usage error whose message says all that is wrong: passed on as it is.
class CliUsageError : public CLI::ParseError {
 public:
  explicit CliUsageError(const std::string& message)
      : CLI::ParseError("CliUsageError", message, CLI::ExitCodes::ExtrasError) {}
};

// "did you mean --a or --b?" with the names nearest to a misspelt `typed`, or "" when none
// is near: those it begins (two letters at least), else those a few edits away (fewer for a
// short word), the closest only; option names compare without their dashes.
std::string didYouMean(const std::string& typed, const std::vector<std::string>& names);
// "unknown WHAT 'typed' (did you mean ...?)", else "...; expected one of NAMES".
std::string unknownName(const std::string& what, const std::string& typed,
                        const std::vector<std::string>& names);

void registerReportCommand(CLI::App& app, CliContext& ctx);
void registerFluxCommand(CLI::App& app, CliContext& ctx);
void registerInventoryCommand(CLI::App& app, CliContext& ctx);
void registerDumpCommand(CLI::App& app, CliContext& ctx);
void registerCheckCommand(CLI::App& app, CliContext& ctx);
void registerImportCommand(CLI::App& app, CliContext& ctx);
void registerPlotCommand(CLI::App& app, CliContext& ctx);
void registerDataCommand(CLI::App& app, CliContext& ctx);
void registerPartsCommand(CLI::App& app, CliContext& ctx);
void registerSweepCommand(CLI::App& app, CliContext& ctx);

// `seufit dump inventory DESIGN`; returns the exit status.
class CliRequest;
int runDumpInventory(const std::string& designPath, const CliRequest& in);
