// The charts of a report document: each memory class's FIT with its 90% interval, and,
// when the document breaks the FIT down by hierarchy, the instances that contribute most.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "host/report/HCRRptDoc.h"
#include "plot/PlotCharts.h"

namespace Plot {

struct ReportCharts {
  IntervalPanel classes;  // empty items: the document has no FIT rows
  bool byHierarchy = false;
  BarPanel parts;
};
// Read from the document's "Device Reliability" and "FIT by Hierarchy" tables.
ReportCharts reportCharts(const HCRRptDoc& doc, bool byHierarchy);
// Both panels on the canvas, under `title` (none when empty).
void drawReport(Canvas& c, const std::string& title, const ReportCharts& charts);
// A picture drawn by `draw` as an HTML <figure>: the SVG inline, its ids prefixed with
// `id` so that several pictures can share a page, and the caption; "" when it failed.
std::string figureHtml(int width, int height, const std::function<void(Canvas&)>& draw,
                       const std::string& caption, const std::string& id);
// The charts as an HTML <figure> holding an SVG picture and its caption; "" when the
// document has no FIT rows.
std::string reportFigure(const HCRRptDoc& doc, bool byHierarchy);
// The section of the document the figure belongs at the end of.
const char* reportFigureSection(bool byHierarchy);

}  // namespace Plot
