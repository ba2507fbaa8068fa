#include "shared/fit/run/HAFITDataCheck.h"

#include <cstring>

#include "host/design/db/HDesign.h"
#include "host/msg/ComMsgMgr.h"
#include "shared/fit/base/HAFITFamily.h"
#include "shared/fit/base/HAFITMgr.h"
#include "shared/fit/parser/HAFITRCMgr.h"
#include "shared/fit/parser/HAFITSERMgr.h"

namespace {
const std::string kRates = "fit/SoftErrorRate.xml";
const std::string kGrid = "fit/RigidityCutoff.xml";

struct Texts {
  Texts() {
    using ComMsgMgr::registerText;
    registerText("1-88", "{1}: {2}");
    registerText("1-89",
                 "{1}: family '{2}' has no SOFTERRORRATE record of configuration memory; the "
                 "report has no configuration rows and no device total");
    registerText("1-90", "{1}: family '{2}' has no {3} record; {4}");
    registerText("1-91",
                 "{1}: the cutoff grid {2}; the flux is computed with a cutoff rigidity of 0 GV");
  }
} texts;
}  // namespace

namespace HAFITRun {

void warnRateData(const HFLFloorplan& design) {
  HAFITSERMgr* ser = HAFITMgr::getGlobal()->getSERMgr();
  if (!ser) return;
  for (const std::string& n : ser->notes()) ComMsgMgr::hostWarning("@1-88@%s%s", kRates, n);
  const HDARPart* part = design.getPart();
  if (!part) return;
  const HARPlaceArch* arch = part->getPlaceArch();
  const HAFITFamily* family = HAFITFamilyFor(arch->getArchType(), arch->getDeviceName());
  const std::string key = HAFITSERMgr::familyKey(&design);
  // A family without any record is told once by the report itself.
  if (!family || ser->checkFamily(key).empty) return;
  if (!ser->getSerData(key, HAFITSERMgr::MEM_CONFIG))
    ComMsgMgr::hostWarning("@1-89@%s%s", kRates, key);
  // A class's rows need its neutron rate, its alpha record and the temperature record.
  static const char* const names[] = {"config", "bram", "yram", "hbm"};
  for (int t = HAFITSERMgr::MEM_CONFIG; t <= HAFITSERMgr::MEM_HBM; ++t) {
    const auto type = static_cast<HAFITSERMgr::MemType>(t);
    if (t != HAFITSERMgr::MEM_CONFIG && !(family->designClasses & (1u << t))) continue;
    const std::string rows = "the report has no " + std::string(names[t]) + " rows";
    if (t != HAFITSERMgr::MEM_CONFIG && !ser->getSerData(key, type))
      ComMsgMgr::hostWarning("@1-90@%s%s%s%s", kRates, key,
                             "SOFTERRORRATE " + std::string(names[t]), rows);
    if (!ser->getAlphaData(key, type))
      ComMsgMgr::hostWarning("@1-90@%s%s%s%s", kRates, key,
                             "ALPHAPARTICLE " + std::string(names[t]), rows);
  }
  if (!ser->getTempData(key))
    ComMsgMgr::hostWarning("@1-90@%s%s%s%s", kRates, key, std::string("TEMPERATURE"),
                           std::string("the report has no memory rows at all"));
}

void warnCutoffGrid(const char* model, int longitude, int latitude) {
  const HAFITRCMgr* rc = HAFITMgr::getGlobal()->getRCMgr();
  if (!rc || std::strcmp(model, "jedec") != 0) return;
  if (rc->size() == 0)
    ComMsgMgr::hostWarning("@1-91@%s%s", kGrid, std::string("holds no point"));
  else if (!rc->has(longitude, latitude))
    ComMsgMgr::hostWarning("@1-91@%s%s", kGrid,
                           "has no point at longitude " + std::to_string(longitude) +
                               ", latitude " + std::to_string(latitude));
}

}  // namespace HAFITRun
