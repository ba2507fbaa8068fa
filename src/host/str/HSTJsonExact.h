// Numbers of a JSON text read exactly. RapidJSON hands each number over as its text
// (kParseNumbersAsStringsFlag) and this handler converts it before the handler it wraps
// sees it: whole numbers as RapidJSON classifies them (Int, Uint, Int64, Uint64, else
// Double), reals by the C library's correctly rounded conversion. RapidJSON 1.1.0's own
// full-precision conversion reads a zero with a large exponent ("0e109") as a huge number.
#pragma once

#include <rapidjson/reader.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace HSTJsonExact {

// The value of a JSON number's text, correctly rounded; infinite when beyond a double.
double real(const std::string& text);

// Wraps `Handler`. With `refuseInfinite`, a number beyond a double stops the parse and
// `tooBig` says why (RapidJSON's kParseErrorNumberTooBig); otherwise it is handed on as
// an infinite Double for the inner handler to judge.
template <typename Handler>
class Numbers {
 public:
  using Ch = char;
  Numbers(Handler& h, bool refuseInfinite) : h_(h), refuseInfinite_(refuseInfinite) {}
  bool tooBig = false;

  bool RawNumber(const Ch* s, rapidjson::SizeType len, bool) {
    const std::string text(s, len);
    if (text.find_first_of(".eE") == std::string::npos) {
      const bool minus = text[0] == '-';
      errno = 0;
      if (minus) {
        const long long v = std::strtoll(text.c_str(), nullptr, 10);
        if (errno != ERANGE) {
          if (v >= std::numeric_limits<int32_t>::min()) return h_.Int(static_cast<int>(v));
          return h_.Int64(static_cast<int64_t>(v));
        }
      } else {
        const unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
        if (errno != ERANGE) {
          if (v <= std::numeric_limits<uint32_t>::max()) return h_.Uint(static_cast<unsigned>(v));
          return h_.Uint64(static_cast<uint64_t>(v));
        }
      }
    }
    const double d = real(text);
    if (std::isinf(d) && refuseInfinite_) {
      tooBig = true;
      return false;
    }
    return h_.Double(d);
  }
  // Only RawNumber is called for numbers under kParseNumbersAsStringsFlag.
  bool Int(int i) { return h_.Int(i); }
  bool Uint(unsigned u) { return h_.Uint(u); }
  bool Int64(int64_t i) { return h_.Int64(i); }
  bool Uint64(uint64_t u) { return h_.Uint64(u); }
  bool Double(double d) { return h_.Double(d); }
  bool Null() { return h_.Null(); }
  bool Bool(bool b) { return h_.Bool(b); }
  bool String(const Ch* s, rapidjson::SizeType len, bool copy) { return h_.String(s, len, copy); }
  bool StartObject() { return h_.StartObject(); }
  bool Key(const Ch* s, rapidjson::SizeType len, bool copy) { return h_.Key(s, len, copy); }
  bool EndObject(rapidjson::SizeType n) { return h_.EndObject(n); }
  bool StartArray() { return h_.StartArray(); }
  bool EndArray(rapidjson::SizeType n) { return h_.EndArray(n); }

 private:
  Handler& h_;
  bool refuseInfinite_;
};

}  // namespace HSTJsonExact
