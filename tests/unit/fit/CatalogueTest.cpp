// Every message the analysis library sends has a catalogue text that uses each of its
// arguments (65-172 carries the capacity twice; its text shows it once).
#include <gtest/gtest.h>

#include "host/msg/ComMsgMgr.h"

TEST(FitCatalogue, EveryMessageHasATextUsingItsArguments) {
  const struct {
    const char* id;
    int args;
  } messages[] = {{"65-44", 1}, {"65-171", 1}, {"65-172", 5}, {"65-35", 1}, {"65-45", 1},
                  {"65-46", 1}, {"65-47", 1},  {"65-48", 1},  {"65-39", 1}, {"65-40", 1},
                  {"65-41", 1}, {"65-42", 1},  {"65-37", 1},  {"65-36", 1}, {"65-43", 1},
                  {"65-30", 0}, {"65-29", 0},  {"65-32", 0},  {"65-31", 0}, {"65-26", 1},
                  {"65-25", 1}, {"65-27", 1},  {"65-38", 1},  {"65-34", 1}, {"65-28", 1},
                  {"65-33", 1}, {"65-49", 3}};
  for (const auto& m : messages) {
    SCOPED_TRACE(m.id);
    const std::string text = ComMsgMgr::catalogueText(m.id);
    ASSERT_FALSE(text.empty());
    for (int i = 1; i <= m.args; ++i)
      EXPECT_NE(text.find("{" + std::to_string(i) + "}"), std::string::npos) << text;
  }
}
