#include "cli/Cli.h"

void registerCheckCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand("check", "(not yet available)");
  addCommonOptions(cmd, ctx);
  cmd->callback([&ctx]() { ctx.exitCode = EXIT_NO_RESULT; });
}
