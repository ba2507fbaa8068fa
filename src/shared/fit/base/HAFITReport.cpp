#include "shared/fit/base/HAFITReport.h"

#include <memory>
#include <utility>
#include <vector>

#include "host/design/HDesign.h"
#include "host/report/HCRRpt.h"
#include "shared/fit/base/HAFITFloorplan.h"

void HAFITReport::write(std::ostream& os, std::string command, bool xml) {
  HCRRptDoc doc = HCRRptDoc::createDoc("FIT Report", true, "", "", "", "", "");
  floorplan_->writeDeviceReliability(doc);
  std::unique_ptr<HCRRptWriter> writer;
  if (xml)
    writer = std::make_unique<HCRRptXmlWriter>(doc);
  else
    writer = std::make_unique<HCRRptTextWriter>(doc, true, true, 0, 80);
  addExtraHeaderItems(*writer, std::move(command));
  writer->renderReport(os);
  writer.reset();  // the writer goes before the document
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
