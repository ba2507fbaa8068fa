// SoftErrorRate.xml reader: grammar rules, number conversions, ownership and dump.
#include <gtest/gtest.h>

#include <cmath>

#include "ParserTestSupport.h"
#include "shared/fit/parser/HAFITSERMgr.h"

namespace {
using M = HAFITSERMgr;

std::string family(const std::string& name, const std::string& body) {
  return "<FAMILY name=\"" + name + "\">" + body + "</FAMILY>";
}
std::string ser(const std::string& types) { return "<SOFTERRORRATE>" + types + "</SOFTERRORRATE>"; }
std::string alpha(const std::string& types) {
  return "<ALPHAPARTICLE>" + types + "</ALPHAPARTICLE>";
}
std::string type(const std::string& name, const std::string& nominal, const std::string& ll = "0",
                 const std::string& ul = "0") {
  return "<TYPE name=\"" + name + "\" nominal=\"" + nominal + "\" ll=\"" + ll + "\" ul=\"" + ul +
         "\"/>";
}
std::string doc(const std::string& body) { return "<FITDATA>" + body + "</FITDATA>"; }

float nominal(const HAFITSERData* d) { return d ? d->nominal : -1.0f; }

TEST(SERMgr, FamilyNamesAreLowerCasedButLookupsAreExact) {
  M m;
  ASSERT_TRUE(load(m, doc(family("ZeRith9", ser(type("config", "5"))))));
  EXPECT_EQ(nominal(m.getSerData("zerith9", M::MEM_CONFIG)), 5.0f);
  EXPECT_EQ(m.getSerData("ZeRith9", M::MEM_CONFIG), nullptr);
  EXPECT_EQ(m.getSerData("zerith9", M::MEM_BRAM), nullptr);
  EXPECT_EQ(m.getSerData("korvan", M::MEM_CONFIG), nullptr);
}

TEST(SERMgr, TypeNamesAreExactAndAcceptedPerSection) {
  const struct {
    const char* name;
    M::MemType type;  // meaningful when accepted somewhere
    bool inSer, inAlpha;
  } cases[] = {{"config", M::MEM_CONFIG, true, true},
               {"bram", M::MEM_BRAM, true, true},
               {"yram", M::MEM_YRAM, true, true},
               {"hbm", M::MEM_HBM, true, true},
               {"config_6t", M::MEM_CONFIG_6T, true, false},
               {"config_12t", M::MEM_CONFIG_12T, true, false},
               {"Config", M::MEM_CONFIG, false, false},
               {"BRAM", M::MEM_BRAM, false, false},
               {"config ", M::MEM_CONFIG, false, false},
               {"", M::MEM_CONFIG, false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    M m;
    ASSERT_TRUE(load(m, doc(family("f", ser(type(c.name, "7")) + alpha(type(c.name, "3"))))));
    EXPECT_EQ(nominal(m.getSerData("f", c.type)), c.inSer ? 7.0f : -1.0f);
    EXPECT_EQ(nominal(m.getAlphaData("f", c.type)), c.inAlpha ? 3.0f : -1.0f);
  }
}

TEST(SERMgr, NumbersConvertAsStrtodWithoutCheckingTheEnd) {
  const struct {
    const char* text;
    float value;
  } cases[] = {{"12abc", 12.0f},   {"1.5e2", 150.0f},    {" 7", 7.0f},   {"", 0.0f},
               {"abc", 0.0f},      {"-0.3", -0.3f},      {"0.1", 0.1f},  {"+4.", 4.0f},
               {"1e39", INFINITY}, {"-1e39", -INFINITY}, {"1e-50", 0.0f}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    M m;
    ASSERT_TRUE(load(
        m,
        doc(family("f", ser(type("bram", c.text, c.text, c.text)) + "<TEMPERATURE><SLOPE value=\"" +
                            c.text + "\"/><INTERCEPT value=\"" + c.text + "\"/></TEMPERATURE>"))));
    const HAFITSERData* d = m.getSerData("f", M::MEM_BRAM);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->nominal, c.value);
    EXPECT_EQ(d->lowerLimit, c.value);
    EXPECT_EQ(d->upperLimit, c.value);
    ASSERT_NE(m.getTempData("f"), nullptr);
    EXPECT_EQ(m.getTempData("f")->slope, c.value);
    EXPECT_EQ(m.getTempData("f")->intercept, c.value);
  }
}

TEST(SERMgr, MissingAttributesReadAsZeroAndEmptyName) {
  M m;
  ASSERT_TRUE(load(m,
                   "<FITDATA><FAMILY><SOFTERRORRATE><TYPE name=\"hbm\"/></SOFTERRORRATE>"
                   "<TEMPERATURE><SLOPE/></TEMPERATURE></FAMILY></FITDATA>"));
  const HAFITSERData* d = m.getSerData("", M::MEM_HBM);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->nominal, 0.0f);
  EXPECT_EQ(d->lowerLimit, 0.0f);
  EXPECT_EQ(d->upperLimit, 0.0f);
  ASSERT_NE(m.getTempData(""), nullptr);
  EXPECT_EQ(m.getTempData("")->slope, 0.0f);
}

TEST(SERMgr, SectionsReplaceWholeAndFamiliesMergeAcrossCase) {
  M m;
  ASSERT_TRUE(load(m, doc(family("ABC", ser(type("config", "1") + type("bram", "2")) +
                                            alpha(type("config", "9"))) +
                          family("abc", ser(type("yram", "3") + type("yram", "4"))))));
  EXPECT_EQ(m.getSerData("abc", M::MEM_CONFIG), nullptr);
  EXPECT_EQ(m.getSerData("abc", M::MEM_BRAM), nullptr);
  EXPECT_EQ(nominal(m.getSerData("abc", M::MEM_YRAM)), 4.0f);  // last TYPE of a class wins
  EXPECT_EQ(nominal(m.getAlphaData("abc", M::MEM_CONFIG)), 9.0f);
}

TEST(SERMgr, EmptyAlphaSectionAnswersNullWhileNeutronRatesRemain) {
  M m;
  ASSERT_TRUE(load(m, doc(family("f", ser(type("config", "1")) + alpha("")))));
  for (M::MemType t : {M::MEM_CONFIG, M::MEM_BRAM, M::MEM_YRAM, M::MEM_HBM})
    EXPECT_EQ(m.getAlphaData("f", t), nullptr);
  EXPECT_EQ(nominal(m.getSerData("f", M::MEM_CONFIG)), 1.0f);
  EXPECT_EQ(m.getTempData("f"), nullptr);
}

TEST(SERMgr, SectionsOutsideAnyFamilyGoUnderTheEmptyName) {
  M m;
  ASSERT_TRUE(load(m, doc(ser(type("config", "8")))));
  EXPECT_EQ(nominal(m.getSerData("", M::MEM_CONFIG)), 8.0f);
}

TEST(SERMgr, StrayElementsAreIgnored) {
  M m;
  ASSERT_TRUE(load(
      m, doc(type("config", "1") + "<SLOPE value=\"5\"/>" +
             family("f", ser(type("config", "2")) + type("bram", "3") +  // after its section ended
                             "<TEMPERATURE>" + type("config", "4") +
                             "<SLOPE value=\"0.5\"/></TEMPERATURE><INTERCEPT value=\"6\"/>" +
                             alpha(type("config", "1")) + type("hbm", "5")) +
             "<UNKNOWN><TYPE/></UNKNOWN>")));
  EXPECT_EQ(nominal(m.getSerData("f", M::MEM_CONFIG)), 2.0f);
  EXPECT_EQ(m.getSerData("f", M::MEM_BRAM), nullptr);
  EXPECT_EQ(m.getAlphaData("f", M::MEM_HBM), nullptr);
  ASSERT_NE(m.getTempData("f"), nullptr);
  EXPECT_EQ(m.getTempData("f")->slope, 0.5f);
  EXPECT_EQ(m.getTempData("f")->intercept, 0.0f);
  EXPECT_EQ(m.getSerData("", M::MEM_CONFIG), nullptr);
}

TEST(SERMgr, NestedSectionsNeverEnterANullMap) {
  M m;
  ASSERT_TRUE(
      load(m, doc(family("f", "<SOFTERRORRATE>" + type("config", "1") + ser(type("bram", "2")) +
                                  type("hbm", "3") + "</SOFTERRORRATE>" +
                                  "<TEMPERATURE><TEMPERATURE><SLOPE value=\"1\"/>"
                                  "</TEMPERATURE></TEMPERATURE>"))));
  // The inner section replaced the outer one; the outer end finds nothing to enter.
  EXPECT_EQ(m.getSerData("f", M::MEM_CONFIG), nullptr);
  EXPECT_EQ(nominal(m.getSerData("f", M::MEM_BRAM)), 2.0f);
  EXPECT_EQ(m.getSerData("f", M::MEM_HBM), nullptr);
  ASSERT_NE(m.getTempData("f"), nullptr);
  EXPECT_EQ(m.getTempData("f")->slope, 1.0f);
}

TEST(SERMgr, KeepsCompletedSectionsOfAFaultyFile) {
  M m;
  // The second family's section never ends: it is not entered (and not leaked).
  EXPECT_FALSE(load(m, doc(family("a", ser(type("config", "1")))) +
                           "<FAMILY name=\"b\"><SOFTERRORRATE>" + type("config", "2") + "<oops"));
  EXPECT_EQ(nominal(m.getSerData("a", M::MEM_CONFIG)), 1.0f);
  EXPECT_EQ(m.getSerData("b", M::MEM_CONFIG), nullptr);
  M empty;
  EXPECT_FALSE(load(empty, ""));
  EXPECT_EQ(empty.getSerData("", M::MEM_CONFIG), nullptr);
}

TEST(SERMgr, DumpListsNeutronRatesByFamilyThenClass) {
  M m;
  ASSERT_TRUE(load(
      m, doc(family("zz", ser(type("hbm", "0.5", "-0.25", "0.75"))) +
             family("aa", ser(type("config_12t", "6") + type("config_6t", "5") + type("yram", "3") +
                              type("bram", "2") + type("config", "1", "-0.3", "0.4")) +
                              alpha(type("config", "99"))))));
  ComMsgMgr::ScopedCapture cap;
  m.dump();
  const std::vector<std::string> expected = {
      "65-43 aa",         "65-30",     "65-26 1", "65-25 " + f(-0.3f),
      "65-27 " + f(0.4f), "65-29",     "65-26 2", "65-25 0",
      "65-27 0",          "65-50",     "65-26 3", "65-25 0",
      "65-27 0",          "65-32",     "65-26 5", "65-25 0",
      "65-27 0",          "65-31",     "65-26 6", "65-25 0",
      "65-27 0",          "65-43 zz",  "65-51",   "65-26 0.5",
      "65-25 -0.25",      "65-27 0.75"};
  EXPECT_EQ(describeAll(cap), expected);
  expectListing(cap, "HAFITSERMgr");
}

TEST(SERMgr, DumpOfAnEmptyTableSendsNothing) {
  M m;
  ComMsgMgr::ScopedCapture cap;
  m.dump();
  EXPECT_TRUE(cap.messages().empty());
}

}  // namespace
