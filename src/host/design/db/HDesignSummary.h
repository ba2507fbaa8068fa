// Figures of a loaded design for `seufit check` and similar listings, and the device
// family an architecture type belongs to.
#pragma once

#include <cstdint>
#include <string>

#include "host/design/db/HDesign.h"

struct HDDesignSummary {
  uint64_t cells = 0;             // cell definitions (each counted once)
  uint64_t primitives = 0;        // primitives the design can use (its own and its library's)
  uint64_t definedInstances = 0;  // instances written in cell definitions
  // Below the top, one per place in the hierarchy; black boxes and primitives are not
  // entered. Saturates at UINT64_MAX (then `saturated`).
  uint64_t occurrences = 0;
  uint64_t leaves = 0;                             // occurrences of primitives and black boxes
  uint64_t ramb = 0, fifo = 0, yram = 0, hbm = 0;  // primitive occurrences by class
  bool saturated = false;
};

HDDesignSummary HDSummarizeDesign(const HFLFloorplan& design);
