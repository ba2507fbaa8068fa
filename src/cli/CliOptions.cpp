#include "cli/CliOptions.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdlib>

#include "cli/Cli.h"
#include "host/env/HUTEnv.h"
#include "host/msg/ComMsgMgr.h"

namespace CliNumbers {

std::optional<float> parseFloat(const std::string& text) {
  if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return std::nullopt;
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(begin, &end);
  if (end != begin + text.size() || errno == ERANGE) return std::nullopt;
  // strtod takes "nan", "inf" and hexadecimal forms; only finite values that a float holds pass.
  if (!std::isfinite(v) || std::fabs(v) > FLT_MAX) return std::nullopt;
  return static_cast<float>(v);
}

std::optional<long long> parseInteger(const std::string& text, long long lo, long long hi) {
  if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return std::nullopt;
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(begin, &end, 10);
  if (end != begin + text.size() || errno == ERANGE || v < lo || v > hi) return std::nullopt;
  return v;
}

}  // namespace CliNumbers

void usageError(const std::string& option, const std::string& expected, const std::string& got) {
  ComMsgMgr::hostError("@1-60@%s%s%s", option, expected, got);
}

CLI::Option* addTextOption(CLI::App* cmd, const std::string& name, std::string& value,
                           const std::string& help, const std::string& typeName) {
  return cmd->add_option(name, value, help)->type_name(typeName)->default_str(value);
}

void addPlaceOptions(CLI::App* cmd, PlaceText& place, const std::string& altitudeHelp) {
  addTextOption(cmd, "--altitude", place.altitude, altitudeHelp, "X");
  addPositionOptions(cmd, place);
}

void addPositionOptions(CLI::App* cmd, PlaceText& place) {
  addTextOption(cmd, "--longitude", place.longitude, "Longitude in whole degrees, -180 to 180",
                "N");
  addTextOption(cmd, "--latitude", place.latitude, "Latitude in whole degrees, -90 to 90", "N");
}

bool parsePlace(const PlaceText& text, PlaceOptions& out) {
  const std::string& altitude = text.altitude;
  const std::string& longitude = text.longitude;
  const std::string& latitude = text.latitude;
  bool ok = true;
  if (auto v = CliNumbers::parseFloat(altitude)) {
    out.altitude = *v;
    // Below sea level is a real place (a mine, a shore below sea level), but the flux
    // models are made for the atmosphere above it.
    if (*v < 0) ComMsgMgr::hostWarning("@1-68@%s%s", std::string("option --altitude"), altitude);
  } else {
    usageError("--altitude", "a finite real number", altitude);
    ok = false;
  }
  if (auto v = CliNumbers::parseInteger(longitude, -180, 180)) {
    out.longitude = static_cast<int>(*v);
  } else {
    usageError("--longitude", "a whole number of degrees from -180 to 180", longitude);
    ok = false;
  }
  if (auto v = CliNumbers::parseInteger(latitude, -90, 90)) {
    out.latitude = static_cast<int>(*v);
  } else {
    usageError("--latitude", "a whole number of degrees from -90 to 90", latitude);
    ok = false;
  }
  return ok;
}

void addCommonOptions(CLI::App* cmd, CliContext& ctx) {
  cmd->add_option("--data-dir", ctx.dataDirs,
                  "Search only this data directory (repeatable, searched in order)")
      ->type_name("DIR");
  ctx.messageOptions.push_back(
      cmd->add_option("--messages", ctx.messages, "How diagnostics are written to standard error")
          ->check(CLI::IsMember({"text", "json"}))
          ->default_str("text"));
}

bool outputIsNotAnInput(const std::string& option, const std::string& output,
                        const std::vector<CliInput>& inputs) {
  struct stat out {};
  if (::stat(output.c_str(), &out) != 0) return true;  // a new file replaces nothing
  const auto same = [&out](const std::string& path) {
    struct stat in {};
    return ::stat(path.c_str(), &in) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino;
  };
  for (const CliInput& in : inputs)
    if (same(in.path)) {
      usageError(option, "a file other than " + in.what, output);
      return false;
    }
  for (const char* rel : {"fit/SoftErrorRate.xml", "fit/DetectionTime.xml",
                          "fit/RigidityCutoff.xml", "parts.json", "primitives.json"}) {
    const std::string dir = HUTEnv::getOVKDataDir(rel);
    if (!dir.empty() && same(dir + "/" + rel)) {
      usageError(option, std::string("a file other than the data file ") + rel, output);
      return false;
    }
  }
  return true;
}

std::string shellQuoteCommand(const std::vector<std::string>& argv) {
  std::string out;
  for (size_t i = 0; i < argv.size(); ++i) {
    const std::string& a = argv[i];
    if (i) out += ' ';
    bool plain = !a.empty();
    for (char c : a) {
      const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.' || c == '/' ||
                        c == ',' || c == ':' || c == '+' || c == '=' || c == '@' || c == '%';
      if (!safe) plain = false;
    }
    if (plain) {
      out += a;
    } else {
      out += '\'';
      for (char c : a) out += (c == '\'') ? std::string("'\\''") : std::string(1, c);
      out += '\'';
    }
  }
  return out;
}
