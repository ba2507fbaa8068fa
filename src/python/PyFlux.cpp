#include "PyFlux.h"

#include <cfloat>
#include <vector>

#include "PyCall.h"
#include "cli/CliDataCheck.h"
#include "host/str/HSTJson.h"
#include "shared/fit/base/HAFITMgr.h"
#include "shared/fit/base/HAFITMission.h"
#include "shared/fit/parser/HAFITRCMgr.h"

namespace py = pybind11;

namespace seufitpy {
namespace {
// Only the cutoff grid matters to the flux; a grid read in part would give a cutoff of 0
// for the points it lacks.
HAFITMgr& fluxManager(PyCall& call) {
  HAFITMgr* mgr = HAFITMgr::getGlobal();
  if (!mgr->getRCMgr() || !mgr->getRCMgr()->lastError().empty())
    call.fail("the cutoff grid could not be read; no flux was computed");
  return *mgr;
}
}  // namespace

py::dict flux(double altitude, int longitude, int latitude, const DataDirs& dataDirs) {
  const float meters = checkedFloat("altitude", altitude, -DBL_MAX);
  checkRange("longitude", longitude, -180, 180, "a whole number of degrees");
  checkRange("latitude", latitude, -90, 90, "a whole number of degrees");
  PyCall call(dataDirs);
  if (meters < 0)
    ComMsgMgr::hostWarning("@1-68@%s%s", std::string("altitude"), HSTJson::number(meters));
  const HAFITMgr::FluxPoint point = fluxManager(call).fluxAt(meters, longitude, latitude);
  warnCutoffGrid(point.model, longitude, latitude);
  call.finish(false);
  py::dict d;
  d["altitude_m"] = printedValue(point.altitude);
  d["longitude"] = longitude;
  d["latitude"] = latitude;
  d["model"] = point.model;
  d["rigidity_cutoff"] = printedValue(point.cutoff);
  d["flux"] = printedValue(point.flux);
  return d;
}

py::dict fluxProfile(const std::string& path, const DataDirs& dataDirs) {
  PyCall call(dataDirs);
  HAFITMgr& mgr = fluxManager(call);
  HAFITMission::Profile profile;
  std::vector<std::string> errors;
  if (!HAFITMission::read(path, profile, errors)) {
    for (const std::string& e : errors) ComMsgMgr::hostError("@1-77@%s", e);
    call.fail(path + ": the mission profile was refused");
  }
  const HAFITMission::MissionFlux m = HAFITMission::weigh(profile, mgr);
  call.finish(false);
  py::list segments;
  for (size_t i = 0; i < m.segments.size(); ++i) {
    const HAFITMission::SegmentFlux& s = m.segments[i];
    py::dict seg;
    seg["name"] = profile.segments[i].name;
    seg["hours"] = s.hours;
    seg["samples"] = s.samples;
    seg["model"] = s.model;
    seg["altitude_m"] = printedValue(s.altitude);
    seg["flux"] = s.flux;
    seg["share"] = s.share;
    segments.append(seg);
  }
  py::dict d;
  d["profile"] = profile.name;
  d["segments"] = segments;
  d["total_hours"] = m.totalHours;
  d["mean_flux"] = m.meanFlux;
  d["flux"] = printedValue(m.flux);
  return d;
}

}  // namespace seufitpy
