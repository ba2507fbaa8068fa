#include "shared/fit/parser/HAFITRCMgr.h"

#include <memory>

#include "host/msg/ComMsgMgr.h"
#include "shared/fit/parser/HAFITNumbers.h"

namespace {
constexpr const char* SRC = "src/shared/fit/parser/HAFITRCMgr";
constexpr unsigned MASK_LISTING = 0x4000000;
const char* orEmpty(const char* s) { return s ? s : ""; }
}  // namespace

HAFITRCMgr::HAFITRCMgr() = default;

HAFITRCMgr::~HAFITRCMgr() {
  for (auto& e : rcData_) delete e.second;
}

void HAFITRCMgr::startElem_(const std::string& name, const CSL::XML::CAttributeList& attrs) {
  if (name != "COORD") return;
  // Read in place: the grid has tens of thousands of points.
  const int lat = HAFITNumbers::toInt(orEmpty(attrs.find("lat")));
  const int lon = HAFITNumbers::toInt(orEmpty(attrs.find("long")));
  const float rc = HAFITNumbers::toFloat(orEmpty(attrs.find("rc")));

  auto it = rcData_.lower_bound(lon);
  if (it == rcData_.end() || it->first != lon) {
    auto fresh = std::make_unique<LatitudeMap>();
    it = rcData_.emplace_hint(it, lon, fresh.get());
    static_cast<void>(fresh.release());  // the map owns it now
  }
  // A repeated point keeps the value of its last COORD.
  (*it->second)[lat] = rc;
}

float HAFITRCMgr::get(int longitude, int latitude) const {
  const auto lon = rcData_.find(longitude);
  if (lon == rcData_.end()) return 0.0f;
  const auto lat = lon->second->find(latitude);
  return lat == lon->second->end() ? 0.0f : lat->second;
}

void HAFITRCMgr::dump() {
  for (const auto& lon : rcData_)
    for (const auto& lat : *lon.second)
      ComMsgMgr::sendMsg::eval(3, SRC, __LINE__, "fit", MASK_LISTING, "@65-49@%d%d%f", lon.first,
                               lat.first, double(lat.second));
}
