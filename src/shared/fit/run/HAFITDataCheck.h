// What the data files hold that would make a result silently wrong, named before it is used.
#pragma once

#include <string>

class HFLFloorplan;

#include "shared/fit/run/HAFITRun.h"

namespace HAFITRun {

// The rate file's reading notes, and what the design's family lacks or holds wrongly: the
// configuration rate (its rows and the device total would vanish), a neutron or
// alpha-particle record of a class the report tables, the temperature record, a rate that
// is not finite or below 0, bounds outside -1 < ll <= 0 <= ul. One error each; false when
// there is any, for the report would drop rows or show a negative figure.
bool checkRateData(const HFLFloorplan& design);

// The data directories as a whole (`seufit data check`): the three XML files read, every
// part of the catalogue loaded with its library, its architecture type supported, its
// family's records complete and sound, the cutoff grid complete on its 1-degree grid of points.
// USAGE after any error; with `strict`, WARNINGS after warnings alone.
Status checkData(bool strict);

// A data directory for a new device like those of family `like`: fit/SoftErrorRate.xml
// with that family's records as placeholders under `archId`, and parts.json with one part.
// Writes only files that do not exist (USAGE otherwise).
struct DataInit {
  std::string dir, like;
  std::string part = "my-part", device = "my-device", archId = "my-family";
  long long configBits = 0;
};
Status initData(const DataInit& d);

// An empty cutoff grid, or one without the point that the flux model looks up (it then
// takes a cutoff of 0). `model` is the model the flux used ("jedec" reads the grid).
void warnCutoffGrid(const char* model, int longitude, int latitude);

}  // namespace HAFITRun
