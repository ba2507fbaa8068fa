// The parts catalogue as a list: read as a design's part is read from it.
#include "host/design/HDLoad.h"
#include "host/env/HUTEnv.h"
#include "host/msg/ComMsgMgr.h"
#include "shared/fit/run/HAFITRun.h"

namespace HAFITRun {

Status parts(std::vector<HDPartSpec>& out) {
  const std::string dir = HUTEnv::getOVKDataDir("parts.json");
  if (dir.empty()) {
    std::string dirs;
    for (const std::string& d : HUTEnv::dataDirs()) dirs += (dirs.empty() ? "" : ":") + d;
    // As `data check` says it (1-104), with where it was looked for.
    ComMsgMgr::hostError("@1-104@%s%s", std::string("parts.json"),
                         dirs.empty() ? std::string("no data directory is searched")
                                      : "not found in the data directories (" + dirs + ")");
    return NO_RESULT;
  }
  std::vector<HDLoadProblem> problems;
  if (!HDLoad::readPartCatalogue(dir + "/parts.json", out, problems)) {
    HDLoad::report(problems);
    return USAGE;
  }
  return OK;
}

}  // namespace HAFITRun
