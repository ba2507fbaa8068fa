// seufit: soft-error reliability reports for placed FPGA designs.
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <exception>
#include <iostream>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/CliRequest.h"
#include "host/env/HUTEnv.h"
#include "host/mem/HUTBigMemory.h"
#include "host/msg/ComMsgMgr.h"
#include "host/stream/HUTFdStreambuf.h"

namespace {
// Counts errors so that a run that reported one never exits 0, and warnings for --strict.
class ErrorCounter : public ComMsgMgr::Sink {
 public:
  void deliver(const ComMsgMgr::Message& m) override {
    if (m.mask & ComMsgMgr::MASK_ERROR)
      ++errors;
    else if (m.mask & ComMsgMgr::MASK_WARNING)
      ++warnings;
  }
  int errors = 0;
  int warnings = 0;
};

// The format of the sinks last installed, for the last-resort handlers of main().
bool sinksJson = false;

void installSinks(bool json) {
  sinksJson = json;
  ComMsgMgr::clearSinks();
  ComMsgMgr::addSink(std::make_shared<ComMsgMgr::StreamSink>(
      std::cout, std::cerr, json ? ComMsgMgr::StreamSink::JSON : ComMsgMgr::StreamSink::TEXT));
}

// Every command's name, in the order help lists them.
std::vector<std::string> commandNames(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::App* c : app.get_subcommands([](const CLI::App*) { return true; }))
    names.push_back(c->get_name());
  return names;
}

// The long names of a command's options as help shows them; a one-letter name would be
// near any one-letter slip.
std::vector<std::string> optionNames(const CLI::App& cmd) {
  std::vector<std::string> names;
  for (const CLI::Option* o : cmd.get_options())
    if (!o->get_group().empty())
      for (const std::string& l : o->get_lnames())
        if (!isFormerName("--" + l)) names.push_back("--" + l);
  return names;
}

bool isOptionName(const CLI::App& cmd, const std::string& name) {
  for (const CLI::Option* o : cmd.get_options())
    if (o->check_name(name)) return true;
  return false;
}

// A word the parser left over that is meant as an option; "-5" is a number.
bool looksLikeOption(const std::string& word) {
  return word.size() > 1 && word[0] == '-' && !std::isdigit(static_cast<unsigned char>(word[1])) &&
         word[1] != '.';
}

// The parser's usage error in words people use, naming what was wrong where it can.
std::string usageText(CLI::App& app, const CLI::ParseError& e,
                      const std::vector<std::string>& argv) {
  if (dynamic_cast<const CliUsageError*>(&e)) return e.what();
  const std::vector<CLI::App*> parsed = app.get_subcommands();
  // The parser only says that a command is missing when the first word is not one.
  if (parsed.empty() && argv.size() > 1 && argv[1][0] != '-')
    return unknownName("command", argv[1], commandNames(app));
  // Options belong after the command; the parser would list them as unexpected words.
  // The command is the last word that names one: in "--data-dir data flux" the parser
  // takes the directory "data" for the command data.
  if (!parsed.empty() && argv.size() > 1 && argv[1][0] == '-') {
    std::string command = parsed.front()->get_name();
    for (size_t i = 2; i < argv.size(); ++i)
      for (const std::string& c : commandNames(app))
        if (c == argv[i]) command = c;
    return "option " + argv[1] + " goes after the command: seufit " + command + " " + argv[1] +
           " ...";
  }
  // An option the command does not know comes first: misspelt, a required one is also
  // missing. The parser left it with the command it was reading.
  CLI::App* cmd = &app;
  while (!cmd->get_subcommands().empty()) cmd = cmd->get_subcommands().back();
  for (const std::string& word : cmd->remaining()) {
    if (!looksLikeOption(word)) continue;
    const std::string name = word.substr(0, word.find('='));
    if (cmd == &app)
      for (const CLI::App* c : app.get_subcommands([](const CLI::App*) { return true; }))
        if (isOptionName(*c, name)) {
          std::string text = "option " + name;
          text += " goes after the command: seufit COMMAND ";
          return text + name + " ...";
        }
    const std::string near = didYouMean(name, optionNames(*cmd));
    return "unknown option " + name + (near.empty() ? "" : " (" + near + ")");
  }
  // "--x: At Most 1 required but received 2" says that an option was repeated.
  std::string what = e.what();
  const std::string::size_type atMost = what.find(": At Most 1 required but received ");
  if (atMost != std::string::npos)
    return "option " + what.substr(0, atMost) + " given more than once; give it once";
  return what;
}
}  // namespace

static int run(int argc, char** argv) {
  CliContext ctx;
  ctx.argv.push_back("seufit");
  for (int i = 1; i < argc; ++i) ctx.argv.emplace_back(argv[i]);

  CLI::App app{"seufit: soft-error reliability (FIT and MTBF) reports for placed FPGA designs"};
  app.set_version_flag("--version", std::string("seufit ") + SEUFIT_VERSION);
  app.require_subcommand(1);
  // Set first: every command takes it from here.
  app.formatter(makeFormatter());
  registerReportCommand(app, ctx);
  registerFluxCommand(app, ctx);
  registerInventoryCommand(app, ctx);
  registerDumpCommand(app, ctx);
  registerCheckCommand(app, ctx);
  registerPartsCommand(app, ctx);
  registerImportCommand(app, ctx);
  registerPlotCommand(app, ctx);
  registerDataCommand(app, ctx);
  registerSweepCommand(app, ctx);
  // Set last, for the top level only.
  app.footer(
      "Run 'seufit COMMAND --help' for a command's options. A misspelt option or command is "
      "named with the nearest ones.\n"
      "Exit status: 0 done; 1 no result (device not supported, data missing or faulty, output "
      "not written); 2 usage error, or an input that cannot be read or is invalid; 3 a report "
      "written over its budget; 4 a result written with warnings under --strict (data check, "
      "report, inventory, check, flux, sweep); 141 the reader of "
      "standard output closed it early.");

  // Commands run from their callbacks after parsing; the sinks must exist by then.
  auto counter = std::make_shared<ErrorCounter>();
  app.parse_complete_callback([&]() {
    installSinks(ctx.messages == "json");
    ComMsgMgr::addSink(counter);
    if (!ctx.dataDirs.empty()) HUTEnv::setDataDirs(ctx.dataDirs);
    HUTEnv::setBuiltinData(!ctx.noBuiltinData);
  });

  // Nothing asked: what there is to ask.
  if (argc == 1) {
    std::cout << app.help();
    return EXIT_OK;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    // Usage errors: one line naming the option, exit 2.
    if (e.get_exit_code() == 0) return app.exit(e);
    const std::string what = usageText(app, e, ctx.argv);
    // Parsing stopped before the sinks were set up: honour --messages as the parser read it.
    bool json = false;
    for (const CLI::Option* o : ctx.messageOptions)
      if (!o->results().empty() && o->results().back() == "json") json = true;
    installSinks(json);
    ComMsgMgr::hostError("@1-63@%s", what);
    return EXIT_USAGE;
  }
  // Warnings past the first 50 of one id end the run as one count line per id.
  ComMsgMgr::flushWithheld();
  std::cout.flush();
  if (ctx.exitCode == EXIT_OK && ctx.errorsFail && counter->errors > 0) return EXIT_NO_RESULT;
  // A result was written, but a warning said it may not be what the user meant.
  if (ctx.strict && counter->warnings > 0 &&
      (ctx.exitCode == EXIT_OK || ctx.exitCode == EXIT_BUDGET))
    return EXIT_WARNINGS;
  return ctx.exitCode;
}

// Nothing may end the process with an abort: a failure the commands did not expect still
// gets one message and exit 1. The sinks may not be set up yet, so they are (re)made here.
static int runGuarded(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::bad_alloc&) {
    installSinks(sinksJson);
    ComMsgMgr::hostError("@1-66@");
  } catch (const std::exception& e) {
    installSinks(sinksJson);
    ComMsgMgr::hostError("@1-65@%s", std::string(e.what()));
  }
  return EXIT_NO_RESULT;
}

// A report that never reached its reader is no success: a failed write to standard output
// (a full disk) is told on standard error and turns exit 0 into 1. A reader that closed its
// end (`seufit dump rc | head`) wanted no more: exit 0 becomes 141, quietly, as for any
// writer to a pipe. A failed write to standard error cannot be told, but fails the run all
// the same.
static int checkStandardStreams(int status, const HUTFdStreambuf& out, const HUTFdStreambuf& err) {
  std::cout.flush();
  const bool closedPipe = out.error() == EPIPE;
  const bool outFailed = !closedPipe && (!std::cout.good() || out.error() != 0);
  if (outFailed) {
    installSinks(sinksJson);
    ComMsgMgr::hostError("@1-67@%s%s", std::string("standard output"),
                         std::string(out.error() ? std::strerror(out.error()) : "write error"));
  }
  std::cerr.flush();
  const bool errFailed = !std::cerr.good() || err.error() != 0;
  if ((outFailed || errFailed) && status == EXIT_OK) return EXIT_NO_RESULT;
  if (closedPipe && status == EXIT_OK) return EXIT_CLOSED_PIPE;
  return status;
}

int main(int argc, char** argv) {
  // A hierarchy of thousands of cells is thousands of small objects; a larger step would
  // cost the million-instance load more resident memory than it saves faults.
  HUTBigMemory::adviseHeap(size_t(4) << 20);
  // A closed pipe ends the run through its exit status once the run is over, not by a
  // signal in the middle of writing a file.
  std::signal(SIGPIPE, SIG_IGN);
  // The standard streams write through buffers that keep the reason of a failed write.
  HUTFdStreambuf out(1), err(2, 0);
  std::streambuf* const oldOut = std::cout.rdbuf(&out);
  std::streambuf* const oldErr = std::cerr.rdbuf(&err);
  const int status = checkStandardStreams(runGuarded(argc, argv), out, err);
  std::cout.rdbuf(oldOut);
  std::cerr.rdbuf(oldErr);
  return status;
}
