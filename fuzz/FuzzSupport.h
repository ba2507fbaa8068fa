// Shared set-up of the fuzz targets: messages are formatted (text and JSON, as the
// command line would print them) and dropped; data files come from the shipped data/.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "host/design/load/HDLoadContext.h"
#include "host/env/HUTEnv.h"
#include "host/msg/ComMsgMgr.h"

namespace fuzz {

class DropSink : public ComMsgMgr::Sink {
 public:
  void deliver(const ComMsgMgr::Message& m) override {
    // Both renderings run over every argument: non-UTF-8 bytes, long texts, odd numbers.
    sink_ += ComMsgMgr::StreamSink::toText(m).size();
    sink_ += ComMsgMgr::StreamSink::toJson(m).size();
    if (m.mask & ComMsgMgr::MASK_ERROR) ++errors;
  }
  size_t errors = 0;

 private:
  size_t sink_ = 0;
};

inline DropSink& sink() {
  static std::shared_ptr<DropSink> s = [] {
    auto d = std::make_shared<DropSink>();
    ComMsgMgr::clearSinks();
    ComMsgMgr::addSink(d);
    HUTEnv::setDataDirs(std::vector<std::string>{SEUFIT_FUZZ_DATA_DIR});
    return d;
  }();
  return *s;
}

// A broken invariant is a finding: say which and stop the run with a crash report.
#define FUZZ_CHECK(cond)                                                                \
  do {                                                                                  \
    if (!(cond)) {                                                                      \
      std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                     \
    }                                                                                   \
  } while (0)

// A load's problems: there when nothing was loaded, capped, each naming a file and a place.
#define FUZZ_CHECK_LOAD(design, problems)                            \
  do {                                                               \
    FUZZ_CHECK((design) || !(problems).empty());                     \
    FUZZ_CHECK((problems).size() <= HDLoadLimits::kMaxProblems + 1); \
    for (const HDLoadProblem& p : (problems)) {                      \
      FUZZ_CHECK(!p.file.empty() && !p.message.empty());             \
      FUZZ_CHECK(p.line >= 0 && p.column >= 0);                      \
    }                                                                \
  } while (0)

}  // namespace fuzz
