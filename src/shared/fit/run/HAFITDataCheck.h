// What the data files hold that would make a result silently wrong, named before it is used.
#pragma once

#include <string>

class HFLFloorplan;

// The rate file's reading notes, and the records the design's family lacks: the
// configuration rate (its rows and the device total would vanish), an alpha-particle
// record of a class the report tables, the temperature record.
namespace HAFITRun {

void warnRateData(const HFLFloorplan& design);

// An empty cutoff grid, or one without the point that the flux model looks up (it then
// takes a cutoff of 0). `model` is the model the flux used ("jedec" reads the grid).
void warnCutoffGrid(const char* model, int longitude, int latitude);

}  // namespace HAFITRun
