// Test entry: a message whose arguments do not match its format throws instead of
// aborting, so that tests can assert on it.
#include <gtest/gtest.h>

#include <stdexcept>

#include "host/msg/ComMsgMgr.h"

int main(int argc, char** argv) {
  ComMsgMgr::setMismatchHandler(
      [](const std::string& problem) { throw std::logic_error(problem); });
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
