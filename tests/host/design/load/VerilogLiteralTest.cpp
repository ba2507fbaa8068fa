// Verilog integer literals as every netlist front end reads them.
#include <gtest/gtest.h>

#include <cstdint>

#include "host/design/load/HDVerilogLiteral.h"

namespace {

struct Case {
  const char* text;
  bool ok;
  int64_t value;
};

void check(const Case* begin, const Case* end, HDVerilogLiteral::Options options) {
  for (const Case* c = begin; c != end; ++c) {
    int64_t v = 0;
    EXPECT_EQ(HDVerilogLiteral::parse(c->text, v, options), c->ok) << c->text;
    if (c->ok) {
      EXPECT_EQ(v, c->value) << c->text;
    }
  }
}

}  // namespace

TEST(VerilogLiteral, ValuesAndSignedness) {
  const Case cases[] = {
      {"1'b1", true, 1},
      {"8'd200", true, 200},
      {"16'hFF_FF", true, 65535},
      {"12'o7777", true, 4095},
      {"'d9", true, 9},
      {"64'h7fffffffffffffff", true, INT64_MAX},
      {"100'h1", true, 1},
      {"8'sh7f", true, 127},
      // Signed: two's complement at the width, whatever the base.
      {"8'sh80", true, -128},
      {"8'sb1111_1111", true, -1},
      {"32'sb11111111111111111111111111111111", true, -1},
      {"32'shFFFF_FFFB", true, -5},
      {"'shFFFFFFFF", true, -1},  // unsized: 32 bits
      {"64'sh8000000000000000", true, INT64_MIN},
      {"-8'sd1", true, -1},
      {"-8'sb11111111", true, 1},
      {"-8'd1", true, -1},
      {"+8'd1", true, 1},
      // Not numbers, or not in range.
      {"64'h8000000000000000", false, 0},
      {"-64'sh8000000000000000", false, 0},
      {"4'h1F", false, 0},
      {"0'h0", false, 0},
      {"4'b1x0z", false, 0},
      {"8'h", false, 0},
      {"8'b102", false, 0},
      {"8'q1", false, 0},
      {"8'h_1", false, 0},
      {"TRUE", false, 0},
      {"8 'd1", false, 0},
  };
  check(std::begin(cases), std::end(cases), HDVerilogLiteral::Options());
}

TEST(VerilogLiteral, SizedWithoutSignForUndeclaredValues) {
  HDVerilogLiteral::Options sized;
  sized.requireWidth = true;
  sized.allowSign = false;
  const Case cases[] = {
      {"8'sh80", true, -128}, {"'h10", false, 0}, {"-8'd1", false, 0}, {"16'd7", true, 7}};
  check(std::begin(cases), std::end(cases), sized);
}
