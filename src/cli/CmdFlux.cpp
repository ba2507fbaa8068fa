#include "cli/Cli.h"

void registerFluxCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand("flux", "(not yet available)");
  addCommonOptions(cmd, ctx);
  cmd->callback([&ctx]() { ctx.exitCode = EXIT_NO_RESULT; });
}
