// seufit dump ser|detect|rc|inventory: listings of the data tables and of a design's
// block RAM inventory, sent to the message log.
#include <algorithm>
#include <iostream>
#include <memory>

#include "cli/Cli.h"
#include "cli/CliRequest.h"
#include "host/msg/ComMsgMgr.h"
#include "shared/fit/base/HAFITMgr.h"
#include "shared/fit/parser/HAFITDetectMgr.h"
#include "shared/fit/parser/HAFITRCMgr.h"
#include "shared/fit/parser/HAFITSERMgr.h"

namespace {
struct DumpOptions {
  std::string table;
  std::string design;
  bool json = false;
};

// Notices error messages about one data file (their first argument is its path) while
// the data are loaded, so that a faulty file fails the dump of its own table only.
class FileErrorWatch : public ComMsgMgr::Sink {
 public:
  explicit FileErrorWatch(std::string relativePath) : suffix_("/" + std::move(relativePath)) {}
  void deliver(const ComMsgMgr::Message& m) override {
    if (!(m.mask & ComMsgMgr::MASK_ERROR) || m.args.empty()) return;
    const std::string& a = m.args.front().s;
    if (a.size() >= suffix_.size() &&
        a.compare(a.size() - suffix_.size(), suffix_.size(), suffix_) == 0)
      failed = true;
  }
  bool failed = false;

 private:
  std::string suffix_;
};

int runDumpTable(const std::string& table, bool json, CliContext& ctx) {
  const char* file = table == "ser"      ? "fit/SoftErrorRate.xml"
                     : table == "detect" ? "fit/DetectionTime.xml"
                                         : "fit/RigidityCutoff.xml";
  // The other data files may be missing or faulty: they are told, but only this
  // table's file decides the exit status.
  ctx.errorsFail = false;
  auto watch = std::make_shared<FileErrorWatch>(file);
  ComMsgMgr::addSink(watch);
  HAFITMgr* mgr;
  try {
    mgr = HAFITMgr::getGlobal();
  } catch (...) {
    ComMsgMgr::removeSink(watch);
    throw;
  }
  ComMsgMgr::removeSink(watch);

  // The listing is the message log's; a JSON document is one, on standard output.
  if (table == "ser") {
    if (!mgr->getSERMgr()) return EXIT_NO_RESULT;
    json ? mgr->getSERMgr()->writeJson(std::cout) : mgr->getSERMgr()->dump();
  } else if (table == "detect") {
    if (!mgr->getDetectMgr()) return EXIT_NO_RESULT;
    json ? mgr->getDetectMgr()->writeJson(std::cout) : mgr->getDetectMgr()->dump();
  } else {
    if (!mgr->getRCMgr()) return EXIT_NO_RESULT;
    json ? mgr->getRCMgr()->writeJson(std::cout) : mgr->getRCMgr()->dump();
  }
  // A file with an error is listed as far as it was read, but the listing is incomplete.
  return watch->failed ? EXIT_NO_RESULT : EXIT_OK;
}
}  // namespace

void registerDumpCommand(CLI::App& app, CliContext& ctx) {
  auto opts = std::make_shared<DumpOptions>();
  auto in = std::make_shared<CliRequest>();
  auto* cmd = app.add_subcommand(
      "dump",
      "Send a listing to the message log: soft-error rates (ser), detection times (detect), "
      "rigidity cutoffs (rc), or the block RAM and FIFO inventory of a design (inventory DESIGN)");
  addCommonOptions(cmd, ctx);
  cmd->add_option("table", opts->table, "What to list")
      ->required()
      ->type_name("ser|detect|rc|inventory");
  cmd->add_option("design", opts->design, "Design file or netlist (inventory only)")
      ->type_name("DESIGN");
  cmd->add_flag("--json", opts->json,
                "Print the table (ser, detect, rc) as one JSON document on standard output");
  in->addNetlistOptions(cmd);
  cmd->callback([opts, in, &ctx]() {
    const std::vector<std::string> tables = {"ser", "detect", "rc", "inventory"};
    if (std::find(tables.begin(), tables.end(), opts->table) == tables.end())
      throw CliUsageError(unknownName("dump table", opts->table, tables));
    if (opts->table == "inventory") {
      if (opts->json)
        throw CliUsageError(
            "dump inventory has no --json; seufit inventory DESIGN --json gives the inventory");
      if (opts->design.empty())
        throw CLI::ValidationError(
            "design", "dump inventory needs a design file: seufit dump inventory DESIGN");
      ctx.exitCode = runDumpInventory(opts->design, *in);
      return;
    }
    if (!opts->design.empty())
      throw CLI::ValidationError("design", "dump " + opts->table + " takes no design file");
    ctx.exitCode = runDumpTable(opts->table, opts->json, ctx);
  });
}
