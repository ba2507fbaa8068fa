// Loading a design file for a command.
#pragma once

#include <memory>
#include <string>

#include "host/design/db/HDesign.h"

// Loads the design; on failure sends every problem as a message and returns null
// (the command then exits 2).
std::unique_ptr<HFLFloorplan> loadDesignOrReport(const std::string& path);
