#include "PyCall.h"

#include <cmath>

#include "host/env/HUTEnv.h"
#include "host/str/HSTJson.h"
#include "host/stream/ComMsgMgrReportOstream.h"
#include "shared/fit/base/HAFITMgr.h"
#include "shared/fit/parser/HAFITDetectMgr.h"
#include "shared/fit/parser/HAFITRCMgr.h"
#include "shared/fit/parser/HAFITSERMgr.h"

namespace py = pybind11;

namespace seufitpy {
namespace {
// Held for the life of the process: the module is never unloaded.
py::object* errorClass = nullptr;
py::object* budgetClass = nullptr;
py::object* warningClass = nullptr;

// The directories the analysis manager was read from, and whether that went well.
std::optional<std::vector<std::string>> managerDirs;
bool managerClean = false;

py::tuple arguments(const ComMsgMgr::Message& m) {
  py::tuple t(m.args.size());
  for (size_t i = 0; i < m.args.size(); ++i) {
    const ComMsgMgr::MsgArg& a = m.args[i];
    if (a.kind == ComMsgMgr::MsgArg::INT)
      t[i] = py::int_(a.i);
    else if (a.kind == ComMsgMgr::MsgArg::REAL)
      t[i] = py::float_(a.d);
    else
      t[i] = py::str(a.s);
  }
  return t;
}

[[noreturn]] void raise(const py::object& error) {
  PyErr_SetObject(py::type::of(error).ptr(), error.ptr());
  throw py::error_already_set();
}
}  // namespace

py::float_ printedValue(float f) {
  return py::float_(std::isfinite(f) ? std::stod(HSTJson::number(f)) : static_cast<double>(f));
}

void setMessageClasses(py::object error, py::object budget, py::object warning) {
  errorClass = new py::object(std::move(error));
  budgetClass = new py::object(std::move(budget));
  warningClass = new py::object(std::move(warning));
}

PyCall::PyCall(const std::optional<std::vector<std::string>>& dataDirs)
    : capture_(std::make_unique<ComMsgMgr::ScopedCapture>()) {
  // As open() does: a NUL would cut the name short and name another directory.
  if (dataDirs)
    for (const std::string& d : *dataDirs)
      if (d.find('\0') != std::string::npos) throw py::value_error("data_dirs: embedded null byte");
  ComMsgMgr::resetRepeatCounts();
  oldLog_ = ComMsgMgrReportOstream::setLog(&log_);
  HUTEnv::setDataDirs(dataDirs);
  const std::vector<std::string> dirs = HUTEnv::dataDirs();
  if (!managerClean || managerDirs != dirs) HAFITMgr::resetGlobal();
  HAFITMgr* mgr = HAFITMgr::getGlobal();
  managerDirs = dirs;
  managerClean = mgr->getSERMgr() && mgr->getDetectMgr() && mgr->getRCMgr() &&
                 mgr->getSERMgr()->lastError().empty() &&
                 mgr->getDetectMgr()->lastError().empty() && mgr->getRCMgr()->lastError().empty();
}

PyCall::~PyCall() {
  if (capture_) end();
}

std::string PyCall::takeLog() {
  std::string s = log_.str();
  log_.str("");
  return s;
}

void PyCall::forgetFromHere() {
  if (!keep_) keep_ = capture_->messages().size();
}

std::vector<ComMsgMgr::Message> PyCall::end() {
  // Warnings past the repeat cap are told as one count per id.
  ComMsgMgr::flushWithheld();
  std::vector<ComMsgMgr::Message> messages = capture_->messages();
  if (keep_ && *keep_ < messages.size()) messages.resize(*keep_);
  capture_.reset();
  ComMsgMgrReportOstream::setLog(oldLog_);
  return messages;
}

void PyCall::finish(bool errorsFail) { raiseErrors(errorsFail, nullptr); }

void PyCall::finish(const py::object& result) { raiseErrors(true, &result); }

void PyCall::raiseErrors(bool errorsFail, const py::object* result) {
  const std::vector<ComMsgMgr::Message> messages = end();
  py::object firstError;
  py::list errors;
  const py::object warn = py::module_::import("warnings").attr("warn");
  const py::object& cls = result ? *budgetClass : *errorClass;
  for (const ComMsgMgr::Message& m : messages) {
    const bool isError = (m.mask & ComMsgMgr::MASK_ERROR) != 0;
    if (!isError && (m.mask & ComMsgMgr::MASK_WARNING) == 0) continue;  // information
    if (isError && errorsFail) {
      py::object e = cls(m.text(), m.id, arguments(m));
      if (result) e.attr("report") = *result;
      if (!firstError) firstError = e;
      errors.append(e);
    } else {
      warn((*warningClass)(m.text(), m.id, arguments(m)));
    }
  }
  if (!firstError) return;
  firstError.attr("errors") = errors;
  raise(firstError);
}

void PyCall::failUsage() {
  const std::vector<ComMsgMgr::Message> messages = end();
  const py::object warn = py::module_::import("warnings").attr("warn");
  std::string text;
  for (const ComMsgMgr::Message& m : messages) {
    if (m.mask & ComMsgMgr::MASK_ERROR)
      text += (text.empty() ? "" : "; ") + m.text();
    else if (m.mask & ComMsgMgr::MASK_WARNING)
      warn((*warningClass)(m.text(), m.id, arguments(m)));
  }
  throw py::value_error(text.empty() ? "invalid arguments" : text);
}

void PyCall::fail(const std::string& fallback) {
  finish();
  raise((*errorClass)(fallback, "", py::tuple()));
}

}  // namespace seufitpy
