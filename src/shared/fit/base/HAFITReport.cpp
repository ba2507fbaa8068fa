#include "shared/fit/base/HAFITReport.h"

#include <memory>
#include <utility>
#include <vector>

#include "host/design/HDesign.h"
#include "host/report/HCRRpt.h"
#include "shared/fit/base/HAFITFloorplan.h"
#include "shared/fit/base/HAFITHierarchy.h"

void HAFITReport::write(std::ostream& os, std::string command, bool xml) {
  write(os, command, xml ? Format::XML : Format::TEXT, {});
}

namespace {
bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

HAFITReport::Figures figuresOf(const HCRRptDoc& doc) {
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
        const float nominal = static_cast<float>(row.cells[kNominal].value);
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
}  // namespace

HAFITReport::Figures HAFITReport::write(std::ostream& os, const std::string& command, Format format,
                                        const Items& provenance) {
  HCRRptDoc doc = HCRRptDoc::createDoc("FIT Report", true, "", "", "", "", "");
  floorplan_->writeDeviceReliability(doc);
  if (hierarchy_) hierarchy_->writeSections(doc, *floorplan_, hierarchyDepth_, contributors_);
  std::unique_ptr<HCRRptWriter> writer;
  if (format == Format::XML)
    writer = std::make_unique<HCRRptXmlWriter>(doc);
  else if (format == Format::JSON)
    writer = std::make_unique<HCRRptJsonWriter>(doc);
  else
    writer = std::make_unique<HCRRptTextWriter>(doc, true, true, 0, 80);
  addExtraHeaderItems(*writer, command);
  writer->addProvenanceItems(provenance);
  writer->renderReport(os);
  writer.reset();  // the writer goes before the document
  return figuresOf(doc);
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
