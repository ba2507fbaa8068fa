// What the report command and the report plot share: the design argument with the
// netlist options, the place, devices, months, temperature and package-model options,
// and the checks of the design and the data before an analysis.
#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "cli/CliOptions.h"
#include "host/design/db/HDesign.h"
#include "shared/fit/base/HAFITMgr.h"

struct ReportRunText {
  std::string design;
  PlaceText place;
  std::string devices = "1";
  std::string months = "12";
  std::string temperature = "28";
  bool revised = false;
};

// DESIGN and the netlist options.
void addDesignArgument(CLI::App* cmd, ReportRunText& text);
// --altitude, --longitude, --latitude, --devices, --months, --temperature and
// --revised-package-model.
void addReportParameterOptions(CLI::App* cmd, ReportRunText& text);
// Checks the values and fills the request's place, devices, months, temperature and
// package model. False after one message per bad value.
bool parseReportParameters(const ReportRunText& text, HAFITMgr::ReportRequest& request);

// The design, checked, once the data files it needs were read in full; null after
// telling why, with the exit status in `status`.
std::unique_ptr<HFLFloorplan> loadReportDesign(const std::string& path, int& status);
// Warns when the request's own flux point (no mission flux) lacks a cutoff grid point.
void warnReportFluxPoint(const HFLFloorplan& design, const HAFITMgr::ReportRequest& request);
// After the analysis: warns of saturated totals and figures below 0; EXIT_NO_RESULT
// (after an error for figures that are not finite) unless the report was made.
int reportOutcomeStatus(const HAFITMgr::ReportFigures& figures);
