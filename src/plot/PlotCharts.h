// The charts: a world colour map, a line chart, interval and bar panels. Each takes plain
// numbers and texts; what they mean is the caller's business.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "plot/PlotCanvas.h"

namespace Plot {

// A perceptual colour map (dark blue-violet to yellow) at t in [0, 1], clamped.
Rgb colourAt(double t);

// The picture's title, centred at the top.
void drawTitle(Canvas& c, const std::string& title);

// A place on the map; its label goes to the side (dx, dy) in {-1, 0, 1} points to,
// y down (dy = -1 is above the marker).
struct MapPlace {
  std::string name;
  double longitude, latitude;
  int dx = 1, dy = 0;
};
struct MapView {
  std::string title;
  // values[row * columns + column] at longitude -180 + 360 * column / (columns - 1) and
  // latitude -90 + 180 * row / (rows - 1): row 0 is the south pole.
  int columns = 0, rows = 0;
  std::vector<double> values;
  std::string colourLabel;
  std::vector<MapPlace> places;
  // Polylines of (longitude, latitude) points; a jump of more than 180 degrees of
  // longitude is drawn as a crossing of the date line.
  std::vector<std::vector<std::pair<double, double>>> routes;
  std::string routeLabel;
};
// On an equirectangular frame with a graticule every 30 degrees and a colour bar. The
// colour scale is logarithmic when every value is above 0, linear otherwise.
void drawMap(Canvas& c, const MapView& view);

// A dashed vertical line at x with a label on either side of it and a note below the
// right one.
struct VerticalMark {
  double x;
  std::string left, right, note;
};
struct LineView {
  std::string title;
  std::vector<double> x, y;  // the same number of points, x increasing
  std::string xLabel, yLabel;
  bool yLog = true;  // needs every y above 0
  std::vector<VerticalMark> marks;
};
void drawLines(Canvas& c, const LineView& view);

// A figure with its range: a dot at the value, a bar from lo to hi.
struct Interval {
  std::string name;
  double value, lo, hi;
  std::string note;  // beside the bar; by default "value  [lo, hi]"
};
struct IntervalPanel {
  std::string title, axisLabel;
  std::string rangeName;  // what the bar is, for the legend: "90% interval"
  std::vector<Interval> items;
};
// Log scale when every lo is above 0 and the figures span more than a factor of 20.
void drawIntervals(Canvas& c, const Rect& area, const IntervalPanel& panel);

struct Bar {
  std::string name;
  double value;
  std::string note;    // at the bar's end; by default the value
  bool muted = false;  // a reference bar (a total), drawn grey
};
struct BarPanel {
  std::string title, axisLabel;
  std::vector<Bar> bars;  // drawn top to bottom in this order
};
// Horizontal bars from 0; a name too long for the margin keeps its end.
void drawBars(Canvas& c, const Rect& area, const BarPanel& panel);

}  // namespace Plot
