// From raw upset rates to the figures a safety case signs: the share of configuration bits
// that matter (essential, then critical), the residual of protected memory (upsets that hit
// two or more bits of one protected word), the device total after mitigation, the
// probability of a failure over the mission, the availability that scrubbing gives, and a
// standard's target. An opt-in layer: the raw figures are read back from the device
// summary as it stands, so that the raw column is the default report's to the last digit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class HAFITFloorplan;
class HCRRptDoc;
struct HAFITConditions;

// What the user states about the design's mitigation; every value with its source.
struct HAFITMitigation {
  struct Factor {
    double value = 0.0;
    std::string source;
  };
  // Of the part's configuration bits: a fraction, or a count (not both).
  std::optional<Factor> essentialFraction, essentialBits;
  Factor criticalFraction{1.0, "default: every essential-bit upset counted"};
  struct Instance {
    std::string path;  // an instance path or a glob
    double essentialBits = 0.0;
    std::string source;
    uint64_t matches = 0;  // instance paths of the design the pattern matches
    bool matchesComplete = true;
  };
  std::vector<Instance> instances;
  enum class Scrub { NONE, READBACK, PERIODIC };
  Scrub scrub = Scrub::NONE;
  double scrubHours = 0.0;    // PERIODIC: hours between passes
  float detectionMs = 0.0f;   // READBACK: the device's average detection time
  std::string scrubSource;    // where the scrub came from
  std::string detectionFrom;  // READBACK: the data file and device
  Factor repairHours{0.0, "default"};
  // Per protected class ("bram", "yram", "hbm"): the share of upsets that hit two or more
  // bits of one protected word.
  struct Mcu {
    std::string cls;
    Factor fraction;
  };
  std::vector<Mcu> mcu;
  std::string target;  // "iso26262:asil-b"; empty for none
  std::string targetSource;
  Factor targetShare{1.0, "default"};

  const Mcu* mcuOf(const std::string& cls) const;

  // A standard's target for the failure rate of one device.
  struct Target {
    const char* name;      // "iec61508:sil3"
    const char* standard;  // "IEC 61508 SIL 3"
    const char* measure;   // what the standard bounds
    double budgetFit;      // the bound in FIT (failures per 10^9 hours)
  };
  static const std::vector<Target>& targets();
  static const Target* findTarget(const std::string& name);
  // The names, for messages: "iec61508:sil1, ..., arp4761:catastrophic".
  static std::string targetNames();
};

// The derated figures of one report.
struct HAFITDerating {
  struct Stat {
    double nominal = 0.0, ll = 0.0, ul = 0.0;
  };
  struct Class {
    std::string key, label;  // "config", "Configuration Memory"
    Stat raw;
    // Configuration memory.
    Stat essential, critical;
    // Protected classes.
    double protectedBits = 0.0;
    bool hasProtectedFit = false;  // false when the data lack the class
    Stat protectedFit, residual, after;
    HAFITMitigation::Factor mcu;
  };
  double essentialFraction = 1.0;
  std::optional<double> essentialBits;  // when given as a count
  std::string essentialText;            // "0.31" or "1234567 of 4000000 bits"
  std::string essentialSource;
  HAFITMitigation::Factor critical;
  std::vector<Class> classes;
  int devices = 1;
  Stat rawTotal, afterTotal;
  bool hasPerDevice = false;
  Stat afterPerDevice;
  bool hasFailures = false;
  Stat failuresBefore, failuresAfter, probabilityBefore, probabilityAfter;

  struct Availability {
    HAFITMitigation::Scrub scrub;
    double scrubHours, detectionHours, repairHours, mttrHours;
    std::string scrubText, scrubSource, repairSource;
    bool hasDevice;  // false with 0 devices: nothing per device
    double criticalFitPerDevice, unavailability, availability, hoursPerYear;
  };
  std::optional<Availability> availability;

  struct TargetResult {
    std::string name, standard, measure, targetSource, shareSource;
    double budgetFit, share, allottedFit;
    bool checked;  // false with 0 devices
    double fitPerDevice, marginFit;
    bool met;
    const char* result() const {
      return !checked ? "cannot be checked" : met ? "pass" : "exceeded";
    }
  };
  std::optional<TargetResult> target;

  struct Instance {
    HAFITMitigation::Instance given;
    double criticalFit;
  };
  std::vector<Instance> instances;  // most essential bits first

  // The figures of `mitigation` for the summary in `doc` under `conditions`; the floorplan
  // gives the FIT of the protected bits.
  static HAFITDerating compute(const HAFITMitigation& mitigation, const HAFITFloorplan& floorplan,
                               const HCRRptDoc& doc, const HAFITConditions& conditions);

  // The sections "Derated Reliability", "Mission Probability", "Availability" (with a
  // scrub), "Safety Target" (with a target) and "Essential Bits by Instance" (with
  // instances).
  void writeSections(HCRRptDoc& doc) const;
  // One JSON object, every number exactly as held.
  std::string json() const;
};
