// What a netlist front end needs beyond the netlist itself: netlists name no part, may
// hold several candidate tops, and use their own names for library cells.
#pragma once

#include <string>

struct HDNetlistOptions {
  std::string part;     // catalogue part name (parts.json); required for a netlist
  std::string top;      // top module; empty: the netlist's own choice
  std::string mapFile;  // cell-type map (JSON); empty: types name catalogue primitives
  std::string siteAttribute = "NEXTPNR_BEL";  // attribute that places an instance on a site
};
