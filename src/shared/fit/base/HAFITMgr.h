// The process-wide analysis manager: owns the reliability data read from the tool's
// data directory, carries the FIT report command and the neutron flux models.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "shared/fit/base/HAFITConditions.h"
#include "shared/fit/base/HAFITFloorplan.h"
#include "shared/fit/base/HAFITMitigation.h"
#include "shared/fit/base/HAFITReport.h"

class HAFITSERMgr;
class HAFITDetectMgr;
class HAFITRCMgr;
class HCRRptDoc;

class HAFITMgr {
 public:
  // The single manager, created (and the data files read) on the first call.
  static HAFITMgr* getGlobal();

  // Looks up and parses the three data files; a file not found is reported once and
  // leaves its manager null.
  HAFITMgr();
  virtual ~HAFITMgr();
  HAFITMgr(const HAFITMgr&) = delete;
  HAFITMgr& operator=(const HAFITMgr&) = delete;

  HAFITSERMgr* getSERMgr() { return serMgr_; }
  HAFITDetectMgr* getDetectMgr() { return detectMgr_; }
  HAFITRCMgr* getRCMgr() { return rcMgr_; }

  // Writes the FIT report of a placed design into `fileName`, or into the message log
  // when it is empty. Problems are told through messages.
  void reportFit(HFLFloorplan* hflFloorplan, std::string fileName, std::string command,
                 float altitude, int longitude, int latitude, int devices, float months,
                 int temperature, bool revisedPackageModel, bool xml);

  // reportFit with the choices it lacks: the report format, a mean relative flux that
  // replaces the place's (a mission profile), and provenance items to render. With
  // `provenance` set the flux model, cutoff rigidity and relative flux are appended.
  struct ReportRequest {
    std::string fileName, command;
    float altitude = 0.0f;
    // The altitude's unit when the user stated it (true: meters); none: the design's
    // units constraint decides.
    std::optional<bool> altitudeMeters;
    int longitude = -74, latitude = 40, devices = 1;
    float months = 12.0f;
    int temperature = 28;
    bool revisedPackageModel = false;
    HAFITReport::Format format = HAFITReport::Format::TEXT;
    std::optional<float> flux;
    bool provenance = false;
    std::vector<std::pair<std::string, std::string>> provenanceItems;
    // FIT by hierarchy down to this depth (none when negative), and the leaf memories
    // that contribute most (none when 0).
    int hierarchyDepth = -1;
    size_t topContributors = 0;
    // The section "Conditions" in text and XML (JSON always has them).
    bool conditions = false;
    // How the client names the option that stated the altitude's unit ("--meters").
    std::string unitOption;
    // The mission profile whose mean flux `flux` is.
    std::optional<HAFITConditions::Profile> profile;
    // Budgets held against the figures, in the section "Budgets".
    std::vector<HAFITReport::Budget> budgets;
    // The derated figures' inputs; none: the report has no derated sections.
    std::optional<HAFITMitigation> mitigation;
  };
  // How a report ended, for hosts that turn it into an exit status. A call left by an
  // exception keeps NOT_RUN.
  enum class ReportOutcome {
    NOT_RUN,
    WRITTEN,
    UNSUPPORTED_DEVICE,
    MISSING_DATA,
    WRITE_FAILED,
    NON_FINITE
  };
  // What a written report found: see HAFITReport::Figures.
  struct ReportFigures {
    ReportOutcome outcome = ReportOutcome::NOT_RUN;
    bool hasFit = false;
    float deviceFit = 0.0f;
    bool hasFailures = false;
    float deviceFailures = 0.0f;
    std::string nonFinite;              // set: no report was written
    std::vector<std::string> negative;  // figures below 0
    std::vector<HAFITFloorplan::SaturatedTotal> saturated;
    std::shared_ptr<const HAFITDerating> derating;  // with a mitigation
  };
  ReportFigures reportFit(HFLFloorplan* hflFloorplan, const ReportRequest& request);
  // The same analysis with the report's tables left in `doc` instead of rendered (the
  // request's file name, command, format and provenance are not used). The outcome is
  // WRITTEN when `doc` holds them.
  ReportFigures reportDocument(HFLFloorplan* hflFloorplan, const ReportRequest& request,
                               HCRRptDoc& doc);

  // How the last reportFit call ended (the outcome of its figures).
  ReportOutcome lastReportOutcome() const { return lastOutcome_; }

  // One report's analysis, kept to be rendered in any format: the walked floorplan, its
  // document and figures. The figures' outcome is WRITTEN when the document holds the
  // report (nothing is written yet), else why it does not.
  class Analysis {
   public:
    ~Analysis();
    const ReportFigures& figures() const { return figures_; }
    HCRRptDoc& document();
    // What the report computed and under which conditions; for any outcome past the walk.
    const HAFITConditions& conditions() const;
    // The walked floorplan, for figures under other conditions (a sweep); null when the
    // device was refused.
    HAFITFloorplan* floorplan();
    // The document with its header items ("Command", "Design", "Device", provenance) in
    // `format` (HAFITReport::Format); only for an outcome of WRITTEN.
    void render(std::ostream& os, const std::string& command, HAFITReport::Format format);

   private:
    friend class HAFITMgr;
    Analysis();
    struct Parts;
    std::unique_ptr<Parts> parts_;
    ReportFigures figures_;
  };
  // The analysis of a request (its file name, command and format are not used).
  std::unique_ptr<Analysis> analyse(HFLFloorplan* hflFloorplan, const ReportRequest& request);

  // Relative neutron flux at an altitude in meters and a position in whole degrees:
  // the JEDEC-style model below 4572 m, the Boeing avionics model from there on.
  float calculateRelativeFlux(float altitude, int longitude, int latitude);
  // One place as a report sees it: the altitude in meters after the cap, the model used
  // ("jedec" or "boeing"), the grid's cutoff rigidity (GV; 0 without a grid) and the flux.
  struct FluxPoint {
    float altitude;
    const char* model;
    float cutoff;
    float flux;
  };
  FluxPoint fluxAt(float altitude, int longitude, int latitude);
  float derateJedec(float altitude, int longitude, int latitude);
  float derateBoeing(float altitude, int latitude);

  // Altitude cap applied before the flux computation: 80 000 ft.
  static constexpr float kMaxAltitude = 24384.0f;
  // Altitude from which the Boeing model applies: 15 000 ft.
  static constexpr float kBoeingAltitude = 4572.0f;

  // True unless the design's last units constraint names another unit than meters
  // (case aside); then the user's altitude is in feet.
  static bool altitudeInMeters(const HFLFloorplan* design);

  // Drops the single manager so that the next getGlobal() reads the data again.
  // For tests and for hosts that change the data directory.
  static void resetGlobal();

 private:
  HAFITSERMgr* serMgr_ = nullptr;
  HAFITDetectMgr* detectMgr_ = nullptr;
  HAFITRCMgr* rcMgr_ = nullptr;
  ReportOutcome lastOutcome_ = ReportOutcome::NOT_RUN;
};
