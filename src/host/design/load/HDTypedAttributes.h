// Netlists carry values without the kinds the analysis needs: a width as text, an ECC
// enable as 1, protected bits as binary digits. Once every leaf instance knows its
// primitive, its attributes are converted to the kinds the primitive declares:
//   bool:   true/false, "TRUE"/"FALSE" (any case), 1/0, "1"/"0", 1'b1/1'b0;
//   int:    32-bit; long: 64-bit; from numbers, decimal text ("-12", "+7"),
//           0x/0b prefixes and Verilog literals ("16'hFF_FF", "'d9", "8'b1010");
//   number: any number, or decimal text;
//   text:   text as is; numbers in decimal, booleans as TRUE/FALSE.
// A value that cannot be converted is an error naming cell, instance, attribute and value.
#pragma once

#include <string>

#include "host/design/db/HDesign.h"
#include "host/design/load/HDLoadContext.h"

namespace HDTypedAttributes {
// Converts `in` to `kind` (HATAttr::Kind); false with `why` set when it cannot.
bool convert(const HATAttr& in, int kind, HATAttr& out, std::string& why);
// Integer text: decimal, 0x/0b, or a Verilog literal; false when it is none or does not
// fit 64 bits (or its own width).
bool parseInteger(const std::string& text, int64_t& out);
// Converts the attributes of every leaf instance of the design's cells.
void convertDesign(HFLFloorplan& design, HDLoadContext& ctx);
}  // namespace HDTypedAttributes
