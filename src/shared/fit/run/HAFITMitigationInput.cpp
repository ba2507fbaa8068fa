// The derated figures' inputs: the mitigation file, the options over it, the family's
// multi-bit fractions from the data directories, the device's detection time, and the
// instances the file names, matched against the design.
#include <cmath>
#include <fstream>
#include <memory>
#include <sstream>

#include "host/env/HUTEnv.h"
#include "host/msg/ComMsgMgr.h"
#include "host/str/HSTGlob.h"
#include "host/str/HSTJson.h"
#include "shared/fit/base/HAFITFamily.h"
#include "shared/fit/base/HAFITJsonInput.h"
#include "shared/fit/base/HAFITMgr.h"
#include "shared/fit/parser/HAFITDetectMgr.h"
#include "shared/fit/parser/HAFITSERMgr.h"
#include "shared/fit/run/HAFITRun.h"

namespace {
struct Texts {
  Texts() {
    using ComMsgMgr::registerText;
    registerText("1-113", "{1}; no report was written");
    registerText("1-114", "mitigation: {1}");
  }
} texts;

using HAFITJsonInput::Reader;
using Value = rapidjson::Value;
using Factor = HAFITMitigation::Factor;

const char* const kDataFile = "fit/Mitigation.json";
// Instance paths looked at, and glob comparisons made, at most, to count what the file's
// patterns match: a few seconds whatever the design and the patterns.
constexpr uint64_t kMatchBudget = 1000000;
constexpr uint64_t kStepBudget = 500000000;

bool readFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  text = s.str();
  return !in.bad();
}

// A value given plainly or as {"value": V, "source": "..."}: the value, and the source
// when one is given.
const Value* unwrap(Reader& r, const Value& v, const std::string& where, std::string& source) {
  if (!v.IsObject()) return &v;
  if (!HAFITJsonInput::checkKeys(r, v, where, {"value", "source"})) return nullptr;
  const auto value = v.FindMember("value");
  if (value == v.MemberEnd()) {
    r.fail(where, "expected a \"value\"");
    return nullptr;
  }
  const auto s = v.FindMember("source");
  if (s != v.MemberEnd()) {
    if (!s->value.IsString()) {
      r.fail(where + ".source", "expected a string");
      return nullptr;
    }
    source = s->value.GetString();
  }
  return &value->value;
}

// A number in [lo, hi] (above lo when `aboveLo`), whole when `whole`.
std::optional<Factor> factor(Reader& r, const Value& v, const std::string& where,
                             const std::string& fileSource, double lo, double hi, bool aboveLo,
                             bool whole, const std::string& expected) {
  std::string source = fileSource;
  const Value* x = unwrap(r, v, where, source);
  if (!x) return std::nullopt;
  const double d = x->IsNumber() ? x->GetDouble() : NAN;
  if (!x->IsNumber() || !std::isfinite(d) || d < lo || d > hi || (aboveLo && !(d > lo)) ||
      (whole && std::floor(d) != d)) {
    r.fail(where, "expected " + expected);
    return std::nullopt;
  }
  return Factor{d, source};
}

struct FileInputs {
  HAFITMitigation m;
  bool scrubGiven = false, readback = false;
  double scrubHours = 0.0;
  std::string scrubSource;
};

bool parseFile(const std::string& text, Reader& r, FileInputs& out) {
  rapidjson::Document doc;
  if (!HAFITJsonInput::parse(text, doc, r)) return false;
  if (!doc.IsObject()) {
    r.fail("$", "expected an object");
    return false;
  }
  HAFITJsonInput::checkKeys(
      r, doc, "$",
      {"seufit_mitigation", "essential_bits", "essential_fraction", "critical_fraction",
       "instances", "scrub", "repair_time_h", "mcu_fraction", "target", "target_share"});
  const std::string fileSource = "mitigation file " + r.path;
  const auto at = [&](const char* key) -> const Value* {
    const auto it = doc.FindMember(key);
    return it == doc.MemberEnd() ? nullptr : &it->value;
  };
  HAFITMitigation& m = out.m;
  if (const Value* v = at("seufit_mitigation"); v && !(v->IsInt() && v->GetInt() == 1))
    r.fail("$.seufit_mitigation", "expected format version 1");
  const Value* bits = at("essential_bits");
  const Value* fraction = at("essential_fraction");
  if (bits && fraction) r.fail("$", "expected essential_bits or essential_fraction, not both");
  if (bits)
    m.essentialBits = factor(r, *bits, "$.essential_bits", fileSource, 0, 9007199254740992.0, false,
                             true, "a whole number of bits of at least 0");
  if (fraction)
    m.essentialFraction = factor(r, *fraction, "$.essential_fraction", fileSource, 0, 1, false,
                                 false, "a fraction from 0 to 1");
  if (const Value* v = at("critical_fraction"))
    if (auto f = factor(r, *v, "$.critical_fraction", fileSource, 0, 1, false, false,
                        "a fraction from 0 to 1"))
      m.criticalFraction = *f;
  if (const Value* v = at("repair_time_h"))
    if (auto f = factor(r, *v, "$.repair_time_h", fileSource, 0, HUGE_VAL, false, false,
                        "a finite number of hours of at least 0"))
      m.repairHours = *f;
  if (const Value* v = at("target_share"))
    if (auto f = factor(r, *v, "$.target_share", fileSource, 0, 1, true, false,
                        "a fraction above 0, at most 1"))
      m.targetShare = *f;
  if (const Value* v = at("target")) {
    std::string source = fileSource;
    if (const Value* x = unwrap(r, *v, "$.target", source)) {
      if (x->IsString() && HAFITMitigation::findTarget(x->GetString())) {
        m.target = x->GetString();
        m.targetSource = source;
      } else {
        r.fail("$.target", "expected one of " + HAFITMitigation::targetNames());
      }
    }
  }
  if (const Value* v = at("scrub")) {
    std::string source = fileSource;
    if (const Value* x = unwrap(r, *v, "$.scrub", source)) {
      if (x->IsString() && std::string(x->GetString()) == "readback") {
        out.scrubGiven = out.readback = true;
      } else if (x->IsNumber() && std::isfinite(x->GetDouble()) && x->GetDouble() > 0) {
        out.scrubGiven = true;
        out.scrubHours = x->GetDouble();
      } else {
        r.fail("$.scrub", "expected \"readback\" or a finite number of hours above 0");
      }
      out.scrubSource = source;
    }
  }
  if (const Value* v = at("mcu_fraction")) {
    if (!v->IsObject()) {
      r.fail("$.mcu_fraction", "expected an object with bram, yram, hbm");
    } else if (HAFITJsonInput::checkKeys(r, *v, "$.mcu_fraction", {"bram", "yram", "hbm"})) {
      for (auto it = v->MemberBegin(); it != v->MemberEnd(); ++it) {
        const std::string cls = it->name.GetString();
        if (auto f = factor(r, it->value, "$.mcu_fraction." + cls, fileSource, 0, 1, false, false,
                            "a fraction from 0 to 1"))
          m.mcu.push_back({cls, *f});
      }
    }
  }
  if (const Value* v = at("instances")) {
    if (!v->IsArray()) {
      r.fail("$.instances", "expected a list of {\"path\", \"essential_bits\"}");
    } else {
      for (rapidjson::SizeType i = 0; i < v->Size(); ++i) {
        const Value& e = (*v)[i];
        const std::string where = "$.instances[" + std::to_string(i) + "]";
        if (!e.IsObject()) {
          r.fail(where, "expected an object with path and essential_bits");
          continue;
        }
        if (!HAFITJsonInput::checkKeys(r, e, where, {"path", "essential_bits", "source"})) continue;
        HAFITMitigation::Instance inst;
        inst.source = fileSource;
        const auto path = e.FindMember("path");
        if (path == e.MemberEnd() || !path->value.IsString() ||
            path->value.GetStringLength() == 0) {
          r.fail(where + ".path", "expected an instance path or a glob");
          continue;
        }
        inst.path = path->value.GetString();
        const auto n = e.FindMember("essential_bits");
        if (n == e.MemberEnd()) {
          r.fail(where, "expected essential_bits");
          continue;
        }
        const auto f =
            factor(r, n->value, where + ".essential_bits", fileSource, 0, 9007199254740992.0, false,
                   true, "a whole number of bits of at least 0");
        if (!f) continue;
        inst.essentialBits = f->value;
        const auto source = e.FindMember("source");
        if (source != e.MemberEnd()) {
          if (source->value.IsString())
            inst.source = source->value.GetString();
          else
            r.fail(where + ".source", "expected a string");
        }
        m.instances.push_back(inst);
      }
    }
  }
  return r.errors.empty();
}

// The family's multi-bit fractions from the data directories; false after a problem.
bool familyDefaults(const std::string& family, const std::vector<std::string>& classes,
                    HAFITMitigation& m) {
  const std::string dir = HUTEnv::getOVKDataDir(kDataFile);
  const auto none = [&](const std::string& why) {
    ComMsgMgr::hostWarning("@1-114@%s", why + "; the multi-bit fraction of " +
                                            (classes.size() == 1 ? "its class" : "its classes") +
                                            " is taken as 0 unless the mitigation gives it");
    for (const std::string& cls : classes)
      if (!m.mcuOf(cls)) m.mcu.push_back({cls, Factor{0.0, "none: " + why}});
    return true;
  };
  if (classes.empty()) return true;
  if (dir.empty()) return none(std::string("no ") + kDataFile + " in the data directories");
  const std::string path = dir + "/" + kDataFile;
  std::string text;
  std::vector<std::string> errors;
  Reader r{path, errors};
  rapidjson::Document doc;
  if (!readFile(path, text)) {
    r.add(path + ": cannot be read");
  } else if (HAFITJsonInput::parse(text, doc, r)) {
    if (!doc.IsObject()) r.fail("$", "expected an object");
  }
  const Value* families = nullptr;
  if (errors.empty()) {
    HAFITJsonInput::checkKeys(r, doc, "$", {"seufit_mitigation_data", "note", "families"});
    const auto v = doc.FindMember("seufit_mitigation_data");
    if (v == doc.MemberEnd() || !v->value.IsInt() || v->value.GetInt() != 1)
      r.fail("$.seufit_mitigation_data", "expected format version 1");
    const auto f = doc.FindMember("families");
    if (f == doc.MemberEnd() || !f->value.IsObject())
      r.fail("$.families", "expected an object of families");
    else
      families = &f->value;
  }
  const Value* own = nullptr;
  if (errors.empty()) {
    const auto f = families->FindMember(family.c_str());
    if (f != families->MemberEnd()) {
      own = &f->value;
      const std::string where = "$.families." + family;
      if (!own->IsObject())
        r.fail(where, "expected an object with bram, yram, hbm");
      else
        HAFITJsonInput::checkKeys(r, *own, where, {"bram", "yram", "hbm"});
    }
  }
  for (const std::string& e : errors) ComMsgMgr::hostError("@1-113@%s", e);
  if (!errors.empty()) return false;
  if (!own) return none(path + " has no family " + family);
  const std::string source = kDataFile + std::string(", family ") + family;
  for (const std::string& cls : classes) {
    if (m.mcuOf(cls)) continue;  // the user's own figure
    const auto v = own->FindMember(cls.c_str());
    std::string where = "$.families.";
    where.append(family).append(".").append(cls);
    if (v == own->MemberEnd()) {
      std::string missing = path;
      missing.append(" has no ").append(where);
      m.mcu.push_back({cls, Factor{0.0, "none: " + missing}});
      ComMsgMgr::hostWarning("@1-114@%s", missing + "; taken as 0");
      continue;
    }
    if (!v->value.IsNumber() || !(v->value.GetDouble() >= 0) || v->value.GetDouble() > 1) {
      std::string problem = path;
      problem.append(": ").append(where).append(": expected a fraction from 0 to 1");
      ComMsgMgr::hostError("@1-113@%s", problem);
      return false;
    }
    m.mcu.push_back({cls, Factor{v->value.GetDouble(), source}});
  }
  return true;
}

// Counts, for each pattern, the instance paths of the design it matches, looking at no
// more than kMatchBudget paths.
void matchInstances(const HFLFloorplan& design, std::vector<HAFITMitigation::Instance>& list) {
  if (list.empty()) return;
  std::vector<HSTGlob> globs;
  globs.reserve(list.size());
  for (const auto& i : list) globs.emplace_back(i.path);
  struct Frame {
    std::unique_ptr<HDLHInstanceIter> iter;
    size_t pathLength;
  };
  std::string path;
  std::vector<Frame> stack;
  const HDLHCellview* top = design.getNetlist()->getTopCellview();
  if (top) stack.push_back({std::unique_ptr<HDLHInstanceIter>(top->createInstanceIterLH()), 0});
  uint64_t seen = 0, steps = 0;
  bool complete = true;
  while (!stack.empty()) {
    Frame& f = stack.back();
    if (!f.iter || !f.iter->more()) {
      path.resize(f.pathLength);
      stack.pop_back();
      if (!stack.empty()) path.resize(stack.back().pathLength);
      continue;
    }
    const HDLHInstance* inst = f.iter->next();
    if (!inst) continue;
    if (++seen > kMatchBudget || steps > kStepBudget) {
      complete = false;
      break;
    }
    path.resize(f.pathLength);
    if (!path.empty()) path += '/';
    path += inst->getNameLH();
    for (size_t i = 0; i < globs.size(); ++i)
      if (globs[i].matches(path, steps)) ++list[i].matches;
    const HDLHCellview* master = inst->getMasterLH();
    if (master)
      stack.push_back(
          {std::unique_ptr<HDLHInstanceIter>(master->createInstanceIterLH()), path.size()});
  }
  for (auto& i : list) i.matchesComplete = complete;
}

}  // namespace

namespace HAFITRun {

Status prepareMitigation(const Request& r, const HFLFloorplan& design,
                         std::optional<HAFITMitigation>& out) {
  out.reset();
  if (!r.derated()) return OK;
  FileInputs in;
  if (!r.mitigation.empty()) {
    std::string text;
    std::vector<std::string> errors;
    Reader reader{r.mitigation, errors};
    if (!readFile(r.mitigation, text))
      reader.add(r.mitigation + ": cannot be read");
    else
      parseFile(text, reader, in);
    for (const std::string& e : errors) ComMsgMgr::hostError("@1-113@%s", e);
    if (!errors.empty()) return USAGE;
  }
  HAFITMitigation& m = in.m;
  // The report names options as the command line does, whichever client asked.
  const auto fromOption = [](const char* name, double v) {
    return Factor{v, std::string("option --") + name};
  };
  if (r.essentialFraction) {
    m.essentialBits.reset();
    m.essentialFraction = fromOption("essential-fraction", *r.essentialFraction);
  }
  if (r.criticalFraction) m.criticalFraction = fromOption("critical-fraction", *r.criticalFraction);
  if (r.repairHours) m.repairHours = fromOption("repair-time", *r.repairHours);
  if (r.targetShare) m.targetShare = fromOption("target-share", *r.targetShare);
  if (!r.target.empty()) {
    m.target = r.target;
    m.targetSource = "option --target";
  }
  if (r.given("scrub")) {
    in.scrubGiven = true;
    in.readback = r.scrubReadback;
    in.scrubHours = r.scrubHours.value_or(0.0);
    in.scrubSource = "option --scrub";
  }
  if (in.scrubGiven) {
    m.scrub = in.readback ? HAFITMitigation::Scrub::READBACK : HAFITMitigation::Scrub::PERIODIC;
    m.scrubHours = in.scrubHours;
    m.scrubSource = in.scrubSource;
  }
  if (m.targetShare.source != "default" && m.target.empty()) {
    ComMsgMgr::hostError("@1-113@%s", m.targetShare.source + " gives a target share of no target");
    return USAGE;
  }

  const HDPYRouteData* route = HDPYRouteStorage::getRouteData(&design);
  const double configBits = route ? static_cast<double>(route->getConfigBitCount()) : 0.0;
  if (m.essentialBits && m.essentialBits->value > configBits) {
    ComMsgMgr::hostError("@1-113@%s", m.essentialBits->source + ": " +
                                          HSTJson::number(m.essentialBits->value) +
                                          " essential bits, more than the part's " +
                                          HSTJson::number(configBits) + " configuration bits");
    return USAGE;
  }

  if (m.scrub == HAFITMitigation::Scrub::READBACK) {
    const std::string device = design.getPart()->getPlaceArch()->getDeviceName();
    const HAFITDetectData* d = HAFITMgr::getGlobal()->getDetectMgr()->get(device);
    const std::string file =
        HUTEnv::getOVKDataDir("fit/DetectionTime.xml") + "/fit/DetectionTime.xml";
    if (!d) {
      ComMsgMgr::hostError("@1-113@%s", in.scrubSource +
                                            ": scrub readback needs the detection "
                                            "time of device " +
                                            device + ", which " + file + " does not list");
      return NO_RESULT;
    }
    if (!std::isfinite(d->average) || d->average < 0) {
      ComMsgMgr::hostError("@1-113@%s", file + ": device " + device +
                                            ": the average detection time " +
                                            HSTJson::number(d->average) +
                                            " is not a number of milliseconds of at least 0");
      return NO_RESULT;
    }
    m.detectionMs = d->average;
    m.detectionFrom = "fit/DetectionTime.xml, device " + device;
  }

  // The protected classes the family's report has rows for.
  std::vector<std::string> classes;
  // A device of no family is refused, and told so, by the analysis.
  const auto floorplan =
      std::unique_ptr<HAFITFloorplan>(HAFITFloorplan::create(const_cast<HFLFloorplan*>(&design)));
  const HAFITFamily* family = floorplan ? HAFITFamilyOf(floorplan.get()) : nullptr;
  const unsigned designClasses = family ? family->designClasses : 0u;
  if (designClasses & (1u << HAFITSERMgr::MEM_BRAM)) classes.push_back("bram");
  if (designClasses & (1u << HAFITSERMgr::MEM_YRAM)) classes.push_back("yram");
  if (designClasses & (1u << HAFITSERMgr::MEM_HBM)) classes.push_back("hbm");
  if (!familyDefaults(family ? family->name : "", classes, m)) return NO_RESULT;

  matchInstances(design, m.instances);
  for (const HAFITMitigation::Instance& i : m.instances)
    if (i.matchesComplete && i.matches == 0)
      ComMsgMgr::hostWarning("@1-114@%s", r.mitigation + ": instance pattern '" + i.path +
                                              "' matches no instance of the design");
  if (!m.instances.empty() && !m.instances.front().matchesComplete)
    ComMsgMgr::hostWarning("@1-114@%s",
                           "the instance patterns were matched against the design's first "
                           "instance paths only (at most " +
                               std::to_string(kMatchBudget) +
                               "); their counts of matches are lower bounds");
  out = std::move(m);
  return OK;
}

}  // namespace HAFITRun
