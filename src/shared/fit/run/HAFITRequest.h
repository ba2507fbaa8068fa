// What a client asks of a run (a report, an inventory, a flux): every option with its
// default and its accepted values, written once here for the command line and Python. A
// value is set from its text; a bad value is one usage message (1-60) naming the option,
// and the checks between options (1-78) run once all are set.
#pragma once

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host/design/load/HDNetlistOptions.h"

namespace HAFITRun {

// HTML_FRAGMENT: the page's body alone, to embed (a notebook's cell).
enum class Format { TEXT, XML, JSON, HTML, HTML_FRAGMENT };

// One option: as the command line names it (--NAME; Python writes '-' as '_'), the type of
// its value for help ("" for a flag), its default as text ("" for none) and its help.
struct OptionInfo {
  const char* name;
  const char* type;
  const char* defaultText;
  const char* help;
};

class Request {
 public:
  // The options of `report` (and `plot report`), in the order help lists them.
  static const std::vector<OptionInfo>& reportOptions();
  // The place options alone (`flux`, `plot altitude`).
  static const std::vector<OptionInfo>& placeOptions();
  static const OptionInfo* find(const std::string& name);

  // Sets option `name` (without its dashes) from `text`; false after one usage message.
  // A flag takes "" or "on". --by-hierarchy takes "" for its default depth.
  bool set(const std::string& name, const std::string& text);
  bool given(const std::string& name) const { return given_.count(name) > 0; }
  // The checks between the options set; false after one message per conflict.
  bool settle();
  // Messages name options as keywords (months, max_fit) rather than as --months, --max-fit.
  bool keywords = false;
  // The option `name` as messages name it.
  std::string named(const std::string& name) const;

  // The design and how to read it.
  std::string design;
  HDNetlistOptions netlist;
  bool netlistGiven = false;

  // The place: sea level in New York, the usual reference site.
  float altitude = 0.0f;
  // The altitude's unit as an option states it (true: meters); none: the design's units
  // constraint decides, meters without one.
  std::optional<bool> altitudeMeters;
  int longitude = -74, latitude = 40;
  // The mission: one device for a year at 28 degrees Celsius.
  int devices = 1;
  float months = 12.0f;
  int temperature = 28;
  bool revisedPackageModel = false;
  std::string profile;  // a mission profile instead of the place
  long long missions = 1;

  // What the report holds and where it goes.
  int hierarchyDepth = -1;     // none when negative
  size_t topContributors = 0;  // none when 0
  std::optional<float> maxFit, maxFailures;
  // The derated figures: a mitigation file and the options that win over its keys.
  std::string mitigation;
  std::optional<double> essentialFraction, criticalFraction, scrubHours, repairHours, targetShare;
  bool scrubReadback = false;
  std::string target;
  // Whether any of them is given: the report then has its derated sections.
  bool derated() const;
  // Options a provenance lists only when given: those added after the list was first kept,
  // so that a report that uses none of them records what it always recorded.
  static bool isQuietUnlessGiven(const std::string& name);
  Format format = Format::TEXT;
  bool provenance = false;
  bool conditions = false;  // the section Conditions in text and XML
  std::string date;         // a date for the header; none by default
  std::string output;       // empty: the message log (standard output)
  std::string command;      // the "Command" header item
  // Every option with its effective value, for the provenance ("Option --x").
  std::vector<std::pair<std::string, std::string>> optionItems;

  static constexpr int kDefaultHierarchyDepth = 2;
  static constexpr int kMaxHierarchyDepth = 4096;
  static constexpr size_t kMaxContributors = 100000;

 private:
  std::set<std::string> given_;
};

// Text to numbers, strictly: the whole text must be the number, in range.
namespace Numbers {
// A finite real (a double), or nothing.
std::optional<double> parseDouble(const std::string& text);
// A finite real that a float can hold, or nothing.
std::optional<float> parseFloat(const std::string& text);
// A whole number in [lo, hi] (no fraction, no trailing text), or nothing.
std::optional<long long> parseInteger(const std::string& text, long long lo, long long hi);
}  // namespace Numbers

// Sends the usage message for an option value: "option --x: expected ..., got '...'".
void usageError(const std::string& option, const std::string& expected, const std::string& got);
// Sends the message for two options that cannot go together.
void conflict(const std::string& a, const std::string& b);

}  // namespace HAFITRun
