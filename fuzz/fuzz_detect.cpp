// DetectionTime.xml reader: parse, look devices up, list the table.
#include <cstdint>

#include "XmlReaderFuzz.h"
#include "shared/fit/parser/HAFITDetectMgr.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::readBothWays<HAFITDetectMgr>(
      data, size,
      [](HAFITDetectMgr& m) {
        for (const char* device : {"z9-s1", "zk-2", "", "a"})
          if (const HAFITDetectData* d = m.get(device)) (void)(d->average + d->maximum);
      },
      [](HAFITDetectMgr& m) { m.dump(); });
  return 0;
}
