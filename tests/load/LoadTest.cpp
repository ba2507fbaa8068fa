// The analysis library registers its host parameter when it is loaded, before any
// call into it. This program links the host layer only and loads the library itself.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "host/param/HPAParamMgr.h"

TEST(LibraryLoad, RegistersFitReportParameter) {
  HPAParamMgr* params = HPAParamMgr::getParamMgr();
  ASSERT_FALSE(params->hasParam("seu.fitReportCmdAllow"));
  void* lib = dlopen(SEUFIT_FIT_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  const HPAParamMgr::BoolParam* p = params->findBoolParam("seu.fitReportCmdAllow");
  ASSERT_NE(p, nullptr);
  EXPECT_FALSE(p->defaultValue);
  EXPECT_FALSE(p->value);
  EXPECT_EQ(p->description, "Enable FIT reporting");
}
