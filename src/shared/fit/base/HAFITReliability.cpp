// The memory-class reliability tables and the device summary shared by the families.
#include <cfloat>
#include <cmath>
#include <string>
#include <unordered_map>

#include "host/design/db/HDesign.h"
#include "host/report/HCRRpt.h"
#include "host/str/HSTStrUtils.h"
#include "shared/fit/base/HAFITFloorplan.h"
#include "shared/fit/base/HAFITMgr.h"
#include "shared/fit/parser/HAFITNumbers.h"
#include "shared/fit/parser/HAFITSERMgr.h"

namespace {

using ResultMap = std::unordered_map<std::string, float>;

const HCRRptTypes::HALIGN kAlignLeft = static_cast<HCRRptTypes::HALIGN>(0);
const HCRRptTypes::HALIGN kAlignHeading = static_cast<HCRRptTypes::HALIGN>(1);
const HCRRptTypes::HALIGN kAlignInf = static_cast<HCRRptTypes::HALIGN>(4);
const HCRRptTypes::TABLE_STYLE kTableStyle = static_cast<HCRRptTypes::TABLE_STYLE>(2);

using HAFITNumbers::narrow;

// Years between failures for a rate of x FIT: 10^9 hours, then per day, per year.
double mtbfYears(double x) {
  return 1000000000.0 / x * 0.041666666666666664 * 0.0027397260273972603;
}

struct ClassRows {
  HAFITSERMgr::MemType type;
  const char* prefix;
  const char* fitLabel;
  const char* mtbfLabel;
};

const ClassRows kCram{HAFITSERMgr::MEM_CONFIG, "Cram", "Configuration Memory FIT",
                      "Configuration Memory MTBF"};
const ClassRows kBram{HAFITSERMgr::MEM_BRAM, "Bram", "Block Memory FIT", "Block Memory MTBF"};
const ClassRows kYram{HAFITSERMgr::MEM_YRAM, "Yram", "Yotta Memory FIT", "Yotta Memory MTBF"};
const ClassRows kHbm{HAFITSERMgr::MEM_HBM, "Hbm", "HBM FIT", "HBM MTBF"};

// The five figures of a class: -50%, nominal, +100%, lower and upper bound.
template <typename Real>
struct Figures {
  Real half, nominal, twice, lower, upper;
};

template <typename Real>
void storeAndWriteRows(const ClassRows& cls, const Figures<Real>& f, HCRRptTable& table,
                       ResultMap& map) {
  const std::string p = cls.prefix;
  map[p + "Fit50"] = narrow(f.half);
  map[p + "Fit100"] = narrow(f.twice);
  map["ll" + p + "Fit"] = narrow(f.lower);
  map["nominal" + p + "Fit"] = narrow(f.nominal);
  map["ul" + p + "Fit"] = narrow(f.upper);

  const Real cells[6] = {f.half, f.nominal, f.twice, f.lower, f.nominal, f.upper};
  HCRRptTableRow fit = table.createTableRow(false, "", false);
  fit.createTableCell(std::string(cls.fitLabel), kAlignLeft, "");
  for (Real x : cells) fit.createTableCell(static_cast<double>(x), 0, kAlignLeft, "");

  HCRRptTableRow mtbf = table.createTableRow(false, "", false);
  mtbf.createTableCell(std::string(cls.mtbfLabel), kAlignLeft, "");
  for (Real x : cells) {
    if (x > 0)
      mtbf.createTableCell(mtbfYears(static_cast<double>(x)), 1, kAlignLeft, "");
    else
      mtbf.createTableCell(std::string("inf"), kAlignInf, "");
  }
}

// What a class's figures depend on besides its bits.
struct RunParams {
  const HFLFloorplan* design;
  int devices;
  float flux;
  float temp;
  bool revisedPackageModel;
};

// Nominal, lower and upper FIT of `bits` bits of a class, in double; false when the
// family's data lack the class.
bool classFigures(HAFITSERMgr::MemType type, double bits, const RunParams& run, double& nominal,
                  double& lower, double& upper) {
  HAFITSERMgr* ser = HAFITMgr::getGlobal()->getSERMgr();
  const std::string key = HAFITSERMgr::familyKey(run.design);
  const HAFITSERData* serData = ser->getSerData(key, type);
  const HAFITSERData* alpha = ser->getAlphaData(key, type);
  const HAFITTempData* temp = ser->getTempData(key);
  if (!serData || !alpha || !temp) return false;

  const double B = bits / 1000000.0;
  const float T = temp->slope * run.temp + temp->intercept;
  const float s = serData->nominal, sL = serData->lowerLimit, sU = serData->upperLimit;
  const float a = alpha->nominal, aL = alpha->lowerLimit, aU = alpha->upperLimit;
  const float F = run.flux;
  const int N = run.devices;

  if (!run.revisedPackageModel) {
    nominal = s * B * F * N * T;
    lower = (1 + sL) * s * B * F * N * T;
    upper = (1 + sU) * s * B * F * N * T;
  } else {
    // The package's alpha share leaves the neutron rate and is added unscaled by the flux.
    const float sMinusA = s - a / 9.0f;
    nominal = sMinusA * B * F * N * T + a * B * N * T;
    lower = ((1 + sL) * s - (1 + aL) * a / 9.0) * B * F * N * T + (1 + aL) * a * B * N * T;
    upper = ((1 + sU) * s - (1 + aU) * a / 9.0) * B * F * N * T + (1 + aU) * a * B * N * T;
  }
  return true;
}

// One class's FIT and MTBF rows. Configuration, block and YRAM figures are single
// precision; HBM keeps double precision until its figures enter the map.
void writeClassReliability(const ClassRows& cls, double bits, bool doublePrecision,
                           const RunParams& run, HCRRptTable& table, ResultMap& map) {
  double nominal, lower, upper;
  if (!classFigures(cls.type, bits, run, nominal, lower, upper))
    return;  // the class is absent from the report

  if (doublePrecision) {
    storeAndWriteRows(cls, Figures<double>{0.5 * nominal, nominal, nominal + nominal, lower, upper},
                      table, map);
  } else {
    // Each figure is narrowed once; -50% and +100% come from the narrowed nominal.
    const float nominalF = narrow(nominal);
    storeAndWriteRows(cls,
                      Figures<float>{0.5f * nominalF, nominalF, nominalF + nominalF, narrow(lower),
                                     narrow(upper)},
                      table, map);
  }
}

}  // namespace

void HAFITFloorplan::writeCRMReliability(HCRRptDoc&, HCRRptTable& table, ResultMap& map) {
  const HDPYRouteData* route = HDPYRouteStorage::getRouteData(hflFloorplan_);
  const uint32_t bits = route ? route->getConfigBitCount() : 0u;
  writeClassReliability(kCram, bits, false,
                        RunParams{hflFloorplan_, devices_, flux_, temp_, revisedPackageModel_},
                        table, map);
}

void HAFITFloorplan::writeBRMReliability(HCRRptDoc&, HCRRptTable& table, ResultMap& map) {
  // The walk keeps bramBits_ within 0..INT32_MAX, so the unsigned reading is its value.
  writeClassReliability(kBram, static_cast<uint32_t>(bramBits_), false,
                        RunParams{hflFloorplan_, devices_, flux_, temp_, revisedPackageModel_},
                        table, map);
}

void HAFITFloorplan::writeYRMReliability(HCRRptDoc&, HCRRptTable& table, ResultMap& map) {
  writeClassReliability(kYram, toUint32Saturating(yramUnprotectedBits_), false,
                        RunParams{hflFloorplan_, devices_, flux_, temp_, revisedPackageModel_},
                        table, map);
}

void HAFITFloorplan::writeHBMReliability(HCRRptDoc&, HCRRptTable& table, ResultMap& map) {
  writeClassReliability(kHbm, hbmUnprotectedBits_, true,
                        RunParams{hflFloorplan_, devices_, flux_, temp_, revisedPackageModel_},
                        table, map);
}

bool HAFITFloorplan::nominalFit(int memType, double bits, double& fit) const {
  const RunParams run{hflFloorplan_, devices_, flux_, temp_, revisedPackageModel_};
  double nominal, lower, upper;
  switch (memType) {
    case HAFITSERMgr::MEM_BRAM: {
      // As bramBits_ holds them: never negative, saturated at INT32_MAX.
      const double held = bits > 0.0 ? std::fmin(bits, 2147483647.0) : 0.0;
      if (!classFigures(HAFITSERMgr::MEM_BRAM, static_cast<uint32_t>(held), run, nominal, lower,
                        upper))
        return false;
      fit = narrow(nominal);
      return true;
    }
    case HAFITSERMgr::MEM_YRAM:
      if (!classFigures(HAFITSERMgr::MEM_YRAM, toUint32Saturating(bits), run, nominal, lower,
                        upper))
        return false;
      fit = narrow(nominal);
      return true;
    case HAFITSERMgr::MEM_HBM:
      if (!classFigures(HAFITSERMgr::MEM_HBM, bits, run, nominal, lower, upper)) return false;
      fit = nominal;
      return true;
    default:
      return false;
  }
}

bool HAFITFloorplan::classFit(int memType, double bits, double& nominal, double& lower,
                              double& upper) const {
  if (memType < HAFITSERMgr::MEM_CONFIG || memType > HAFITSERMgr::MEM_HBM) return false;
  const RunParams run{hflFloorplan_, devices_, flux_, temp_, revisedPackageModel_};
  if (!classFigures(static_cast<HAFITSERMgr::MemType>(memType), bits, run, nominal, lower, upper))
    return false;
  if (memType != HAFITSERMgr::MEM_HBM) {
    nominal = narrow(nominal);
    lower = narrow(lower);
    upper = narrow(upper);
  }
  return true;
}

void HAFITFloorplan::writeDeviceSummary(HCRRptDoc& doc, unsigned classes) {
  HCRRptSection section = doc.createSection("Device Reliability", "");
  HCRRptTable table = section.createTable("", kTableStyle, "");
  HAFITSERMgr* ser = HAFITMgr::getGlobal()->getSERMgr();

  HCRRptTableRow headings = table.createTableRow(false, "", false);
  for (const char* h : {"Type", "-50%", "Nominal", "+100%", "90% CI LL", "Nominal", "90% CI UL"})
    headings.createTableHeader(h, kAlignHeading, -1, "");

  // Without configuration-memory data the device total would be meaningless.
  const HAFITSERData* gate =
      ser->getSerData(HAFITSERMgr::familyKey(hflFloorplan_), HAFITSERMgr::MEM_CONFIG);

  ResultMap map;
  map.reserve(64);  // about twenty figures a class, without rehashing
  if (classes & SUM_CRAM) writeCRMReliability(doc, table, map);
  if (classes & SUM_BRAM) writeBRMReliability(doc, table, map);
  if (classes & SUM_YRAM) writeYRMReliability(doc, table, map);
  if (classes & SUM_HBM) writeHBMReliability(doc, table, map);
  if (!gate) return;

  std::vector<std::string> prefixes;
  if (classes & SUM_CRAM) prefixes.push_back("Cram");
  if (classes & SUM_BRAM) prefixes.push_back("Bram");
  if (classes & SUM_YRAM) prefixes.push_back("Yram");
  if (classes & SUM_HBM) prefixes.push_back("Hbm");

  // Missing keys enter the map as 0 and add nothing.
  auto sum = [&](const char* before, const char* after) {
    float s = 0.0f;
    for (const std::string& p : prefixes) s += map[before + p + after];
    return s;
  };
  auto failures = [&](float S) {
    const float M = S > 0 ? narrow(mtbfYears(S)) : FLT_MAX;
    return M < FLT_MAX ? narrow((1.0 / M) * (months_ / 12.0)) : 0.0f;
  };
  const float half = failures(sum("", "Fit50"));
  const float lower = failures(sum("ll", "Fit"));
  const float nominal = failures(sum("nominal", "Fit"));
  const float twice = failures(sum("", "Fit100"));
  const float upper = failures(sum("ul", "Fit"));

  HCRRptTableRow row = table.createTableRow(false, "", false);
  row.createTableCell(std::string("Device Failures"), kAlignLeft, "");
  for (float f : {half, nominal, twice, lower, nominal, upper})
    row.createTableCell(static_cast<double>(f), 0, kAlignLeft, "");
}
