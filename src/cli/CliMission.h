// The report's and the flux command's mission options: --profile, --missions, the
// budgets, --json and --provenance.
#pragma once

#include <optional>
#include <string>

#include "cli/Cli.h"
#include "shared/fit/base/HAFITMgr.h"
#include "shared/fit/base/HAFITMission.h"

// A budget was exceeded (or could not be checked); the report was still written.
constexpr int EXIT_BUDGET = 3;

struct MissionText {
  CLI::App* cmd = nullptr;
  std::string profile;
  std::string missions = "1";
  std::string maxFit, maxFailures;
  bool json = false;
  bool provenance = false;
};

struct MissionPlan {
  std::optional<HAFITMission::Profile> profile;
  long long missions = 1;
  std::optional<float> maxFit, maxFailures;
};

// --profile, --missions, --max-fit, --max-failures, --json and --provenance.
void addReportMissionOptions(CLI::App* cmd, MissionText& text);
// Checks them against each other and the place and --months options, and reads the
// profile. False after telling every problem.
bool parseReportMission(const MissionText& text, bool xml, MissionPlan& plan);

// Fills the request's flux, mission length and provenance from the plan.
void applyMission(const MissionText& text, const MissionPlan& plan, const std::string& design,
                  HAFITMgr::ReportRequest& request);
// EXIT_OK when every budget holds; EXIT_BUDGET (after an error naming the figure, its
// value and the budget) otherwise.
int checkBudgets(const MissionPlan& plan, const HAFITMgr::ReportFigures& figures);

// `seufit flux --profile FILE`: each segment's flux, hours and share of the exposure,
// and the time-weighted mean.
int runFluxProfile(const std::string& path, bool json, CLI::App* cmd);

// Reads a mission profile; false after one message per problem.
bool readMissionProfile(const std::string& path, HAFITMission::Profile& out);

// Provenance: the SHA-256 of a file as 64 lower-case hex digits, "" when unreadable, or a
// text in parentheses saying why it has none (a pipe, a FIFO).
std::string sha256File(const std::string& path);
std::string sha256(const std::string& data);
