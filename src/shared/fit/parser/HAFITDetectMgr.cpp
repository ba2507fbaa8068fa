#include "shared/fit/parser/HAFITDetectMgr.h"

#include "host/msg/ComMsgMgr.h"
#include "host/str/HSTJson.h"
#include "shared/fit/parser/HAFITNumbers.h"

namespace {
constexpr const char* SRC = "src/shared/fit/parser/HAFITDetectMgr";
constexpr unsigned MASK_LISTING = 0x4000000;
}  // namespace

HAFITDetectMgr::HAFITDetectMgr() = default;

HAFITDetectMgr::~HAFITDetectMgr() {
  for (auto& e : detectData_) delete e.second;
  delete currentData_;  // a DEVICE left open by a document that ended early
}

void HAFITDetectMgr::startElem_(const std::string& name, const CSL::XML::CAttributeList& attrs) {
  if (name != "DEVICE") return;
  currentDevice_ = attrs.getValue("name");
  // A DEVICE opened inside another drops the outer one's record.
  delete currentData_;
  currentData_ = nullptr;
  currentData_ = new HAFITDetectData;
  currentData_->average = HAFITNumbers::toFloat(attrs.getValue("avg"));
  currentData_->minimum = HAFITNumbers::toFloat(attrs.getValue("min"));
  currentData_->maximum = HAFITNumbers::toFloat(attrs.getValue("max"));
}

void HAFITDetectMgr::endElem_(const std::string& name) {
  if (name != "DEVICE" || !currentData_) return;
  const HAFITDetectData*& slot = detectData_[currentDevice_];
  if (slot != currentData_) delete slot;  // the later DEVICE of a name wins
  slot = currentData_;
  currentData_ = nullptr;
  currentDevice_.clear();
}

// Strings by value: a fixed signature of the library's interface.
// NOLINTNEXTLINE(performance-unnecessary-value-param)
const HAFITDetectData* HAFITDetectMgr::get(std::string device) const {
  const auto it = detectData_.find(device);
  return it == detectData_.end() ? nullptr : it->second;
}

void HAFITDetectMgr::dump() {
  using ComMsgMgr::sendMsg;
  for (const auto& e : detectData_) {
    sendMsg::eval(1, SRC, __LINE__, "fit", MASK_LISTING, "@65-38@%s", e.first);
    sendMsg::eval(1, SRC, __LINE__, "fit", MASK_LISTING, "@65-34@%f", double(e.second->minimum));
    sendMsg::eval(1, SRC, __LINE__, "fit", MASK_LISTING, "@65-28@%f", double(e.second->average));
    sendMsg::eval(1, SRC, __LINE__, "fit", MASK_LISTING, "@65-33@%f", double(e.second->maximum));
  }
}

void HAFITDetectMgr::writeJson(std::ostream& os) const {
  using HSTJson::number;
  os << "{\"devices\": [";
  const char* separator = "\n  ";
  for (const auto& e : detectData_) {
    os << separator << "{\"device\": " << HSTJson::quote(e.first)
       << ", \"minimum\": " << number(e.second->minimum)
       << ", \"average\": " << number(e.second->average)
       << ", \"maximum\": " << number(e.second->maximum) << "}";
    separator = ",\n  ";
  }
  os << (detectData_.empty() ? "]}\n" : "\n]}\n");
}
