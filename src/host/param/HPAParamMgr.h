// The host's parameter registry. Parameters are registered once, typically by static
// initialisation of the library that owns them, and read by name.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

class HPAParamMgr {
 public:
  struct BoolParam {
    std::string name;
    std::string description;
    bool defaultValue = false;
    bool value = false;
  };

  static HPAParamMgr* getParamMgr();

  // Registers a bool parameter; registering a name again keeps the first registration.
  void registerBoolParam(const std::string& name, const std::string& description,
                         bool defaultValue);
  bool hasParam(const std::string& name) const;
  const BoolParam* findBoolParam(const std::string& name) const;
  std::optional<bool> getBool(const std::string& name) const;
  // False when the name is not registered.
  bool setBool(const std::string& name, bool value);
  std::vector<std::string> names() const;

 private:
  HPAParamMgr() = default;
  std::map<std::string, BoolParam> bools_;
};
