// Loads a rigidity-cutoff grid through HAFITRCMgr, as the analysis manager does when it
// starts, so that bench/rc_load.sh can time it against xmllint on the same file.
#include <cstdio>

#include "shared/fit/parser/HAFITRCMgr.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: rc_load RigidityCutoff.xml\n");
    return 2;
  }
  HAFITRCMgr grid;
  if (!grid.parse(argv[1], false)) {
    std::fprintf(stderr, "rc_load: %s: %s\n", argv[1], grid.lastError().c_str());
    return 1;
  }
  // One lookup, so that the load cannot be taken for dead code.
  return grid.get(-74, 40) >= 0.0f ? 0 : 1;
}
