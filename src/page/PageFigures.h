// The figures of a report's HTML page beyond its document's tables: the FIT chart, and
// either the flux by altitude at the report's place (the place marked) or a mission
// profile's segments and route on the flux map at its highest altitude. What the analysis
// computes, drawn by the plot library; both front doors add them the same way.
#pragma once

#include <vector>

#include "plot/PlotCharts.h"
#include "shared/fit/base/HAFITMission.h"
#include "shared/fit/run/HAFITRun.h"

namespace Page {

// Adds the figures to an analysed report (nothing when it has no result).
void addFigures(HAFITRun::Report& report, const HAFITRun::Request& request,
                const HAFITRun::Mission& mission);

// Places a reader finds their way by on a world map.
const std::vector<Plot::MapPlace>& mapPlaces();
// A profile's segments as lines and points on a map, each piece drawn once.
void addRoutes(const HAFITMission::Profile& profile, Plot::MapView& view);

}  // namespace Page
