// seufit parts: the parts of the catalogue, as a design names them.
#include <algorithm>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/CliRequest.h"
#include "host/str/HSTJson.h"
#include "shared/fit/run/HAFITRun.h"

namespace {
void printJson(const std::vector<HDPartSpec>& parts) {
  std::cout << "[";
  for (size_t i = 0; i < parts.size(); ++i) {
    const HDPartSpec& p = parts[i];
    std::cout << (i ? ",\n  " : "\n  ") << "{\"name\": " << HSTJson::quote(p.name)
              << ", \"device\": " << HSTJson::quote(p.device)
              << ", \"arch_id\": " << HSTJson::quote(p.archId) << ", \"arch_type\": " << p.archType
              << ", \"config_bits\": "
              << (p.hasConfigBits ? std::to_string(p.configBits) : std::string("null"))
              << ", \"library\": " << (p.hasLibrary ? HSTJson::quote(p.library) : "null") << "}";
  }
  std::cout << (parts.empty() ? "]\n" : "\n]\n");
}

void printText(const std::vector<HDPartSpec>& parts) {
  std::vector<std::vector<std::string>> rows = {
      {"Part", "Device", "Family", "Type", "Config bits", "Library"}};
  for (const HDPartSpec& p : parts)
    rows.push_back({p.name, p.device, p.archId, std::to_string(p.archType),
                    p.hasConfigBits ? std::to_string(p.configBits) : "-",
                    p.hasLibrary ? p.library : "-"});
  std::vector<size_t> width(rows.front().size());
  for (const auto& row : rows)
    for (size_t c = 0; c < row.size(); ++c) width[c] = std::max(width[c], row[c].size());
  // Numbers to the right, names to the left.
  const std::vector<bool> right = {false, false, false, true, true, false};
  for (const auto& row : rows) {
    std::string line;
    for (size_t c = 0; c < row.size(); ++c) {
      const std::string pad(width[c] - row[c].size(), ' ');
      const bool last = c + 1 == row.size();
      line += right[c] ? pad + row[c] : last ? row[c] : row[c] + pad;
      if (!last) line += "  ";
    }
    std::cout << line << "\n";
  }
}
}  // namespace

void registerPartsCommand(CLI::App& app, CliContext& ctx) {
  auto json = std::make_shared<bool>(false);
  auto* cmd = app.add_subcommand(
      "parts",
      "List the parts of the catalogue (parts.json): name, device, family (arch_id), "
      "architecture type, configuration bits, library");
  addCommonOptions(cmd, ctx);
  cmd->add_flag("--json", *json, "Print one JSON array of the parts, with the catalogue's keys");
  cmd->callback([json, &ctx]() {
    std::vector<HDPartSpec> parts;
    ctx.exitCode = HAFITRun::parts(parts);
    if (ctx.exitCode != HAFITRun::OK) return;
    if (*json)
      printJson(parts);
    else
      printText(parts);
  });
}
