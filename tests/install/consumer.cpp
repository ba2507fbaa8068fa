// Prints where the installed libraries find their data, the data directory the package
// config names, and the relative flux at sea level in New York.
#include <cstdio>
#include <string>

#include "host/env/HUTEnv.h"
#include "shared/fit/base/HAFITMgr.h"

int main() {
  const std::string dir = HUTEnv::getOVKDataDir("fit/SoftErrorRate.xml");
  std::printf("data %s\n", dir.c_str());
  std::printf("package data %s\n", SEUFIT_PACKAGE_DATA_DIR);
  HAFITMgr* mgr = HAFITMgr::getGlobal();
  if (!mgr->getSERMgr()) return 1;
  std::printf("flux %.9g\n", static_cast<double>(mgr->calculateRelativeFlux(0.0f, -74, 40)));
  return 0;
}
