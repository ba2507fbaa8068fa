// seufit report: the FIT report of a placed design.
#include <memory>

#include "cli/Cli.h"
#include "cli/CliRequest.h"
#include "host/str/HSTStrUtils.h"
#include "page/PageFigures.h"
#include "shared/fit/run/HAFITRun.h"

namespace {
int runReport(const CliRequest& in, CLI::App* cmd, CliContext& ctx) {
  HAFITRun::Request request;
  if (!in.fill(request)) return HAFITRun::USAGE;
  if (!request.output.empty() &&
      !HAFITRun::outputIsNotAnInput("--output", request.output, HAFITRun::inputsOf(request)))
    return HAFITRun::USAGE;
  HAFITRun::Mission mission;
  if (const auto s = HAFITRun::prepareMission(request, mission); s != HAFITRun::OK) return s;
  HAFITRun::Design design;
  if (const auto s = HAFITRun::load(request.design, request.netlist, request.netlistGiven, design);
      s != HAFITRun::OK)
    return s;
  request.command = HSTStrUtils::shellQuote(ctx.argv);
  if (request.provenance) request.optionItems = optionItems(cmd);
  HAFITRun::Report report = HAFITRun::analyse(design, request, mission);
  if (request.format == HAFITRun::Format::HTML) Page::addFigures(report, request, mission);
  return HAFITRun::write(report, request);
}
}  // namespace

void registerReportCommand(CLI::App& app, CliContext& ctx) {
  auto in = std::make_shared<CliRequest>();
  auto* cmd = app.add_subcommand("report", "Write the FIT report of a placed design");
  addCommonOptions(cmd, ctx);
  addStrictOption(cmd, ctx);
  in->addDesign(cmd);
  in->addOptions(cmd, HAFITRun::Request::reportOptions());
  cmd->callback([in, cmd, &ctx]() {
    in->settleDesign();
    ctx.exitCode = runReport(*in, cmd, ctx);
  });
}
