// Texts of the command line's own messages (host group 1); the run's own are sent by the library.
#include "host/msg/ComMsgMgr.h"

namespace {
struct CliTexts {
  CliTexts() {
    using ComMsgMgr::registerText;
    registerText("1-65", "internal error: {1}; no result was written");
    registerText("1-66", "out of memory; no result was written");
    registerText("1-67", "cannot write {1}: {2}");
    registerText("1-63", "{1}; run 'seufit --help' or 'seufit COMMAND --help' for the options");
  }
} cliTexts;
}  // namespace
