#include "PyCall.h"

#include <cfloat>
#include <cmath>

#include "host/env/HUTEnv.h"
#include "host/report/HCRRptTypes.h"
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
  PyErr_SetObject(errorClass->ptr(), error.ptr());
  throw py::error_already_set();
}
}  // namespace

py::float_ printedValue(float f) {
  return py::float_(std::isfinite(f) ? std::stod(HSTJson::number(f)) : static_cast<double>(f));
}

float checkedFloat(const char* name, double v, double lo) {
  if (!std::isfinite(v) || std::fabs(v) > FLT_MAX || v < lo)
    throw py::value_error(std::string(name) + ": expected a finite real number" +
                          (lo > -DBL_MAX ? " of at least " + HSTJson::number(lo) : "") + ", got " +
                          HCRRptTypes::formatValue(v));
  return static_cast<float>(v);
}

void checkRange(const char* name, long long v, long long lo, long long hi, const char* what) {
  if (v < lo || v > hi)
    throw py::value_error(std::string(name) + ": expected " + what + " from " + std::to_string(lo) +
                          " to " + std::to_string(hi) + ", got " + std::to_string(v));
}

void setMessageClasses(py::object error, py::object warning) {
  errorClass = new py::object(std::move(error));
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

void PyCall::finish(bool errorsFail) {
  const std::vector<ComMsgMgr::Message> messages = end();
  py::object firstError;
  py::list errors;
  const py::object warn = py::module_::import("warnings").attr("warn");
  for (const ComMsgMgr::Message& m : messages) {
    const bool isError = (m.mask & ComMsgMgr::MASK_ERROR) != 0;
    if (!isError && (m.mask & ComMsgMgr::MASK_WARNING) == 0) continue;  // information
    if (isError && errorsFail) {
      py::object e = (*errorClass)(m.text(), m.id, arguments(m));
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

void PyCall::fail(const std::string& fallback) {
  finish();
  raise((*errorClass)(fallback, "", py::tuple()));
}

}  // namespace seufitpy
