// Reads a Yosys JSON netlist (write_json, with or without -compat-int) into a design
// assembly. The file is read once, streaming: connections, ports and net names are
// skipped without being built, so memory grows with the cells kept, not with the file.
//  - each module that is not a black box is a cell; an instance keeps its netlist type
//    name (the cell map and name resolution come after);
//  - parameters and attributes merge into one attribute set (a parameter wins), without
//    the tool's bookkeeping attributes (src, keep, hdlname, ...);
//  - `hdlname` gives a flattened cell its hierarchical name, the placement attribute its
//    site;
//  - types that start with '$' and are no module are gates: leaves without memory.
#pragma once

#include <string>
#include <vector>

#include "host/design/load/HDDesignAssembly.h"
#include "host/design/load/HDFrontEnd.h"
#include "host/design/load/HDInput.h"
#include "host/design/load/HDNetlistOptions.h"

class HDYosysReader {
 public:
  HDYosysReader(HDLoadContext& ctx, HDDesignAssembly& design, const HDNetlistOptions& opts)
      : ctx_(ctx), d_(design), opts_(opts) {}

  // Reads the whole file; problems go to the load context. Sets the part (by name, from
  // the options) and the top (from the options or the module marked `top`).
  void read(HDInput& input);

  // True when `text` (the file's first bytes) looks like a Yosys JSON netlist: an object
  // whose first keys include "modules" or "creator".
  static bool looksLike(std::string_view head);

  // Netlist value text as an attribute: binary digits are an unsigned number (exact
  // width, up to 64 bits), digits with x or z are not a number (kind OTHER), text made
  // of those characters carries one trailing blank that is not part of the value.
  static HATAttr valueOf(const std::string& text);

 private:
  HDLoadContext& ctx_;
  HDDesignAssembly& d_;
  const HDNetlistOptions& opts_;
};

// The front end of this format.
extern const HDFrontEnd kHDYosysFrontEnd;
