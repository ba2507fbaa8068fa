// `seufit import NETLIST --part NAME [-o FILE]`: the netlist as a seufit design file.
#include <iostream>
#include <memory>
#include <sstream>

#include "cli/Cli.h"
#include "cli/CliRequest.h"
#include "host/design/HDLoad.h"
#include "host/design/dfile/HDDesignWriter.h"
#include "host/msg/ComMsgMgr.h"
#include "host/stream/HUTFileWriteStream.h"
#include "shared/fit/run/HAFITRun.h"

namespace {

int runImport(const CliRequest& in, const std::string& netlist, const std::string& output) {
  HAFITRun::Request request;
  in.fill(request);
  std::string error;
  std::unique_ptr<HDInput> input = HDInput::open(netlist, error);
  if (!input) {
    ComMsgMgr::hostError("@1-20@%s%s", netlist, "cannot read the netlist: " + error);
    return HAFITRun::USAGE;
  }
  if (!HDLoad::detect(input->head()).netlist) {
    ComMsgMgr::hostError("@1-20@%s%s", netlist,
                         std::string("not a netlist: import reads a Yosys JSON or EDIF netlist"));
    return HAFITRun::USAGE;
  }
  const bool toFile = !output.empty() && output != "-";
  std::vector<HAFITRun::Input> inputs = HAFITRun::inputsOf(request);
  inputs.push_back({"the netlist", netlist});
  if (toFile && !HAFITRun::outputIsNotAnInput("-o", output, inputs)) return HAFITRun::USAGE;
  std::vector<HDLoadProblem> problems;
  std::unique_ptr<HFLFloorplan> design =
      HDLoad::load(*input, {request.netlist, request.netlistGiven}, problems);
  if (!design) {
    HDLoad::report(problems);
    return HAFITRun::USAGE;
  }
  std::ostringstream text;
  HDDesignWriter::write(*design, request.netlist.part, text);
  if (!toFile) {
    std::cout << text.str();
    return HAFITRun::OK;
  }
  HUTFileWriteStream out;
  out.open(output, std::ios_base::out);
  out << text.str();
  // A failure was told by the stream, and the file left as it was.
  return out.close() ? HAFITRun::OK : HAFITRun::NO_RESULT;
}

}  // namespace

void registerImportCommand(CLI::App& app, CliContext& ctx) {
  auto in = std::make_shared<CliRequest>();
  auto netlist = std::make_shared<std::string>();
  auto output = std::make_shared<std::string>();
  auto* cmd = app.add_subcommand(
      "import", "Write a netlist (Yosys JSON or EDIF) as the equivalent seufit design file");
  addCommonOptions(cmd, ctx);
  cmd->add_option("NETLIST", *netlist, "Netlist (Yosys JSON or EDIF)")->required();
  cmd->add_option("-o,--output", *output, "Design file to write (default: standard output)")
      ->type_name("FILE");
  in->addNetlistOptions(cmd);
  cmd->callback(
      [in, netlist, output, &ctx]() { ctx.exitCode = runImport(*in, *netlist, *output); });
}
