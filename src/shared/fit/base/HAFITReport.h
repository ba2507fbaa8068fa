// Renders the FIT report of an inventoried floorplan as text or XML.
#pragma once

#include <cstddef>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

struct HAFITConditions;
struct HAFITDerating;
struct HAFITMitigation;
class HAFITFloorplan;
class HAFITHierarchy;
class HCRRptDoc;
class HCRRptWriter;

class HAFITReport {
 public:
  // The floorplan is not owned; it must outlive the report object.
  explicit HAFITReport(HAFITFloorplan* floorplan) : floorplan_(floorplan) {}
  virtual ~HAFITReport() = default;

  // Builds the document and renders it into `os`; nothing reaches `os` before the
  // document is complete.
  void write(std::ostream& os, std::string command, bool xml);

  enum class Format { TEXT, XML, JSON };
  using Items = std::vector<std::pair<std::string, std::string>>;
  // Device-level figures read back from the rendered table, for budget checks: the
  // nominal FIT of every memory class's FIT row summed in single precision in table
  // order, and the nominal "Device Failures" count. Absent rows leave has* false.
  struct Figures {
    bool hasFit = false;
    float deviceFit = 0.0f;
    bool hasFailures = false;
    float deviceFailures = 0.0f;
    // The first figure that is not a finite number ("row / column"); when set, nothing
    // was rendered.
    std::string nonFinite;
    // Figures below 0, "row / column = value", in table order.
    std::vector<std::string> negative;
    // The derated figures, when a mitigation was given.
    std::shared_ptr<const HAFITDerating> derating;
  };
  // The device figures of a document's summary (nothing else of `Figures` is set).
  static Figures figuresOf(const HCRRptDoc& doc);
  // As above in any format; `provenance` (when not empty) is rendered with the header.
  Figures write(std::ostream& os, const std::string& command, Format format,
                const Items& provenance);
  // The document write() renders, with its figures; for hosts that draw the tables.
  HCRRptDoc document(Figures& figures) const;
  // Renders a document of this report with its header items, in any format.
  void render(HCRRptDoc& doc, std::ostream& os, const std::string& command, Format format,
              const Items& provenance);
  // Adds the breakdown by hierarchy (depth >= 0) and the top contributors (contributors > 0)
  // after the device summary. The hierarchy is not owned.
  void setHierarchy(const HAFITHierarchy* hierarchy, int depth, size_t contributors) {
    hierarchy_ = hierarchy;
    hierarchyDepth_ = depth;
    contributors_ = contributors;
  }
  // The conditions (not owned): always in JSON, as the section "Conditions" after the
  // device summary in every format when `section`.
  void setConditions(const HAFITConditions* conditions, bool section) {
    conditions_ = conditions;
    conditionsSection_ = section;
  }
  // A budget held against a device figure: the option as the client names it, its limit.
  struct Budget {
    enum Figure { FIT, FAILURES } figure;
    std::string option;
    float limit;
  };
  // The section "Budgets" after the conditions; `conditions` must be set.
  void setBudgets(std::vector<Budget> budgets) { budgets_ = std::move(budgets); }
  // The derated figures of `mitigation` (not owned) in their sections after the budgets,
  // and in JSON; `conditions` must be set.
  void setMitigation(const HAFITMitigation* mitigation) { mitigation_ = mitigation; }
  // The figure a budget is held against, as people read it ("the nominal FIT of the device").
  static std::string budgetFigure(Budget::Figure figure, const HAFITConditions& conditions);

  // Header items "Command", "Design" and "Device", in this order.
  void addExtraHeaderItems(HCRRptWriter& writer, std::string command);

 private:
  HAFITFloorplan* floorplan_;
  const HAFITHierarchy* hierarchy_ = nullptr;
  int hierarchyDepth_ = -1;
  size_t contributors_ = 0;
  const HAFITConditions* conditions_ = nullptr;
  bool conditionsSection_ = false;
  std::vector<Budget> budgets_;
  const HAFITMitigation* mitigation_ = nullptr;
  // Set by document(), rendered in JSON.
  mutable std::shared_ptr<const HAFITDerating> derating_;
};
