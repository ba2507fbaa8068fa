// The message log as an output stream. The command line points the log at standard
// output; tests point it at a string stream.
#pragma once

#include <ostream>

class ComMsgMgrReportOstream : public std::ostream {
 public:
  ComMsgMgrReportOstream();
  ~ComMsgMgrReportOstream() override;

  // The stream behind the message log (std::cout unless changed). Returns the old one.
  static std::ostream* setLog(std::ostream* log);
  static std::ostream& log();
};
