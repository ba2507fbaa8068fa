#include "shared/fit/base/HAFITFamily.h"

#include "shared/fit/base/HAFITKorvanFloorplan.h"
#include "shared/fit/base/HAFITZerith7Floorplan.h"
#include "shared/fit/base/HAFITZerith8Floorplan.h"
#include "shared/fit/base/HAFITZerith9Floorplan.h"
#include "shared/fit/parser/HAFITSERMgr.h"

namespace {

template <class T>
HAFITFloorplan* make(HFLFloorplan* hflFloorplan) {
  return new T(hflFloorplan);
}

template <class T>
bool isOf(const HAFITFloorplan* floorplan) {
  return dynamic_cast<const T*>(floorplan) != nullptr;
}

using F = HAFITFloorplan::Family;

constexpr unsigned kBram = 1u << HAFITSERMgr::MEM_BRAM;
constexpr unsigned kYram = 1u << HAFITSERMgr::MEM_YRAM;
constexpr unsigned kHbm = 1u << HAFITSERMgr::MEM_HBM;

// Adding a family is one row here and its floorplan class. The architecture ranges do not
// overlap, so the order only fixes the order of listings.
const HAFITFamily kFamilies[] = {
    {F::ZERITH7, "zerith7", [](int t, const std::string&) { return t >= 10 && t <= 14; },
     make<HAFITZerith7Floorplan>, isOf<HAFITZerith7Floorplan>, kBram, "10 to 14"},
    // One device of these types (exact spelling) is not supported.
    {F::ZERITH8, "zerith8",
     [](int t, const std::string& device) { return (t == 15 || t == 16) && device != "dpm4410"; },
     make<HAFITZerith8Floorplan>, isOf<HAFITZerith8Floorplan>, kBram,
     "15, 16 but not device dpm4410"},
    {F::ZERITH9, "zerith9",
     [](int t, const std::string&) { return (t >= 19 && t <= 24) || t == 26; },
     make<HAFITZerith9Floorplan>, isOf<HAFITZerith9Floorplan>, kBram | kYram | kHbm,
     "19 to 24, 26"},
    {F::KORVAN, "korvan", [](int t, const std::string&) { return t == 27; },
     make<HAFITKorvanFloorplan>, isOf<HAFITKorvanFloorplan>, kBram | kYram, "27"},
};

}  // namespace

const HAFITFamily* HAFITFamiliesBegin() { return std::begin(kFamilies); }

const HAFITFamily* HAFITFamiliesEnd() { return std::end(kFamilies); }

std::string HAFITSupportedTypes() {
  std::string out;
  for (const HAFITFamily& f : kFamilies)
    out += (out.empty() ? "" : ", ") + std::string(f.name) + " (" + f.types + ")";
  return out;
}

const HAFITFamily* HAFITFamilyFor(int archType, const std::string& deviceName) {
  for (const HAFITFamily& f : kFamilies)
    if (f.covers(archType, deviceName)) return &f;
  return nullptr;
}

const HAFITFamily* HAFITFamilyOf(const HAFITFloorplan* floorplan) {
  for (const HAFITFamily& f : kFamilies)
    if (f.owns(floorplan)) return &f;
  return nullptr;
}

const HAFITFamily* HAFITFamilyById(HAFITFloorplan::Family id) {
  for (const HAFITFamily& f : kFamilies)
    if (f.id == id) return &f;
  return nullptr;
}
