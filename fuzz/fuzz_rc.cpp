// RigidityCutoff.xml reader: parse, look points up (edges and overflowing values), list.
#include <climits>
#include <cstdint>

#include "XmlReaderFuzz.h"
#include "shared/fit/parser/HAFITRCMgr.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::readBothWays<HAFITRCMgr>(
      data, size,
      [](HAFITRCMgr& m) {
        for (int lon : {-180, -74, 0, 180, INT_MIN, INT_MAX})
          for (int lat : {-90, 40, 0, 90, INT_MIN, INT_MAX}) (void)m.get(lon, lat);
      },
      [](HAFITRCMgr& m) { m.dump(); });
  return 0;
}
