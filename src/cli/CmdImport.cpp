// `seufit import NETLIST --part NAME [-o FILE]`: the netlist as a seufit design file.
#include <iostream>
#include <memory>
#include <sstream>

#include "cli/Cli.h"
#include "cli/CliDesign.h"
#include "cli/CliNetlist.h"
#include "cli/CliOptions.h"
#include "host/design/HDLoad.h"
#include "host/design/dfile/HDDesignWriter.h"
#include "host/msg/ComMsgMgr.h"
#include "host/stream/HUTFileWriteStream.h"

namespace {

struct ImportOptions {
  std::string netlist, output;
};

int runImport(const ImportOptions& o) {
  std::string error;
  std::unique_ptr<HDInput> input = HDInput::open(o.netlist, error);
  if (!input) {
    ComMsgMgr::hostError("@1-20@%s%s", o.netlist, "cannot read the netlist: " + error);
    return EXIT_USAGE;
  }
  if (!HDLoad::detect(input->head()).netlist) {
    ComMsgMgr::hostError("@1-20@%s%s", o.netlist,
                         std::string("not a netlist: import reads a Yosys JSON or EDIF netlist"));
    return EXIT_USAGE;
  }
  const bool toFile = !o.output.empty() && o.output != "-";
  std::vector<CliInput> inputs = commandInputs("", "");
  inputs.push_back({"the netlist", o.netlist});
  if (toFile && !outputIsNotAnInput("-o", o.output, inputs)) return EXIT_USAGE;
  std::vector<HDLoadProblem> problems;
  std::unique_ptr<HFLFloorplan> design =
      HDLoad::load(*input, {netlistOptions(), netlistOptionsGiven()}, problems);
  if (!design) {
    HDLoad::report(problems);
    return EXIT_USAGE;
  }
  std::ostringstream text;
  HDDesignWriter::write(*design, netlistOptions().part, text);
  if (!toFile) {
    std::cout << text.str();
    return EXIT_OK;
  }
  HUTFileWriteStream out;
  out.open(o.output, std::ios_base::out);
  out << text.str();
  if (!out.close()) return EXIT_NO_RESULT;  // told by the stream, the file left as it was
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
