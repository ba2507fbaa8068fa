#include "cli/Cli.h"

void registerDumpCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand("dump", "(not yet available)");
  addCommonOptions(cmd, ctx);
  cmd->callback([&ctx]() { ctx.exitCode = EXIT_NO_RESULT; });
}
