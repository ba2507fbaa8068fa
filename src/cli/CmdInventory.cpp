#include "cli/Cli.h"

void registerInventoryCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand("inventory", "(not yet available)");
  addCommonOptions(cmd, ctx);
  cmd->callback([&ctx]() { ctx.exitCode = EXIT_NO_RESULT; });
}

int runDumpInventory(const std::string&, CliContext&) { return EXIT_NO_RESULT; }
