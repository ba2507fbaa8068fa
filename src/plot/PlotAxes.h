// Scales, tick positions and tick labels of chart axes.
#pragma once

#include <string>
#include <vector>

#include "plot/PlotCanvas.h"

namespace Plot {

// Maps a value range onto a pixel range, linearly or by the logarithm (log needs lo > 0).
struct Scale {
  double lo = 0.0, hi = 1.0;
  bool log = false;
  double p0 = 0.0, p1 = 1.0;
  // The fraction of the way from lo to hi, unclamped.
  double fraction(double v) const;
  double at(double v) const { return p0 + fraction(v) * (p1 - p0); }
};

// Tick values inside [lo, hi] at 1, 2 or 5 times a power of ten, about `wanted` of them.
std::vector<double> linearTicks(double lo, double hi, int wanted = 6);
// Powers of ten inside [lo, hi]; with fewer than three of them the 2 and 5 multiples too,
// and when not even those give three ticks, linear ticks.
std::vector<double> logTicks(double lo, double hi);
std::vector<double> ticksOf(const Scale& s);

// The range a chart shows for data in [lo, hi]: on a log scale from the 1-2-5 step at or
// below lo to the one at or above hi; on a linear one from min(0, lo) to a nice ceiling.
void niceRange(double& lo, double& hi, bool log);

// A tick value as a reader writes it: "0.5", "2", "20000", "1e-05" for the tiny ones.
std::string tickText(double v);
// A figure with `digits` significant digits, without trailing zeros: "123.4", "0.0123".
std::string figureText(double v, int digits = 4);

// Tick marks, labels and light grid lines of a frame's bottom (x) or left (y) axis, and
// the axis title centred along it.
void drawXAxis(Canvas& c, const Rect& frame, const Scale& x, const std::string& title,
               bool grid = true);
void drawYAxis(Canvas& c, const Rect& frame, const Scale& y, const std::string& title,
               bool grid = true);

}  // namespace Plot
