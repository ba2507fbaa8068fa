// One call from Python into the libraries. For its duration the message manager's sinks
// and the report log belong to the call, so that nothing reaches the process's streams;
// at its end the messages become Python warnings and a seufit.Error.
#pragma once

#include <pybind11/pybind11.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "host/msg/ComMsgMgr.h"

namespace seufitpy {

// The module's seufit.Error, seufit.BudgetExceeded and seufit.Warning, made when the
// module is imported.
void setMessageClasses(pybind11::object error, pybind11::object budget, pybind11::object warning);

// The value a JSON reader gets from the float's shortest form, as the command line prints it.
pybind11::float_ printedValue(float f);

class PyCall {
 public:
  // The data files are searched in `dataDirs`, or the default directories when absent.
  // The analysis manager is read again when those change or its last reading failed, so
  // that a data problem is told by every call that meets it.
  explicit PyCall(const std::optional<std::vector<std::string>>& dataDirs);
  ~PyCall();
  PyCall(const PyCall&) = delete;
  PyCall& operator=(const PyCall&) = delete;

  // What the report log received since the last take.
  std::string takeLog();
  // Messages told after this point are dropped: later renderings repeat what the first told.
  void forgetFromHere();

  // Restores the sinks; each warning becomes a seufit.Warning and the first error raises
  // seufit.Error. With `errorsFail` false, errors are warned as well (the result stands).
  void finish(bool errorsFail = true);
  // For a call whose result stands though it failed (a budget exceeded): as finish, and
  // the error raised is a seufit.BudgetExceeded holding `result`.
  void finish(const pybind11::object& result);
  // For options refused: warnings as finish, then ValueError with every error's text.
  [[noreturn]] void failUsage();
  // For a call without a result: as finish, and raises `fallback` when no error was told.
  [[noreturn]] void fail(const std::string& fallback);

 private:
  std::vector<ComMsgMgr::Message> end();
  void raiseErrors(bool errorsFail, const pybind11::object* result);

  std::unique_ptr<ComMsgMgr::ScopedCapture> capture_;
  std::optional<size_t> keep_;
  std::ostringstream log_;
  std::ostream* oldLog_ = nullptr;
};

}  // namespace seufitpy
