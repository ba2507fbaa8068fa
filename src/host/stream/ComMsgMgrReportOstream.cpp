#include "host/stream/ComMsgMgrReportOstream.h"

#include <iostream>

namespace {
std::ostream*& logTarget() {
  static std::ostream* target = &std::cout;
  return target;
}
}  // namespace

ComMsgMgrReportOstream::ComMsgMgrReportOstream() : std::ostream(logTarget()->rdbuf()) {}

ComMsgMgrReportOstream::~ComMsgMgrReportOstream() {
  if (rdbuf()) rdbuf()->pubsync();
}

std::ostream* ComMsgMgrReportOstream::setLog(std::ostream* log) {
  std::ostream* old = logTarget();
  logTarget() = log ? log : &std::cout;
  return old;
}

std::ostream& ComMsgMgrReportOstream::log() { return *logTarget(); }
