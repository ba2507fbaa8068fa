// `seufit check DESIGN`: validates a design file and prints a short summary.
#include <cstdint>
#include <iostream>
#include <memory>
#include <sstream>
#include <vector>

#include "cli/Cli.h"
#include "cli/CliRequest.h"
#include "host/design/db/HDesignSummary.h"
#include "shared/fit/base/HAFITFamily.h"
#include "shared/fit/run/HAFITDesignCheck.h"
#include "shared/fit/run/HAFITRun.h"

namespace {

const HFLFloorplan* leftForExit = nullptr;

std::string HDJoinTypes(const std::vector<std::string>& types) {
  std::string out;
  for (size_t i = 0; i < types.size() && i < 20; ++i) out += (i ? ", " : "") + types[i];
  if (types.size() > 20) out += ", ...";
  return out;
}

// A count that stopped at its largest value; the others, of a design that has one, are exact.
std::string count(uint64_t n, bool saturated) {
  return saturated && n == UINT64_MAX ? "more than " + std::to_string(n) : std::to_string(n);
}

void printSummary(std::ostream& os, const std::string& path, const HFLFloorplan& design) {
  const HDDesignSummary s = HDSummarizeDesign(design);
  const HDARPart* part = design.getPart();
  const HARPlaceArch* arch = part->getPlaceArch();
  const HAFITFamily* family = HAFITFamilyFor(arch->getArchType(), arch->getDeviceName());
  std::ostringstream out;
  out << path << ": valid design\n";
  out << "  design      " << design.getDesignName() << "\n";
  out << "  part        " << part->getName() << "\n";
  out << "  device      " << arch->getDeviceName() << " (architecture "
      << part->getFamily()->getArch()->getId() << ", type " << arch->getArchType() << ")\n";
  out << "  family      " << (family ? family->name : "") << "\n";
  out << "  altitude    " << HAFITRun::altitudeUnitText(design) << "\n";
  out << "  cells       " << s.cells << " defined, " << s.primitives << " primitives\n";
  out << "  instances   " << count(s.occurrences, s.saturated) << " in the hierarchy ("
      << count(s.leaves, s.saturated) << " leaves), " << s.definedInstances
      << " written in cells\n";
  out << "  memories    ramb " << count(s.ramb, s.saturated) << ", fifo "
      << count(s.fifo, s.saturated) << ", yram " << count(s.yram, s.saturated) << ", hbm "
      << count(s.hbm, s.saturated) << "\n";
  if (!design.unmappedTypes().empty())
    out << "  black boxes " << HDJoinTypes(design.unmappedTypes())
        << " (netlist cell types without a primitive, read without memory)\n";
  os << out.str();
}

}  // namespace

void registerCheckCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand(
      "check", "Validate a design file and print a short summary (exit 2 when invalid)");
  addCommonOptions(cmd, ctx);
  addStrictOption(cmd, ctx);
  auto in = std::make_shared<CliRequest>();
  static bool loadOnly = false;
  in->addDesign(cmd);
  cmd->get_option("DESIGN")->required()->description(
      "Design file (JSON) or netlist (Yosys JSON or EDIF)");
  // Benchmarks time the loading alone.
  cmd->add_flag("--load-only", loadOnly)->group("");
  cmd->callback([in, &ctx]() {
    HAFITRun::Request request;
    in->fill(request);
    HAFITRun::Design design;
    ctx.exitCode = HAFITRun::load(request.design, request.netlist, request.netlistGiven, design);
    if (ctx.exitCode != HAFITRun::OK) return;
    if (!loadOnly) {
      if (HAFITRun::checkDesignValues(*design.db, true) &&
          HAFITRun::checkSupported(request.design, *design.db)) {
        printSummary(std::cout, request.design, *design.db);
        std::string family;
        const auto left = HAFITRun::notAnalysed(*design.db, family);
        HAFITRun::warnNotAnalysed(left, family);
      } else {
        ctx.exitCode = HAFITRun::USAGE;
      }
    }
    // The process ends next: leave a large design to the system rather than free its
    // millions of nodes one by one (kept reachable, so leak checkers do not count it).
    leftForExit = design.db.release();
  });
}
