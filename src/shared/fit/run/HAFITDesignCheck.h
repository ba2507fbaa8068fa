// Values of a loaded design that the analysis reads without complaint but that make its
// result silently wrong: named before the analysis runs.
#pragma once

#include <string>
#include <vector>

#include "shared/fit/base/HAFITFloorplan.h"
#include "shared/fit/base/HAFITNotAnalysed.h"

class HFLFloorplan;

// Warns about memory blocks whose widths count 0 bits or read as 0, units constraints of
// an unknown unit, a part whose architecture id and type name different families, and a
// part without configuration bits (when `configMemory`: the command counts it). Sends an error and
// returns false for a negative SEU_PROTECTED (a block would expose more bits than it holds): the
// command then stops. Each cell definition is looked at once; an instance is named by its first
// occurrence.
namespace HAFITRun {

bool checkDesignValues(HFLFloorplan& design, bool configMemory);

// False, after an error naming the supported architecture types, when no family of the
// report covers the design's part (`path` names the design).
bool checkSupported(const std::string& path, const HFLFloorplan& design);

// Warns about each total of a walked floorplan that stopped at its 32-bit limit.
void warnSaturatedTotals(const std::vector<HAFITFloorplan::SaturatedTotal>& totals);

// One warning for each kind of memory the analysis meets and does not count, with its
// count and bits where known.
void warnNotAnalysed(const std::vector<HAFITNotAnalysed::Item>& items, const std::string& family);
// The memories of a design the analysis would not count (none for an unsupported device).
std::vector<HAFITNotAnalysed::Item> notAnalysed(HFLFloorplan& design, std::string& family);

// "meters", or "feet" with the units constraint's text: the unit of --altitude.
std::string altitudeUnitText(const HFLFloorplan& design);

}  // namespace HAFITRun
