// Reads an EDIF 2 0 0 netlist into a design assembly: the cells of the file's own
// libraries with their instances and instance properties, and the top cell that the
// design statement names. Nets are counted, not built; ports, interfaces and the rest
// are skipped. Cells of external libraries, and cells without contents, are leaves named
// by their real name for the cell map and the catalogue to resolve.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "host/design/load/HDDesignAssembly.h"
#include "host/design/load/HDFrontEnd.h"
#include "host/design/load/HDNetlistOptions.h"

// Problems go to `ctx` (its file, line:column, an EDIF path such as
// "library work / cell top / instance u1"); a syntax error ends the reading.
// `opts.top`, when set, names the top cell instead of the design statement;
// `opts.siteAttribute` is the property that places an instance on a site.
void hdReadEdif(HDLoadContext& ctx, HDDesignAssembly& design, std::string_view text,
                const HDNetlistOptions& opts);
// The same from an input: text in memory in place, a file in chunks of `chunk` bytes
// (another size than the default is for tests). False after a read error, reported.
constexpr size_t kHDEdifChunk = 1 << 19;
bool hdReadEdif(HDLoadContext& ctx, HDDesignAssembly& design, HDInput& input,
                const HDNetlistOptions& opts, size_t chunk = kHDEdifChunk);

// After resolution: a text attribute that the instance's primitive does not define and
// that is a sized Verilog literal without a sign ("64'h1F", "8'sd200") becomes an integer
// (int when it fits 32 bits, else long), so that a designer's wide value is not read as
// text.
void hdNumberUndeclaredLiterals(HFLFloorplan& design);

// The front end of this format.
extern const HDFrontEnd kHDEdifFrontEnd;
