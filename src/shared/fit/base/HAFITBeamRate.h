// Rates from beam-test counts: N upsets counted over B bits exposed to a fluence F gives
// the cross-section per bit N / (F x B), the rate it makes in FIT per Mbit at a neutron
// flux, and the chi-square bounds of the count, written as the rate file's nominal, ll
// and ul.
//
// Everything is computed in double. What goes into the rate file (the rate in FIT per
// Mbit, its bounds and the fractions ll and ul) is rounded once to float, which is what
// the rate file's reader keeps, and written in the shortest text that reads back to that
// float.
#pragma once

#include <cstdint>
#include <string>

namespace HAFITBeamRate {

// Sea level in New York, in n/cm^2/h: the flux at which the rate file's rates hold.
constexpr double kReferenceFlux = 13.0;
// The rate file's ll and ul are the bounds of a 90% interval.
constexpr double kFileConfidence = 0.90;
// At most this many events: the chi-square quantiles are exact far beyond any beam test,
// and fail to converge from about 10^10 on.
constexpr std::uint64_t kMaxEvents = 1000000000;
// At most this many bits: every whole number up to it is a double.
constexpr std::uint64_t kMaxBits = std::uint64_t(1) << 53;

struct BeamTest {
  std::uint64_t events = 0;             // upsets counted, 0 to kMaxEvents
  double fluence = 0.0;                 // n/cm^2, finite and above 0
  std::uint64_t bits = 0;               // bits exposed, 1 to kMaxBits
  double flux = kReferenceFlux;         // n/cm^2/h, finite and above 0
  double confidence = kFileConfidence;  // two-sided, between 0 and 1
};

// "" when the test can be computed, else what is wrong with the first bad value
// ("fluence: expected a finite number above 0").
std::string invalid(const BeamTest& test);

// Two-sided bounds of the mean count behind `events` observed events, alpha = 1 -
// confidence: lower chi2(alpha/2; 2N) / 2, upper chi2(1 - alpha/2; 2N + 2) / 2. With no
// event the lower bound is 0 and the upper one follows the same formula, -ln(alpha/2):
// the one-sided limit at confidence 1 - alpha/2.
double eventsLower(std::uint64_t events, double confidence);
double eventsUpper(std::uint64_t events, double confidence);

struct BeamRate {
  // Bounds of the event count.
  double eventsLower = 0.0, eventsUpper = 0.0;
  // Cross-section per bit in cm^2: N / (F x B), and the bounds in place of N.
  double crossSection = 0.0, crossSectionLower = 0.0, crossSectionUpper = 0.0;
  // FIT per Mbit at the flux: cross-section x flux x 10^6 bits x 10^9 h, rounded to float.
  float fit = 0.0f, fitLower = 0.0f, fitUpper = 0.0f;
  // ll = lower / N - 1 and ul = upper / N - 1, rounded to float; with no event there
  // is no nominal rate to take them of, and hasFractions is false.
  bool hasFractions = false;
  float ll = 0.0f, ul = 0.0f;
};

// The figures of a valid test (std::invalid_argument with invalid()'s text otherwise).
BeamRate compute(const BeamTest& test);

// "" when the figures can be written, else which one cannot ("the rate, 1.3e+46 FIT per
// Mbit, is outside the normal floats ..."): the rate (with no event, its upper bound) must
// be a normal float, as the rate file holds it, and the cross-section a normal double.
std::string outOfRange(const BeamTest& test, const BeamRate& rate);

// The shortest decimal text (at most 9 significant digits) that the rate file's reader
// turns into exactly `value`, in plain notation for decimal exponents -6 to 20: "1.3",
// "20", "0.00001", "-0.07963295", "3.4028235e+38".
std::string fileNumber(float value);

// The rate as one TYPE element of a family's SOFTERRORRATE section:
// <TYPE name="config" nominal="17.71164" ll="-0.07963295" ul="0.08491787"/>.
// "" when the rate has no fractions (no event).
std::string typeElement(const std::string& name, const BeamRate& rate);

}  // namespace HAFITBeamRate
