// Rates from beam-test counts: chi-square bounds against published tables and the Poisson
// sums that define them, the rate arithmetic, the rate file's reading of what is written,
// and the worked example of docs/own-device.md.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "shared/fit/base/HAFITBeamRate.h"
#include "shared/fit/parser/HAFITSERMgr.h"

namespace {
namespace BR = HAFITBeamRate;

double round3(double v) { return std::round(v * 1000.0) / 1000.0; }

// P(X <= n) for a Poisson count of mean mu, summed term by term.
double poissonAtMost(std::uint64_t n, double mu) {
  long double term = std::exp(-static_cast<long double>(mu)), sum = term;
  for (std::uint64_t k = 1; k <= n; ++k) sum += term *= mu / static_cast<long double>(k);
  return static_cast<double>(sum);
}

// The chi-square quantiles (twice the bounds) at 0, 1, 10 and 100 events, as printed in
// tables to three decimals: NIST/SEMATECH e-Handbook of Statistical Methods, 1.3.6.7.4
// "Critical Values of the Chi-Square Distribution" (nu = 2, 4, 20, 22; upper critical
// values at probability 0.95 and 0.975, lower ones at 0.05 and 0.025); nu = 200 from the
// classic percentage-point tables that extend past 100 (168.279 and 162.728). No table
// holds nu = 202: the upper bound of 100 events is checked by its Poisson sum only.
TEST(BeamRate, BoundsMatchPublishedChiSquareTables) {
  const struct {
    std::uint64_t events;
    double confidence, lowerChi2, upperChi2;  // 0: not in the tables
  } rows[] = {
      {0, 0.90, 0.0, 5.991},     {0, 0.95, 0.0, 7.378},      {1, 0.90, 0.103, 9.488},
      {1, 0.95, 0.051, 11.143},  {10, 0.90, 10.851, 33.924}, {10, 0.95, 9.591, 36.781},
      {100, 0.90, 168.279, 0.0}, {100, 0.95, 162.728, 0.0},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::to_string(r.events) + " events at " + std::to_string(r.confidence));
    const double lower = BR::eventsLower(r.events, r.confidence);
    const double upper = BR::eventsUpper(r.events, r.confidence);
    EXPECT_EQ(r.events == 0 ? lower : round3(2 * lower), r.lowerChi2);
    if (r.upperChi2 > 0) {
      EXPECT_EQ(round3(2 * upper), r.upperChi2);
    }
    // The exact Poisson interval: alpha/2 of the count's probability beyond each bound.
    const double halfAlpha = (1 - r.confidence) / 2;
    EXPECT_NEAR(poissonAtMost(r.events, upper), halfAlpha, 1e-12);
    if (r.events > 0) {
      EXPECT_NEAR(1 - poissonAtMost(r.events - 1, lower), halfAlpha, 1e-12);
    }
  }
}

TEST(BeamRate, ZeroEventsHaveTheTwoSidedUpperBoundOnlyAndNoRecord) {
  // -ln(alpha/2): the one-sided limit at 1 - alpha/2; --confidence 0.80 gives the
  // one-sided 90% limit, -ln(0.10).
  EXPECT_NEAR(BR::eventsUpper(0, 0.90), -std::log(0.05), 1e-14);
  EXPECT_NEAR(BR::eventsUpper(0, 0.80), 2.302585092994046, 1e-14);
  const BR::BeamRate r = BR::compute({0, 1e10, 151200000, 13.0, 0.90});
  EXPECT_EQ(r.crossSection, 0.0);
  EXPECT_EQ(r.fit, 0.0f);
  EXPECT_GT(r.fitUpper, 0.0f);
  EXPECT_FALSE(r.hasFractions);
  EXPECT_EQ(BR::typeElement("config", r), "");
}

TEST(BeamRate, RateIsCrossSectionTimesFluxTimes1e15AndFractionsDependOnCountsOnly) {
  const BR::BeamRate r = BR::compute({10, 1e11, 1000000, 13.0, 0.90});
  EXPECT_EQ(r.crossSection, 1e-16);
  EXPECT_EQ(r.fit, 1.3f);
  EXPECT_EQ(BR::compute({10, 1e11, 1000000, 26.0, 0.90}).fit, 2.6f);
  EXPECT_LT(r.fitLower, r.fit);
  EXPECT_GT(r.fitUpper, r.fit);
  // Ten times the fluence over a tenth of the bits, at another flux: the same fractions.
  const BR::BeamRate other = BR::compute({10, 1e12, 100000, 7.5, 0.90});
  EXPECT_EQ(other.ll, r.ll);
  EXPECT_EQ(other.ul, r.ul);
  EXPECT_EQ(BR::typeElement("bram", r),
            "<TYPE name=\"bram\" nominal=\"1.3\" ll=\"-0.45745942\" ul=\"0.69622195\"/>");
}

TEST(BeamRate, BadValuesAreNamedAndFiguresBeyondFloatAreTold) {
  const struct {
    BR::BeamTest test;
    const char* named;
  } bad[] = {
      {{BR::kMaxEvents + 1, 1e9, 1000, 13.0, 0.9}, "events"},
      {{1, 0.0, 1000, 13.0, 0.9}, "fluence"},
      {{1, INFINITY, 1000, 13.0, 0.9}, "fluence"},
      {{1, 1e9, 0, 13.0, 0.9}, "bits"},
      {{1, 1e9, BR::kMaxBits + 1, 13.0, 0.9}, "bits"},
      {{1, 1e9, 1000, NAN, 0.9}, "flux"},
      {{1, 1e9, 1000, 13.0, 1.0}, "confidence"},
      {{1, 1e9, 1000, 13.0, 0.0}, "confidence"},
  };
  for (const auto& b : bad) {
    EXPECT_EQ(BR::invalid(b.test).rfind(b.named, 0), 0u) << BR::invalid(b.test);
    EXPECT_THROW(BR::compute(b.test), std::invalid_argument);
  }
  const auto range = [](const BR::BeamTest& t) { return BR::outOfRange(t, BR::compute(t)); };
  EXPECT_EQ(range({BR::kMaxEvents, 1e-300, BR::kMaxBits, 1e-300, 0.999999}), "");
  EXPECT_EQ(range({1, 1e-30, 1, 13.0, 0.9}).rfind("the rate, ", 0), 0u);
  EXPECT_EQ(range({1, 1e300, BR::kMaxBits, 13.0, 0.9}).rfind("the cross-section", 0), 0u);
  EXPECT_EQ(range({0, 1e60, 1000000, 13.0, 0.9}).rfind("the upper bound of the rate", 0), 0u);
}

TEST(BeamRate, FileNumbersAreShortAndTheRateFileReadsBackEveryFigure) {
  EXPECT_EQ(BR::fileNumber(1.3f), "1.3");
  EXPECT_EQ(BR::fileNumber(20.0f), "20");
  EXPECT_EQ(BR::fileNumber(1e-5f), "0.00001");
  EXPECT_EQ(BR::fileNumber(FLT_MAX), "3.4028235e+38");
  EXPECT_EQ(BR::fileNumber(FLT_MIN), "1.1754944e-38");
  // Many tests through the rate file's own reader: each figure reads back as the float.
  std::mt19937_64 random(7);
  std::uniform_int_distribution<std::uint64_t> events(1, 100000);
  std::uniform_real_distribution<double> exponent(6, 14), confidence(0.5, 0.999);
  std::vector<BR::BeamRate> rates;
  std::string doc = "<FITDATA>";
  for (int i = 0; i < 300; ++i) {
    const BR::BeamTest t{events(random), std::pow(10.0, exponent(random)),
                         static_cast<std::uint64_t>(std::pow(10.0, exponent(random))), 13.0,
                         confidence(random)};
    rates.push_back(BR::compute(t));
    doc += "<FAMILY name=\"f" + std::to_string(i) + "\"><SOFTERRORRATE>" +
           BR::typeElement("config", rates.back()) + "</SOFTERRORRATE></FAMILY>";
  }
  doc += "</FITDATA>";
  HAFITSERMgr reader;
  ASSERT_TRUE(reader.parseBuffer(doc.data(), doc.size(), "test.xml", false));
  EXPECT_TRUE(reader.notes().empty());
  for (size_t i = 0; i < rates.size(); ++i) {
    const HAFITSERData* d = reader.getSerData("f" + std::to_string(i), HAFITSERMgr::MEM_CONFIG);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->nominal, rates[i].fit);
    EXPECT_EQ(d->lowerLimit, rates[i].ll);
    EXPECT_EQ(d->upperLimit, rates[i].ul);
  }
}

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The worked example of the docs (its output is checked against the command with the
// other samples of the docs) has the library's figures.
TEST(BeamRate, WorkedExampleOfTheDocsIsWhatTheCommandPrints) {
  const std::string page = readFile(SEUFIT_SOURCE_DIR "/docs/own-device.md");
  const std::string golden =
      readFile(SEUFIT_SOURCE_DIR "/tests/cli/cases/data_rate_worked_example.ok");
  const std::string command = golden.substr(0, golden.find('\n') + 1);
  const size_t from = golden.find("--- stdout\n") + 11;
  const std::string output = golden.substr(from, golden.find("--- exit") - from);
  ASSERT_EQ(command, "$ seufit data rate --events 412 --fluence 2e9 --bits 151200000\n");
  EXPECT_NE(page.find("<!-- sample: seufit data rate --events 412 --fluence 2e9 --bits "
                      "151200000 -->\n```\n" +
                      output + "```\n"),
            std::string::npos);
  const std::string element = BR::typeElement("config", BR::compute({412, 2e9, 151200000}));
  EXPECT_NE(output.find("SOFTERRORRATE record:  " + element + "\n"), std::string::npos);
  EXPECT_NE(page.find("    " + element + "\n"), std::string::npos);
}

}  // namespace
