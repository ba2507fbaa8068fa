#include "shared/fit/parser/HAFITRCMgr.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "host/msg/ComMsgMgr.h"
#include "host/str/HSTJson.h"
#include "shared/fit/parser/HAFITNumbers.h"

namespace {
constexpr const char* SRC = "src/shared/fit/parser/HAFITRCMgr";
constexpr unsigned MASK_LISTING = 0x4000000;

// strcmp(a, b) == 0 unrolled against a literal: three per point, no call.
template <std::size_t N>
bool same(const char* a, const char (&b)[N]) {
  for (std::size_t i = 0; i < N; ++i)
    if (a[i] != b[i]) return false;
  return true;
}
}  // namespace

HAFITRCMgr::HAFITRCMgr() = default;

HAFITRCMgr::~HAFITRCMgr() = default;

int HAFITRCMgr::longitudeOf(int64_t key) { return static_cast<int>(key >> 32); }

int HAFITRCMgr::latitudeOf(int64_t key) {
  return static_cast<int>(static_cast<uint32_t>(key) ^ 0x80000000u);
}

int64_t HAFITRCMgr::keyOf(int longitude, int latitude) {
  // The latitude is offset to unsigned so that negative latitudes sort first.
  return static_cast<int64_t>(longitude) * (int64_t{1} << 32) +
         static_cast<int64_t>(static_cast<uint32_t>(latitude) ^ 0x80000000u);
}

void HAFITRCMgr::startElem_(const std::string& name, const CSL::XML::CAttributeList& attrs) {
  if (std::string_view(name) != "COORD") return;  // compared inline: once per point
  // Read in place, in one pass: the grid has tens of thousands of points.
  const char* latText = "";
  const char* lonText = "";
  const char* rcText = "";
  attrs.forEach([&](const char* attribute, const char* value) {
    if (same(attribute, "lat"))
      latText = value;
    else if (same(attribute, "long"))
      lonText = value;
    else if (same(attribute, "rc"))
      rcText = value;
  });
  const int lat = HAFITNumbers::toInt(latText);
  const int lon = HAFITNumbers::toInt(lonText);
  const float rc = HAFITNumbers::toFloat(rcText);
  const int64_t key = keyOf(lon, lat);
  // Room for a world grid of whole degrees from the start, so that the list is not
  // copied while it grows.
  if (points_.empty()) points_.reserve(size_t{361} * 181);
  // The shipped grid comes in order: appending keeps it settled.
  if (settled_ && !points_.empty() && points_.back().key >= key) settled_ = false;
  points_.push_back({key, rc});
}

void HAFITRCMgr::settle() const {
  if (settled_) return;
  std::stable_sort(points_.begin(), points_.end(),
                   [](const Point& a, const Point& b) { return a.key < b.key; });
  // A repeated point keeps the value of its last COORD: the last of each run of equal keys.
  size_t out = 0;
  for (size_t i = 0; i < points_.size(); ++i) {
    if (i + 1 < points_.size() && points_[i + 1].key == points_[i].key) continue;
    points_[out++] = points_[i];
  }
  points_.resize(out);
  settled_ = true;
}

const HAFITRCMgr::Point* HAFITRCMgr::find(int longitude, int latitude) const {
  settle();
  const int64_t key = keyOf(longitude, latitude);
  const auto it = std::lower_bound(points_.begin(), points_.end(), key,
                                   [](const Point& p, int64_t k) { return p.key < k; });
  return it != points_.end() && it->key == key ? &*it : nullptr;
}

float HAFITRCMgr::get(int longitude, int latitude) const {
  const Point* p = find(longitude, latitude);
  return p ? p->rc : 0.0f;
}

bool HAFITRCMgr::has(int longitude, int latitude) const {
  return find(longitude, latitude) != nullptr;
}

void HAFITRCMgr::dump() {
  settle();
  for (const Point& p : points_)
    ComMsgMgr::sendMsg::eval(3, SRC, __LINE__, "fit", MASK_LISTING, "@65-49@%d%d%f",
                             longitudeOf(p.key), latitudeOf(p.key), double(p.rc));
}

void HAFITRCMgr::writeJson(std::ostream& os) const {
  settle();
  os << "{\"points\": [";
  for (size_t i = 0; i < points_.size(); ++i) {
    const Point& p = points_[i];
    os << (i ? ",\n  " : "\n  ") << "{\"longitude\": " << longitudeOf(p.key)
       << ", \"latitude\": " << latitudeOf(p.key)
       << ", \"rigidity_cutoff\": " << HSTJson::number(p.rc) << "}";
  }
  os << (points_.empty() ? "]}\n" : "\n]}\n");
}
