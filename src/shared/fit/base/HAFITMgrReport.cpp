// The FIT report command.
#include <ios>
#include <memory>
#include <utility>

#include "host/design/db/HDesign.h"
#include "host/env/HUTEnv.h"
#include "host/msg/ComMsgMgr.h"
#include "host/report/HCRRpt.h"
#include "host/str/HSTJson.h"
#include "host/str/HSTStrUtils.h"
#include "host/stream/ComMsgMgrReportOstream.h"
#include "host/stream/HUTFileWriteStream.h"
#include "shared/fit/base/HAFITConditions.h"
#include "shared/fit/base/HAFITFamily.h"
#include "shared/fit/base/HAFITFloorplan.h"
#include "shared/fit/base/HAFITHierarchy.h"
#include "shared/fit/base/HAFITMgr.h"
#include "shared/fit/base/HAFITReport.h"
#include "shared/fit/parser/HAFITNumbers.h"
#include "shared/fit/parser/HAFITSERMgr.h"

bool HAFITMgr::altitudeInMeters(const HFLFloorplan* design) {
  bool meters = true;
  const HDCSet* set = design->getConstraintSet();
  if (!set) return meters;
  std::unique_ptr<HDCSetIter> it(set->createIter());
  while (it->more()) {
    const auto* units = dynamic_cast<const HASCSetUnits*>(it->next());
    if (!units) continue;
    const std::string unit = units->getAltitudeUnit();
    meters = HSTStrUtils::compareCI(unit.c_str(), "meters") == 0;
  }
  return meters;
}

// Strings by value: a fixed signature of the library's interface.
// NOLINTNEXTLINE(performance-unnecessary-value-param)
void HAFITMgr::reportFit(HFLFloorplan* hflFloorplan, std::string fileName, std::string command,
                         float altitude, int longitude, int latitude, int devices, float months,
                         int temperature, bool revisedPackageModel, bool xml) {
  ReportRequest r;
  r.fileName = std::move(fileName);
  r.command = std::move(command);
  r.altitude = altitude;
  r.longitude = longitude;
  r.latitude = latitude;
  r.devices = devices;
  r.months = months;
  r.temperature = temperature;
  r.revisedPackageModel = revisedPackageModel;
  r.format = xml ? HAFITReport::Format::XML : HAFITReport::Format::TEXT;
  reportFit(hflFloorplan, r);
}

namespace {
using Items = std::vector<std::pair<std::string, std::string>>;

// A request's report: its floorplan walked and set up with the request's figures and flux,
// and the breakdown the walk told when one is asked for.
struct PreparedReport {
  HAFITHierarchy hierarchy;
  Items provenance;
  HAFITConditions conditions;
  std::optional<HAFITMitigation> mitigation;
  std::unique_ptr<HAFITFloorplan> floorplan;
  std::unique_ptr<HAFITReport> report;
};

// The unit of the request's altitude and what decided it.
void altitudeUnit(const HFLFloorplan* design, const HAFITMgr::ReportRequest& r,
                  HAFITConditions& c) {
  if (r.altitudeMeters) {
    c.meters = *r.altitudeMeters;
    c.unitFrom = HAFITConditions::UnitFrom::OPTION;
    c.unitText = r.unitOption;
    return;
  }
  c.meters = HAFITMgr::altitudeInMeters(design);
  const HDCSet* set = design->getConstraintSet();
  if (!set) return;
  for (const auto& item : set->items())
    if (const auto* units = dynamic_cast<const HASCSetUnits*>(item.get())) {
      c.unitFrom = HAFITConditions::UnitFrom::UNITS_CONSTRAINT;
      c.unitText = units->getAltitudeUnit();  // the last one decides
    }
}

// The mission, the device's data and the bits of the classes the family reports.
void describeRun(HAFITMgr& mgr, const HFLFloorplan* design, const HAFITFloorplan& floorplan,
                 const HAFITMgr::ReportRequest& r, HAFITConditions& c) {
  c.temperature = r.temperature;
  c.devices = r.devices;
  c.months = r.months;
  c.revisedPackageModel = r.revisedPackageModel;
  c.profile = r.profile;
  const HDARPart* part = design->getPart();
  c.part = part->getName();
  c.device = part->getPlaceArch()->getDeviceName();
  const HAFITFamily* family = HAFITFamilyOf(&floorplan);
  c.family = family ? family->name : "";
  const std::string key = HAFITSERMgr::familyKey(design);
  const std::string rel = "fit/SoftErrorRate.xml";
  c.rateDirectory = HUTEnv::getOVKDataDir(rel);
  if (!c.rateDirectory.empty()) c.rateFile = c.rateDirectory + "/" + rel;
  const HAFITSERMgr* ser = mgr.getSERMgr();
  if (const HAFITTempData* t = ser ? ser->getTempData(key) : nullptr) {
    c.slope = t->slope;
    c.intercept = t->intercept;
    // As the class writers form it.
    c.temperatureFactor = t->slope * static_cast<float>(r.temperature) + t->intercept;
  }
  const HDPYRouteData* route = HDPYRouteStorage::getRouteData(design);
  struct ClassOf {
    HAFITSERMgr::MemType type;
    const char* key;
    const char* label;
    double bits;
  };
  const ClassOf all[] = {
      {HAFITSERMgr::MEM_CONFIG, "config", "Configuration Memory",
       static_cast<double>(route ? route->getConfigBitCount() : 0u)},
      {HAFITSERMgr::MEM_BRAM, "bram", "Block Memory",
       static_cast<double>(static_cast<uint32_t>(floorplan.getBramBits()))},
      {HAFITSERMgr::MEM_YRAM, "yram", "Yotta Memory",
       static_cast<double>(HAFITFloorplan::toUint32Saturating(floorplan.getYramUnprotectedBits()))},
      {HAFITSERMgr::MEM_HBM, "hbm", "HBM", floorplan.getHbmUnprotectedBits()},
  };
  const unsigned classes = family ? family->designClasses : 0u;
  for (const ClassOf& k : all) {
    if (k.type != HAFITSERMgr::MEM_CONFIG && !(classes & (1u << k.type))) continue;
    HAFITConditions::Class cls{k.key, k.label, k.bits, std::nullopt, std::nullopt};
    if (const HAFITSERData* d = ser ? ser->getSerData(key, k.type) : nullptr)
      cls.rate = HAFITConditions::Rate{d->nominal, d->lowerLimit, d->upperLimit};
    if (const HAFITSERData* d = ser ? ser->getAlphaData(key, k.type) : nullptr)
      cls.alpha = HAFITConditions::Rate{d->nominal, d->lowerLimit, d->upperLimit};
    c.classes.push_back(cls);
  }
  c.notAnalysed = HAFITNotAnalysed::find(*design, floorplan);
}

std::unique_ptr<HAFITFloorplan> prepareFloorplan(HAFITMgr& mgr, HFLFloorplan* hflFloorplan,
                                                 const HAFITMgr::ReportRequest& r,
                                                 HAFITHierarchy& hierarchy, Items& provenance,
                                                 HAFITConditions& conditions,
                                                 HAFITMgr::ReportOutcome& outcome) {
  HAFITConditions& c = conditions;
  altitudeUnit(hflFloorplan, r, c);
  const bool meters = c.meters;
  // The family comes from the architecture type; other devices are refused.
  std::unique_ptr<HAFITFloorplan> floorplan(HAFITFloorplan::createOrRefuse(hflFloorplan));
  if (!floorplan) {
    outcome = HAFITMgr::ReportOutcome::UNSUPPORTED_DEVICE;
    return nullptr;
  }

  // The breakdown is told each cell definition once by the walk.
  const bool breakdown = r.hierarchyDepth >= 0 || r.topContributors > 0;
  if (breakdown) floorplan->setWalkObserver(&hierarchy);
  floorplan->traverseCellview(hflFloorplan->getNetlist()->getTopCellview());
  floorplan->setWalkObserver(nullptr);
  floorplan->setDevices(r.devices);
  floorplan->setMonths(r.months);
  floorplan->setTemp(static_cast<float>(r.temperature));
  floorplan->setRevisedPackageModel(r.revisedPackageModel);

  // A missing data file was reported when the manager was created.
  if (!mgr.getSERMgr() || !mgr.getDetectMgr() || !mgr.getRCMgr()) {
    outcome = HAFITMgr::ReportOutcome::MISSING_DATA;
    return nullptr;
  }

  describeRun(mgr, hflFloorplan, *floorplan, r, c);
  c.altitudeGiven = r.altitude;
  c.longitude = r.longitude;
  c.latitude = r.latitude;
  if (r.flux) {
    c.model = "profile";
    c.flux = *r.flux;
    floorplan->setFlux(*r.flux);
    if (r.provenance) {
      provenance = r.provenanceItems;
      provenance.emplace_back("Flux model", "mission profile (time-weighted mean)");
      provenance.emplace_back("Relative flux", HSTJson::number(*r.flux));
    }
  } else {
    const float altitudeM =
        meters ? r.altitude : HAFITNumbers::narrow(static_cast<double>(r.altitude) * 0.3048);
    // The same cap and model as `seufit flux` shows for the place.
    const HAFITMgr::FluxPoint point = mgr.fluxAt(altitudeM, r.longitude, r.latitude);
    floorplan->setFlux(point.flux);
    c.altitudeMeters = point.altitude;
    c.capped = point.altitude != altitudeM;
    c.model = point.model;
    c.cutoff = point.cutoff;
    c.flux = point.flux;
    if (r.provenance) {
      provenance = r.provenanceItems;
      provenance.emplace_back("Altitude (m, capped)", HSTJson::number(point.altitude));
      provenance.emplace_back("Flux model", point.model);
      provenance.emplace_back("Rigidity cutoff (GV)", HSTJson::number(point.cutoff));
      provenance.emplace_back("Relative flux", HSTJson::number(point.flux));
    }
  }
  return floorplan;
}

// False with the outcome when the device is refused or a data file is missing.
bool prepareReport(HAFITMgr& mgr, HFLFloorplan* hflFloorplan, const HAFITMgr::ReportRequest& r,
                   PreparedReport& p, HAFITMgr::ReportOutcome& outcome) {
  outcome = HAFITMgr::ReportOutcome::NOT_RUN;
  p.floorplan =
      prepareFloorplan(mgr, hflFloorplan, r, p.hierarchy, p.provenance, p.conditions, outcome);
  if (!p.floorplan) return false;
  p.report = std::make_unique<HAFITReport>(p.floorplan.get());
  p.report->setConditions(&p.conditions, r.conditions);
  p.report->setBudgets(r.budgets);
  p.mitigation = r.mitigation;
  if (p.mitigation) p.report->setMitigation(&*p.mitigation);
  if (r.hierarchyDepth >= 0 || r.topContributors > 0)
    p.report->setHierarchy(&p.hierarchy, r.hierarchyDepth, r.topContributors);
  return true;
}

HAFITMgr::ReportFigures figuresOf(const HAFITReport::Figures& f, const HAFITFloorplan& floorplan) {
  HAFITMgr::ReportFigures out;
  out.outcome =
      f.nonFinite.empty() ? HAFITMgr::ReportOutcome::WRITTEN : HAFITMgr::ReportOutcome::NON_FINITE;
  out.hasFit = f.hasFit;
  out.deviceFit = f.deviceFit;
  out.hasFailures = f.hasFailures;
  out.deviceFailures = f.deviceFailures;
  out.nonFinite = f.nonFinite;
  out.negative = f.negative;
  out.saturated = floorplan.saturatedTotals();
  out.derating = f.derating;
  return out;
}
}  // namespace

struct HAFITMgr::Analysis::Parts {
  PreparedReport prepared;
  HCRRptDoc doc;
};

HAFITMgr::Analysis::Analysis() : parts_(std::make_unique<Parts>()) {}
HAFITMgr::Analysis::~Analysis() = default;

HCRRptDoc& HAFITMgr::Analysis::document() { return parts_->doc; }

HAFITFloorplan* HAFITMgr::Analysis::floorplan() { return parts_->prepared.floorplan.get(); }

const HAFITConditions& HAFITMgr::Analysis::conditions() const {
  return parts_->prepared.conditions;
}

void HAFITMgr::Analysis::render(std::ostream& os, const std::string& command,
                                HAFITReport::Format format) {
  if (figures_.outcome != ReportOutcome::WRITTEN) return;
  PreparedReport& p = parts_->prepared;
  p.report->render(parts_->doc, os, command, format, p.provenance);
}

std::unique_ptr<HAFITMgr::Analysis> HAFITMgr::analyse(HFLFloorplan* hflFloorplan,
                                                      const ReportRequest& r) {
  std::unique_ptr<Analysis> a(new Analysis);
  PreparedReport& p = a->parts_->prepared;
  if (!prepareReport(*this, hflFloorplan, r, p, a->figures_.outcome)) return a;
  HAFITReport::Figures figures;
  a->parts_->doc = p.report->document(figures);
  a->figures_ = figuresOf(figures, *p.floorplan);
  return a;
}

HAFITMgr::ReportFigures HAFITMgr::reportDocument(HFLFloorplan* hflFloorplan, const ReportRequest& r,
                                                 HCRRptDoc& doc) {
  std::unique_ptr<Analysis> a = analyse(hflFloorplan, r);
  lastOutcome_ = a->figures().outcome;
  if (lastOutcome_ == ReportOutcome::WRITTEN) doc = std::move(a->document());
  return a->figures();
}

HAFITMgr::ReportFigures HAFITMgr::reportFit(HFLFloorplan* hflFloorplan, const ReportRequest& r) {
  std::unique_ptr<Analysis> a = analyse(hflFloorplan, r);
  ReportFigures figures = a->figures();
  if (figures.outcome == ReportOutcome::WRITTEN) {
    if (!r.fileName.empty()) {
      // Replaces the file only when the whole report was written; a failure is reported
      // with the path and the reason and leaves the file as it was.
      HUTFileWriteStream stream;
      stream.open(r.fileName, std::ios_base::out);
      a->render(stream, r.command, r.format);
      if (!stream.close()) figures.outcome = ReportOutcome::WRITE_FAILED;
    } else {
      ComMsgMgrReportOstream stream;
      a->render(stream, r.command, r.format);
    }
  }
  lastOutcome_ = figures.outcome;
  return figures;
}
