#include "shared/fit/run/HAFITDataCheck.h"

#include <rapidjson/document.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

#include "host/design/HDLoad.h"
#include "host/design/db/HDesign.h"
#include "host/env/HUTEnv.h"
#include "host/msg/ComMsgMgr.h"
#include "host/str/HSTJson.h"
#include "shared/fit/base/HAFITFamily.h"
#include "shared/fit/base/HAFITMgr.h"
#include "shared/fit/parser/HAFITRCMgr.h"
#include "shared/fit/parser/HAFITSERMgr.h"
#include "shared/fit/run/HAFITDesignCheck.h"

namespace {
// A data file as messages name it: the path it was read from, so that the directory of the
// layered search that gave it is plain.
std::string found(const std::string& rel) {
  const std::string dir = HUTEnv::getOVKDataDir(rel);
  return dir.empty() ? rel : dir + "/" + rel;
}
const std::string kRatesFile = "fit/SoftErrorRate.xml";
const std::string kGridFile = "fit/RigidityCutoff.xml";

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
    registerText("1-103", "{1}: family '{2}' {3}: {4}");
    registerText("1-104", "{1}: {2}");
    registerText("1-105", "{1}: family '{2}' has rates, but no part of the catalogue names it");
    registerText("1-106", "data check: {1} error(s), {2} warning(s) in {3}");
    registerText("1-107", "{1}: part '{2}': device {3} is not one the report analyses");
  }
} texts;
const char* const kClassNames[] = {"config", "bram", "yram", "hbm"};

// What the rate file's reader noted: a value from the DTD's default (a warning), anything
// read otherwise than written or not read at all (an error each); returns the errors.
int readingNotes(const HAFITSERMgr& ser) {
  for (const std::string& c : ser.cautions())
    ComMsgMgr::hostWarning("@1-88@%s%s", found(kRatesFile), c);
  for (const std::string& n : ser.notes()) ComMsgMgr::hostError("@1-88@%s%s", found(kRatesFile), n);
  return static_cast<int>(ser.notes().size());
}

// One record's values: a rate finite and at least 0, bounds with -1 < ll <= 0 <= ul.
int recordProblems(const std::string& key, const std::string& record, const HAFITSERData& d) {
  std::string what;
  if (!std::isfinite(d.nominal) || d.nominal < 0)
    what = "nominal " + HSTJson::number(d.nominal) + " is not a finite rate of at least 0";
  else if (!std::isfinite(d.lowerLimit) || d.lowerLimit > 0 || d.lowerLimit <= -1)
    what = "ll " + HSTJson::number(d.lowerLimit) +
           " is not a fraction above -1 and at most 0 (the lower bound is nominal x (1 + ll))";
  else if (!std::isfinite(d.upperLimit) || d.upperLimit < 0)
    what = "ul " + HSTJson::number(d.upperLimit) + " is not a finite fraction of at least 0";
  if (what.empty()) return 0;
  ComMsgMgr::hostError("@1-103@%s%s%s%s", found(kRatesFile), key, record, what);
  return 1;
}

// What a family's report rows need, and the values they take: one error each.
int familyProblems(const HAFITSERMgr& ser, const std::string& key, const HAFITFamily& family) {
  int problems = 0;
  if (!ser.getSerData(key, HAFITSERMgr::MEM_CONFIG)) {
    ComMsgMgr::hostError("@1-89@%s%s", found(kRatesFile), key);
    ++problems;
  }
  for (int t = HAFITSERMgr::MEM_CONFIG; t <= HAFITSERMgr::MEM_HBM; ++t) {
    const auto type = static_cast<HAFITSERMgr::MemType>(t);
    if (t != HAFITSERMgr::MEM_CONFIG && !(family.designClasses & (1u << t))) continue;
    const std::string name = kClassNames[t];
    const std::string rows = "the report has no " + name + " rows";
    const HAFITSERData* rate = ser.getSerData(key, type);
    if (t != HAFITSERMgr::MEM_CONFIG && !rate) {
      ComMsgMgr::hostError("@1-90@%s%s%s%s", found(kRatesFile), key, "SOFTERRORRATE " + name, rows);
      ++problems;
    }
    if (rate) problems += recordProblems(key, "SOFTERRORRATE " + name, *rate);
    const HAFITSERData* alpha = ser.getAlphaData(key, type);
    if (!alpha) {
      ComMsgMgr::hostError("@1-90@%s%s%s%s", found(kRatesFile), key, "ALPHAPARTICLE " + name, rows);
      ++problems;
    } else {
      problems += recordProblems(key, "ALPHAPARTICLE " + name, *alpha);
    }
  }
  if (!ser.getTempData(key)) {
    ComMsgMgr::hostError("@1-90@%s%s%s%s", found(kRatesFile), key, std::string("TEMPERATURE"),
                         std::string("the report has no memory rows at all"));
    ++problems;
  }
  return problems;
}

// The names of the parts of the catalogue that the search finds; false after an error.
bool partNames(std::vector<std::string>& names) {
  const std::string dir = HUTEnv::getOVKDataDir("parts.json");
  if (dir.empty()) {
    ComMsgMgr::hostError("@1-104@%s%s", std::string("parts.json"),
                         std::string("not found in the data directories"));
    return false;
  }
  const std::string path = dir + "/parts.json";
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  rapidjson::Document doc;
  doc.Parse<rapidjson::kParseIterativeFlag>(text.str().c_str(), text.str().size());
  const rapidjson::Value* parts = nullptr;
  if (!doc.HasParseError() && doc.IsObject() && doc.HasMember("parts") && doc["parts"].IsArray())
    parts = &doc["parts"];
  if (!parts) {
    ComMsgMgr::hostError("@1-104@%s%s", path,
                         std::string("not a catalogue of parts (an object with a \"parts\" list)"));
    return false;
  }
  for (const rapidjson::Value& p : parts->GetArray())
    if (p.IsObject() && p.HasMember("name") && p["name"].IsString())
      names.emplace_back(p["name"].GetString(), p["name"].GetStringLength());
  return true;
}
}  // namespace

namespace HAFITRun {

bool checkRateData(const HFLFloorplan& design) {
  HAFITSERMgr* ser = HAFITMgr::getGlobal()->getSERMgr();
  if (!ser) return true;
  int problems = readingNotes(*ser);
  const HDARPart* part = design.getPart();
  if (!part) return problems == 0;
  const HARPlaceArch* arch = part->getPlaceArch();
  const HAFITFamily* family = HAFITFamilyFor(arch->getArchType(), arch->getDeviceName());
  // A family without any record is told by the report itself (1-61).
  const std::string key = HAFITSERMgr::familyKey(&design);
  if (family && !ser->checkFamily(key).empty) problems += familyProblems(*ser, key, *family);
  return problems == 0;
}

void warnCutoffGrid(const char* model, int longitude, int latitude) {
  const HAFITRCMgr* rc = HAFITMgr::getGlobal()->getRCMgr();
  if (!rc || std::strcmp(model, "jedec") != 0) return;
  if (rc->size() == 0)
    ComMsgMgr::hostWarning("@1-91@%s%s", found(kGridFile), std::string("holds no point"));
  else if (!rc->has(longitude, latitude))
    ComMsgMgr::hostWarning("@1-91@%s%s", found(kGridFile),
                           "has no point at longitude " + std::to_string(longitude) +
                               ", latitude " + std::to_string(latitude));
}

Status checkData(bool strict) {
  // Counts what is sent while the check runs.
  struct Counter : ComMsgMgr::Sink {
    int errors = 0, warnings = 0;
    void deliver(const ComMsgMgr::Message& m) override {
      if (m.mask & ComMsgMgr::MASK_ERROR) ++errors;
      if (m.mask & ComMsgMgr::MASK_WARNING) ++warnings;
    }
  };
  const auto count = std::make_shared<Counter>();
  ComMsgMgr::addSink(count);
  HAFITMgr::resetGlobal();
  HAFITMgr* mgr = HAFITMgr::getGlobal();
  HAFITSERMgr* ser = mgr->getSERMgr();
  if (ser) readingNotes(*ser);

  std::vector<std::string> names;
  std::set<std::string> families;
  const std::string partsDir = HUTEnv::getOVKDataDir("parts.json");
  const std::string partsPath = partsDir.empty() ? "parts.json" : partsDir + "/parts.json";
  if (partNames(names)) {
    for (const std::string& name : names) {
      std::vector<HDLoadProblem> problems;
      const std::string text = "{\"seufit_design\": 1, \"part\": " + HSTJson::quote(name) +
                               ", \"top\": \"top\", \"cells\": {\"top\": {}}}";
      const std::string what = "parts.json: part " + HSTJson::quote(name);
      std::unique_ptr<HFLFloorplan> design = HDLoad::loadText(text, what, {}, problems);
      HDLoad::report(problems);
      if (!design) continue;
      const HARPlaceArch* arch = design->getPart()->getPlaceArch();
      // A catalogue may list a device the report does not analyse; a type that no family
      // knows is a mistake.
      if (!HAFITFamilyFor(arch->getArchType(), "")) {
        checkSupported(partsPath, *design);
        continue;
      }
      if (!HAFITFamilyFor(arch->getArchType(), arch->getDeviceName())) {
        ComMsgMgr::hostWarning("@1-107@%s%s%s", partsPath, name, arch->getDeviceName());
        continue;
      }
      const std::string key = HAFITSERMgr::familyKey(design.get());
      if (!families.insert(key).second || !ser) continue;
      const HAFITFamily* family =
          HAFITFamilyFor(design->getPart()->getPlaceArch()->getArchType(),
                         design->getPart()->getPlaceArch()->getDeviceName());
      if (ser->checkFamily(key).empty)
        ComMsgMgr::hostError("@1-61@%s%s", key, found(kRatesFile));
      else
        familyProblems(*ser, key, *family);
    }
  }
  if (ser)
    for (const std::string& key : ser->familyNames())
      if (!families.count(key)) ComMsgMgr::hostWarning("@1-105@%s%s", found(kRatesFile), key);

  if (const HAFITRCMgr* rc = mgr->getRCMgr()) {
    int missing = 0;
    std::string first;
    for (int lat = -90; lat <= 90; ++lat)
      for (int lon = -180; lon <= 180; ++lon)
        if (!rc->has(lon, lat) && missing++ == 0)
          first = "longitude " + std::to_string(lon) + ", latitude " + std::to_string(lat);
    if (missing)
      ComMsgMgr::hostError("@1-91@%s%s", found(kGridFile),
                           "lacks " + std::to_string(missing) +
                               " points of its 1-degree grid, the first at " + first);
  }
  std::string dirs;
  for (const std::string& d : HUTEnv::dataDirs()) dirs += (dirs.empty() ? "" : ":") + d;
  ComMsgMgr::flushWithheld();
  ComMsgMgr::removeSink(count);
  const int e = count->errors, w = count->warnings;
  ComMsgMgr::hostInfo("@1-106@%d%d%s", e, w, dirs);
  if (e) return USAGE;
  return strict && w ? WARNINGS : OK;
}

}  // namespace HAFITRun
