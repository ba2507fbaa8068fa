// RigidityCutoff.xml reader: keys, integer conversion, repeats, misses and dump order.
#include <gtest/gtest.h>

#include "ParserTestSupport.h"
#include "shared/fit/parser/HAFITRCMgr.h"

namespace {

std::string coord(const std::string& attrs) { return "<COORD " + attrs + "/>"; }

TEST(RCMgr, LookupIsByLongitudeThenLatitudeExactly) {
  HAFITRCMgr m;
  ASSERT_TRUE(load(m, "<RCDATA>" + coord("lat=\"40\" long=\"-75\" rc=\"2.5\"") +
                          coord("lat=\"12.9\" long=\" 7\" rc=\"1.5e1\"") +
                          coord("lat=\"-3\" long=\"7\" rc=\"abc\"") +
                          coord("lat=\"5\" long=\"5\" rc=\"1\"") +
                          coord("lat=\"5\" long=\"5\" rc=\"2\"") + coord("rc=\"9\"") +
                          "<OTHER lat=\"1\" long=\"1\" rc=\"1\"/></RCDATA>"));
  EXPECT_EQ(m.get(-75, 40), 2.5f);
  EXPECT_EQ(m.get(40, -75), 0.0f);
  EXPECT_EQ(m.get(7, 12), 15.0f);  // "12.9" is latitude 12
  EXPECT_EQ(m.get(7, 13), 0.0f);
  EXPECT_EQ(m.get(7, -3), 0.0f);
  EXPECT_EQ(m.get(7, 0), 0.0f);   // longitude present, latitude not
  EXPECT_EQ(m.get(8, 12), 0.0f);  // longitude absent
  EXPECT_EQ(m.get(5, 5), 2.0f);   // the last of a repeated point
  EXPECT_EQ(m.get(0, 0), 9.0f);   // no lat, no long
  EXPECT_EQ(m.get(1, 1), 0.0f);
}

TEST(RCMgr, KeepsPointsReadBeforeASyntaxError) {
  HAFITRCMgr m;
  EXPECT_FALSE(load(m, "<RCDATA>" + coord("lat=\"1\" long=\"2\" rc=\"3\"") + "<COORD lat=\"4\""));
  EXPECT_EQ(m.get(2, 1), 3.0f);
  EXPECT_EQ(m.get(0, 4), 0.0f);
}

TEST(RCMgr, DumpWalksLongitudesThenLatitudesAscending) {
  HAFITRCMgr m;
  ASSERT_TRUE(load(m, "<RCDATA>" + coord("lat=\"10\" long=\"5\" rc=\"1.25\"") +
                          coord("lat=\"-10\" long=\"5\" rc=\"0.1\"") +
                          coord("lat=\"90\" long=\"-180\" rc=\"0\"") + "</RCDATA>"));
  ComMsgMgr::ScopedCapture cap;
  m.dump();
  EXPECT_EQ(describeAll(cap), (std::vector<std::string>{"65-49 -180 90 0", "65-49 5 -10 " + f(0.1f),
                                                        "65-49 5 10 1.25"}));
  expectListing(cap, "HAFITRCMgr");
  HAFITRCMgr empty;
  cap.clear();
  empty.dump();
  EXPECT_TRUE(cap.messages().empty());
}

}  // namespace

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "shared/fit/parser/HAFITNumbers.h"

namespace {

TEST(Numbers, FastPathReadsWhatStrtodReads) {
  for (const char* t : {"2.5", "-0.1", "1.5e1", "0.30000000000000004", "3.4028235e38", "1e-400",
                        "1e400", " 7", "+3", "0x1p3", "1,7", "abc", "", "nan", "-inf"}) {
    const float want = HAFITNumbers::narrow(std::strtod(t, nullptr));
    const float got = HAFITNumbers::toFloat(t);
    if (std::isnan(want))
      EXPECT_TRUE(std::isnan(got)) << t;
    else
      EXPECT_EQ(got, want) << t;
  }
  for (const char* t : {"40", "-75", "12.9", " 7", "+3", "99999999999", "x", "", "-", "-0", "007",
                        "999999999", "2147483647", "-2147483648", "2147483648"})
    EXPECT_EQ(HAFITNumbers::toInt(t), static_cast<int>(std::strtol(t, nullptr, 10))) << t;
}

// Decimals of every length around the 15 digits of the short path, the point anywhere,
// signed or not: bit for bit what strtod reads, negative zero included.
TEST(Numbers, ShortDecimalsReadBitForBitAsStrtod) {
  std::mt19937_64 random(7);
  for (int i = 0; i < 20000; ++i) {
    std::string t = i % 2 ? "-" : "";
    const int digits = 1 + i % 18;
    const int point = static_cast<int>(random() % (digits + 2)) - 1;  // -1: none
    for (int k = 0; k < digits; ++k) {
      if (k == point) t += '.';
      t += static_cast<char>('0' + (i % 7 == 0 ? 0 : random() % 10));
    }
    if (point == digits) t += '.';
    const float want = HAFITNumbers::narrow(std::strtod(t.c_str(), nullptr));
    const float got = HAFITNumbers::toFloat(t);
    ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0) << t;
  }
}

}  // namespace
