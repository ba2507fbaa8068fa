// How the command line fills a run request: the options of the request's table added to a
// command as text, then set on the request when the command runs; the netlist options, the
// design argument and the options every command takes.
#pragma once

#include <CLI/CLI.hpp>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "shared/fit/run/HAFITRequest.h"
#include "shared/fit/run/HAFITRun.h"

class CliRequest {
 public:
  // The design argument and the netlist options (--part, --top, --map, --site-attribute).
  void addDesign(CLI::App* cmd);
  void addNetlistOptions(CLI::App* cmd);
  // The given options of the request's table (by name, without dashes), as text; a help
  // text overrides the table's.
  void addOptions(CLI::App* cmd, const std::vector<HAFITRun::OptionInfo>& options,
                  const std::map<std::string, std::string>& help = {});
  // The parser lets an optional value take the next word: `--by-hierarchy top.json` leaves
  // DESIGN empty and the path as the depth. Gives such a word back to the design; throws
  // the parser's own error when DESIGN is still missing.
  void settleDesign();
  // Sets every given option on `r`, then the checks between them; false after one message
  // per bad value.
  bool fill(HAFITRun::Request& r) const;
  // Whether an option of the table was given.
  bool given(const std::string& name) const;
  const std::string& design() const { return design_; }

 private:
  struct Text {
    CLI::Option* option = nullptr;
    std::string value;
  };
  std::map<std::string, Text> texts_;
  std::vector<std::string> order_;
  std::string design_;
  HDNetlistOptions netlist_;
  std::vector<CLI::Option*> netlistOptions_;
};

// Names an option still answers to but help no longer shows ("--file" of report's --output).
bool isFormerName(const std::string& name);
// Help that lists each option by its current names.
std::shared_ptr<CLI::FormatterBase> makeFormatter();

// An option kept as typed and checked by the command; its default is the current value.
CLI::Option* addTextOption(CLI::App* cmd, const std::string& name, std::string& value,
                           const std::string& help, const std::string& typeName);
// A command made only of subcommands (`data`, `plot`): a missing or unknown one is named,
// with those there are, rather than taken as a stray word. `noun` names them ("kind").
void requireSubcommand(CLI::App* cmd, const std::string& noun);
// --data-dir and --messages, taken by every command.
void addCommonOptions(CLI::App* cmd, CliContext& ctx);
// --strict: any warning makes a run that wrote its result exit 4.
void addStrictOption(CLI::App* cmd, CliContext& ctx);
// Every option of the command with its effective value, defaults included ("Option --x").
std::vector<std::pair<std::string, std::string>> optionItems(const CLI::App* cmd);
// The usage status of a run status.
int exitStatus(HAFITRun::Status status);
