// Small JSON output helpers shared by the message sinks and the command line.
#pragma once

#include <string>
#include <string_view>

namespace HSTJson {
// A JSON string literal, escaped; bytes that are not valid UTF-8 become U+FFFD.
std::string quote(std::string_view s);
// A double in shortest round-trip form ("1", "0.1", "1000000", "1e+300"): plain notation
// for decimal exponents -6 to 20, exponent form beyond; NaN and infinities as null.
std::string number(double d);
// A float in shortest form that reads back to the same float (up to 9 significant digits).
std::string number(float f);
}  // namespace HSTJson
