// The options that several commands share, and strict parsing of numeric options: the
// whole text must be a number in range.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <vector>

struct CliContext;

namespace CliNumbers {
// A finite real that a float can hold, or nothing.
std::optional<float> parseFloat(const std::string& text);
// A whole number in [lo, hi] (no fraction, no trailing text), or nothing.
std::optional<long long> parseInteger(const std::string& text, long long lo, long long hi);
}  // namespace CliNumbers

// Sends the usage message for an option value: "option --x: expected ..., got '...'".
void usageError(const std::string& option, const std::string& expected, const std::string& got);

// --altitude, --longitude and --latitude as typed; the defaults are sea level in New York.
struct PlaceText {
  std::string altitude = "0";
  std::string longitude = "-74";
  std::string latitude = "40";
};
// The same, checked: a finite real, -180..180 and -90..90.
struct PlaceOptions {
  float altitude = 0.0f;
  int longitude = -74;
  int latitude = 40;
};
void addPlaceOptions(CLI::App* cmd, PlaceText& place, const std::string& altitudeHelp);
// --longitude and --latitude only.
void addPositionOptions(CLI::App* cmd, PlaceText& place);
// False (with one message per bad value) when any value is out of range.
bool parsePlace(const PlaceText& text, PlaceOptions& out);

// An option kept as typed and checked by the command; its default is the current value.
CLI::Option* addTextOption(CLI::App* cmd, const std::string& name, std::string& value,
                           const std::string& help, const std::string& typeName);

// --data-dir and --messages, taken by every command.
void addCommonOptions(CLI::App* cmd, CliContext& ctx);

// A file the command reads: what it is ("the design file") and its path.
struct CliInput {
  std::string what, path;
};
// False (with a usage message) when `output` is, or links to, one of `inputs` or one of the
// data files the run reads: a command must never replace its own inputs.
bool outputIsNotAnInput(const std::string& option, const std::string& output,
                        const std::vector<CliInput>& inputs);

// The command line as typed, each argument quoted where a POSIX shell would need it.
std::string shellQuoteCommand(const std::vector<std::string>& argv);
