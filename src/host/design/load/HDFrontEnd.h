// One design format the host reads: a declaration per front end, tried in order by the
// load pipeline (host/design/HDLoad.h), which does the rest the same way for all of them.
#pragma once

#include <string_view>

#include "host/design/load/HDDesignAssembly.h"
#include "host/design/load/HDInput.h"
#include "host/design/load/HDNetlistOptions.h"

struct HDFrontEnd {
  const char* name;  // "seufit design file", "Yosys JSON netlist", "EDIF netlist"
  // A netlist names no part and uses its own cell names: it takes the netlist options
  // (part, top, cell map, site attribute) and its leaf values are typed after resolution.
  bool netlist;
  // Whether the input's first bytes are of this format.
  bool (*detect)(std::string_view head);
  // Reads the input into the assembly; problems go to the context.
  void (*read)(HDInput& input, HDLoadContext& ctx, HDDesignAssembly& design,
               const HDNetlistOptions& options);
};
