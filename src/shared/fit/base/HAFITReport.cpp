#include "shared/fit/base/HAFITReport.h"

#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "host/design/db/HDesign.h"
#include "host/report/HCRRpt.h"
#include "host/report/HCRRptText.h"
#include "host/str/HSTJson.h"
#include "shared/fit/base/HAFITConditions.h"
#include "shared/fit/base/HAFITFloorplan.h"
#include "shared/fit/base/HAFITHierarchy.h"
#include "shared/fit/base/HAFITMitigation.h"

// The command text is taken by value: callers of this entry rely on that signature.
void HAFITReport::write(std::ostream& os,
                        std::string command,  // NOLINT(performance-unnecessary-value-param)
                        bool xml) {
  write(os, command, xml ? Format::XML : Format::TEXT, {});
}

namespace {
bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

HAFITReport::Figures summaryFigures(const HCRRptDoc& doc) {
  // Column 2 is the first "Nominal" column of the summary table.
  constexpr size_t kNominal = 2;
  HAFITReport::Figures f;
  for (const auto& section : doc.sections()) {
    if (section.title != "Device Reliability") continue;  // later sections break it down
    for (const auto& table : section.tables)
      for (const auto& row : table.rows) {
        if (row.cells.size() <= kNominal || row.cells[0].kind != HCRRptModel::Cell::TEXT ||
            row.cells[kNominal].kind != HCRRptModel::Cell::NUMBER)
          continue;
        const auto nominal = static_cast<float>(row.cells[kNominal].value);
        if (row.cells[0].text == "Device Failures") {
          f.hasFailures = true;
          f.deviceFailures = nominal;
        } else if (endsWith(row.cells[0].text, " FIT")) {
          f.hasFit = true;
          f.deviceFit += nominal;
        }
      }
  }
  return f;
}

// Names the figures a reader could not trust: not finite (the report is then withheld)
// or below 0.
void checkFigures(const HCRRptDoc& doc, HAFITReport::Figures& f, size_t skipFrom, size_t skipTo) {
  for (size_t i = 0; i < doc.sections().size(); ++i) {
    if (i >= skipFrom && i < skipTo) continue;
    for (const auto& table : doc.sections()[i].tables) {
      const HCRRptModel::Row* headings = nullptr;
      for (const auto& row : table.rows) {
        if (row.isHeadingRow()) {
          headings = &row;
          continue;
        }
        // Below 0: the row's first such figure is named.
        bool negative = false;
        for (size_t c = 0; c < row.cells.size(); ++c) {
          const HCRRptModel::Cell& cell = row.cells[c];
          if (cell.kind != HCRRptModel::Cell::NUMBER) continue;
          const bool finite = std::isfinite(cell.value);
          if (finite && cell.value >= 0.0) continue;
          std::string name = row.cells[0].kind == HCRRptModel::Cell::NUMBER ? std::string("row")
                                                                            : row.cells[0].text;
          name += " / ";
          name += headings && c < headings->cells.size() ? headings->cells[c].text
                                                         : "column " + std::to_string(c + 1);
          if (!finite) {
            const char* v = std::isnan(cell.value) ? "nan" : cell.value > 0 ? "inf" : "-inf";
            if (f.nonFinite.empty()) f.nonFinite = name + " = " + v;
          } else if (!negative) {
            f.negative.push_back(name + " = " + cell.display());
            negative = true;
          }
        }
      }
    }
  }
}
}  // namespace

HAFITReport::Figures HAFITReport::figuresOf(const HCRRptDoc& doc) { return summaryFigures(doc); }

std::string HAFITReport::budgetFigure(Budget::Figure figure, const HAFITConditions& c) {
  return figure == Budget::FIT
             ? "the nominal FIT of " + c.whose()
             : "the nominal expected failure count of " + c.whose() + " over the mission";
}

namespace {
// Each budget, the figure held against it and whether it holds.
void writeBudgets(HCRRptDoc& doc, const std::vector<HAFITReport::Budget>& budgets,
                  const HAFITConditions& c, const HAFITReport::Figures& f) {
  HCRRptTable table =
      doc.createSection("Budgets", "").createTable("", HCRRptTypes::TABLE_STYLE_BOXED, "");
  HCRRptTableRow headings = table.createTableRow(false, "", false);
  for (const char* h : {"Budget", "Limit", "Figure", "Value", "Result"})
    headings.createTableHeader(h, HCRRptTypes::HALIGN_CENTER, -1, "");
  for (const HAFITReport::Budget& b : budgets) {
    const bool fit = b.figure == HAFITReport::Budget::FIT;
    const bool has = fit ? f.hasFit : f.hasFailures;
    const float value = fit ? f.deviceFit : f.deviceFailures;
    HCRRptTableRow row = table.createTableRow(false, "", false);
    row.createTableCell(b.option, HCRRptTypes::HALIGN_AUTO, "");
    row.createTableCell(HSTJson::number(b.limit), HCRRptTypes::HALIGN_RIGHT, "");
    row.createTableCell(HAFITReport::budgetFigure(b.figure, c), HCRRptTypes::HALIGN_AUTO, "");
    row.createTableCell(has ? HSTJson::number(value) : "(none)", HCRRptTypes::HALIGN_RIGHT, "");
    // NaN fails as well.
    row.createTableCell(!has               ? "cannot be checked"
                        : value <= b.limit ? "pass"
                                           : "exceeded",
                        HCRRptTypes::HALIGN_AUTO, "");
  }
}
}  // namespace

HCRRptDoc HAFITReport::document(Figures& figures) const {
  HCRRptDoc doc = HCRRptDoc::createDoc("FIT Report", true, "", "", "", "", "");
  floorplan_->writeDeviceReliability(doc);
  // The device figures come from the summary alone.
  figures = summaryFigures(doc);
  if (conditions_ && conditionsSection_) conditions_->writeSection(doc);
  if (conditions_ && !budgets_.empty()) writeBudgets(doc, budgets_, *conditions_, figures);
  // The derated figures come from the summary's; their sections are not checked again,
  // so that a figure below 0 is told once.
  derating_.reset();
  const size_t derated = doc.sections().size();
  if (conditions_ && mitigation_) {
    auto derating = std::make_shared<HAFITDerating>(
        HAFITDerating::compute(*mitigation_, *floorplan_, doc, *conditions_));
    derating->writeSections(doc);
    derating_ = figures.derating = derating;
  }
  const size_t deratedEnd = doc.sections().size();
  if (hierarchy_) hierarchy_->writeSections(doc, *floorplan_, hierarchyDepth_, contributors_);
  checkFigures(doc, figures, derated, deratedEnd);
  return doc;
}

HAFITReport::Figures HAFITReport::write(std::ostream& os, const std::string& command, Format format,
                                        const Items& provenance) {
  Figures figures;
  HCRRptDoc doc = document(figures);
  if (!figures.nonFinite.empty()) return figures;
  render(doc, os, command, format, provenance);
  return figures;
}

void HAFITReport::render(HCRRptDoc& doc, std::ostream& os, const std::string& command,
                         Format format, const Items& provenance) {
  const bool html = format == Format::HTML || format == Format::HTML_FRAGMENT;
  // A page for people states its conditions, whether or not the other renderings do.
  if (html && conditions_ && !conditionsSection_) {
    HAFITReport page(*this);
    page.conditionsSection_ = true;
    Figures figures;
    HCRRptDoc full = page.document(figures);
    page.render(full, os, command, format, provenance);
    return;
  }
  std::unique_ptr<HCRRptWriter> writer;
  if (format == Format::XML) {
    writer = std::make_unique<HCRRptXmlWriter>(doc);
  } else if (format == Format::JSON) {
    writer = std::make_unique<HCRRptJsonWriter>(doc);
  } else if (html) {
    auto page = std::make_unique<HCRRptHtmlWriter>(doc, format == Format::HTML_FRAGMENT);
    addHtmlBlocks(*page);
    writer = std::move(page);
  } else {
    writer = std::make_unique<HCRRptTextWriter>(doc, true, true, 0, 80);
  }
  addExtraHeaderItems(*writer, command);
  std::vector<std::pair<std::string, std::string>> more;
  if (html) more.emplace_back("seufit version", SEUFIT_VERSION);
  if (!date_.empty()) more.emplace_back("Date", date_);
  writer->addExtraHeaderItems(more);
  writer->addProvenanceItems(provenance);
  if (format == Format::JSON && conditions_)
    static_cast<HCRRptJsonWriter&>(*writer).addMember("conditions", conditions_->json());
  if (format == Format::JSON && derating_)
    static_cast<HCRRptJsonWriter&>(*writer).addMember("mitigation", derating_->json());
  writer->renderReport(os);
}

namespace {
std::string paragraph(const std::string& text) { return "<p class=\"note\">" + text + "</p>\n"; }

}  // namespace

void HAFITReport::addHtmlBlocks(HCRRptHtmlWriter& page) const {
  if (conditions_) {
    std::string units = "<dl class=\"items\">\n";
    for (const auto& m : conditions_->columnMeanings())
      units +=
          "<dt>" + HCRRptText::xml(m.first) + "</dt><dd>" + HCRRptText::xml(m.second) + "</dd>\n";
    page.addBlock("Device Reliability", units + "</dl>\n");
  }
  for (const auto& block : htmlBlocks_) page.addBlock(block.first, block.second);
  page.addBlock(
      "",
      "<section>\n<h2>How these figures are made</h2>\n" +
          paragraph("Each memory class's bits exposed to upsets (its capacity less the bits the "
                    "design declares protected; block RAM with ECC on counts none) are "
                    "multiplied by the family's soft-error rate in FIT per Mbit, the relative "
                    "neutron flux of the place (1 at sea level in New York), the number of "
                    "devices and the temperature factor. The 90% bounds use the rate's own "
                    "bounds, nominal x (1 + ll) and x (1 + ul); -50% and +100% are half and "
                    "twice the nominal.") +
          paragraph("MTBF in years is 10^9 hours / FIT / 24 / 365. The expected device failures "
                    "over the mission are the sum of the classes' FIT over the mission's "
                    "hours, in units of 10^9 hours. The relative flux comes from a model of "
                    "depth in the atmosphere and geomagnetic cutoff rigidity below 4572 m and "
                    "from an avionics model of altitude and latitude above it.") +
          paragraph("The Conditions give every input the figures depend on; the derated "
                    "sections, when present, say each factor's source. The exact value of "
                    "every number is in the XML and JSON renderings (and in the data-value "
                    "attribute of each cell here); seufit's docs/method.md gives every formula "
                    "with its single- and double-precision steps.") +
          "</section>\n");
}

// Strings by value: a fixed signature of the library's interface.
// NOLINTNEXTLINE(performance-unnecessary-value-param)
void HAFITReport::addExtraHeaderItems(HCRRptWriter& writer, std::string command) {
  const HFLFloorplan* design = floorplan_->getHflFloorplan();
  std::vector<std::pair<std::string, std::string>> items;
  items.emplace_back("Command", command);
  items.emplace_back("Design", std::string(design->getNetlist()->getTopCellview()->getNameLH()));
  items.emplace_back("Device", design->getPart()->getName());
  writer.addExtraHeaderItems(items);
}
