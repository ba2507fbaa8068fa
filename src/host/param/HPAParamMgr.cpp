#include "host/param/HPAParamMgr.h"

HPAParamMgr* HPAParamMgr::getParamMgr() {
  // Never destroyed: libraries may register from their static initialisers and
  // read at exit in any order.
  static HPAParamMgr* mgr = new HPAParamMgr();
  return mgr;
}

void HPAParamMgr::registerBoolParam(const std::string& name, const std::string& description,
                                    bool defaultValue) {
  bools_.emplace(name, BoolParam{name, description, defaultValue, defaultValue});
}

bool HPAParamMgr::hasParam(const std::string& name) const { return bools_.count(name) != 0; }

const HPAParamMgr::BoolParam* HPAParamMgr::findBoolParam(const std::string& name) const {
  auto it = bools_.find(name);
  return it == bools_.end() ? nullptr : &it->second;
}

std::optional<bool> HPAParamMgr::getBool(const std::string& name) const {
  const BoolParam* p = findBoolParam(name);
  if (!p) return std::nullopt;
  return p->value;
}

bool HPAParamMgr::setBool(const std::string& name, bool value) {
  auto it = bools_.find(name);
  if (it == bools_.end()) return false;
  it->second.value = value;
  return true;
}

std::vector<std::string> HPAParamMgr::names() const {
  std::vector<std::string> out;
  for (const auto& kv : bools_) out.push_back(kv.first);
  return out;
}
