// `seufit import NETLIST --part NAME [-o FILE]`: the netlist as a seufit design file.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include "cli/Cli.h"
#include "cli/CliDesign.h"
#include "cli/CliNetlist.h"
#include "cli/CliOptions.h"
#include "host/design/HDDesignWriter.h"
#include "host/design/HDesignLoader.h"
#include "host/msg/ComMsgMgr.h"

namespace {

struct ImportOptions {
  std::string netlist, output;
};

int runImport(const ImportOptions& o) {
  if (HDDesignLoader::detectFormat(o.netlist) == HDDesignLoader::DESIGN_FILE) {
    ComMsgMgr::hostError("@1-20@%s%s", o.netlist,
                         std::string("not a netlist: import reads a Yosys JSON or EDIF netlist"));
    return EXIT_USAGE;
  }
  std::unique_ptr<HFLFloorplan> design = loadDesignOrReport(o.netlist);
  if (!design) return EXIT_USAGE;
  std::ostringstream text;
  HDDesignWriter::write(*design, netlistOptions().part, text);
  if (o.output.empty() || o.output == "-") {
    std::cout << text.str();
    return EXIT_OK;
  }
  if (!outputIsNotAnInput("-o", o.output, o.netlist)) return EXIT_USAGE;
  // Written beside the target and renamed over it when complete.
  const std::string tmp = o.output + ".tmp-import";
  {
    std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
    f << text.str();
    f.close();
    if (!f) {
      std::remove(tmp.c_str());
      ComMsgMgr::hostError("@1-67@%s%s", o.output, std::string("cannot write the file"));
      return EXIT_NO_RESULT;
    }
  }
  if (std::rename(tmp.c_str(), o.output.c_str()) != 0) {
    std::remove(tmp.c_str());
    ComMsgMgr::hostError("@1-67@%s%s", o.output, std::string("cannot replace the file"));
    return EXIT_NO_RESULT;
  }
  return EXIT_OK;
}

}  // namespace

void registerImportCommand(CLI::App& app, CliContext& ctx) {
  auto o = std::make_shared<ImportOptions>();
  auto* cmd = app.add_subcommand(
      "import", "Write a netlist (Yosys JSON or EDIF) as the equivalent seufit design file");
  addCommonOptions(cmd, ctx);
  cmd->add_option("NETLIST", o->netlist, "Netlist (Yosys JSON or EDIF)")->required();
  cmd->add_option("-o,--output", o->output, "Design file to write (default: standard output)")
      ->type_name("FILE");
  addNetlistOptions(cmd);
  cmd->callback([o, &ctx]() { ctx.exitCode = runImport(*o); });
}
