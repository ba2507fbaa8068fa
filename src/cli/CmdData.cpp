// seufit data SUBCOMMAND: work on the data a report is made from.
// `data rate`: a beam test's counts as a rate-file record.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>

#include "cli/Cli.h"
#include "cli/CliData.h"
#include "cli/CliRequest.h"
#include "host/env/HUTEnv.h"
#include "host/msg/ComMsgMgr.h"
#include "host/str/HSTJson.h"
#include "shared/fit/base/HAFITBeamRate.h"
#include "shared/fit/run/HAFITDataCheck.h"
#include "shared/fit/run/HAFITRequest.h"

namespace {
struct DataTexts {
  DataTexts() {
    using ComMsgMgr::registerText;
    registerText("1-99",
                 "option --confidence: the rate file's ll and ul are read as the bounds of a "
                 "90% interval, and the report heads them so; these are bounds at confidence {1}");
    registerText("1-100",
                 "no event was counted: the rate is bounded only from above, by {1} FIT per "
                 "Mbit; ll and ul are fractions of the nominal rate, which is 0, so no TYPE "
                 "element is given (a fluence that sees events gives one)");
    registerText("1-101",
                 "{1}; nothing was written (check --events, --fluence, --bits and --flux)");
  }
} dataTexts;

// The TYPE names of the rate file's SOFTERRORRATE section.
const std::vector<std::string> kTypeNames = {"config", "bram",      "yram",
                                             "hbm",    "config_6t", "config_12t"};

struct RateOptions {
  std::string events, fluence, bits;
  std::string flux = "13";
  std::string confidence = "0.90";
  std::string type = "config";
  bool json = false;
};

// Every option checked, one message per bad value; false when any is bad.
bool parseRateOptions(const RateOptions& o, HAFITBeamRate::BeamTest& test) {
  bool ok = true;
  const auto count = [&ok](const char* option, const std::string& text, long long lo, long long hi,
                           std::uint64_t& out) {
    if (const auto v = HAFITRun::Numbers::parseInteger(text, lo, hi)) {
      out = static_cast<std::uint64_t>(*v);
    } else {
      HAFITRun::usageError(
          option, "a whole number from " + std::to_string(lo) + " to " + std::to_string(hi), text);
      ok = false;
    }
  };
  const auto positive = [&ok](const char* option, const std::string& text, double& out) {
    const auto v = HAFITRun::Numbers::parseDouble(text);
    if (v && *v > 0.0) {
      out = *v;
    } else {
      HAFITRun::usageError(option, "a finite real number above 0", text);
      ok = false;
    }
  };
  count("--events", o.events, 0, static_cast<long long>(HAFITBeamRate::kMaxEvents), test.events);
  positive("--fluence", o.fluence, test.fluence);
  count("--bits", o.bits, 1, static_cast<long long>(HAFITBeamRate::kMaxBits), test.bits);
  positive("--flux", o.flux, test.flux);
  const auto c = HAFITRun::Numbers::parseDouble(o.confidence);
  if (c && *c > 0.0 && *c < 1.0) {
    test.confidence = *c;
  } else {
    HAFITRun::usageError("--confidence", "a real number between 0 and 1, both excluded",
                         o.confidence);
    ok = false;
  }
  return ok;
}

void printJson(const HAFITBeamRate::BeamTest& t, const HAFITBeamRate::BeamRate& r,
               const std::string& type) {
  using HAFITBeamRate::fileNumber;
  using HSTJson::number;
  const std::string element = HAFITBeamRate::typeElement(type, r);
  std::cout << "{\"events\": " << t.events << ", \"fluence\": " << number(t.fluence)
            << ", \"bits\": " << t.bits << ", \"flux\": " << number(t.flux)
            << ", \"confidence\": " << number(t.confidence)
            << ", \"events_lower\": " << number(r.eventsLower)
            << ", \"events_upper\": " << number(r.eventsUpper)
            << ", \"cross_section_cm2\": " << number(r.crossSection)
            << ", \"cross_section_lower_cm2\": " << number(r.crossSectionLower)
            << ", \"cross_section_upper_cm2\": " << number(r.crossSectionUpper)
            << ", \"fit_per_mbit\": " << fileNumber(r.fit)
            << ", \"fit_per_mbit_lower\": " << fileNumber(r.fitLower)
            << ", \"fit_per_mbit_upper\": " << fileNumber(r.fitUpper)
            << ", \"ll\": " << (r.hasFractions ? fileNumber(r.ll) : "null")
            << ", \"ul\": " << (r.hasFractions ? fileNumber(r.ul) : "null")
            << ", \"type\": " << HSTJson::quote(type)
            << ", \"type_element\": " << (element.empty() ? "null" : HSTJson::quote(element))
            << "}\n";
}

void printText(const HAFITBeamRate::BeamTest& t, const HAFITBeamRate::BeamRate& r,
               const std::string& type) {
  using HAFITBeamRate::fileNumber;
  using HSTJson::number;
  const std::string bounds = "bounds at confidence " + number(t.confidence) + ", two-sided: ";
  std::cout << "Events:                " << t.events << " (" << bounds << number(r.eventsLower)
            << " to " << number(r.eventsUpper) << ")\n"
            << "Fluence:               " << number(t.fluence) << " n/cm^2\n"
            << "Bits:                  " << t.bits << "\n"
            << "Cross-section per bit: " << number(r.crossSection) << " cm^2 ("
            << number(r.crossSectionLower) << " to " << number(r.crossSectionUpper) << ")\n"
            << "Flux:                  " << number(t.flux) << " n/cm^2/h\n"
            << "Rate:                  " << fileNumber(r.fit) << " FIT per Mbit ("
            << fileNumber(r.fitLower) << " to " << fileNumber(r.fitUpper) << ")\n";
  if (r.hasFractions)
    std::cout << "ll, ul:                " << fileNumber(r.ll) << " " << fileNumber(r.ul) << "\n"
              << "SOFTERRORRATE record:  " << HAFITBeamRate::typeElement(type, r) << "\n";
  else
    std::cout << "ll, ul:                none: the nominal rate is 0\n"
              << "SOFTERRORRATE record:  none: no event was counted\n";
}

int runDataRate(const RateOptions& o) {
  HAFITBeamRate::BeamTest test;
  if (!parseRateOptions(o, test)) return EXIT_USAGE;
  const HAFITBeamRate::BeamRate rate = HAFITBeamRate::compute(test);
  const std::string range = HAFITBeamRate::outOfRange(test, rate);
  if (!range.empty()) {
    ComMsgMgr::hostError("@1-101@%s", range);
    return EXIT_USAGE;
  }
  if (test.confidence != HAFITBeamRate::kFileConfidence)
    ComMsgMgr::hostWarning("@1-99@%s", HSTJson::number(test.confidence));
  if (!rate.hasFractions)
    ComMsgMgr::hostWarning("@1-100@%s", HAFITBeamRate::fileNumber(rate.fitUpper));
  if (o.json)
    printJson(test, rate, o.type);
  else
    printText(test, rate, o.type);
  return EXIT_OK;
}
}  // namespace

void registerDataRate(CLI::App* data, CliContext& ctx) {
  auto opts = std::make_shared<RateOptions>();
  auto* cmd = data->add_subcommand(
      "rate",
      "A beam test's counts as a cross-section per bit, a rate in FIT per Mbit and its "
      "chi-square bounds, written as a TYPE element of fit/SoftErrorRate.xml");
  addCommonOptions(cmd, ctx);
  addTextOption(cmd, "--events", opts->events,
                "Upsets counted, 0 to " + std::to_string(HAFITBeamRate::kMaxEvents), "N")
      ->required();
  addTextOption(cmd, "--fluence", opts->fluence, "Neutron fluence of the test in n/cm^2, above 0",
                "F")
      ->required();
  addTextOption(cmd, "--bits", opts->bits, "Bits exposed (all devices together), at least 1", "B")
      ->required();
  addTextOption(cmd, "--flux", opts->flux,
                "Neutron flux of the rate in n/cm^2/h (13: sea level in New York)", "X");
  addTextOption(cmd, "--confidence", opts->confidence,
                "Confidence of the two-sided bounds, between 0 and 1 (the rate file's are 0.90)",
                "C");
  cmd->add_option("--type", opts->type, "The TYPE name of the record")
      ->type_name("NAME")
      ->check(CLI::IsMember(kTypeNames))
      ->default_str(opts->type);
  cmd->add_flag("--json", opts->json, "Print one JSON object");
  cmd->callback([opts, &ctx]() { ctx.exitCode = runDataRate(*opts); });
}

void registerDataCheck(CLI::App* data, CliContext& ctx) {
  struct Options {
    std::vector<std::string> dirs;
    bool strict = false;
  };
  auto opts = std::make_shared<Options>();
  auto* cmd = data->add_subcommand(
      "check",
      "Validate the data directories as a whole: the XML files, every part of the catalogue, "
      "its family's rates, the cutoff grid (exit 2 on an error)");
  addCommonOptions(cmd, ctx);
  cmd->add_option("DIR", opts->dirs,
                  "Data directories to check, searched before the built-in data (as --data-dir)")
      ->type_name("DIR");
  cmd->add_flag("--strict", opts->strict, "Exit 4 when there are warnings and no error");
  cmd->callback([opts, &ctx]() {
    if (!opts->dirs.empty()) {
      std::vector<std::string> dirs = opts->dirs;
      dirs.insert(dirs.end(), ctx.dataDirs.begin(), ctx.dataDirs.end());
      HUTEnv::setDataDirs(dirs);
    }
    ctx.exitCode = HAFITRun::checkData(opts->strict);
    // The check's own errors are its result, counted in its status.
    ctx.errorsFail = false;
  });
}

void registerDataInit(CLI::App* data, CliContext& ctx) {
  struct Options {
    HAFITRun::DataInit init;
    std::string configBits;
  };
  auto opts = std::make_shared<Options>();
  auto* cmd = data->add_subcommand(
      "init",
      "Write a data directory for a new device of a family: its rate file, with "
      "placeholders to replace, and a catalogue of one part");
  addCommonOptions(cmd, ctx);
  cmd->add_option("DIR", opts->init.dir, "The directory to write (made when missing)")
      ->type_name("DIR")
      ->required();
  cmd->add_option("--like", opts->init.like, "The family the device belongs to")
      ->type_name("FAMILY")
      ->required();
  addTextOption(cmd, "--config-bits", opts->configBits,
                "The device's configuration-bit count, 1 to 10^12", "N")
      ->required();
  addTextOption(cmd, "--part", opts->init.part, "The part's name", "NAME");
  addTextOption(cmd, "--device", opts->init.device, "The device's name", "NAME");
  addTextOption(cmd, "--arch-id", opts->init.archId,
                "The architecture id: the FAMILY name of the rate file", "ID");
  cmd->callback([opts, &ctx]() {
    const auto bits = HAFITRun::Numbers::parseInteger(opts->configBits, 1, 1000000000000LL);
    if (!bits) {
      HAFITRun::usageError("--config-bits", "a whole number from 1 to 1000000000000",
                           opts->configBits);
      ctx.exitCode = HAFITRun::USAGE;
      return;
    }
    opts->init.configBits = *bits;
    ctx.exitCode = HAFITRun::initData(opts->init);
  });
}

void registerDataCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand(
      "data",
      "Work on the data files: check them (check), start them for a new device (init), a "
      "beam test's counts as a rate (rate)");
  registerDataCheck(cmd, ctx);
  registerDataInit(cmd, ctx);
  registerDataRate(cmd, ctx);
  requireSubcommand(cmd, "subcommand");
}
