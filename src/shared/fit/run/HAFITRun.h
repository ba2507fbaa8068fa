// The one way a client runs the analysis: load a design, prepare (its values, the data
// files, the family, the mission), analyse, finish (the outcome, budgets). The command
// line and the Python module map their arguments to a Request and a Result to output;
// every message is sent here, and every step's status says how the run ended.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "host/design/db/HDesign.h"
#include "host/design/load/HDDesignAssembly.h"
#include "shared/fit/base/HAFITFloorplan.h"
#include "shared/fit/base/HAFITHierarchy.h"
#include "shared/fit/base/HAFITMgr.h"
#include "shared/fit/base/HAFITMission.h"
#include "shared/fit/run/HAFITRequest.h"

namespace HAFITRun {

// How a run ended, as the command line's exit status.
enum Status : int {
  OK = 0,         // the result was written
  NO_RESULT = 1,  // no result: device not supported, data missing, output not written
  USAGE = 2,      // a bad option, or an input that cannot be read or is invalid
  BUDGET = 3,     // the report was written and a budget is exceeded
  WARNINGS = 4,   // data check --strict: no error, but warnings
};

// A design loaded for any number of runs.
struct Design {
  std::string path;
  HDNetlistOptions netlist;
  bool netlistGiven = false;
  std::unique_ptr<HFLFloorplan> db;
};
// Reads the design file or netlist `path` (told by content); USAGE after every problem.
Status load(const std::string& path, const HDNetlistOptions& netlist, bool netlistGiven,
            Design& out);

// The three data files read whole, and the soft-error data of the design's family usable:
// NO_RESULT after saying why not; warns of what the data lack.
Status prepareData(const HFLFloorplan& design);

// Reads a mission profile; USAGE after one message per problem. Segments below sea level
// are warned of.
Status readProfile(const std::string& path, HAFITMission::Profile& out);

// The mission of a request: its profile read and checked, when it names one.
struct Mission {
  std::optional<HAFITMission::Profile> profile;
};
// USAGE after the profile's problems, or a mission longer than a float of months holds.
Status prepareMission(const Request& request, Mission& out);

// The derated figures' inputs of a request, when it asks for them: its mitigation file
// read, the options over it, the family's data and the device's detection time. USAGE after
// the file's problems, NO_RESULT when data are missing.
Status prepareMitigation(const Request& request, const HFLFloorplan& design,
                         std::optional<HAFITMitigation>& out);

// A report, prepared, analysed and finished.
struct Report {
  Status status = NO_RESULT;
  HAFITMgr::ReportFigures figures;
  std::unique_ptr<HAFITMgr::Analysis> analysis;
  // The rendering in `format`, with `command` as its "Command" header item.
  void render(std::ostream& os, Format format, const std::string& command) const;
};
// The report of `request` on a loaded design: its values checked, the data prepared, the
// analysis made and its figures checked. The status is OK or the reason it has no report;
// nothing is written yet.
Report analyse(Design& design, const Request& request, const Mission& mission);
// The budgets against the figures: BUDGET after naming each one exceeded.
Status finish(Report& report, const Request& request);
// The report written to the request's output (a file, replaced only when complete) or to
// the message log, then finished; NO_RESULT when it could not be written.
Status write(Report& report, const Request& request);

// A file a run reads: what it is ("the design file") and its path.
struct Input {
  std::string what, path;
};
// The inputs of a request: the design, the cell map, the mission profile.
std::vector<Input> inputsOf(const Request& request);
// False (with a usage message naming `option`) when `output` is, or links to, one of
// `inputs` or one of the data files: a run never replaces what it reads.
bool outputIsNotAnInput(const std::string& option, const std::string& output,
                        const std::vector<Input>& inputs);

// One line of the memory inventory: its key (inventory --json), its label and its value
// as JSON and, for text, unquoted.
struct InventoryField {
  const char* key;
  const char* label;
  std::string json;
  std::string text;
};
struct Inventory {
  std::unique_ptr<HAFITFloorplan> floorplan;  // walked
  std::vector<InventoryField> fields;
  std::vector<HAFITHierarchy::Row> rows;  // by hierarchy, when asked for
};
// Walks the design as a report would; with depth >= 0 also its bits by instance.
Status inventory(Design& design, int depth, Inventory& out);

// The request's altitude in meters, before the cap: an option's unit first, then the
// design's units constraint (none: meters).
float altitudeMeters(const Request& request, const HFLFloorplan* design);
// The flux at the request's place, as the report computes it: NO_RESULT when the cutoff grid
// cannot be trusted.
Status flux(const Request& request, HAFITMgr::FluxPoint& out);
// Each segment's flux of a mission profile and the weighted mean.
Status fluxProfile(const std::string& path, HAFITMission::Profile& profile,
                   HAFITMission::MissionFlux& out);

// The parts of the data directories' catalogue (parts.json), in its order: NO_RESULT when
// none is found, USAGE after its problems.
Status parts(std::vector<HDPartSpec>& out);

// Provenance: the SHA-256 of a file as 64 lower-case hex digits, "" when unreadable, or a
// text in parentheses saying why it has none (a pipe, a FIFO).
std::string sha256File(const std::string& path);
std::string sha256(const std::string& data);

}  // namespace HAFITRun
