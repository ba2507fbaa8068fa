// The report command: altitude units, refused devices, missing data, output choice.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "ReportTestSupport.h"
#include "host/msg/ComMsgMgr.h"
#include "host/report/HCRRpt.h"
#include "host/stream/ComMsgMgrReportOstream.h"

namespace {

std::unique_ptr<HDCSet> units(std::initializer_list<const char*> list) {
  auto set = std::make_unique<HDCSet>();
  for (const char* u : list) {
    if (!u)
      set->add(nullptr);
    else if (std::string(u) == "clock")
      set->add(std::make_unique<HDCOther>("clock"));
    else
      set->add(std::make_unique<HASCSetUnits>(u));
  }
  return set;
}

class ReportFitTest : public ReportTest {
 protected:
  void SetUp() override {
    useSer(serFile("zerith9", type("config", "1000", "-0.1", "0.1") + type("bram", "10"),
                   type("config", "1") + type("bram", "1")));
    design_ = makeDesign("zerith9", 19, 1000000u);
  }
  // The XML report sent to the message log.
  std::string run(float altitude, bool xml = true, const std::string& file = "") {
    std::ostringstream log;
    std::ostream* old = ComMsgMgrReportOstream::setLog(&log);
    HAFITMgr::getGlobal()->reportFit(design_.get(), file, "seufit report d.json", altitude, -74, 40,
                                     1, 12.0f, 28, false, xml);
    ComMsgMgrReportOstream::setLog(old);
    return log.str();
  }
  std::string withUnits(std::initializer_list<const char*> list, float altitude) {
    design_->setConstraintSet(units(list));
    return run(altitude);
  }
  std::unique_ptr<HFLFloorplan> design_;
};

TEST_F(ReportFitTest, AltitudeUnitComesFromTheLastUnitsConstraint) {
  const std::string at3048m = withUnits({"meters"}, 3048.0f);
  const std::string at3000m = withUnits({"meters"}, 3000.0f);
  ASSERT_NE(at3048m, at3000m);
  design_->setConstraintSet(nullptr);
  EXPECT_EQ(run(3000.0f), at3000m) << "no constraint set: meters";
  EXPECT_EQ(withUnits({"clock", nullptr}, 3000.0f), at3000m) << "no units constraint: meters";
  EXPECT_EQ(withUnits({"MeTeRs"}, 3000.0f), at3000m);
  EXPECT_EQ(withUnits({"feet"}, 10000.0f), at3048m);
  EXPECT_EQ(withUnits({"m"}, 10000.0f), at3048m) << "only the whole word means meters";
  EXPECT_EQ(withUnits({""}, 10000.0f), at3048m);
  EXPECT_EQ(withUnits({"feet", nullptr, "clock", "meters"}, 3000.0f), at3000m);
  EXPECT_EQ(withUnits({"meters", "feet"}, 10000.0f), at3048m);
}

TEST_F(ReportFitTest, AltitudeIsCappedAtEightyThousandFeet) {
  const std::string cap = run(24384.0f);
  EXPECT_EQ(run(30000.0f), cap);
  EXPECT_EQ(withUnits({"feet"}, 100000.0f), cap);
  EXPECT_NE(run(24000.0f), cap);
}

TEST_F(ReportFitTest, UnsupportedDevicesAreRefusedWithOneMessage) {
  const struct {
    int archType;
    const char* device;
  } refused[] = {{0, "a"},  {9, "b"},  {17, "c"},       {18, "d"},      {25, "e"},
                 {28, "f"}, {-1, "g"}, {15, "dpm4410"}, {16, "dpm4410"}};
  for (const auto& r : refused) {
    SCOPED_TRACE(r.archType);
    design_ = makeDesign("zerith9", r.archType, 1000000u, r.device);
    ComMsgMgr::ScopedCapture cap;
    EXPECT_EQ(run(0.0f), "");
    ASSERT_EQ(cap.messages().size(), 1u);
    EXPECT_EQ(cap.messages()[0].format, "@65-171@%s");
    EXPECT_EQ(cap.messages()[0].mask, 0x8000000u);
    EXPECT_EQ(cap.messages()[0].args.at(0).s, r.device);
  }
  for (int archType : {10, 14, 15, 16, 19, 24, 26, 27}) {
    SCOPED_TRACE(archType);
    design_ = makeDesign("zerith9", archType, 1000000u, "DPM4410");
    ComMsgMgr::ScopedCapture cap;
    EXPECT_NE(run(0.0f), "");
    EXPECT_TRUE(cap.messages().empty());
  }
}

TEST_F(ReportFitTest, MissingDataFileMeansNoReportAndNoFurtherMessage) {
  TempDataDir dir;
  dir.write("fit/SoftErrorRate.xml", minimalSer());
  dir.write("fit/DetectionTime.xml", minimalDetect());
  useDataDir(dir.path());
  {
    ComMsgMgr::ScopedCapture creation;
    HAFITMgr::getGlobal();
    EXPECT_EQ(creation.ids(), std::vector<std::string>{"65-44"});
  }
  ComMsgMgr::ScopedCapture cap;
  EXPECT_EQ(run(100.0f), "");
  EXPECT_EQ(run(10000.0f), "");
  EXPECT_TRUE(cap.messages().empty());
}

TEST_F(ReportFitTest, FileOrMessageLogTextOrXml) {
  const std::string xmlLog = run(0.0f, true);
  const std::string textLog = run(0.0f, false);
  EXPECT_EQ(xmlLog.rfind("<?xml", 0), 0u);
  EXPECT_NE(textLog.find("Device Failures"), std::string::npos);
  EXPECT_EQ(textLog.find("<?xml"), std::string::npos);
  for (const char* item : {"seufit report d.json", ">top<", ">part-zerith9<"})
    EXPECT_NE(xmlLog.find(item), std::string::npos) << item;

  // A file named .xml still gets text unless XML is asked for; the old content goes.
  const std::string path = data_.path("report.xml");
  std::ofstream(path) << "old content that is longer than nothing";
  EXPECT_EQ(run(0.0f, false, path), "");
  std::stringstream written;
  written << std::ifstream(path).rdbuf();
  EXPECT_EQ(written.str(), textLog);
}

TEST_F(ReportFitTest, UnwritableFileIsReportedAndNothingIsLost) {
  ComMsgMgr::ScopedCapture cap;
  EXPECT_EQ(run(0.0f, false, data_.path("no-such-dir/report.txt")), "");
  ASSERT_EQ(cap.messages().size(), 1u);
  EXPECT_EQ(cap.messages()[0].id, "1-4");
  EXPECT_NE(cap.messages()[0].text().find("no-such-dir/report.txt"), std::string::npos);
}

TEST_F(ReportFitTest, TheDocumentHoldsWhatTheReportRenders) {
  HAFITMgr* mgr = HAFITMgr::getGlobal();
  HAFITMgr::ReportRequest request;
  request.altitude = 3000.0f;
  std::ostringstream log;
  std::ostream* old = ComMsgMgrReportOstream::setLog(&log);
  const HAFITMgr::ReportFigures rendered = mgr->reportFit(design_.get(), request);
  HCRRptDoc doc;
  request.hierarchyDepth = 1;
  const HAFITMgr::ReportFigures drawn = mgr->reportDocument(design_.get(), request, doc);
  ComMsgMgrReportOstream::setLog(old);
  EXPECT_EQ(mgr->lastReportOutcome(), HAFITMgr::ReportOutcome::WRITTEN);
  ASSERT_TRUE(drawn.hasFit);
  EXPECT_EQ(drawn.deviceFit, rendered.deviceFit);
  EXPECT_EQ(drawn.deviceFailures, rendered.deviceFailures);
  std::vector<std::string> titles;
  for (const auto& section : doc.sections()) titles.push_back(section.title);
  EXPECT_EQ(titles, (std::vector<std::string>{"Device Reliability", "FIT by Hierarchy"}));
  // Only reportFit's text reached the log.
  const std::string text = log.str();
  ASSERT_NE(text.find("Device Reliability"), std::string::npos);
  EXPECT_EQ(text.find("Device Reliability"), text.rfind("Device Reliability"));

  design_ = makeDesign("zerith9", 0, 1000000u, "a");
  ComMsgMgr::ScopedCapture cap;
  HCRRptDoc refused;
  EXPECT_FALSE(mgr->reportDocument(design_.get(), request, refused).hasFit);
  EXPECT_EQ(mgr->lastReportOutcome(), HAFITMgr::ReportOutcome::UNSUPPORTED_DEVICE);
  EXPECT_TRUE(refused.sections().empty());
}

}  // namespace
