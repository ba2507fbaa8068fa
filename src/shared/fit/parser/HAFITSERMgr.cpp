#include "shared/fit/parser/HAFITSERMgr.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <set>

#include "host/design/db/HDesign.h"
#include "host/msg/ComMsgMgr.h"
#include "host/str/HSTJson.h"
#include "host/str/HSTStrUtils.h"
#include "shared/fit/parser/HAFITNumbers.h"

namespace {
constexpr const char* SRC = "src/shared/fit/parser/HAFITSERMgr";
constexpr unsigned MASK_LISTING = 0x4000000;

enum Section { SECTION_SER = 0, SECTION_ALPHA = 1, SECTION_TEMP = 2, SECTION_NONE = 3 };

// The TYPE names of the memory classes.
const struct {
  const char* name;
  HAFITSERMgr::MemType type;
} kTypeNames[] = {
    {"config", HAFITSERMgr::MEM_CONFIG},       {"bram", HAFITSERMgr::MEM_BRAM},
    {"yram", HAFITSERMgr::MEM_YRAM},           {"hbm", HAFITSERMgr::MEM_HBM},
    {"config_6t", HAFITSERMgr::MEM_CONFIG_6T}, {"config_12t", HAFITSERMgr::MEM_CONFIG_12T}};

// TYPE names are matched exactly; the alpha section knows only the first four classes.
bool memTypeOf(const std::string& name, HAFITSERMgr::MemType& type) {
  for (const auto& n : kTypeNames)
    if (name == n.name) {
      type = n.type;
      return true;
    }
  return false;
}

const char* memTypeName(HAFITSERMgr::MemType type) {
  for (const auto& n : kTypeNames)
    if (type == n.type) return n.name;
  return "";
}
}  // namespace

HAFITSERMgr::HAFITSERMgr() = default;

HAFITSERMgr::~HAFITSERMgr() {
  for (auto& e : serData_) deleteMap(e.second);
  for (auto& e : alphaData_) deleteMap(e.second);
  for (auto& e : tempData_) delete e.second;
  // Sections left open by a document that ended early were never handed over.
  deleteMap(currentSerMap_);
  deleteMap(currentAlphaMap_);
  delete currentTempData_;
}

void HAFITSERMgr::deleteMap(MemMap* map) {
  if (!map) return;
  for (auto& e : *map) delete e.second;
  delete map;
}

void HAFITSERMgr::enterMap(FamilyMap& table, MemMap*& current) {
  if (!current) return;  // a nested section of the same kind already handed its map over
  MemMap*& slot = table[currentFamily_];
  if (slot != current) deleteMap(slot);
  slot = current;
  current = nullptr;
}

void HAFITSERMgr::note(const std::string& text) {
  notes_.push_back("line " + std::to_string(eventLine()) + ": " + text);
}

float HAFITSERMgr::number(const std::string& element, const CSL::XML::CAttributeList& attrs,
                          const char* attribute) {
  const std::string text = attrs.getValue(attribute);
  const float value = HAFITNumbers::toFloat(text);
  if (!HAFITNumbers::isWhole(text))
    note("<" + element + "> " + attribute + "=\"" + text + "\" is not a number; it reads as " +
         HSTJson::number(value));
  return value;
}

void HAFITSERMgr::startElem_(const std::string& name, const CSL::XML::CAttributeList& attrs) {
  for (const std::string& a : defaultedAttributes()) {
    std::string text = "<" + name + "> ";
    text += a;
    text += "=\"";
    text += attrs.getValue(a.c_str());
    text += "\" comes from the DTD's default, not from the element";
    cautions_.push_back("line " + std::to_string(eventLine()) + ": " + text);
  }
  if (name == "FITDATA") return;
  if (name == "FAMILY") {
    currentFamily_ = attrs.getValue("name");
    HSTStringUtils::to_lower(currentFamily_);
  } else if (name == "SOFTERRORRATE") {
    currentSection_ = SECTION_SER;
    deleteMap(currentSerMap_);
    currentSerMap_ = nullptr;
    currentSerMap_ = new MemMap;
  } else if (name == "ALPHAPARTICLE") {
    currentSection_ = SECTION_ALPHA;
    deleteMap(currentAlphaMap_);
    currentAlphaMap_ = nullptr;
    currentAlphaMap_ = new MemMap;
  } else if (name == "TEMPERATURE") {
    currentSection_ = SECTION_TEMP;
    delete currentTempData_;
    currentTempData_ = nullptr;
    currentTempData_ = new HAFITTempData;
  } else if (name == "TYPE") {
    auto record = std::make_unique<HAFITSERData>();
    record->nominal = number(name, attrs, "nominal");
    record->lowerLimit = number(name, attrs, "ll");
    record->upperLimit = number(name, attrs, "ul");
    if (record->lowerLimit > record->upperLimit)
      note("<TYPE name=\"" + std::string(attrs.getValue("name")) + "\"> ll " +
           HSTJson::number(record->lowerLimit) + " is above ul " +
           HSTJson::number(record->upperLimit) +
           ": the interval's lower limit exceeds its upper limit");
    MemMap* target = currentSection_ == SECTION_SER     ? currentSerMap_
                     : currentSection_ == SECTION_ALPHA ? currentAlphaMap_
                                                        : nullptr;
    MemType type;
    // A TYPE outside an open section, or of a class its section does not hold, is dropped.
    if (target && memTypeOf(attrs.getValue("name"), type) &&
        (currentSection_ == SECTION_SER || type <= MEM_HBM)) {
      const HAFITSERData*& slot = (*target)[type];
      delete slot;  // the last TYPE of a class wins
      currentSerData_ = record.get();
      slot = record.release();
    } else {
      currentSerData_ = nullptr;
      const std::string typeName = attrs.getValue("name");
      if (!target)
        note("<TYPE name=\"" + typeName +
             "\"> outside a SOFTERRORRATE or ALPHAPARTICLE section is not read");
      else if (!memTypeOf(typeName, type))
        note("<TYPE name=\"" + typeName +
             "\"> is no memory class (config, bram, yram, hbm, config_6t, config_12t; "
             "exact case); the record is not read");
      else
        note("<TYPE name=\"" + typeName +
             "\"> has no alpha-particle record (config, bram, yram and hbm only); the record "
             "is not read");
    }
  } else if (name == "SLOPE") {
    const float v = number(name, attrs, "value");
    if (currentTempData_) currentTempData_->slope = v;
  } else if (name == "INTERCEPT") {
    const float v = number(name, attrs, "value");
    if (currentTempData_) currentTempData_->intercept = v;
  } else {
    note("<" + name +
         "> is not read (the file's elements are FITDATA, FAMILY, SOFTERRORRATE, "
         "ALPHAPARTICLE, TEMPERATURE, TYPE, SLOPE and INTERCEPT, exact case)");
  }
}

void HAFITSERMgr::endElem_(const std::string& name) {
  if (name == "FAMILY") {
    currentFamily_.clear();
  } else if (name == "SOFTERRORRATE") {
    enterMap(serData_, currentSerMap_);
  } else if (name == "ALPHAPARTICLE") {
    enterMap(alphaData_, currentAlphaMap_);
  } else if (name == "TEMPERATURE") {
    if (!currentTempData_) return;
    const HAFITTempData*& slot = tempData_[currentFamily_];
    if (slot != currentTempData_) delete slot;
    slot = currentTempData_;
    currentTempData_ = nullptr;
  } else if (name == "TYPE") {
    currentSerData_ = nullptr;
  }
}

namespace {
const HAFITSERData* lookup(const HSTMap<std::string, HAFITSERMgr::MemMap*>& table,
                           const std::string& family, HAFITSERMgr::MemType type) {
  const auto f = table.find(family);
  if (f == table.end() || !f->second) return nullptr;
  const auto t = f->second->find(type);
  return t == f->second->end() ? nullptr : t->second;
}
}  // namespace

// Strings by value: a fixed signature of the library's interface.
// NOLINTNEXTLINE(performance-unnecessary-value-param)
const HAFITSERData* HAFITSERMgr::getSerData(std::string family, MemType type) const {
  return lookup(serData_, family, type);
}

// Strings by value: a fixed signature of the library's interface.
// NOLINTNEXTLINE(performance-unnecessary-value-param)
const HAFITSERData* HAFITSERMgr::getAlphaData(std::string family, MemType type) const {
  return lookup(alphaData_, family, type);
}

// Strings by value: a fixed signature of the library's interface.
// NOLINTNEXTLINE(performance-unnecessary-value-param)
const HAFITTempData* HAFITSERMgr::getTempData(std::string family) const {
  const auto f = tempData_.find(family);
  return f == tempData_.end() ? nullptr : f->second;
}

void HAFITSERMgr::dump() {
  using ComMsgMgr::sendMsg;
  for (const auto& family : serData_) {
    sendMsg::eval(1, SRC, __LINE__, "fit", MASK_LISTING, "@65-43@%s", family.first);
    for (const auto& entry : *family.second) {
      switch (entry.first) {
        case MEM_CONFIG:
          sendMsg::eval(0, SRC, __LINE__, "fit", MASK_LISTING, "@65-30@");
          break;
        case MEM_BRAM:
          sendMsg::eval(0, SRC, __LINE__, "fit", MASK_LISTING, "@65-29@");
          break;
        case MEM_CONFIG_6T:
          sendMsg::eval(0, SRC, __LINE__, "fit", MASK_LISTING, "@65-32@");
          break;
        case MEM_CONFIG_12T:
          sendMsg::eval(0, SRC, __LINE__, "fit", MASK_LISTING, "@65-31@");
          break;
        case MEM_YRAM:
          sendMsg::eval(0, SRC, __LINE__, "fit", MASK_LISTING, "@65-50@");
          break;
        case MEM_HBM:
          sendMsg::eval(0, SRC, __LINE__, "fit", MASK_LISTING, "@65-51@");
          break;
      }
      const HAFITSERData& d = *entry.second;
      sendMsg::eval(1, SRC, __LINE__, "fit", MASK_LISTING, "@65-26@%f", double(d.nominal));
      sendMsg::eval(1, SRC, __LINE__, "fit", MASK_LISTING, "@65-25@%f", double(d.lowerLimit));
      sendMsg::eval(1, SRC, __LINE__, "fit", MASK_LISTING, "@65-27@%f", double(d.upperLimit));
    }
  }
}

void HAFITSERMgr::writeJson(std::ostream& os) const {
  using HSTJson::number;
  const auto records = [](const FamilyMap& table, const std::string& family) {
    const auto f = table.find(family);
    std::string out = "{";
    if (f != table.end() && f->second)
      for (const auto& e : *f->second)
        out += std::string(out.size() > 1 ? ", " : "") + "\"" + memTypeName(e.first) +
               "\": {\"nominal\": " + number(e.second->nominal) +
               ", \"ll\": " + number(e.second->lowerLimit) +
               ", \"ul\": " + number(e.second->upperLimit) + "}";
    return out + "}";
  };
  const std::vector<std::string> families = familyNames();
  os << "{\"families\": [";
  for (size_t i = 0; i < families.size(); ++i) {
    const std::string& family = families[i];
    const HAFITTempData* temp = getTempData(family);
    os << (i ? ",\n  " : "\n  ") << "{\"family\": " << HSTJson::quote(family)
       << ", \"rates\": " << records(serData_, family)
       << ", \"alpha\": " << records(alphaData_, family) << ", \"temperature\": "
       << (temp ? "{\"slope\": " + number(temp->slope) +
                      ", \"intercept\": " + number(temp->intercept) + "}"
                : std::string("null"))
       << "}";
  }
  os << (families.empty() ? "]}\n" : "\n]}\n");
}

std::vector<std::string> HAFITSERMgr::familyNames() const {
  std::set<std::string> names;
  for (const auto& f : serData_) names.insert(f.first);
  for (const auto& f : alphaData_) names.insert(f.first);
  for (const auto& f : tempData_) names.insert(f.first);
  return {names.begin(), names.end()};
}

std::string HAFITSERMgr::familyKey(const HFLFloorplan* design) {
  std::string key = design->getPart()->getFamily()->getArch()->getId();
  HSTStringUtils::to_lower(key);
  return key;
}

HAFITSERMgr::FamilyCheck HAFITSERMgr::checkFamily(const std::string& family) const {
  FamilyCheck check;
  check.empty = getTempData(family) == nullptr;
  for (int t = MEM_CONFIG; t <= MEM_CONFIG_12T; ++t) {
    const auto type = static_cast<MemType>(t);
    if (getSerData(family, type) || getAlphaData(family, type)) check.empty = false;
  }
  const char* names[] = {"config", "bram", "yram", "hbm"};
  auto finite = [](const HAFITSERData* d) {
    return !d || (std::isfinite(d->nominal) && std::isfinite(d->lowerLimit) &&
                  std::isfinite(d->upperLimit));
  };
  for (int t = MEM_CONFIG; t <= MEM_HBM && check.nonFinite.empty(); ++t) {
    const auto type = static_cast<MemType>(t);
    if (!finite(getSerData(family, type)))
      check.nonFinite = std::string("SOFTERRORRATE ") + names[t];
    else if (!finite(getAlphaData(family, type)))
      check.nonFinite = std::string("ALPHAPARTICLE ") + names[t];
  }
  const HAFITTempData* temp = getTempData(family);
  if (check.nonFinite.empty() && temp &&
      !(std::isfinite(temp->slope) && std::isfinite(temp->intercept)))
    check.nonFinite = "TEMPERATURE";
  return check;
}
