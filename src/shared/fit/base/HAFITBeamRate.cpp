#include "shared/fit/base/HAFITBeamRate.h"

#include <algorithm>
#include <boost/math/distributions/chi_squared.hpp>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "host/str/HSTJson.h"
#include "shared/fit/parser/HAFITNumbers.h"

namespace HAFITBeamRate {

namespace {
// 10^6 bits in a Mbit times 10^9 hours in a FIT: both exact in double, and so their product.
constexpr double kBitHours = 1e15;

bool positiveFinite(double v) { return std::isfinite(v) && v > 0.0; }

// A double that is neither 0 nor subnormal nor beyond the float range once narrowed.
bool normalFloat(double v) {
  const float f = HAFITNumbers::narrow(v);
  return std::isfinite(f) && f >= FLT_MIN;
}
}  // namespace

std::string invalid(const BeamTest& test) {
  if (test.events > kMaxEvents)
    return "events: expected a whole number from 0 to " + std::to_string(kMaxEvents);
  if (!positiveFinite(test.fluence)) return "fluence: expected a finite number above 0";
  if (test.bits == 0 || test.bits > kMaxBits)
    return "bits: expected a whole number from 1 to " + std::to_string(kMaxBits);
  if (!positiveFinite(test.flux)) return "flux: expected a finite number above 0";
  if (!(test.confidence > 0.0 && test.confidence < 1.0))
    return "confidence: expected a number between 0 and 1, both excluded";
  return "";
}

double eventsLower(std::uint64_t events, double confidence) {
  if (events == 0) return 0.0;
  const double alpha = 1.0 - confidence;
  const boost::math::chi_squared_distribution<double> chi2(2.0 * static_cast<double>(events));
  return boost::math::quantile(chi2, alpha / 2.0) / 2.0;
}

double eventsUpper(std::uint64_t events, double confidence) {
  const double alpha = 1.0 - confidence;
  const boost::math::chi_squared_distribution<double> chi2(2.0 * static_cast<double>(events) + 2.0);
  // The quantile at 1 - alpha/2, taken from its upper tail: exact for alpha near 0 too.
  return boost::math::quantile(boost::math::complement(chi2, alpha / 2.0)) / 2.0;
}

BeamRate compute(const BeamTest& test) {
  const std::string problem = invalid(test);
  if (!problem.empty()) throw std::invalid_argument(problem);
  BeamRate r;
  const double n = static_cast<double>(test.events);
  r.eventsLower = eventsLower(test.events, test.confidence);
  r.eventsUpper = eventsUpper(test.events, test.confidence);

  const double exposure = test.fluence * static_cast<double>(test.bits);  // bit n/cm^2
  r.crossSection = n / exposure;
  r.crossSectionLower = r.eventsLower / exposure;
  r.crossSectionUpper = r.eventsUpper / exposure;

  const double toFit = test.flux * kBitHours;
  r.fit = HAFITNumbers::narrow(r.crossSection * toFit);
  r.fitLower = HAFITNumbers::narrow(r.crossSectionLower * toFit);
  r.fitUpper = HAFITNumbers::narrow(r.crossSectionUpper * toFit);

  // The fractions depend on the counts alone: fluence, bits and flux cancel.
  r.hasFractions = test.events > 0;
  if (r.hasFractions) {
    r.ll = HAFITNumbers::narrow(r.eventsLower / n - 1.0);
    r.ul = HAFITNumbers::narrow(r.eventsUpper / n - 1.0);
  }
  return r;
}

std::string outOfRange(const BeamTest& test, const BeamRate& rate) {
  const double toFit = test.flux * kBitHours;
  const auto notDouble = [](const char* what, double v) {
    return std::string(what) + ", " + HSTJson::number(v) + " cm^2, is outside the normal doubles";
  };
  const auto notFloat = [](const char* what, double v) {
    return std::string(what) + ", " + HSTJson::number(v) +
           " FIT per Mbit, is outside the normal floats that the rate file holds (about "
           "1.2e-38 to 3.4e+38)";
  };
  if (test.events > 0) {
    if (!std::isnormal(rate.crossSection))
      return notDouble("the cross-section per bit", rate.crossSection);
    if (!normalFloat(rate.crossSection * toFit))
      return notFloat("the rate", rate.crossSection * toFit);
  }
  if (!std::isnormal(rate.crossSectionUpper))
    return notDouble("the upper bound of the cross-section per bit", rate.crossSectionUpper);
  if (!normalFloat(rate.crossSectionUpper * toFit))
    return notFloat("the upper bound of the rate", rate.crossSectionUpper * toFit);
  return "";
}

std::string fileNumber(float value) {
  char text[64];
  int digits = 1;
  for (; digits < 9; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
    if (HAFITNumbers::toFloat(text) == value) break;
  }
  std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
  // "%g" writes 20 as "2e+01": moderate exponents read better, and no longer, in plain
  // notation with the same significant digits.
  if (const char* e = std::strchr(text, 'e')) {
    const int exponent = std::atoi(e + 1);
    if (exponent >= -6 && exponent <= 20)
      std::snprintf(text, sizeof text, "%.*f", std::max(0, digits - 1 - exponent),
                    static_cast<double>(value));
  }
  return text;
}

std::string typeElement(const std::string& name, const BeamRate& rate) {
  if (!rate.hasFractions) return "";
  return "<TYPE name=\"" + name + "\" nominal=\"" + fileNumber(rate.fit) + "\" ll=\"" +
         fileNumber(rate.ll) + "\" ul=\"" + fileNumber(rate.ul) + "\"/>";
}

}  // namespace HAFITBeamRate
