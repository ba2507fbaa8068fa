// Texts of the host's own messages (group 1). Ranges: 1-1..1-19 platform
// (files, XML, streams, options), 1-20..1-59 design files, 1-60..1-79 command line.
#include "host/msg/ComMsgMgr.h"

namespace {
struct HostTexts {
  HostTexts() {
    using ComMsgMgr::registerText;
    registerText("1-1", "cannot read {1}: {2}");
    registerText("1-2", "{1}:{2}:{3}: XML syntax error: {4}");
    registerText("1-3", "option {1}: {2}");
    registerText("1-4", "cannot write {1}: {2}; the file was left as it was");
    registerText("1-6",
                 "{2} more warnings [{1}] were not shown; only the first {3} of each kind are "
                 "listed");
    registerText("1-5", "{1}:{2}:{3}: XML document refused: {4}");
  }
} hostTexts;
}  // namespace
