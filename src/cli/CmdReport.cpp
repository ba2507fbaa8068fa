#include "cli/Cli.h"

void registerReportCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand("report", "(not yet available)");
  addCommonOptions(cmd, ctx);
  cmd->callback([&ctx]() { ctx.exitCode = EXIT_NO_RESULT; });
}
