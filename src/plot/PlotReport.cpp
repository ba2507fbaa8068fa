#include "plot/PlotReport.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <sstream>

#include "host/report/HCRRptText.h"

namespace Plot {
namespace {
// Instances a hierarchy panel shows at most, after the whole design.
constexpr size_t kMaxBars = 12;

using Table = HCRRptModel::Table;
using Cell = HCRRptModel::Cell;

const Table* tableOf(const HCRRptDoc& doc, const std::string& section) {
  for (const auto& s : doc.sections())
    if (s.title == section && !s.tables.empty()) return &s.tables.front();
  return nullptr;
}

// The column of a heading, or -1.
int columnOf(const Table& table, const std::string& heading) {
  for (const auto& row : table.rows) {
    if (!row.isHeadingRow()) continue;
    for (size_t c = 0; c < row.cells.size(); ++c)
      if (row.cells[c].text == heading) return static_cast<int>(c);
  }
  return -1;
}

bool isNumber(const HCRRptModel::Row& row, size_t column) {
  return column < row.cells.size() && row.cells[column].kind == Cell::NUMBER;
}

// Each class's FIT row: the interval columns "90% CI LL", "Nominal", "90% CI UL".
std::vector<Plot::Interval> classIntervals(const Table& table) {
  constexpr size_t kLower = 4, kNominal = 5, kUpper = 6;
  const std::string suffix = " FIT";
  std::vector<Plot::Interval> out;
  for (const auto& row : table.rows) {
    if (row.cells.empty() || row.cells[0].kind != Cell::TEXT || !isNumber(row, kUpper) ||
        !isNumber(row, kLower) || !isNumber(row, kNominal))
      continue;
    const std::string& name = row.cells[0].text;
    if (name.size() <= suffix.size() ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
      continue;
    out.push_back({name.substr(0, name.size() - suffix.size()), row.cells[kNominal].value,
                   row.cells[kLower].value, row.cells[kUpper].value,
                   row.cells[kNominal].display() + "  [" + row.cells[kLower].display() + ", " +
                       row.cells[kUpper].display() + "]"});
  }
  return out;
}

// The whole design, then the instances in the report's order (largest FIT first).
// The whole design, then its instances in the report's order (largest FIT first), its own
// leaf memories (those of no instance) as one bar among them; `more` counts the instances
// left out.
std::vector<Plot::Bar> hierarchyBars(const Table& table, size_t& more) {
  const int fit = columnOf(table, "Nominal FIT"), share = columnOf(table, "Share (%)"),
            depth = columnOf(table, "Depth");
  std::vector<Plot::Bar> out;
  more = 0;
  if (fit < 0 || share < 0) return out;
  double whole = 0.0, children = 0.0;
  std::string top;
  std::vector<Plot::Bar> parts;
  for (const auto& row : table.rows) {
    if (row.isHeadingRow() || row.cells.empty() || !isNumber(row, static_cast<size_t>(fit)) ||
        !isNumber(row, static_cast<size_t>(share)))
      continue;
    const Cell& f = row.cells[static_cast<size_t>(fit)];
    const Cell& s = row.cells[static_cast<size_t>(share)];
    if (out.empty()) {
      top = row.cells[0].text;
      whole = f.value;
      out.push_back(
          {top + " (whole design)", f.value, f.display() + "  (" + s.display() + "%)", true});
      continue;
    }
    if (depth >= 0 && isNumber(row, static_cast<size_t>(depth)) &&
        row.cells[static_cast<size_t>(depth)].value == 1.0)
      children += f.value;
    parts.push_back({row.cells[0].text, f.value, f.display() + "  (" + s.display() + "%)", false});
  }
  // What the top's own leaves hold: the whole less its instances (figures rounded as shown).
  const double own = whole - children;
  if (depth >= 0 && own > whole * 1e-6) {
    char note[64];
    std::snprintf(note, sizeof note, "%.4g  (%.3g%%)", own, 100.0 * own / whole);
    parts.push_back({top + ": own leaf memories", own, note, false});
    std::stable_sort(parts.begin(), parts.end(),
                     [](const Plot::Bar& a, const Plot::Bar& b) { return a.value > b.value; });
  }
  if (parts.size() > kMaxBars) {
    more = parts.size() - kMaxBars;
    parts.resize(kMaxBars);
  }
  out.insert(out.end(), parts.begin(), parts.end());
  return out;
}

}  // namespace

ReportCharts reportCharts(const HCRRptDoc& doc, bool byHierarchy) {
  ReportCharts out;
  if (const Table* t = tableOf(doc, "Device Reliability")) out.classes.items = classIntervals(*t);
  out.classes.title = "Device FIT by memory class";
  out.classes.axisLabel = "FIT (failures in 10^9 device hours)";
  out.classes.rangeName = "90% interval";
  out.byHierarchy = byHierarchy;
  if (byHierarchy) {
    size_t more = 0;
    if (const Table* t = tableOf(doc, "FIT by Hierarchy")) out.parts.bars = hierarchyBars(*t, more);
    out.parts.title = "Memory FIT by instance, largest first (configuration memory not included)";
    if (more > 0) out.parts.title += "; +" + std::to_string(more) + " more not shown";
    out.parts.axisLabel = "nominal FIT";
  }
  return out;
}

void drawReport(Canvas& c, const std::string& title, const ReportCharts& charts) {
  if (!title.empty()) drawTitle(c, title);
  const double margin = 16, top = title.empty() ? 8 : 40;
  const Rect all{margin, top, c.width() - 2 * margin, c.height() - top - 4};
  if (!charts.byHierarchy) {
    drawIntervals(c, all, charts.classes);
    return;
  }
  // Rows share the height; each panel keeps room for its heading and axis.
  const double fixed = 72;
  const double rows = static_cast<double>(charts.classes.items.size() +
                                          std::max<size_t>(1, charts.parts.bars.size()));
  const double upper =
      fixed + (all.h - 2 * fixed) * static_cast<double>(charts.classes.items.size()) / rows;
  drawIntervals(c, {all.x, all.y, all.w, upper}, charts.classes);
  drawBars(c, {all.x, all.y + upper + 8, all.w, all.h - upper - 8}, charts.parts);
}

std::string figureHtml(int width, int height, const std::function<void(Canvas&)>& draw,
                       const std::string& caption, const std::string& id) {
  std::ostringstream svg;
  {
    Canvas c(Format::SVG, width, height, svg);
    draw(c);
    if (!c.finish()) return "";
  }
  std::string text = svg.str();
  // The XML declaration has no place inside an HTML page.
  if (text.compare(0, 5, "<?xml") == 0) text.erase(0, text.find('\n') + 1);
  // Each picture's ids (clip paths, images) apart from every other picture's on the page.
  std::string out;
  out.reserve(text.size() + 1024);
  for (size_t i = 0; i < text.size();) {
    bool hit = false;
    for (const char* key : {"id=\"", "url(#", "href=\"#"}) {
      const size_t n = std::char_traits<char>::length(key);
      if (text.compare(i, n, key) == 0) {
        out.append(key).append(id).append("-");
        i += n;
        hit = true;
        break;
      }
    }
    if (!hit) out += text[i++];
  }
  return "<figure>\n" + out + "<figcaption>" + HCRRptText::xml(caption) +
         "</figcaption>\n</figure>\n";
}

std::string reportFigure(const HCRRptDoc& doc, bool byHierarchy) {
  const ReportCharts charts = reportCharts(doc, byHierarchy);
  if (charts.classes.items.empty()) return "";
  // A height that gives every row of both panels its room.
  const size_t rows = charts.classes.items.size() + (byHierarchy ? charts.parts.bars.size() : 0);
  const int height =
      static_cast<int>(std::max<size_t>(260, 110 + 26 * rows + (byHierarchy ? 110 : 0)));
  return figureHtml(
      1000, height, [&](Canvas& c) { drawReport(c, "", charts); },
      std::string("Each memory class's nominal FIT (dot) and its 90% interval (bar)") +
          (byHierarchy ? "; below, the instances whose memories contribute most, and the "
                         "design's own leaf memories."
                       : "."),
      "fit");
}

}  // namespace Plot

namespace Plot {
const char* reportFigureSection(bool byHierarchy) {
  return byHierarchy ? "FIT by Hierarchy" : "Device Reliability";
}
}  // namespace Plot
