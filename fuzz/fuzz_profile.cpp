// Mission profile reader (JSON or CSV): a profile or its problems, capped, each naming the
// file; a profile read is weighed against the shipped cutoff grid into finite shares.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "shared/fit/base/HAFITMgr.h"
#include "shared/fit/base/HAFITMission.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::sink();
  const std::string text(reinterpret_cast<const char*>(data), size);
  HAFITMission::Profile profile;
  std::vector<std::string> errors;
  if (!HAFITMission::parse(text, "fuzz.json", profile, errors)) {
    FUZZ_CHECK(!errors.empty() && errors.size() <= 51);
    for (const std::string& e : errors) FUZZ_CHECK(e.rfind("fuzz.json", 0) == 0);
    return 0;
  }
  FUZZ_CHECK(errors.empty() && !profile.segments.empty());
  const HAFITMission::MissionFlux m = HAFITMission::weigh(profile, *HAFITMgr::getGlobal());
  FUZZ_CHECK(m.segments.size() == profile.segments.size());
  FUZZ_CHECK(std::isfinite(m.totalHours) && m.totalHours > 0);
  for (const HAFITMission::SegmentFlux& s : m.segments)
    FUZZ_CHECK(std::isfinite(s.flux) && s.flux >= 0 && s.share >= 0 && s.share <= 1);
  return 0;
}
