// Occurrence counts of `seufit check`.
#include <gtest/gtest.h>

#include "host/design/db/HDesignSummary.h"
#include "support/DesignTestUtil.h"

namespace {

class Summary : public ShippedData {};

TEST_F(Summary, CountsOccurrencesOfSharedCells) {
  // top: 3 x block (each: 2 RAMB36, 1 FIFO18, 1 YRAM, 1 sub with one LUT), a black box
  // holding a RAMB36 that is not entered, and a two-stack HBM counted once.
  auto d = load(design(R"(
    "top": {"instances": [{"name": "b0", "cell": "block"}, {"name": "b1", "cell": "block"},
                          {"name": "b2", "cell": "block"}, {"name": "ip", "cell": "bb"},
                          {"name": "h", "cell": "HBM_TWO_STACK"}]},
    "block": {"instances": [{"name": "r0", "cell": "RAMB36"}, {"name": "r1", "cell": "RAMB36"},
                            {"name": "f", "cell": "FIFO18"}, {"name": "y", "cell": "YRAM"},
                            {"name": "s", "cell": "sub"}]},
    "sub": {"instances": [{"name": "l", "cell": "LUT6"}]},
    "bb": {"black_box": true, "instances": [{"name": "r", "cell": "RAMB36"}]})"));
  ASSERT_NE(d, nullptr) << problemText();
  const HDDesignSummary s = HDSummarizeDesign(*d);
  EXPECT_EQ(s.cells, 4u);
  EXPECT_EQ(s.definedInstances, 12u);
  EXPECT_EQ(s.occurrences, 5u + 3u * (5u + 1u));
  EXPECT_EQ(s.leaves, 2u + 3u * 5u);
  EXPECT_EQ(s.ramb, 6u);
  EXPECT_EQ(s.fifo, 3u);
  EXPECT_EQ(s.yram, 3u);
  EXPECT_EQ(s.hbm, 1u);
  EXPECT_FALSE(s.saturated);
}

TEST_F(Summary, SaturatesInsteadOfOverflowing) {
  // 70 levels, each instantiating the next twice: 2^70 leaves.
  std::string cells;
  for (int i = 0; i < 70; ++i)
    cells += "\"c" + std::to_string(i) + "\": {\"instances\": [{\"name\": \"a\", \"cell\": \"c" +
             std::to_string(i + 1) + "\"}, {\"name\": \"b\", \"cell\": \"c" +
             std::to_string(i + 1) + "\"}]}, ";
  cells += "\"c70\": {\"instances\": [{\"name\": \"r\", \"cell\": \"RAMB18\"}]}";
  auto d = load(design(cells, "", "c0"));
  ASSERT_NE(d, nullptr) << problemText();
  const HDDesignSummary s = HDSummarizeDesign(*d);
  EXPECT_TRUE(s.saturated);
  EXPECT_EQ(s.ramb, UINT64_MAX);

  d = load(design(cells.substr(0, cells.find("\"c60\": {")) +
                      "\"c60\": {\"instances\": [{\"name\": \"r\", \"cell\": \"RAMB18\"}]}",
                  "", "c0"));
  ASSERT_NE(d, nullptr) << problemText();
  EXPECT_EQ(HDSummarizeDesign(*d).ramb, uint64_t{1} << 60);
  EXPECT_FALSE(HDSummarizeDesign(*d).saturated);
}

}  // namespace
