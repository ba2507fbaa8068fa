// SoftErrorRate.xml reader: parse, look every class up, list the table.
#include <cstdint>

#include "XmlReaderFuzz.h"
#include "shared/fit/parser/HAFITSERMgr.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::readBothWays<HAFITSERMgr>(
      data, size,
      [](HAFITSERMgr& m) {
        for (const char* family : {"zerith7", "zerith8", "zerith9", "korvan", ""}) {
          for (int t = HAFITSERMgr::MEM_CONFIG; t <= HAFITSERMgr::MEM_CONFIG_12T; ++t) {
            const auto type = static_cast<HAFITSERMgr::MemType>(t);
            if (const HAFITSERData* d = m.getSerData(family, type))
              (void)(d->nominal * d->upperLimit);
            if (const HAFITSERData* d = m.getAlphaData(family, type))
              (void)(d->nominal * d->lowerLimit);
          }
          if (const HAFITTempData* t = m.getTempData(family)) (void)(t->slope + t->intercept);
        }
      },
      [](HAFITSERMgr& m) { m.dump(); });
  return 0;
}
