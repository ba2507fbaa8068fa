// The memory-class writers and the device summary, checked bit for bit. Expected figures
// come from tools/fit_reference.py, an independent step-by-step evaluation.
#include <gtest/gtest.h>

#include <cfloat>
#include <unordered_map>

#include "ReportTestSupport.h"
#include "shared/fit/base/HAFITKorvanFloorplan.h"
#include "shared/fit/base/HAFITZerith7Floorplan.h"
#include "shared/fit/base/HAFITZerith8Floorplan.h"
#include "shared/fit/base/HAFITZerith9Floorplan.h"

namespace {

using ResultMap = std::unordered_map<std::string, float>;

void expectNumbers(const HCRRptModel::Row& row, const std::string& label,
                   const std::vector<double>& values, int precision) {
  ASSERT_EQ(row.cells.size(), 7u);
  EXPECT_EQ(row.cells[0].text, label);
  for (size_t i = 0; i < values.size(); ++i) {
    SCOPED_TRACE(label + " column " + std::to_string(i + 1));
    EXPECT_EQ(row.cells[i + 1].kind, HCRRptModel::Cell::NUMBER);
    EXPECT_EQ(row.cells[i + 1].value, values[i]);
    EXPECT_EQ(row.cells[i + 1].precision, precision);
  }
}

void expectAllInf(const HCRRptModel::Row& row, const std::string& label) {
  ASSERT_EQ(row.cells.size(), 7u);
  EXPECT_EQ(row.cells[0].text, label);
  for (size_t i = 1; i < 7; ++i) {
    EXPECT_EQ(row.cells[i].kind, HCRRptModel::Cell::TEXT);
    EXPECT_EQ(row.cells[i].text, "inf");
    EXPECT_EQ(row.cells[i].align, static_cast<HCRRptTypes::HALIGN>(4));
  }
}

// Runs one writer into a fresh table and map.
template <typename Fn>
std::pair<HCRRptDoc, ResultMap> runWriter(Fn fn) {
  HCRRptDoc doc = HCRRptDoc::createDoc("t", true, "", "", "", "", "");
  HCRRptTable table = doc.createSection("s", "").createTable("", HCRRptTypes::TABLE_STYLE(2), "");
  ResultMap map;
  fn(doc, table, map);
  return {doc, map};
}

TEST_F(ReportTest, WorkedExampleStandardModel) {
  // 100 FIT/Mbit, bounds -20% and +30%, 2,000,000 configuration bits, flux 1.
  useSer(serFile("Zerith7", type("config", "100", "-0.2", "0.3"), type("config", "5")));
  auto design = makeDesign("zerith7", 10, 2000000u);
  HAFITZerith7Floorplan fp(design.get());
  fp.setFlux(1.0f);
  fp.setTemp(28.0f);
  auto [doc, map] = runWriter([&](auto& d, auto& t, auto& m) { fp.writeCRMReliability(d, t, m); });

  const auto& rows = rowsOf(doc);
  ASSERT_EQ(rows.size(), 2u);
  expectNumbers(rows[0], "Configuration Memory FIT", {100, 200, 400, 160, 200, 260}, 0);
  // 10^9 / (FIT x 8760) years: 1141.55, 570.78, 285.39, 713.47, 570.78, 439.06.
  expectNumbers(rows[1], "Configuration Memory MTBF",
                {0x1.1d635c58d7163p+10, 0x1.1d635c58d7163p+9, 0x1.1d635c58d7163p+8,
                 0x1.64bc336f0cdbcp+9, 0x1.1d635c58d7163p+9, 0x1.b70f0439e870fp+8},
                1);
  EXPECT_EQ(map, (ResultMap{{"CramFit50", 100},
                            {"CramFit100", 400},
                            {"llCramFit", 160},
                            {"nominalCramFit", 200},
                            {"ulCramFit", 260}}));
}

TEST_F(ReportTest, NothingExposedGivesZeroFitAndInfiniteMtbf) {
  useSer(serFile("zerith9", type("bram", "100", "-0.2", "0.3"), type("bram", "5"), "1", "-72"));
  auto design = makeDesign("zerith9", 19, std::nullopt);
  const struct {
    const char* what;
    int32_t bits;
    int devices;
    float temp;  // 72 degrees zero the temperature factor t - 72
  } cases[] = {
      {"zero bits", 0, 1, 28}, {"zero devices", 36864, 0, 28}, {"zero factor", 36864, 1, 72}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Probe<HAFITZerith9Floorplan> fp(design.get());
    fp.setBramBits(c.bits);
    fp.setDevices(c.devices);
    fp.setTemp(c.temp);
    fp.setFlux(1.0f);
    auto [doc, map] =
        runWriter([&](auto& d, auto& t, auto& m) { fp.writeBRMReliability(d, t, m); });
    const auto& rows = rowsOf(doc);
    ASSERT_EQ(rows.size(), 2u);
    expectNumbers(rows[0], "Block Memory FIT", {0, 0, 0, 0, 0, 0}, 0);
    expectAllInf(rows[1], "Block Memory MTBF");
    EXPECT_EQ(map.size(), 5u);
    for (const auto& kv : map) EXPECT_EQ(kv.second, 0.0f) << kv.first;
  }
}

TEST_F(ReportTest, RevisedPackageModel) {
  // s 1, alpha 9 with bounds -50%/+50%; 2 Mbit of YRAM.
  useSer(serFile("korvan", type("yram", "1", "-0.5", "0.5"), type("yram", "9", "-0.5", "0.5")));
  auto design = makeDesign("korvan", 27, std::nullopt);
  {
    SCOPED_TRACE("flux 0 leaves the alpha term alone");
    Probe<HAFITKorvanFloorplan> fp(design.get());
    fp.setYramBits(2000000.0);
    fp.setRevisedPackageModel(true);
    fp.setFlux(0.0f);
    auto [doc, map] =
        runWriter([&](auto& d, auto& t, auto& m) { fp.writeYRMReliability(d, t, m); });
    // nominal a B = 18; bounds (1 +- 0.5) a B.
    expectNumbers(rowsOf(doc)[0], "Yotta Memory FIT", {9, 18, 36, 9, 18, 27}, 0);
    EXPECT_EQ(map.at("nominalYramFit"), 18.0f);
  }
  useSer(serFile("korvan", type("yram", "1", "0", "0"), type("yram", "90", "0", "0")));
  Probe<HAFITKorvanFloorplan> fp(design.get());
  fp.setYramBits(1000000.0);
  fp.setRevisedPackageModel(true);
  fp.setFlux(20.0f);
  auto [doc, map] = runWriter([&](auto& d, auto& t, auto& m) { fp.writeYRMReliability(d, t, m); });
  // (1 - 90/9) * 20 + 90 = -90 FIT: shown as a negative FIT with an infinite MTBF.
  expectNumbers(rowsOf(doc)[0], "Yotta Memory FIT", {-45, -90, -180, -90, -90, -90}, 0);
  expectAllInf(rowsOf(doc)[1], "Yotta Memory MTBF");
}

TEST_F(ReportTest, HbmStaysDoubleUntilTheMap) {
  useSer(serFile("zerith9", type("hbm", "0.3", "-0.3", "0.4"), type("hbm", "0.01")));
  auto design = makeDesign("zerith9", 20, std::nullopt);
  Probe<HAFITZerith9Floorplan> fp(design.get());
  const double bits = 65536000000.0 - 12345.0;
  fp.setHbmBits(bits);
  fp.setFlux(1.5f);
  fp.setDevices(3);
  auto [doc, map] = runWriter([&](auto& d, auto& t, auto& m) { fp.writeHBMReliability(d, t, m); });
  // Nominal about 88473.587 FIT: not a float, so a single-precision step would show.
  const double nominal = 0x1.5999963bcb19ep+16;
  expectNumbers(rowsOf(doc)[0], "HBM FIT",
                {0x1.5999963bcb19ep+15, nominal, 0x1.5999963bcb19ep+17, 0x1.e3d70586e9244p+15,
                 nominal, 0x1.e3d70586e9244p+16},
                0);
  EXPECT_EQ(rowsOf(doc)[1].cells[2].value, 0x1.4a4f753635266p+0);  // about 1.29 years
  EXPECT_EQ(map.at("nominalHbmFit"), 0x1.599996p+16f);
  EXPECT_EQ(map.at("HbmFit50"), 0x1.599996p+15f);
}

TEST_F(ReportTest, SinglePrecisionClassesRoundEachFigureOnce) {
  useSer(serFile("zerith9", type("bram", "0.3", "-0.3", "0.4"), type("bram", "0.01"), "0.005",
                 "0.86"));
  auto design = makeDesign("zerith9", 20, std::nullopt);
  Probe<HAFITZerith9Floorplan> fp(design.get());
  fp.setBramBits(123457);
  fp.setFlux(1.7f);
  fp.setDevices(7);
  fp.setTemp(85.0f);
  auto [doc, map] = runWriter([&](auto& d, auto& t, auto& m) { fp.writeBRMReliability(d, t, m); });
  // Temperature factor 0.005 x 85 + 0.86; nominal about 0.56635 FIT.
  expectNumbers(
      rowsOf(doc)[0], "Block Memory FIT",
      {0x1.21f9p-2f, 0x1.21f9p-1f, 0x1.21f9p+0f, 0x1.95f632p-2f, 0x1.21f9p-1f, 0x1.95f632p-1f}, 0);
  EXPECT_EQ(rowsOf(doc)[1].cells[4].value, 0x1.193274dda6675p+18);  // MTBF of the lower bound
}

TEST_F(ReportTest, MissingRecordDropsTheClass) {
  // Block RAM has a neutron rate but no alpha rate: no rows, nothing in the map.
  useSer(serFile("zerith9", type("bram", "100"), type("config", "1")));
  auto design = makeDesign("zerith9", 20, std::nullopt);
  Probe<HAFITZerith9Floorplan> fp(design.get());
  fp.setBramBits(1000);
  auto [doc, map] = runWriter([&](auto& d, auto& t, auto& m) { fp.writeBRMReliability(d, t, m); });
  EXPECT_TRUE(rowsOf(doc).empty());
  EXPECT_TRUE(map.empty());
}

std::vector<std::string> labels(const HCRRptDoc& doc) {
  std::vector<std::string> out;
  for (const auto& r : rowsOf(doc)) out.push_back(r.cells.at(0).text);
  return out;
}

TEST_F(ReportTest, DeviceFailuresOfAThousandFit) {
  // 500 FIT/Mbit over 2 Mbit of configuration memory: a nominal sum of 1000 FIT.
  useSer(serFile("zerith7", type("config", "500") + type("bram", "1"),
                 type("config", "1") + type("bram", "1")));
  auto design = makeDesign("zerith7", 11, 2000000u);
  for (float months : {12.0f, 0.0f}) {
    SCOPED_TRACE(months);
    HAFITZerith7Floorplan fp(design.get());
    fp.setFlux(1.0f);
    fp.setTemp(28.0f);
    fp.setMonths(months);
    HCRRptDoc doc = HCRRptDoc::createDoc("t", true, "", "", "", "", "");
    fp.writeDeviceReliability(doc);
    EXPECT_EQ(doc.sections().at(0).title, "Device Reliability");
    EXPECT_EQ(labels(doc), (std::vector<std::string>{
                               "Type", "Configuration Memory FIT", "Configuration Memory MTBF",
                               "Block Memory FIT", "Block Memory MTBF", "Device Failures"}));
    const auto& head = rowsOf(doc)[0].cells;
    const char* headings[] = {"Type",      "-50%",    "Nominal",  "+100%",
                              "90% CI LL", "Nominal", "90% CI UL"};
    for (size_t i = 0; i < 7; ++i) EXPECT_EQ(head.at(i).text, headings[i]);
    // 1000 FIT over a year: 8760 hours x 10^-6 failures, about 0.00876.
    const double expected = months == 12.0f ? 0x1.1f0c34p-7f : 0.0;
    const auto& failures = rowsOf(doc).back().cells;
    EXPECT_EQ(failures.at(2).value, expected);
    EXPECT_EQ(failures.at(5).value, expected);
  }
}

TEST_F(ReportTest, NoConfigurationRateMeansNoDeviceFailures) {
  useSer(serFile("zerith9", type("bram", "100"), type("bram", "1")));
  auto design = makeDesign("zerith9", 21, 1000000u);
  Probe<HAFITZerith9Floorplan> fp(design.get());
  fp.setBramBits(36864);
  HCRRptDoc doc = HCRRptDoc::createDoc("t", true, "", "", "", "", "");
  fp.writeDeviceReliability(doc);
  EXPECT_EQ(labels(doc),
            (std::vector<std::string>{"Type", "Block Memory FIT", "Block Memory MTBF"}));
}

TEST_F(ReportTest, FamiliesWriteTheirClassesInOrder) {
  const std::string all =
      type("config", "100") + type("bram", "50") + type("yram", "40") + type("hbm", "30");
  // One file with all four families.
  std::string ser = "<FITDATA>";
  for (const char* f : {"zerith7", "zerith8", "zerith9", "korvan"}) {
    std::string one = serFile(f, all, all);
    ser += one.substr(9, one.size() - 9 - 10);  // without the FITDATA tags
  }
  useSer(ser + "</FITDATA>");
  auto z7 = makeDesign("zerith7", 12, 5000000u);
  auto z8 = makeDesign("zerith8", 16, 5000000u);
  auto z9 = makeDesign("zerith9", 26, 5000000u);
  auto kv = makeDesign("korvan", 27, 5000000u);
  Probe<HAFITZerith7Floorplan> f7(z7.get());
  Probe<HAFITZerith8Floorplan> f8(z8.get());
  Probe<HAFITZerith9Floorplan> f9(z9.get());
  Probe<HAFITKorvanFloorplan> fk(kv.get());
  HCRRptDoc d7 = HCRRptDoc::createDoc("t", true, "", "", "", "", ""), d8 = d7, d9 = d7, dk = d7;
  for (auto* fp : std::initializer_list<HAFITFloorplan*>{&f7, &f8, &f9, &fk}) fp->setFlux(1.0f);
  f9.setHbmBits(1e9);
  f7.writeDeviceReliability(d7);
  f8.writeDeviceReliability(d8);
  f9.writeDeviceReliability(d9);
  fk.writeDeviceReliability(dk);
  const std::vector<std::string> base{"Type", "Configuration Memory FIT",
                                      "Configuration Memory MTBF", "Block Memory FIT",
                                      "Block Memory MTBF"};
  auto with = [&](std::vector<std::string> extra) {
    auto v = base;
    v.insert(v.end(), extra.begin(), extra.end());
    v.push_back("Device Failures");
    return v;
  };
  EXPECT_EQ(labels(d7), with({}));
  EXPECT_EQ(labels(dk), with({"Yotta Memory FIT", "Yotta Memory MTBF"}));
  EXPECT_EQ(labels(d9), with({"Yotta Memory FIT", "Yotta Memory MTBF", "HBM FIT", "HBM MTBF"}));
  // Zerith7 and Zerith8 give identical tables for identical inputs.
  ASSERT_EQ(rowsOf(d7).size(), rowsOf(d8).size());
  for (size_t i = 0; i < rowsOf(d7).size(); ++i)
    for (size_t j = 0; j < rowsOf(d7)[i].cells.size(); ++j) {
      EXPECT_EQ(rowsOf(d7)[i].cells[j].display(), rowsOf(d8)[i].cells[j].display());
      EXPECT_EQ(rowsOf(d7)[i].cells[j].value, rowsOf(d8)[i].cells[j].value);
    }
  // Zerith9's device failures sum four classes in single precision: config 500 FIT,
  // HBM 30 FIT over 1000 Mbit = 30000 FIT, nothing else: 30500 FIT, about 0.26718 a year.
  EXPECT_EQ(rowsOf(d9).back().cells.at(2).value, 0x1.1197a2p-2f);
}

}  // namespace
