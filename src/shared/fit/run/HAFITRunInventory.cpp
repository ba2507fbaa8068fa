// The inventory a report is computed from, and the files a run reads.
#include <sys/stat.h>

#include <exception>

#include "host/env/HUTEnv.h"
#include "host/msg/ComMsgMgr.h"
#include "host/str/HSTJson.h"
#include "shared/fit/run/HAFITDesignCheck.h"
#include "shared/fit/run/HAFITRun.h"

namespace {

std::vector<HAFITRun::InventoryField> fieldsOf(const HFLFloorplan& design,
                                               const HAFITFloorplan& fp) {
  const HDARPart* part = design.getPart();
  const std::string partName = part ? part->getName() : std::string();
  const std::string device = part ? part->getPlaceArch()->getDeviceName() : std::string();
  const std::string family = fp.familyName() ? fp.familyName() : "";
  auto t = [](const char* key, const char* label, const std::string& v) {
    return HAFITRun::InventoryField{key, label, HSTJson::quote(v), v};
  };
  std::vector<HAFITRun::InventoryField> out = {
      t("part", "Part", partName), t("device", "Device", device), t("family", "Family", family)};
  for (const HAFITFloorplan::Counter& c : HAFITFloorplan::counters()) {
    const HAFITFloorplan::CounterValue v = fp.counter(c);
    out.push_back(
        {c.key, c.label, v.isInteger ? std::to_string(v.integer) : HSTJson::number(v.real), ""});
  }
  return out;
}

}  // namespace

namespace HAFITRun {

Status inventory(Design& design, int depth, Inventory& out) {
  if (!checkDesignValues(*design.db, false)) return USAGE;
  out.floorplan.reset(HAFITFloorplan::createOrRefuse(design.db.get()));
  if (!out.floorplan) return NO_RESULT;
  HAFITHierarchy hierarchy;
  out.floorplan->setWalkObserver(depth >= 0 ? &hierarchy : nullptr);
  try {
    out.floorplan->traverseCellview(design.db->getNetlist()->getTopCellview());
    out.floorplan->setWalkObserver(nullptr);
    warnSaturatedTotals(out.floorplan->saturatedTotals());
    warnNotAnalysed(HAFITNotAnalysed::find(*design.db, *out.floorplan),
                    out.floorplan->familyName());
    if (depth >= 0) out.rows = hierarchy.rows(depth);
  } catch (const std::exception& e) {
    // The walk names the instance and the value it could not read.
    ComMsgMgr::hostError("@1-62@%s%s", design.path, std::string(e.what()));
    return NO_RESULT;
  }
  out.fields = fieldsOf(*design.db, *out.floorplan);
  return OK;
}

std::vector<Input> inputsOf(const Request& r) {
  std::vector<Input> inputs;
  if (!r.design.empty()) inputs.push_back({"the design file", r.design});
  if (!r.netlist.mapFile.empty()) inputs.push_back({"the cell map", r.netlist.mapFile});
  if (!r.profile.empty()) inputs.push_back({"the mission profile", r.profile});
  if (!r.mitigation.empty()) inputs.push_back({"the mitigation file", r.mitigation});
  return inputs;
}

bool outputIsNotAnInput(const std::string& option, const std::string& output,
                        const std::vector<Input>& inputs) {
  struct stat out {};
  if (::stat(output.c_str(), &out) != 0) return true;  // a new file replaces nothing
  const auto same = [&out](const std::string& path) {
    struct stat in {};
    return ::stat(path.c_str(), &in) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino;
  };
  for (const Input& in : inputs)
    if (same(in.path)) {
      usageError(option, "a file other than " + in.what, output);
      return false;
    }
  for (const char* rel :
       {"fit/SoftErrorRate.xml", "fit/DetectionTime.xml", "fit/RigidityCutoff.xml",
        "fit/Mitigation.json", "parts.json", "primitives.json"}) {
    const std::string dir = HUTEnv::getOVKDataDir(rel);
    if (!dir.empty() && same(dir + "/" + rel)) {
      usageError(option, std::string("a file other than the data file ") + rel, output);
      return false;
    }
  }
  return true;
}

}  // namespace HAFITRun
