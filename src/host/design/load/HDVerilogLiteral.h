// Verilog integer literals as netlists write them in attribute values: an optional sign,
// an optional width, ', an optional s, the base (b, o, d, h in either case) and digits with
// '_' between them ("16'hFF_FF", "'d9", "-8'sd1"). Digits x and z are not numbers.
//  - A signed literal (with s) is read at its width, as Verilog reads it: 8'sb1111_1111 and
//    32'shFFFF_FFFF are -1. An unsized literal has 32 bits.
//  - A leading '-' negates the value; '+' leaves it.
//  - The digits must fit the width; the value must fit 64 signed bits.
#pragma once

#include <cstdint>
#include <string_view>

namespace HDVerilogLiteral {
struct Options {
  bool requireWidth = false;  // "'d9" is no literal
  bool allowSign = true;      // "-8'd1" is no literal
};
// True, with the value, when `text` is such a literal as a whole.
bool parse(std::string_view text, int64_t& value, Options options);
inline bool parse(std::string_view text, int64_t& value) { return parse(text, value, Options()); }
}  // namespace HDVerilogLiteral
