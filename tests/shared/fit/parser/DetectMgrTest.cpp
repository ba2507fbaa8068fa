// DetectionTime.xml reader: one name space for all families, exact names, dump order.
#include <gtest/gtest.h>

#include "ParserTestSupport.h"
#include "shared/fit/parser/HAFITDetectMgr.h"

namespace {

std::string device(const std::string& attrs) { return "<DEVICE " + attrs + "/>"; }

TEST(DetectMgr, LaterDeviceOfANameWinsAcrossFamilies) {
  HAFITDetectMgr m;
  ASSERT_TRUE(load(m, "<SCANTIMEDATA><FAMILY name=\"x\">" +
                          device("name=\"Dev1\" avg=\"3\" min=\"2\" max=\"5\"") +
                          "</FAMILY><FAMILY name=\"y\">" +
                          device("name=\"Dev1\" avg=\"30\" min=\"20\" max=\"50\"") +
                          "</FAMILY></SCANTIMEDATA>"));
  const HAFITDetectData* d = m.get("Dev1");
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->average, 30.0f);
  EXPECT_EQ(d->minimum, 20.0f);
  EXPECT_EQ(d->maximum, 50.0f);
  EXPECT_EQ(m.get("dev1"), nullptr);
  EXPECT_EQ(m.get("Dev"), nullptr);
}

TEST(DetectMgr, MissingAndBadAttributes) {
  HAFITDetectMgr m;
  ASSERT_TRUE(load(
      m, "<SCANTIMEDATA>" + device("avg=\"12abc\" min=\" 7\" max=\"abc\"") + "</SCANTIMEDATA>"));
  const HAFITDetectData* d = m.get("");
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->average, 12.0f);
  EXPECT_EQ(d->minimum, 7.0f);
  EXPECT_EQ(d->maximum, 0.0f);
}

TEST(DetectMgr, NestedAndUnfinishedDevices) {
  HAFITDetectMgr m;
  EXPECT_FALSE(load(m,
                    "<S><DEVICE name=\"outer\" avg=\"1\"><DEVICE name=\"inner\" avg=\"2\"/>"
                    "</DEVICE><DEVICE name=\"open\" avg=\"3\">"));
  EXPECT_EQ(m.get("outer"), nullptr);
  ASSERT_NE(m.get("inner"), nullptr);
  EXPECT_EQ(m.get("inner")->average, 2.0f);
  EXPECT_EQ(m.get("open"), nullptr);
}

TEST(DetectMgr, DumpSendsNameMinimumAverageMaximumInNameOrder) {
  HAFITDetectMgr m;
  ASSERT_TRUE(load(m, "<SCANTIMEDATA><FAMILY>" +
                          device("name=\"b\" min=\"2\" avg=\"3\" max=\"5\"") +
                          device("name=\"B\" min=\"0.1\" avg=\"0.2\" max=\"0.3\"") +
                          "</FAMILY></SCANTIMEDATA>"));
  ComMsgMgr::ScopedCapture cap;
  m.dump();
  EXPECT_EQ(describeAll(cap), (std::vector<std::string>{
                                  "65-38 B", "65-34 " + f(0.1f), "65-28 " + f(0.2f),
                                  "65-33 " + f(0.3f), "65-38 b", "65-34 2", "65-28 3", "65-33 5"}));
  expectListing(cap, "HAFITDetectMgr");
  HAFITDetectMgr empty;
  cap.clear();
  empty.dump();
  EXPECT_TRUE(cap.messages().empty());
}

}  // namespace
