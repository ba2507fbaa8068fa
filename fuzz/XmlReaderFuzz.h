// One data reader fed the input twice: from memory and from a file (the two ways into
// the XML base, with different chunking), which must agree on the outcome.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "FuzzSupport.h"

namespace fuzz {

inline const std::string& scratchFile() {
  static const std::string path = "/tmp/seufit-fuzz-" + std::to_string(::getpid()) + ".xml";
  return path;
}

// Parses `data` with a fresh Reader both ways, then hands each to `lookUp` and the
// buffer-read one to `list`.
template <typename Reader, typename LookUp, typename List>
void readBothWays(const uint8_t* data, size_t size, LookUp lookUp, List list) {
  sink();
  Reader fromBuffer;
  const bool okBuffer =
      fromBuffer.parseBuffer(reinterpret_cast<const char*>(data), size, "fuzz.xml", true);
  FUZZ_CHECK(okBuffer == fromBuffer.lastError().empty());

  std::FILE* f = std::fopen(scratchFile().c_str(), "wb");
  FUZZ_CHECK(f);
  FUZZ_CHECK(std::fwrite(data, 1, size, f) == size);
  std::fclose(f);
  Reader fromFile;
  const bool okFile = fromFile.parse(scratchFile(), true);
  FUZZ_CHECK(okFile == okBuffer);
  FUZZ_CHECK(fromFile.lastError() == fromBuffer.lastError());

  lookUp(fromBuffer);
  lookUp(fromFile);
  list(fromBuffer);
}

}  // namespace fuzz
