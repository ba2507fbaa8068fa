#include "host/report/HCRRptWriter.h"
#include "host/str/HSTJson.h"

namespace {
std::string items(const HCRRptWriter::HeaderItems& list, const char* indent) {
  std::string out = "[";
  for (size_t i = 0; i < list.size(); ++i) {
    out += i ? ",\n" : "\n";
    out += std::string(indent) + "  {\"label\": " + HSTJson::quote(list[i].first) +
           ", \"value\": " + HSTJson::quote(list[i].second) + "}";
  }
  out += list.empty() ? "]" : "\n" + std::string(indent) + "]";
  return out;
}

std::string cell(const HCRRptModel::Cell& c) {
  switch (c.kind) {
    case HCRRptModel::Cell::HEADING:
      return "{\"kind\": \"heading\", \"text\": " + HSTJson::quote(c.text) + "}";
    case HCRRptModel::Cell::TEXT:
      return "{\"kind\": \"text\", \"text\": " + HSTJson::quote(c.text) + "}";
    case HCRRptModel::Cell::NUMBER:
      break;
  }
  // JSON has no NaN or infinity; the displayed text still says which it was.
  return "{\"kind\": \"number\", \"text\": " + HSTJson::quote(c.display()) +
         ", \"precision\": " + std::to_string(c.precision) +
         ", \"value\": " + HSTJson::number(c.value) + "}";
}
}  // namespace

HCRRptJsonWriter::HCRRptJsonWriter(HCRRptDoc& doc) : HCRRptWriter(doc) {}

void HCRRptJsonWriter::addMember(const std::string& key, const std::string& json) {
  members_.emplace_back(key, json);
}

void HCRRptJsonWriter::renderReport(std::ostream& os) {
  const HCRRptModel::Document& d = document();
  // Built whole first, as the XML writer does.
  std::string out = "{\n  \"title\": " + HSTJson::quote(d.title) + ",\n";
  out += "  \"header\": " + items(headerItems(), "  ") + ",\n";
  if (!provenanceItems().empty())
    out += "  \"provenance\": " + items(provenanceItems(), "  ") + ",\n";
  for (const auto& m : members_) out += "  " + HSTJson::quote(m.first) + ": " + m.second + ",\n";
  out += "  \"sections\": [";
  for (size_t s = 0; s < d.sections.size(); ++s) {
    const HCRRptModel::Section& section = d.sections[s];
    out += s ? ",\n" : "\n";
    out += "    {\"title\": " + HSTJson::quote(section.title) + ", \"tables\": [";
    for (size_t t = 0; t < section.tables.size(); ++t) {
      const HCRRptModel::Table& table = section.tables[t];
      out += t ? ",\n" : "\n";
      out += "      {\"title\": " + HSTJson::quote(table.title) + ", \"rows\": [";
      for (size_t r = 0; r < table.rows.size(); ++r) {
        out += r ? ",\n" : "\n";
        out += "        {\"cells\": [";
        const auto& cells = table.rows[r].cells;
        for (size_t c = 0; c < cells.size(); ++c) out += (c ? ", " : "") + cell(cells[c]);
        out += "]}";
      }
      out += table.rows.empty() ? "]}" : "\n      ]}";
    }
    out += section.tables.empty() ? "]}" : "\n    ]}";
  }
  out += d.sections.empty() ? "]\n}\n" : "\n  ]\n}\n";
  os << out;
}
