#include "host/report/HCRRptText.h"
#include "host/report/HCRRptWriter.h"

HCRRptXmlWriter::HCRRptXmlWriter(HCRRptDoc& doc) : HCRRptWriter(doc) {}

void HCRRptXmlWriter::renderReport(std::ostream& os) {
  using HCRRptText::xml;
  const HCRRptModel::Document& d = document();
  // Built whole first: a stream that fails part-way gets nothing half-formed from us.
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<report title=\"" + xml(d.title) + "\">\n";
  out += "  <header>\n";
  for (const auto& item : headerItems())
    out += "    <item label=\"" + xml(item.first) + "\">" + xml(item.second) + "</item>\n";
  out += "  </header>\n";
  if (!provenanceItems().empty()) {
    out += "  <provenance>\n";
    for (const auto& item : provenanceItems())
      out += "    <item label=\"" + xml(item.first) + "\">" + xml(item.second) + "</item>\n";
    out += "  </provenance>\n";
  }
  for (const auto& section : d.sections) {
    out += "  <section title=\"" + xml(section.title) + "\">\n";
    for (const auto& table : section.tables) {
      out += table.title.empty() ? "    <table>\n"
                                 : "    <table title=\"" + xml(table.title) + "\">\n";
      for (const auto& row : table.rows) {
        out += "      <row>";
        for (const auto& cell : row.cells) {
          switch (cell.kind) {
            case HCRRptModel::Cell::HEADING:
              out += "<heading>" + xml(cell.text) + "</heading>";
              break;
            case HCRRptModel::Cell::TEXT:
              out += "<text>" + xml(cell.text) + "</text>";
              break;
            case HCRRptModel::Cell::NUMBER:
              out += "<number precision=\"" + std::to_string(cell.precision) + "\" value=\"" +
                     HCRRptTypes::formatValue(cell.value) + "\">" + cell.display() + "</number>";
              break;
          }
        }
        out += "</row>\n";
      }
      out += "    </table>\n";
    }
    out += "  </section>\n";
  }
  out += "</report>\n";
  os << out;
}
