// Strict parsing of numeric options: the whole text must be a number in range.
#pragma once

#include <optional>
#include <string>

namespace CliNumbers {
// A finite real that a float can hold, or nothing.
std::optional<float> parseFloat(const std::string& text);
// A whole number in [lo, hi] (no fraction, no trailing text), or nothing.
std::optional<long long> parseInteger(const std::string& text, long long lo, long long hi);
}  // namespace CliNumbers

// Sends the usage message for an option value: "option --x: expected ..., got '...'".
void usageError(const std::string& option, const std::string& expected, const std::string& got);

// Altitude (finite real), longitude (-180..180) and latitude (-90..90) as typed.
struct PlaceOptions {
  float altitude = 0.0f;
  int longitude = -74;
  int latitude = 40;
};
// False (with one message per bad value) when any value is out of range.
bool parsePlace(const std::string& altitude, const std::string& longitude,
                const std::string& latitude, PlaceOptions& out);
