#include "host/report/HCRRptText.h"
#include "host/report/HCRRptWriter.h"

namespace {
using HCRRptText::xml;

// Every rule is scoped to the report's element, so that a page it is embedded in keeps
// its own look. Greys and weights rather than colours: a printout in greyscale loses
// nothing.
const char* const kStyle =
    R"(.seufit-report { font-family: system-ui, sans-serif; color: #111; max-width: 70rem; margin: 0 auto; padding: 1rem; line-height: 1.4; }
.seufit-report h1 { font-size: 1.6rem; margin: 0 0 0.5rem; }
.seufit-report h2 { font-size: 1.2rem; border-bottom: 2px solid #444; padding-bottom: 0.2rem; margin: 2rem 0 0.8rem; }
.seufit-report dl.items { display: grid; grid-template-columns: max-content 1fr; gap: 0.2rem 1rem; margin: 0; }
.seufit-report dl.items dt { font-weight: bold; }
.seufit-report dl.items dd { margin: 0; overflow-wrap: break-word; }
.seufit-report table { border-collapse: collapse; margin: 0.5rem 0 1rem; font-size: 0.9rem; }
.seufit-report caption { text-align: left; font-weight: bold; padding: 0.3rem 0; }
.seufit-report th, .seufit-report td { border: 1px solid #999; padding: 0.2rem 0.5rem; vertical-align: top; }
.seufit-report thead th { background: #e8e8e8; }
.seufit-report tbody th { text-align: left; font-weight: normal; }
.seufit-report td.num { text-align: right; font-variant-numeric: tabular-nums; white-space: nowrap; }
.seufit-report td.text { overflow-wrap: break-word; }
.seufit-report figure { margin: 1rem 0; }
.seufit-report figure svg { max-width: 100%; height: auto; border: 1px solid #ccc; }
.seufit-report figcaption, .seufit-report p.note { font-size: 0.9rem; color: #333; }
@media print {
  @page { margin: 15mm; }
  .seufit-report { max-width: none; padding: 0; }
  .seufit-report section + section { break-before: page; }
  .seufit-report tr, .seufit-report figure, .seufit-report h2 { break-inside: avoid; }
  .seufit-report h2 { break-after: avoid; }
  .seufit-report thead { display: table-header-group; }
}
)";

void items(std::string& out, const HCRRptWriter::HeaderItems& list) {
  out += "<dl class=\"items\">\n";
  for (const auto& item : list)
    out += "<dt>" + xml(item.first) + "</dt><dd>" + xml(item.second) + "</dd>\n";
  out += "</dl>\n";
}

void table(std::string& out, const HCRRptModel::Table& t) {
  out += "<table>\n";
  if (!t.title.empty()) out += "<caption>" + xml(t.title) + "</caption>\n";
  bool inBody = false;
  for (const auto& row : t.rows) {
    if (row.isHeadingRow()) {
      if (inBody) out += "</tbody>\n";
      inBody = false;
      out += "<thead><tr>";
      for (const auto& c : row.cells) out += "<th scope=\"col\">" + xml(c.text) + "</th>";
      out += "</tr></thead>\n";
      continue;
    }
    if (!inBody) out += "<tbody>\n";
    inBody = true;
    out += "<tr>";
    for (size_t i = 0; i < row.cells.size(); ++i) {
      const HCRRptModel::Cell& c = row.cells[i];
      if (c.kind == HCRRptModel::Cell::NUMBER) {
        out += "<td class=\"num\" data-value=\"" + HCRRptTypes::formatValue(c.value) + "\">" +
               xml(c.display()) + "</td>";
      } else if (i == 0) {
        out += "<th scope=\"row\">" + xml(c.text) + "</th>";
      } else {
        out += "<td class=\"text\">" + xml(c.text) + "</td>";
      }
    }
    out += "</tr>\n";
  }
  if (inBody) out += "</tbody>\n";
  out += "</table>\n";
}
}  // namespace

HCRRptHtmlWriter::HCRRptHtmlWriter(HCRRptDoc& doc, bool fragment)
    : HCRRptWriter(doc), fragment_(fragment) {}

void HCRRptHtmlWriter::addBlock(const std::string& section, const std::string& html) {
  blocks_.emplace_back(section, html);
}

void HCRRptHtmlWriter::renderReport(std::ostream& os) {
  const HCRRptModel::Document& d = document();
  std::string out;
  if (!fragment_) {
    out += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    // Nothing but this file: no script, no other file, no network.
    out +=
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
        "style-src 'unsafe-inline'; img-src data:\">\n";
    out += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    out += "<title>" + xml(d.title) + "</title>\n";
  }
  out += std::string("<style>\n") + kStyle + "</style>\n";
  if (!fragment_) out += "</head>\n<body>\n";
  out += "<div class=\"seufit-report\">\n<header>\n<h1>" + xml(d.title) + "</h1>\n";
  items(out, headerItems());
  out += "</header>\n";
  std::vector<bool> placed(blocks_.size(), false);
  for (size_t s = 0; s < d.sections.size(); ++s) {
    const HCRRptModel::Section& section = d.sections[s];
    out += "<section>\n<h2>" + std::to_string(s + 1) + ". " + xml(section.title) + "</h2>\n";
    for (const auto& t : section.tables) table(out, t);
    for (size_t b = 0; b < blocks_.size(); ++b)
      if (!placed[b] && blocks_[b].first == section.title) {
        out += blocks_[b].second;
        placed[b] = true;
      }
    out += "</section>\n";
  }
  for (size_t b = 0; b < blocks_.size(); ++b)
    if (!placed[b]) out += blocks_[b].second;
  if (!provenanceItems().empty()) {
    out += "<section>\n<h2>Provenance</h2>\n";
    items(out, provenanceItems());
    out += "</section>\n";
  }
  out += "</div>\n";
  if (!fragment_) out += "</body>\n</html>\n";
  os << out;
}
