#include "plot/PlotCharts.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "plot/PlotAxes.h"

namespace Plot {

namespace {
// Nine evenly spaced stops of a perceptually uniform blue-violet to yellow map.
constexpr unsigned char kStops[][3] = {{68, 1, 84},    {72, 40, 120},  {62, 73, 137},
                                       {49, 104, 142}, {38, 130, 142}, {31, 158, 137},
                                       {53, 183, 121}, {110, 206, 88}, {253, 231, 37}};
constexpr int kStopCount = sizeof kStops / sizeof kStops[0];

const TextStyle kLabel{11.0, false, kInk, 0.0, false};
const TextStyle kHeading{13.0, true, kInk, 0.0, false};
constexpr Rgb kLine{0.12, 0.39, 0.67};
constexpr Rgb kRoute{0.93, 0.17, 0.27};
constexpr Rgb kRange{0.45, 0.62, 0.80};

std::string degrees(int v, const char* positive, const char* negative) {
  if (v == 0) return "0\u00b0";
  return std::to_string(std::abs(v)) + "\u00b0" + (v > 0 ? positive : negative);
}

void minMax(const std::vector<double>& values, double& lo, double& hi) {
  lo = std::numeric_limits<double>::infinity();
  hi = -lo;
  for (double v : values)
    if (std::isfinite(v)) {
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  if (!(lo <= hi)) lo = hi = 1.0;
}

// A degenerate range widened so that a scale can be drawn.
void widen(double& lo, double& hi, bool log) {
  if (hi > lo) return;
  if (log) {
    lo /= 1.25;
    hi *= 1.25;
  } else {
    const double d = lo == 0.0 ? 1.0 : std::fabs(lo) * 0.25;
    lo -= d;
    hi += d;
  }
}

// The name cut from the front, with an ellipsis, until it fits `width`.
std::string fitFromEnd(Canvas& c, const std::string& name, const TextStyle& style, double width) {
  if (c.textWidth(name, style) <= width) return name;
  std::string ellipsis = "\u2026";
  for (size_t cut = 1; cut < name.size(); ++cut) {
    if ((static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) continue;  // inside a character
    std::string s = ellipsis + name.substr(cut);
    if (c.textWidth(s, style) <= width) return s;
  }
  return ellipsis;
}

void drawColourBar(Canvas& c, const Rect& bar, const Scale& scale, const std::string& label) {
  constexpr int kSteps = 96;
  for (int i = 0; i < kSteps; ++i) {
    const double y0 = bar.bottom() - bar.h * (i + 1) / kSteps;
    // Slight overlap: no hairline gaps between the steps in vector output.
    c.fillRect({bar.x, y0, bar.w, bar.h / kSteps + 0.5}, colourAt((i + 0.5) / kSteps));
  }
  c.strokeRect(bar, kInk, 0.8);
  double widest = 0.0;
  const auto tick = [&](double y, const std::string& text) {
    c.line(bar.right(), y, bar.right() + 4, y, kInk, 1.0);
    widest = std::max(widest, c.textWidth(text, kLabel));
    c.text(bar.right() + 7, y, text, kLabel, {0.0, 0.5});
  };
  // Both ends say the values they stand for; ticks too close to them give way.
  const double clearance = kLabel.size * 1.2;
  for (double t : ticksOf(scale)) {
    const double y = scale.at(t);
    if (std::fabs(y - scale.at(scale.lo)) >= clearance &&
        std::fabs(y - scale.at(scale.hi)) >= clearance)
      tick(y, tickText(t));
  }
  for (const auto& [v, what] :
       {std::pair<double, const char*>{scale.lo, " min"}, {scale.hi, " max"}}) {
    char text[48];
    std::snprintf(text, sizeof text, "%.3g", v);
    tick(scale.at(v), text + std::string(what));
  }
  TextStyle rotated = kLabel;
  rotated.size = 12.0;
  rotated.angle = -M_PI / 2;
  c.text(bar.right() + widest + 14, bar.y + bar.h / 2, label, rotated, {0.5, 1.0});
}

void drawRoutes(Canvas& c, const Rect& frame, const MapView& view) {
  cairo_t* cr = c.cr();
  const auto px = [&](double lon) { return frame.x + (lon + 180.0) / 360.0 * frame.w; };
  const auto py = [&](double lat) { return frame.y + (90.0 - lat) / 180.0 * frame.h; };
  cairo_save(cr);
  cairo_rectangle(cr, frame.x, frame.y, frame.w, frame.h);
  cairo_clip(cr);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  for (const auto& route : view.routes) {
    cairo_new_path(cr);
    for (size_t i = 0; i < route.size(); ++i) {
      const double lon = route[i].first, lat = route[i].second;
      if (i == 0) {
        cairo_move_to(cr, px(lon), py(lat));
        continue;
      }
      const auto& prev = route[i - 1];
      if (std::fabs(lon - prev.first) > 180.0) {
        // Leave through one edge of the map and come back through the other.
        const double wrap = lon < prev.first ? 360.0 : -360.0;
        cairo_line_to(cr, px(lon + wrap), py(lat));
        cairo_move_to(cr, px(prev.first - wrap), py(prev.second));
      }
      cairo_line_to(cr, px(lon), py(lat));
    }
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    cairo_set_line_width(cr, 4.5);
    cairo_stroke_preserve(cr);
    cairo_set_source_rgb(cr, kRoute.r, kRoute.g, kRoute.b);
    cairo_set_line_width(cr, 2.5);
    cairo_stroke(cr);
    // A single point (a fixed place) shows as a dot.
    if (route.size() == 1) {
      cairo_arc(cr, px(route[0].first), py(route[0].second), 4.0, 0, 2 * M_PI);
      cairo_set_source_rgb(cr, kRoute.r, kRoute.g, kRoute.b);
      cairo_fill(cr);
    }
  }
  cairo_restore(cr);
}

void drawPlaces(Canvas& c, const Rect& frame, const std::vector<MapPlace>& places) {
  cairo_t* cr = c.cr();
  TextStyle style = kLabel;
  style.colour = kWhite;
  style.halo = true;
  for (const MapPlace& p : places) {
    const double x = frame.x + (p.longitude + 180.0) / 360.0 * frame.w;
    const double y = frame.y + (90.0 - p.latitude) / 180.0 * frame.h;
    cairo_arc(cr, x, y, 3.2, 0, 2 * M_PI);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    const Align align{p.dx < 0 ? 1.0 : p.dx > 0 ? 0.0 : 0.5, p.dy < 0 ? 1.0 : p.dy > 0 ? 0.0 : 0.5};
    c.text(x + 6.0 * p.dx, y + 6.0 * p.dy, p.name, style, align);
  }
}
}  // namespace

Rgb colourAt(double t) {
  t = std::clamp(std::isfinite(t) ? t : 0.0, 0.0, 1.0);
  const double pos = t * (kStopCount - 1);
  const int i = std::min(static_cast<int>(pos), kStopCount - 2);
  const double f = pos - i;
  const auto mix = [&](int k) { return ((1 - f) * kStops[i][k] + f * kStops[i + 1][k]) / 255.0; };
  return {mix(0), mix(1), mix(2)};
}

void drawTitle(Canvas& c, const std::string& title) {
  TextStyle style = kHeading;
  style.size = 15.0;
  c.text(c.width() / 2.0, 12, title, style, {0.5, 0.0});
}

void drawMap(Canvas& c, const MapView& view) {
  drawTitle(c, view.title);
  const bool legend = !view.routes.empty() && !view.routeLabel.empty();
  const double top = 40, left = 52, right = 120, bottom = legend ? 56 : 34;
  double w = c.width() - left - right, h = c.height() - top - bottom;
  w = std::max(10.0, std::min(w, 2 * h));
  h = w / 2;
  const Rect frame{left + (c.width() - left - right - w) / 2, top, w, h};

  double lo, hi;
  minMax(view.values, lo, hi);
  const bool log = lo > 0.0;
  widen(lo, hi, log);
  const Scale colour{lo, hi, log, 0, 1};

  // One pixel per grid point, scaled up without smoothing: each point is a cell.
  if (view.columns > 1 && view.rows > 1 &&
      view.values.size() == static_cast<size_t>(view.columns) * view.rows) {
    cairo_surface_t* img = cairo_image_surface_create(CAIRO_FORMAT_RGB24, view.columns, view.rows);
    cairo_surface_flush(img);
    unsigned char* data = cairo_image_surface_get_data(img);
    const int stride = cairo_image_surface_get_stride(img);
    for (int row = 0; row < view.rows; ++row)
      for (int col = 0; col < view.columns; ++col) {
        const size_t at = static_cast<size_t>(row) * view.columns + col;
        const Rgb rgb = colourAt(colour.fraction(view.values[at]));
        auto* px = reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(view.rows - 1 - row) *
                                                          stride) +
                   col;
        *px = (static_cast<uint32_t>(std::lround(rgb.r * 255)) << 16) |
              (static_cast<uint32_t>(std::lround(rgb.g * 255)) << 8) |
              static_cast<uint32_t>(std::lround(rgb.b * 255));
      }
    cairo_surface_mark_dirty(img);
    cairo_t* cr = c.cr();
    cairo_save(cr);
    cairo_rectangle(cr, frame.x, frame.y, frame.w, frame.h);
    cairo_clip(cr);
    const double sx = frame.w / (view.columns - 1), sy = frame.h / (view.rows - 1);
    cairo_translate(cr, frame.x - sx / 2, frame.y - sy / 2);
    cairo_scale(cr, sx, sy);
    cairo_set_source_surface(cr, img, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_destroy(img);
  }

  // Graticule every 30 degrees.
  for (int lon = -180; lon <= 180; lon += 30) {
    const double x = frame.x + (lon + 180) / 360.0 * frame.w;
    c.line(x, frame.y, x, frame.bottom(), {0.95, 0.95, 0.95}, 0.6);
    c.line(x, frame.bottom(), x, frame.bottom() + 4, kInk, 1.0);
    c.text(x, frame.bottom() + 7, degrees(lon, "E", "W"), kLabel, {0.5, 0.0});
  }
  for (int lat = -90; lat <= 90; lat += 30) {
    const double y = frame.y + (90 - lat) / 180.0 * frame.h;
    c.line(frame.x, y, frame.right(), y, {0.95, 0.95, 0.95}, 0.6);
    c.line(frame.x - 4, y, frame.x, y, kInk, 1.0);
    c.text(frame.x - 7, y, degrees(lat, "N", "S"), kLabel, {1.0, 0.5});
  }
  c.strokeRect(frame, kInk, 1.0);

  drawRoutes(c, frame, view);
  drawPlaces(c, frame, view.places);

  if (legend) {
    const double y = frame.bottom() + 38;
    c.line(frame.x, y, frame.x + 28, y, {0.1, 0.1, 0.1}, 4.5);
    c.line(frame.x, y, frame.x + 28, y, kRoute, 2.5);
    c.text(frame.x + 36, y, view.routeLabel, kLabel, {0.0, 0.5});
  }

  const Rect bar{frame.right() + 18, frame.y, 16, frame.h};
  const Scale barScale{lo, hi, log, bar.bottom(), bar.y};
  drawColourBar(c, bar, barScale, view.colourLabel + (log ? " (log)" : ""));
}

void drawLines(Canvas& c, const LineView& view) {
  drawTitle(c, view.title);
  const Rect frame{78, 44, c.width() - 78 - 32.0, c.height() - 44 - 58.0};
  double xlo, xhi, ylo, yhi;
  minMax(view.x, xlo, xhi);
  minMax(view.y, ylo, yhi);
  widen(xlo, xhi, false);
  const bool log = view.yLog && ylo > 0.0;
  widen(ylo, yhi, log);
  niceRange(ylo, yhi, log);
  const Scale x{xlo, xhi, false, frame.x, frame.right()};
  const Scale y{ylo, yhi, log, frame.bottom(), frame.y};
  drawXAxis(c, frame, x, view.xLabel);
  drawYAxis(c, frame, y, view.yLabel + (log ? " (log scale)" : ""));

  cairo_t* cr = c.cr();
  cairo_save(cr);
  cairo_rectangle(cr, frame.x, frame.y, frame.w, frame.h);
  cairo_clip(cr);
  cairo_new_path(cr);
  for (size_t i = 0; i < view.x.size() && i < view.y.size(); ++i)
    cairo_line_to(cr, x.at(view.x[i]), y.at(view.y[i]));
  cairo_set_source_rgb(cr, kLine.r, kLine.g, kLine.b);
  cairo_set_line_width(cr, 2.2);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_stroke(cr);
  cairo_restore(cr);

  for (const VerticalMark& m : view.marks) {
    const double px = x.at(m.x);
    c.line(px, frame.y, px, frame.bottom(), kGrey, 1.4, true);
    c.text(px - 7, frame.y + 10, m.left, kLabel, {1.0, 0.0});
    c.text(px + 7, frame.y + 10, m.right, kLabel, {0.0, 0.0});
    c.text(px + 7, frame.y + 26, m.note, kLabel, {0.0, 0.0});
  }
  c.strokeRect(frame, kInk, 1.0);
}

void drawIntervals(Canvas& c, const Rect& area, const IntervalPanel& panel) {
  c.text(area.x, area.y, panel.title, kHeading, {0.0, 0.0});
  double widestName = 0.0, widestNote = 0.0;
  std::vector<std::string> notes;
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  bool negative = false;
  for (const Interval& it : panel.items) {
    widestName = std::max(widestName, c.textWidth(it.name, kLabel));
    notes.push_back(!it.note.empty() ? it.note
                                     : figureText(it.value) + "  [" + figureText(it.lo) + ", " +
                                           figureText(it.hi) + "]");
    widestNote = std::max(widestNote, c.textWidth(notes.back(), kLabel));
    // A class at 0 (no bits) keeps the others on a log scale: it is drawn at the axis.
    for (double v : {it.lo, it.value, it.hi})
      if (v > 0.0) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
      }
    if (it.lo <= 0.0 && !(it.lo == 0.0 && it.value == 0.0 && it.hi == 0.0)) negative = true;
  }
  if (!(lo <= hi)) lo = hi = 1.0;
  const bool log = !negative && hi / lo > 20.0;
  if (!log)
    for (const Interval& it : panel.items) lo = std::min({lo, it.lo, it.value});
  widen(lo, hi, log);
  niceRange(lo, hi, log);
  const double left = area.x + std::min(widestName + 14, area.w * 0.35);
  const double right = area.right() - widestNote - 16;
  const Rect frame{left, area.y + 24, std::max(10.0, right - left), area.h - 24 - 48};
  const Scale x{lo, hi, log, frame.x, frame.right()};
  drawXAxis(c, frame, x, panel.axisLabel + (log ? " (log scale)" : ""));
  const double rowH = frame.h / static_cast<double>(std::max<size_t>(1, panel.items.size()));
  for (size_t i = 0; i < panel.items.size(); ++i) {
    const Interval& it = panel.items[i];
    const double y = frame.y + rowH * (static_cast<double>(i) + 0.5);
    c.text(frame.x - 8, y, fitFromEnd(c, it.name, kLabel, frame.x - area.x - 8), kLabel,
           {1.0, 0.5});
    const double x0 = x.at(std::max(it.lo, lo)), x1 = x.at(std::max(it.hi, lo)),
                 xv = x.at(std::max(it.value, lo));
    const double cap = std::min(8.0, rowH * 0.3);
    c.fillRect({x0, y - cap / 2, std::max(1.0, x1 - x0), cap}, kRange);
    c.line(x0, y - cap, x0, y + cap, kInk, 1.2);
    c.line(x1, y - cap, x1, y + cap, kInk, 1.2);
    cairo_t* cr = c.cr();
    cairo_arc(cr, xv, y, 4.5, 0, 2 * M_PI);
    cairo_set_source_rgb(cr, kLine.r * 0.6, kLine.g * 0.6, kLine.b * 0.6);
    cairo_fill(cr);
    c.text(frame.right() + 10, y, notes[i], kLabel, {0.0, 0.5});
  }
  c.strokeRect(frame, kInk, 1.0);
  // Legend: what the dot and the bar are.
  const double ly = area.y + 6;
  double lx = area.right() - c.textWidth(panel.rangeName, kLabel);
  c.text(lx, ly, panel.rangeName, kLabel, {0.0, 0.5});
  lx -= 30;
  c.fillRect({lx, ly - 3, 22, 6}, kRange);
  lx -= 70;
  c.text(lx + 12, ly, "nominal", kLabel, {0.0, 0.5});
  cairo_arc(c.cr(), lx + 4, ly, 4.5, 0, 2 * M_PI);
  cairo_set_source_rgb(c.cr(), kLine.r * 0.6, kLine.g * 0.6, kLine.b * 0.6);
  cairo_fill(c.cr());
}

void drawBars(Canvas& c, const Rect& area, const BarPanel& panel) {
  c.text(area.x, area.y, panel.title, kHeading, {0.0, 0.0});
  double widestName = 0.0, widestNote = 0.0, hi = 0.0;
  std::vector<std::string> notes;
  for (const Bar& b : panel.bars) {
    widestName = std::max(widestName, c.textWidth(b.name, kLabel));
    notes.push_back(b.note.empty() ? figureText(b.value) : b.note);
    widestNote = std::max(widestNote, c.textWidth(notes.back(), kLabel));
    if (std::isfinite(b.value)) hi = std::max(hi, b.value);
  }
  double lo = 0.0;
  niceRange(lo, hi, false);
  const double left = area.x + std::min(widestName + 14, area.w * 0.4);
  const Rect frame{left, area.y + 24, std::max(10.0, area.right() - widestNote - 14 - left),
                   area.h - 24 - 48};
  const Scale x{lo, hi, false, frame.x, frame.right()};
  drawXAxis(c, frame, x, panel.axisLabel);
  const double rowH = frame.h / static_cast<double>(std::max<size_t>(1, panel.bars.size()));
  for (size_t i = 0; i < panel.bars.size(); ++i) {
    const Bar& b = panel.bars[i];
    const double y = frame.y + rowH * (static_cast<double>(i) + 0.5);
    c.text(frame.x - 8, y, fitFromEnd(c, b.name, kLabel, frame.x - area.x - 8), kLabel, {1.0, 0.5});
    const double end = x.at(std::max(0.0, std::isfinite(b.value) ? b.value : 0.0));
    c.fillRect({frame.x, y - rowH * 0.35, end - frame.x, rowH * 0.7}, b.muted ? kGrey : kLine);
    c.text(end + 6, y, notes[i], kLabel, {0.0, 0.5});
  }
  c.strokeRect(frame, kInk, 1.0);
}

}  // namespace Plot
