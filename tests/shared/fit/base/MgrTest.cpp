// Creating the analysis manager: which data files are found, what is reported, and
// that the data are read once.
#include <gtest/gtest.h>

#include "host/msg/ComMsgMgr.h"
#include "shared/fit/parser/HAFITDetectMgr.h"
#include "shared/fit/parser/HAFITRCMgr.h"
#include "shared/fit/parser/HAFITSERMgr.h"
#include "support/FitTestSupport.h"

namespace {

class MgrTest : public ::testing::Test {
 protected:
  void TearDown() override {
    HAFITMgr::resetGlobal();
    HUTEnv::setDataDirs(std::nullopt);
    HUTEnv::setBuiltinData(true);
  }
  void writeAllBut(const std::string& missing) {
    if (missing != "ser") data_.write("fit/SoftErrorRate.xml", minimalSer());
    if (missing != "detect") data_.write("fit/DetectionTime.xml", minimalDetect());
    if (missing != "rc") data_.write("fit/RigidityCutoff.xml", minimalRc());
  }
  TempDataDir data_;
};

std::vector<std::string> missingPaths(const ComMsgMgr::ScopedCapture& cap) {
  std::vector<std::string> out;
  for (const auto& m : cap.messages()) {
    EXPECT_EQ(m.id, "65-44");
    EXPECT_EQ(m.mask, 0x20000000u);
    EXPECT_EQ(m.category, "fit");
    EXPECT_EQ(m.file, "src/shared/fit/base/HAFITMgr");
    EXPECT_EQ(m.args.size(), 1u);
    if (!m.args.empty()) out.push_back(m.args[0].s);
  }
  return out;
}

TEST_F(MgrTest, AllFilesPresentLoadsSilently) {
  writeAllBut("");
  useDataDir(data_.path());
  ComMsgMgr::ScopedCapture cap;
  HAFITMgr* mgr = HAFITMgr::getGlobal();
  EXPECT_TRUE(cap.messages().empty());
  ASSERT_NE(mgr->getSERMgr(), nullptr);
  ASSERT_NE(mgr->getDetectMgr(), nullptr);
  ASSERT_NE(mgr->getRCMgr(), nullptr);
  EXPECT_NE(mgr->getSERMgr()->getSerData("zerith9", HAFITSERMgr::MEM_CONFIG), nullptr);
  EXPECT_NE(mgr->getDetectMgr()->get("d"), nullptr);
  EXPECT_EQ(mgr->getRCMgr()->get(-74, 40), 2.0f);
}

TEST_F(MgrTest, EachMissingFileIsReportedOnceAndLeavesOnlyItsManagerAbsent) {
  for (const std::string missing : {"ser", "detect", "rc"}) {
    SCOPED_TRACE(missing);
    TempDataDir dir;
    if (missing != "ser") dir.write("fit/SoftErrorRate.xml", minimalSer());
    if (missing != "detect") dir.write("fit/DetectionTime.xml", minimalDetect());
    if (missing != "rc") dir.write("fit/RigidityCutoff.xml", minimalRc());
    useDataDir(dir.path());
    ComMsgMgr::ScopedCapture cap;
    HAFITMgr* mgr = HAFITMgr::getGlobal();
    const std::string expected = missing == "ser"      ? "fit/SoftErrorRate.xml"
                                 : missing == "detect" ? "fit/DetectionTime.xml"
                                                       : "fit/RigidityCutoff.xml";
    EXPECT_EQ(missingPaths(cap), std::vector<std::string>{expected});
    EXPECT_EQ(mgr->getSERMgr() == nullptr, missing == "ser");
    EXPECT_EQ(mgr->getDetectMgr() == nullptr, missing == "detect");
    EXPECT_EQ(mgr->getRCMgr() == nullptr, missing == "rc");

    // Read once: a later call sends nothing and keeps the same manager, even once
    // the file has appeared.
    cap.clear();
    dir.write("fit/SoftErrorRate.xml", minimalSer());
    dir.write("fit/DetectionTime.xml", minimalDetect());
    dir.write("fit/RigidityCutoff.xml", minimalRc());
    EXPECT_EQ(HAFITMgr::getGlobal(), mgr);
    EXPECT_TRUE(cap.messages().empty());
    EXPECT_EQ(mgr->getRCMgr() == nullptr, missing == "rc");
    HAFITMgr::resetGlobal();  // deleting with an absent manager frees only the others
  }
}

TEST_F(MgrTest, NoDataDirectoryReportsAllThreeInOrder) {
  useDataDir(data_.path() + "/does-not-exist");
  ComMsgMgr::ScopedCapture cap;
  HAFITMgr* mgr = HAFITMgr::getGlobal();
  EXPECT_EQ(missingPaths(cap),
            (std::vector<std::string>{"fit/SoftErrorRate.xml", "fit/DetectionTime.xml",
                                      "fit/RigidityCutoff.xml"}));
  EXPECT_EQ(mgr->getSERMgr(), nullptr);
  EXPECT_EQ(mgr->getDetectMgr(), nullptr);
  EXPECT_EQ(mgr->getRCMgr(), nullptr);
}

TEST_F(MgrTest, FaultyFileStillGivesAManagerAndTheParserTellsWhy) {
  writeAllBut("rc");
  data_.write("fit/RigidityCutoff.xml", "<RCDATA><COORD lat=\"40\" long=\"-74\" rc=\"2.5\"/><oops");
  useDataDir(data_.path());
  ComMsgMgr::ScopedCapture cap;
  HAFITMgr* mgr = HAFITMgr::getGlobal();
  ASSERT_NE(mgr->getRCMgr(), nullptr);
  EXPECT_EQ(mgr->getRCMgr()->get(-74, 40), 2.5f);  // what was read before the error stays
  ASSERT_EQ(cap.messages().size(), 1u);
  EXPECT_EQ(cap.messages()[0].id, "1-2");
  EXPECT_NE(cap.messages()[0].text().find("RigidityCutoff.xml"), std::string::npos);
}

}  // namespace
