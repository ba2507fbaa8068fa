#include <algorithm>

#include "host/report/HCRRptText.h"
#include "host/report/HCRRptWriter.h"

namespace {

constexpr unsigned int kMaxIndent = 256;
constexpr unsigned int kMaxWidth = 1024;
constexpr int kMaxColumnWidth = 1024;

using Lines = std::vector<std::string>;

std::string pad(const std::string& text, size_t width, HCRRptTypes::HALIGN align,
                HCRRptModel::Cell::Kind kind) {
  const size_t w = HCRRptText::width(text);
  if (w >= width) return text;
  const size_t room = width - w;
  switch (align) {
    case HCRRptTypes::HALIGN_CENTER:
      return std::string(room / 2, ' ') + text + std::string(room - room / 2, ' ');
    case HCRRptTypes::HALIGN_LEFT:
      return text + std::string(room, ' ');
    case HCRRptTypes::HALIGN_RIGHT:
      return std::string(room, ' ') + text;
    default:  // the kind decides
      return kind == HCRRptModel::Cell::NUMBER ? std::string(room, ' ') + text
                                               : text + std::string(room, ' ');
  }
}

std::string rstrip(std::string s) {
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

std::string repeat(const std::string& unit, size_t n) {
  std::string out;
  out.reserve(unit.size() * n);
  for (size_t i = 0; i < n; ++i) out += unit;
  return out;
}

Lines renderTable(const HCRRptModel::Table& table, const std::string& indent) {
  size_t columns = 0;
  for (const auto& row : table.rows) columns = std::max(columns, row.cells.size());
  Lines lines;
  if (!table.title.empty()) lines.push_back(rstrip(indent + HCRRptText::plain(table.title)));
  if (columns == 0) return lines;

  // Cell texts once, made safe, and the column widths they need.
  std::vector<std::vector<std::string>> texts;
  std::vector<size_t> widths(columns, 0);
  for (const auto& row : table.rows) {
    texts.emplace_back();
    for (size_t c = 0; c < row.cells.size(); ++c) {
      const HCRRptModel::Cell& cell = row.cells[c];
      texts.back().push_back(HCRRptText::plain(cell.display()));
      widths[c] = std::max(widths[c], HCRRptText::width(texts.back().back()));
      if (cell.kind == HCRRptModel::Cell::HEADING && cell.minWidth > 0)
        widths[c] =
            std::max(widths[c], static_cast<size_t>(std::min(cell.minWidth, kMaxColumnWidth)));
    }
  }

  const bool boxed = table.style == HCRRptTypes::TABLE_STYLE_BOXED;
  const bool headingRule = table.style != HCRRptTypes::TABLE_STYLE_PLAIN;
  std::string rule;
  if (boxed) {
    rule = "+";
    for (size_t w : widths) rule += repeat("-", w + 2) + "+";
  } else {
    size_t total = 2 * (columns - 1);
    for (size_t w : widths) total += w;
    rule = repeat("-", total);
  }
  rule = indent + rule;

  bool lastWasRule = false;
  auto addRule = [&]() {
    if (!lastWasRule) lines.push_back(rule);
    lastWasRule = true;
  };
  if (boxed) addRule();
  for (size_t r = 0; r < table.rows.size(); ++r) {
    const HCRRptModel::Row& row = table.rows[r];
    if (row.ruleBefore) addRule();
    std::string line = indent + (boxed ? "| " : "");
    for (size_t c = 0; c < columns; ++c) {
      if (c) line += boxed ? " | " : "  ";
      if (c < row.cells.size())
        line += pad(texts[r][c], widths[c], row.cells[c].align, row.cells[c].kind);
      else
        line += std::string(widths[c], ' ');
    }
    if (boxed) line += " |";
    lines.push_back(rstrip(line));
    lastWasRule = false;
    const bool headingsEnd = headingRule && row.isHeadingRow() &&
                             (r + 1 == table.rows.size() || !table.rows[r + 1].isHeadingRow());
    if (row.ruleAfter || headingsEnd) addRule();
  }
  if (boxed) addRule();
  return lines;
}

}  // namespace

HCRRptTextWriter::HCRRptTextWriter(HCRRptDoc& doc, bool showHeader, bool numberSections,
                                   unsigned int indent, unsigned int width)
    : HCRRptWriter(doc),
      showHeader_(showHeader),
      numberSections_(numberSections),
      indent_(std::min(indent, kMaxIndent)),
      width_(std::min(width, kMaxWidth)) {}

void HCRRptTextWriter::renderReport(std::ostream& os) {
  const HCRRptModel::Document& d = document();
  const std::string indent(indent_, ' ');
  auto underline = [&](const std::string& text, const char* ch) {
    return repeat(ch, std::max<size_t>(width_, HCRRptText::width(text)));
  };

  // Blocks are separated by one blank line.
  std::vector<Lines> blocks;
  if (showHeader_) {
    Lines head;
    if (d.showTitle) {
      const std::string title = HCRRptText::plain(d.title);
      head.push_back(title);
      head.push_back(underline(title, "="));
    }
    HeaderItems items = headerItems();
    items.insert(items.end(), provenanceItems().begin(), provenanceItems().end());
    for (const auto& item : items)
      head.push_back(rstrip(HCRRptText::plain(item.first) + ": " + HCRRptText::plain(item.second)));
    if (!head.empty()) blocks.push_back(std::move(head));
  }
  for (size_t s = 0; s < d.sections.size(); ++s) {
    const HCRRptModel::Section& section = d.sections[s];
    const std::string title = (numberSections_ ? std::to_string(s + 1) + ". " : std::string()) +
                              HCRRptText::plain(section.title);
    blocks.push_back({title, underline(title, "-")});
    for (const auto& table : section.tables) {
      Lines lines = renderTable(table, indent);
      if (!lines.empty()) blocks.push_back(std::move(lines));
    }
  }

  std::string out;
  for (size_t b = 0; b < blocks.size(); ++b) {
    if (b) out += '\n';
    for (const auto& line : blocks[b]) out += line + '\n';
  }
  os << out;
}
