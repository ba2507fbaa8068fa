// Renders the FIT report of an inventoried floorplan as text or XML.
#pragma once

#include <ostream>
#include <string>

class HAFITFloorplan;
class HCRRptWriter;

class HAFITReport {
 public:
  // The floorplan is not owned; it must outlive the report object.
  explicit HAFITReport(HAFITFloorplan* floorplan) : floorplan_(floorplan) {}
  virtual ~HAFITReport() = default;

  // Builds the document and renders it into `os`; nothing reaches `os` before the
  // document is complete.
  void write(std::ostream& os, std::string command, bool xml);
  // Header items "Command", "Design" and "Device", in this order.
  void addExtraHeaderItems(HCRRptWriter& writer, std::string command);

 private:
  HAFITFloorplan* floorplan_;
};
