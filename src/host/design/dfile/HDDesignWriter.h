// Writes a loaded design as a seufit design file: the part by catalogue name, every cell
// with its instances, sites and typed attribute values, and the design's own primitives
// (a netlist's gates). Reading the file back gives the same inventory.
#pragma once

#include <ostream>
#include <string>

#include "host/design/db/HDesign.h"

namespace HDDesignWriter {
// `part`: the catalogue part name, whose library holds the other primitives.
void write(const HFLFloorplan& design, const std::string& part, std::ostream& os);
}  // namespace HDDesignWriter
