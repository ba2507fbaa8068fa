#include "shared/fit/base/HAFITMitigation.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "host/report/HCRRpt.h"
#include "host/str/HSTJson.h"
#include "shared/fit/base/HAFITConditions.h"
#include "shared/fit/base/HAFITFloorplan.h"
#include "shared/fit/parser/HAFITNumbers.h"
#include "shared/fit/parser/HAFITSERMgr.h"

namespace {

using HAFITNumbers::narrow;
using HSTJson::number;
using HSTJson::quote;
using Stat = HAFITDerating::Stat;

const std::vector<HAFITMitigation::Target> kTargets = {
    {"iec61508:sil1", "IEC 61508 SIL 1", "PFH below 10^-5 per hour", 10000.0},
    {"iec61508:sil2", "IEC 61508 SIL 2", "PFH below 10^-6 per hour", 1000.0},
    {"iec61508:sil3", "IEC 61508 SIL 3", "PFH below 10^-7 per hour", 100.0},
    {"iec61508:sil4", "IEC 61508 SIL 4", "PFH below 10^-8 per hour", 10.0},
    {"iso26262:asil-b", "ISO 26262 ASIL B", "PMHF below 10^-7 per hour", 100.0},
    {"iso26262:asil-c", "ISO 26262 ASIL C", "PMHF below 10^-7 per hour", 100.0},
    {"iso26262:asil-d", "ISO 26262 ASIL D", "PMHF below 10^-8 per hour", 10.0},
    {"arp4761:major", "ARP4761 Major", "failure-condition probability below 10^-5 per flight hour",
     10000.0},
    {"arp4761:hazardous", "ARP4761 Hazardous",
     "failure-condition probability below 10^-7 per flight hour", 100.0},
    {"arp4761:catastrophic", "ARP4761 Catastrophic",
     "failure-condition probability below 10^-9 per flight hour", 1.0},
};

// The summary's columns: the first "Nominal", "90% CI LL", "90% CI UL".
constexpr size_t kNominal = 2, kLower = 4, kUpper = 6;

struct ClassKey {
  const char* key;
  const char* label;
  int memType;
};
const ClassKey kClasses[] = {{"config", "Configuration Memory", HAFITSERMgr::MEM_CONFIG},
                             {"bram", "Block Memory", HAFITSERMgr::MEM_BRAM},
                             {"yram", "Yotta Memory", HAFITSERMgr::MEM_YRAM},
                             {"hbm", "HBM", HAFITSERMgr::MEM_HBM}};

// A row of the summary as its three statistics, when it has them as numbers.
bool statOf(const HCRRptModel::Row& row, Stat& out) {
  if (row.cells.size() <= kUpper) return false;
  for (size_t c : {kNominal, kLower, kUpper})
    if (row.cells[c].kind != HCRRptModel::Cell::NUMBER) return false;
  out = {row.cells[kNominal].value, row.cells[kLower].value, row.cells[kUpper].value};
  return true;
}

template <typename F>
Stat map(const Stat& s, F f) {
  return {f(s.nominal), f(s.ll), f(s.ul)};
}

// The device summary's expected failures for a FIT sum, with its single-precision steps.
double failures(float S, float months) {
  const float M =
      S > 0 ? narrow(1000000000.0 / S * 0.041666666666666664 * 0.0027397260273972603) : FLT_MAX;
  return M < FLT_MAX ? narrow((1.0 / M) * (months / 12.0)) : 0.0f;
}

std::string statJson(const Stat& s) {
  return "{\"nominal\": " + number(s.nominal) + ", \"ll\": " + number(s.ll) +
         ", \"ul\": " + number(s.ul) + "}";
}

std::string factorJson(const HAFITMitigation::Factor& f) {
  return "{\"value\": " + number(f.value) + ", \"source\": " + quote(f.source) + "}";
}

std::string scrubKey(HAFITMitigation::Scrub s) {
  return s == HAFITMitigation::Scrub::READBACK ? "readback" : "periodic";
}

void headings(HCRRptTable& table, std::initializer_list<const char*> names) {
  HCRRptTableRow row = table.createTableRow(false, "", false);
  for (const char* h : names) row.createTableHeader(h, HCRRptTypes::HALIGN_CENTER, -1, "");
}

void statRow(HCRRptTable& table, const std::string& label, const Stat& s, int precision) {
  HCRRptTableRow row = table.createTableRow(false, "", false);
  row.createTableCell(label, HCRRptTypes::HALIGN_AUTO, "");
  for (double x : {s.nominal, s.ll, s.ul})
    row.createTableCell(x, precision, HCRRptTypes::HALIGN_AUTO, "");
}

void textRow(HCRRptTable& table, std::initializer_list<std::string> cells) {
  HCRRptTableRow row = table.createTableRow(false, "", false);
  for (const std::string& c : cells) row.createTableCell(c, HCRRptTypes::HALIGN_AUTO, "");
}

// A figure for people: `digits` significant digits (the JSON and XML keep every digit).
std::string digits(double x, int digits = 6) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.*g", digits, x);
  return buf;
}

}  // namespace

const HAFITMitigation::Mcu* HAFITMitigation::mcuOf(const std::string& cls) const {
  for (const Mcu& m : mcu)
    if (m.cls == cls) return &m;
  return nullptr;
}

const std::vector<HAFITMitigation::Target>& HAFITMitigation::targets() { return kTargets; }

const HAFITMitigation::Target* HAFITMitigation::findTarget(const std::string& name) {
  for (const Target& t : kTargets)
    if (name == t.name) return &t;
  return nullptr;
}

std::string HAFITMitigation::targetNames() {
  std::string out;
  for (const Target& t : kTargets) out += (out.empty() ? "" : ", ") + std::string(t.name);
  return out;
}

HAFITDerating HAFITDerating::compute(const HAFITMitigation& m, const HAFITFloorplan& floorplan,
                                     const HCRRptDoc& doc, const HAFITConditions& c) {
  HAFITDerating d;
  d.devices = c.devices;
  double configBits = 0.0;
  for (const HAFITConditions::Class& k : c.classes)
    if (std::string(k.key) == "config") configBits = k.exposedBits;
  if (m.essentialBits) {
    d.essentialBits = m.essentialBits->value;
    d.essentialFraction = configBits > 0 ? m.essentialBits->value / configBits : 0.0;
    d.essentialText =
        number(m.essentialBits->value) + " of " + number(configBits) + " configuration bits";
    d.essentialSource = m.essentialBits->source;
  } else if (m.essentialFraction) {
    d.essentialFraction = m.essentialFraction->value;
    d.essentialText = number(d.essentialFraction);
    d.essentialSource = m.essentialFraction->source;
  } else {
    d.essentialText = "1";
    d.essentialSource = "default: every configuration bit counted";
  }
  d.critical = m.criticalFraction;

  // The raw figures as the summary shows them.
  bool hasFailureRow = false;
  Stat failureRow;
  for (const auto& section : doc.sections()) {
    if (section.title != "Device Reliability") continue;
    for (const auto& table : section.tables)
      for (const auto& row : table.rows) {
        if (row.cells.empty() || row.cells[0].kind != HCRRptModel::Cell::TEXT) continue;
        const std::string& label = row.cells[0].text;
        Stat s;
        if (!statOf(row, s)) continue;
        if (label == "Device Failures") {
          hasFailureRow = true;
          failureRow = s;
          continue;
        }
        for (const ClassKey& k : kClasses)
          if (label == std::string(k.label) + " FIT") {
            Class cls;
            cls.key = k.key;
            cls.label = k.label;
            cls.raw = s;
            d.classes.push_back(cls);
          }
      }
  }

  const double e = d.essentialFraction, cf = d.critical.value;
  float rawSum[3] = {0.0f, 0.0f, 0.0f}, afterSum[3] = {0.0f, 0.0f, 0.0f};
  const auto add = [](float(&sum)[3], const Stat& s) {
    sum[0] += narrow(s.nominal);
    sum[1] += narrow(s.ll);
    sum[2] += narrow(s.ul);
  };
  for (Class& cls : d.classes) {
    add(rawSum, cls.raw);
    if (cls.key == "config") {
      cls.essential = map(cls.raw, [&](double x) { return x * e; });
      cls.critical = map(cls.essential, [&](double x) { return x * cf; });
      add(afterSum, cls.critical);
      continue;
    }
    const ClassKey& k = *std::find_if(std::begin(kClasses), std::end(kClasses),
                                      [&](const ClassKey& ck) { return cls.key == ck.key; });
    cls.protectedBits = cls.key == "bram"   ? static_cast<double>(floorplan.getBramProtectedBits())
                        : cls.key == "yram" ? floorplan.getYramProtectedBits()
                                            : floorplan.getHbmProtectedBits();
    if (const HAFITMitigation::Mcu* mcu = m.mcuOf(cls.key)) cls.mcu = mcu->fraction;
    cls.hasProtectedFit = floorplan.classFit(k.memType, cls.protectedBits, cls.protectedFit.nominal,
                                             cls.protectedFit.ll, cls.protectedFit.ul);
    const double mf = cls.mcu.value;
    cls.residual = map(cls.protectedFit, [&](double x) { return x * mf; });
    cls.after = {cls.raw.nominal + cls.residual.nominal, cls.raw.ll + cls.residual.ll,
                 cls.raw.ul + cls.residual.ul};
    add(afterSum, cls.after);
  }
  d.rawTotal = {rawSum[0], rawSum[1], rawSum[2]};
  d.afterTotal = {afterSum[0], afterSum[1], afterSum[2]};
  d.hasPerDevice = c.devices > 0;
  if (d.hasPerDevice) d.afterPerDevice = map(d.afterTotal, [&](double x) { return x / c.devices; });

  d.hasFailures = hasFailureRow;
  if (hasFailureRow) {
    d.failuresBefore = failureRow;
    d.failuresAfter = {failures(afterSum[0], c.months), failures(afterSum[1], c.months),
                       failures(afterSum[2], c.months)};
    const auto probability = [](double n) { return -std::expm1(-n); };
    d.probabilityBefore = map(d.failuresBefore, probability);
    d.probabilityAfter = map(d.failuresAfter, probability);
  }

  if (m.scrub != HAFITMitigation::Scrub::NONE) {
    Availability a{};
    a.scrub = m.scrub;
    a.scrubHours = m.scrubHours;
    if (m.scrub == HAFITMitigation::Scrub::READBACK) {
      a.detectionHours = static_cast<double>(m.detectionMs) / 3600000.0;
      a.scrubText = "readback: the device's average detection time, " + number(m.detectionMs) +
                    " ms (" + m.detectionFrom + ")";
    } else {
      a.detectionHours = m.scrubHours / 2.0;
      a.scrubText = "periodic, every " + number(m.scrubHours) + " h";
    }
    a.scrubSource = m.scrubSource;
    a.repairHours = m.repairHours.value;
    a.repairSource = m.repairHours.source;
    a.mttrHours = a.detectionHours + a.repairHours;
    a.hasDevice = c.devices > 0;
    double configCritical = 0.0;
    for (const Class& cls : d.classes)
      if (cls.key == "config") configCritical = cls.critical.nominal;
    if (a.hasDevice) {
      a.criticalFitPerDevice = configCritical / c.devices;
      a.unavailability = a.criticalFitPerDevice * a.mttrHours / 1e9;
      a.availability = 1.0 - a.unavailability;
      a.hoursPerYear = a.unavailability * 8760.0;
    }
    d.availability = a;
  }

  if (const HAFITMitigation::Target* t = HAFITMitigation::findTarget(m.target)) {
    TargetResult r{};
    r.name = t->name;
    r.standard = t->standard;
    r.measure = t->measure;
    r.budgetFit = t->budgetFit;
    r.share = m.targetShare.value;
    r.shareSource = m.targetShare.source;
    r.targetSource = m.targetSource;
    r.allottedFit = r.budgetFit * r.share;
    r.checked = d.hasPerDevice;
    if (r.checked) {
      r.fitPerDevice = d.afterPerDevice.nominal;
      r.marginFit = r.allottedFit - r.fitPerDevice;
      r.met = r.fitPerDevice < r.allottedFit;
    }
    d.target = r;
  }

  double configRaw = 0.0;
  for (const Class& cls : d.classes)
    if (cls.key == "config") configRaw = cls.raw.nominal;
  for (const HAFITMitigation::Instance& i : m.instances)
    d.instances.push_back(
        {i, configBits > 0 ? configRaw * (i.essentialBits / configBits) * cf : 0.0});
  std::stable_sort(d.instances.begin(), d.instances.end(),
                   [](const Instance& a, const Instance& b) {
                     if (a.given.essentialBits != b.given.essentialBits)
                       return a.given.essentialBits > b.given.essentialBits;
                     return a.given.path < b.given.path;
                   });
  return d;
}

void HAFITDerating::writeSections(HCRRptDoc& doc) const {
  {
    HCRRptSection section = doc.createSection("Derated Reliability", "");
    HCRRptTable factors = section.createTable("", HCRRptTypes::TABLE_STYLE_BOXED, "");
    headings(factors, {"Factor", "Value", "Source"});
    textRow(factors, {"Essential fraction", essentialText, essentialSource});
    textRow(factors, {"Critical fraction", digits(critical.value), critical.source});
    for (const Class& cls : classes) {
      if (cls.key == "config") continue;
      textRow(factors, {cls.label + " protected bits", number(cls.protectedBits),
                        "the design: declared protected bits and ECC blocks"});
      textRow(factors, {cls.label + " multi-bit fraction", digits(cls.mcu.value), cls.mcu.source});
    }
    HCRRptTable ladder = section.createTable("", HCRRptTypes::TABLE_STYLE_BOXED, "");
    headings(ladder, {"FIT", "Nominal", "90% CI LL", "90% CI UL"});
    for (const Class& cls : classes) {
      if (cls.key == "config") {
        statRow(ladder, cls.label + ", raw", cls.raw, 0);
        statRow(ladder, cls.label + ", essential", cls.essential, 0);
        statRow(ladder, cls.label + ", critical", cls.critical, 0);
      } else {
        statRow(ladder, cls.label + ", exposed", cls.raw, 0);
        if (cls.hasProtectedFit) {
          statRow(ladder, cls.label + ", protected bits", cls.protectedFit, 0);
          statRow(ladder, cls.label + ", residual", cls.residual, 0);
        }
        statRow(ladder, cls.label + ", after mitigation", cls.after, 0);
      }
    }
    statRow(ladder, "Device, raw", rawTotal, 0);
    statRow(ladder, "Device, after mitigation", afterTotal, 0);
    if (hasPerDevice && devices != 1)
      statRow(ladder, "Per device, after mitigation", afterPerDevice, 0);
  }
  if (hasFailures) {
    HCRRptTable table = doc.createSection("Mission Probability", "")
                            .createTable("", HCRRptTypes::TABLE_STYLE_BOXED, "");
    headings(table, {"Over the mission", "Nominal", "90% CI LL", "90% CI UL"});
    statRow(table, "Expected failures, raw", failuresBefore, 0);
    statRow(table, "Probability of a failure, raw", probabilityBefore, 4);
    statRow(table, "Expected failures, after mitigation", failuresAfter, 0);
    statRow(table, "Probability of a failure, after mitigation", probabilityAfter, 4);
  }
  if (availability) {
    const Availability& a = *availability;
    HCRRptTable table =
        doc.createSection("Availability", "").createTable("", HCRRptTypes::TABLE_STYLE_BOXED, "");
    headings(table, {"Figure", "Value", "Source"});
    textRow(table,
            {"Scrubbing", a.scrub == HAFITMitigation::Scrub::READBACK ? "readback" : "periodic",
             a.scrubSource});
    textRow(table, {"Detection time (h)", digits(a.detectionHours),
                    a.scrub == HAFITMitigation::Scrub::READBACK ? a.scrubText
                                                                : "half the scrub interval"});
    textRow(table, {"Repair time (h)", digits(a.repairHours), a.repairSource});
    textRow(table, {"MTTR (h)", digits(a.mttrHours), "detection + repair"});
    if (!a.hasDevice) {
      textRow(table, {"Availability", "(none: 0 devices)", ""});
    } else {
      textRow(table, {"Critical configuration FIT per device", digits(a.criticalFitPerDevice),
                      "configuration memory, critical"});
      textRow(table, {"Unavailability per device", digits(a.unavailability), "FIT x MTTR / 10^9"});
      // Twelve digits: an availability close to 1 keeps its nines.
      textRow(table, {"Availability per device", digits(a.availability, 12), "1 - unavailability"});
      textRow(table, {"Hours per year with an uncorrected critical upset", digits(a.hoursPerYear),
                      "unavailability x 8760"});
    }
  }
  if (target) {
    const TargetResult& t = *target;
    HCRRptTable table =
        doc.createSection("Safety Target", "").createTable("", HCRRptTypes::TABLE_STYLE_BOXED, "");
    headings(table, {"Figure", "Value", "Source"});
    textRow(table, {"Target", t.name, t.standard + ": " + t.measure});
    textRow(table, {"Target (FIT per device)", digits(t.budgetFit), t.targetSource});
    textRow(table, {"Share for this device's soft errors", digits(t.share), t.shareSource});
    textRow(table, {"Allotted (FIT per device)", digits(t.allottedFit), "target x share"});
    textRow(table,
            {"FIT per device after mitigation", t.checked ? digits(t.fitPerDevice) : "(none)",
             t.checked ? "nominal" : "the report is of 0 devices"});
    if (t.checked) textRow(table, {"Margin (FIT)", digits(t.marginFit), "allotted - FIT"});
    textRow(table, {"Result", t.result(), "pass when the FIT is below the allotted"});
  }
  if (!instances.empty()) {
    HCRRptTable table = doc.createSection("Essential Bits by Instance", "")
                            .createTable("", HCRRptTypes::TABLE_STYLE_BOXED, "");
    headings(table, {"Instance", "Essential bits", "Matches", "Critical FIT", "Source"});
    for (const Instance& i : instances) {
      HCRRptTableRow row = table.createTableRow(false, "", false);
      row.createTableCell(i.given.path, HCRRptTypes::HALIGN_AUTO, "");
      row.createTableCell(number(i.given.essentialBits), HCRRptTypes::HALIGN_RIGHT, "");
      row.createTableCell(
          (i.given.matchesComplete ? "" : "at least ") + std::to_string(i.given.matches),
          HCRRptTypes::HALIGN_RIGHT, "");
      row.createTableCell(i.criticalFit, 0, HCRRptTypes::HALIGN_AUTO, "");
      row.createTableCell(i.given.source, HCRRptTypes::HALIGN_AUTO, "");
    }
  }
}

std::string HAFITDerating::json() const {
  std::string out = "{\n";
  const auto member = [&out](const std::string& key, const std::string& value, bool last = false) {
    out += "    " + quote(key) + ": " + value + (last ? "\n" : ",\n");
  };
  std::string mcu;
  for (const Class& cls : classes)
    if (cls.key != "config")
      mcu += (mcu.empty() ? "" : ", ") + quote(cls.key) + ": " + factorJson(cls.mcu);
  member("factors", "{\"essential_fraction\": {\"value\": " + number(essentialFraction) +
                        ", \"source\": " + quote(essentialSource) + "}, \"essential_bits\": " +
                        (essentialBits ? number(*essentialBits) : "null") +
                        ", \"critical_fraction\": " + factorJson(critical) +
                        ", \"mcu_fraction\": {" + mcu + "}}");
  std::string list;
  for (const Class& cls : classes) {
    std::string o = "{\"class\": " + quote(cls.key) + ", \"raw\": " + statJson(cls.raw);
    if (cls.key == "config") {
      o += ", \"essential\": " + statJson(cls.essential) +
           ", \"critical\": " + statJson(cls.critical);
    } else {
      o += ", \"protected_bits\": " + number(cls.protectedBits) +
           ", \"protected\": " + (cls.hasProtectedFit ? statJson(cls.protectedFit) : "null") +
           ", \"residual\": " + statJson(cls.residual) + ", \"after\": " + statJson(cls.after);
    }
    list += (list.empty() ? "\n      " : ",\n      ") + o + "}";
  }
  member("classes", "[" + list + "\n    ]");
  member("device",
         "{\"raw\": " + statJson(rawTotal) + ", \"after\": " + statJson(afterTotal) +
             ", \"after_per_device\": " + (hasPerDevice ? statJson(afterPerDevice) : "null") + "}");
  member("mission", !hasFailures
                        ? "null"
                        : "{\"failures_before\": " + statJson(failuresBefore) +
                              ", \"probability_before\": " + statJson(probabilityBefore) +
                              ", \"failures_after\": " + statJson(failuresAfter) +
                              ", \"probability_after\": " + statJson(probabilityAfter) + "}");
  if (availability) {
    const Availability& a = *availability;
    const auto perDevice = [&](double x) { return a.hasDevice ? number(x) : "null"; };
    member("availability",
           "{\"scrub\": " + quote(scrubKey(a.scrub)) + ", \"scrub_interval_h\": " +
               (a.scrub == HAFITMitigation::Scrub::PERIODIC ? number(a.scrubHours) : "null") +
               ", \"detection_h\": " + number(a.detectionHours) +
               ", \"repair_h\": " + number(a.repairHours) + ", \"mttr_h\": " + number(a.mttrHours) +
               ", \"critical_fit_per_device\": " + perDevice(a.criticalFitPerDevice) +
               ", \"unavailability\": " + perDevice(a.unavailability) + ", \"availability\": " +
               perDevice(a.availability) + ", \"hours_per_year\": " + perDevice(a.hoursPerYear) +
               ", \"source\": " + quote(a.scrubText) +
               ", \"scrub_source\": " + quote(a.scrubSource) + "}");
  } else {
    member("availability", "null");
  }
  if (target) {
    const TargetResult& t = *target;
    member("target", "{\"name\": " + quote(t.name) + ", \"budget_fit\": " + number(t.budgetFit) +
                         ", \"share\": " + number(t.share) +
                         ", \"allotted_fit\": " + number(t.allottedFit) +
                         ", \"fit_per_device\": " + (t.checked ? number(t.fitPerDevice) : "null") +
                         ", \"margin_fit\": " + (t.checked ? number(t.marginFit) : "null") +
                         ", \"result\": " + quote(t.result()) + "}");
  } else {
    member("target", "null");
  }
  std::string inst;
  for (const Instance& i : instances)
    inst += (inst.empty() ? "\n      " : ",\n      ") + std::string("{\"path\": ") +
            quote(i.given.path) + ", \"essential_bits\": " + number(i.given.essentialBits) +
            ", \"matches\": " + std::to_string(i.given.matches) +
            ", \"matches_complete\": " + (i.given.matchesComplete ? "true" : "false") +
            ", \"critical_fit\": " + number(i.criticalFit) +
            ", \"source\": " + quote(i.given.source) + "}";
  member("instances", "[" + inst + (inst.empty() ? "]" : "\n    ]"), true);
  return out + "  }";
}
