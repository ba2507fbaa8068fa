// The streaming JSON reader: values, positions, numbers, and tokens that straddle the
// boundary of its read buffer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "host/design/load/HDJsonReader.h"

namespace {

std::string errorOf(const std::string& text, HDJsonPos* pos = nullptr) {
  HDJsonReader r;
  r.openString(text);
  try {
    r.skipValue();
    r.expectEnd();
  } catch (const HDJsonSyntaxError& e) {
    if (pos) *pos = e.pos;
    return e.what();
  }
  return "";
}

TEST(JsonReader, SyntaxErrors) {
  struct Case {
    const char* text;
    const char* error;
    int line, column;
  };
  const Case cases[] = {
      {"{\"a\" 1}", "expected ':' after the key \"a\"", 1, 6},
      {"[1 2]", "expected ',' or ']' after an array element, found '2'", 1, 4},
      {"{\"a\": 1 \"b\": 2}", "expected ',' or '}' after an object member, found '\"'", 1, 9},
      {"[1,]", "trailing comma", 1, 4},
      {"{\"a\": 1,}", "trailing comma", 1, 9},
      {"[01]", "invalid number '01': leading zeros are not allowed", 1, 2},
      {"[1.]", "invalid number '1.': expected a digit after '.'", 1, 2},
      {"[1e]", "expected a digit in the exponent", 1, 2},
      {"[-]", "invalid number '-'", 1, 2},
      {"[+1]", "leading '+'", 1, 2},
      {"[NaN]", "NaN", 1, 2},
      {"[\n  Infinity]", "Infinity", 2, 3},
      {"[tru]", "expected a value (true, false, null", 1, 2},
      {"[nullx]", "unexpected character after 'null'", 1, 6},
      {"[\"a\\x\"]", "invalid escape '\\x'", 1, 4},
      {"[\"\\u12G4\"]", "four hexadecimal digits", 1, 5},
      {"[\"\\udc00\"]", "unpaired surrogate", 1, 3},
      {"[\"\\ud800\\u0041\"]", "unpaired surrogate", 1, 3},
      {"[\"a\nb\"]", "control character", 1, 4},
      {"[\"\xC0\x80\"]", "invalid UTF-8", 1, 3},          // overlong
      {"[\"\xED\xA0\x80\"]", "invalid UTF-8", 1, 3},      // encoded surrogate
      {"[\"\xF4\x90\x80\x80\"]", "invalid UTF-8", 1, 3},  // beyond U+10FFFF
      {"[\"\xE2\x82\"]", "invalid UTF-8", 1, 3},          // truncated
      {"[\"abc", "unexpected end of input inside a string", 1, 6},
      {"[1", "unexpected end of input inside an array", 1, 3},
      {"{} {}", "unexpected '{' after the end of the JSON document", 1, 4},
      {"\"\xC3\xA9\xC3\xA9\" x", "unexpected 'x'", 1, 6},
  };
  for (const Case& c : cases) {
    HDJsonPos pos;
    const std::string err = errorOf(c.text, &pos);
    EXPECT_NE(err.find(c.error), std::string::npos) << c.text << " -> " << err;
    EXPECT_EQ(pos.line, c.line) << c.text;
    EXPECT_EQ(pos.column, c.column) << c.text;
  }
  EXPECT_EQ(errorOf("\xEF\xBB\xBF{\"a\": [true, false, null, -0.5e+3, \"\\/\\b\\f\\n\\r\\t\"]}"),
            "");
  EXPECT_NE(errorOf(std::string(1001, '[') + std::string(1001, ']')).find("deeper than 1000"),
            std::string::npos);
  EXPECT_EQ(errorOf(std::string(1000, '[') + std::string(1000, ']')), "");
}

TEST(JsonReader, Numbers) {
  struct Case {
    const char* text;
    bool integer, fits, overflow;
    int64_t i;
    double d;
  };
  const Case cases[] = {
      {"0", true, true, false, 0, 0.0},
      {"-9223372036854775808", true, true, false, INT64_MIN, -9223372036854775808.0},
      {"9223372036854775807", true, true, false, INT64_MAX, 9223372036854775807.0},
      {"9223372036854775808", true, false, false, 0, 9223372036854775808.0},
      {"100.7", false, false, false, 0, 100.7},
      {"1E2", false, false, false, 0, 100.0},
      {"0.1", false, false, false, 0, 0.1},
      {"1e308", false, false, false, 0, 1e308},
      {"1e309", false, false, true, 0, 0.0},
      {"1e-400", false, false, false, 0, 0.0},
      {"0.000e999999999999999999", false, false, false, 0, 0.0},
  };
  for (const Case& c : cases) {
    HDJsonReader r;
    r.openString(c.text);
    HDJsonNumber n;
    r.readNumber(n);
    EXPECT_EQ(n.integer, c.integer) << c.text;
    EXPECT_EQ(n.overflow, c.overflow) << c.text;
    if (c.integer) {
      EXPECT_EQ(n.fitsInt64, c.fits) << c.text;
    }
    if (c.fits) {
      EXPECT_EQ(n.i, c.i) << c.text;
    }
    EXPECT_EQ(n.d, c.d) << c.text;
    EXPECT_EQ(n.text, c.text);
  }
  HDJsonReader r;
  const std::string text = "[-1e-400, 1" + std::string(400, '0') + "]";
  r.openString(text);
  HDJsonNumber n;
  r.beginArray();
  ASSERT_TRUE(r.nextElement());
  r.readNumber(n);
  EXPECT_TRUE(std::signbit(n.d));
  EXPECT_FALSE(n.overflow);
  ASSERT_TRUE(r.nextElement());
  r.readNumber(n);
  EXPECT_TRUE(n.integer);
  EXPECT_FALSE(n.fitsInt64);
  EXPECT_TRUE(n.overflow);
}

TEST(JsonReader, TokensAcrossTheBufferBoundary) {
  // Pad so that each token starts a few bytes before, at and after the 1 MiB boundary of
  // the file buffer; every token must read the same and positions must stay exact.
  const std::string tokens =
      "[\"\\u00e9\\ud83d\\ude00\xE2\x82\xAC\", 12345.5e-1, true, null, \"k\"]";
  char path[] = "/tmp/seufit-json-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  for (int shift = -12; shift <= 4; ++shift) {
    const size_t pad = (1u << 20) + shift - 1;  // after the opening '['
    std::string text = "[" + std::string(pad - 1, ' ') + "\n" + tokens + ",\n x]";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    HDJsonReader r;
    std::string err;
    ASSERT_TRUE(r.openFile(path, err)) << err;
    r.beginArray();
    ASSERT_TRUE(r.nextElement());
    r.beginArray();
    std::string s;
    HDJsonNumber n;
    ASSERT_TRUE(r.nextElement());
    r.readString(s);
    EXPECT_EQ(s, "\xC3\xA9\xF0\x9F\x98\x80\xE2\x82\xAC") << shift;
    ASSERT_TRUE(r.nextElement());
    r.readNumber(n);
    EXPECT_EQ(n.d, 1234.55) << shift;
    ASSERT_TRUE(r.nextElement());
    EXPECT_TRUE(r.readBool());
    ASSERT_TRUE(r.nextElement());
    r.readNull();
    ASSERT_TRUE(r.nextElement());
    EXPECT_EQ(r.pos().line, 2);
    EXPECT_EQ(r.pos().column, 49) << shift;  // the escapes count as written
    r.readString(s);
    EXPECT_FALSE(r.nextElement());
    ASSERT_TRUE(r.nextElement());
    try {
      r.skipValue();
      FAIL() << "x accepted";
    } catch (const HDJsonSyntaxError& e) {
      EXPECT_EQ(e.pos.line, 3);
      EXPECT_EQ(e.pos.column, 2);
    }
  }
  std::remove(path);
}

TEST(JsonReader, OpenFileFailures) {
  HDJsonReader r;
  std::string err;
  EXPECT_FALSE(r.openFile("/", err));
  EXPECT_EQ(err, "it is a directory");
  EXPECT_FALSE(r.openFile("/nonexistent/x.json", err));
  EXPECT_EQ(err, "No such file or directory");
}

}  // namespace
