#include "shared/fit/base/HAFITMgr.h"

#include <boost/filesystem/path.hpp>
#include <boost/shared_ptr.hpp>
#include <cmath>
#include <cstdlib>

#include "host/env/HUTEnv.h"
#include "host/msg/ComMsgMgr.h"
#include "host/param/HPAParamMgr.h"
#include "shared/fit/parser/HAFITDetectMgr.h"
#include "shared/fit/parser/HAFITNumbers.h"
#include "shared/fit/parser/HAFITRCMgr.h"
#include "shared/fit/parser/HAFITSERMgr.h"

namespace {
// Double steps narrow to float as IEEE does, overflow to infinity included.
using HAFITNumbers::narrow;

const char* const kSrc = "src/shared/fit/base/HAFITMgr";

// The only owner of the manager; empty until the first getGlobal().
boost::shared_ptr<HAFITMgr> theMgr;

// Registered when the library is loaded, before any call into it.
struct ParamRegistration {
  ParamRegistration() {
    HPAParamMgr::getParamMgr()->registerBoolParam("seu.fitReportCmdAllow", "Enable FIT reporting",
                                                  false);
  }
} paramRegistration;

// Finds fit/NAME in the data directories; "" (and the message) when it is nowhere.
std::string findDataFile(const char* name) {
  boost::filesystem::path rel;
  rel /= "fit";
  rel /= name;
  const std::string dir = HUTEnv::getOVKDataDir(rel.string());
  if (dir.empty()) {
    ComMsgMgr::sendMsg::eval(1, kSrc, __LINE__, "fit", ComMsgMgr::MASK_ERROR, "@65-44@%s",
                             rel.string());
    return {};
  }
  boost::filesystem::path full(dir);
  full /= rel;
  return full.string();
}

template <typename Mgr>
void load(Mgr*& member, const char* name) {
  const std::string path = findDataFile(name);
  if (path.empty()) return;
  member = new Mgr();
  member->parse(path, true);
}
}  // namespace

HAFITMgr* HAFITMgr::getGlobal() {
  if (!theMgr) {
    // reset() deletes the new manager itself if its bookkeeping cannot be allocated.
    theMgr.reset(new HAFITMgr());
  }
  return theMgr.get();
}

void HAFITMgr::resetGlobal() { theMgr.reset(); }

HAFITMgr::HAFITMgr() {
  try {
    load(serMgr_, "SoftErrorRate.xml");
    load(detectMgr_, "DetectionTime.xml");
    load(rcMgr_, "RigidityCutoff.xml");
  } catch (...) {
    // A host exception must not leak the managers already created.
    delete serMgr_;
    delete detectMgr_;
    delete rcMgr_;
    throw;
  }
}

HAFITMgr::~HAFITMgr() {
  delete serMgr_;
  delete detectMgr_;
  delete rcMgr_;
}

float HAFITMgr::calculateRelativeFlux(float altitude, int longitude, int latitude) {
  if (kBoeingAltitude > altitude) return derateJedec(altitude, longitude, latitude);
  return derateBoeing(altitude, latitude);  // NaN altitudes land here too
}

HAFITMgr::FluxPoint HAFITMgr::fluxAt(float altitude, int longitude, int latitude) {
  FluxPoint point;
  point.altitude = kMaxAltitude < altitude ? kMaxAltitude : altitude;
  point.model = kBoeingAltitude > point.altitude ? "jedec" : "boeing";
  point.cutoff = rcMgr_ ? rcMgr_->get(longitude, latitude) : 0.0f;
  point.flux = calculateRelativeFlux(point.altitude, longitude, latitude);
  return point;
}

// Each step's precision is part of the model: the report's numbers follow it to the
// last digit. Float steps use float constants; double steps widen floats exactly.
float HAFITMgr::derateJedec(float altitude, int longitude, int latitude) {
  // Standard-atmosphere pressure (hPa) and atmospheric depth (g/cm2).
  const float p = narrow(std::pow((44331.514 - altitude) / 11880.516, 5.255877));
  const float d = p / 0.980665f;
  const float q = (1033.2f - d) / 131.3f;
  const double A = std::exp(static_cast<double>(q));

  const float rc = rcMgr_->get(longitude, latitude);

  const float x = p / 1000.0f;
  const double X = x;
  const float k1 = narrow(std::exp(-8.8 * X) * 0.24 + (1.4 - 0.56 * X));
  const float k2 = narrow(std::exp(-9.5 * X) * 0.18 + (1.32 - 0.49 * X));
  const double b1 = std::exp(0.09 * X + 1.84 - 0.09 * std::exp(static_cast<double>(-11.0f * x)));
  const double b2 = std::exp(0.15 * X + 1.93 - 0.18 * std::exp(static_cast<double>(-10.0f * x)));
  const float n1 = narrow(-b1);
  const float n2 = narrow(-b2);

  const double e1 = std::exp(static_cast<double>(n1 / powf(rc, k1)));
  const double e2 = std::exp(static_cast<double>(n2 / powf(rc, k2)));
  // The same terms at a reference cutoff of 50 GV.
  const double r1 = std::exp(n1 / std::pow(50.0, static_cast<double>(k1)));
  const double r2 = std::exp(n2 / std::pow(50.0, static_cast<double>(k2)));

  const double S1 = (1.0 - e1) * 1.098;
  const double S2 = ((1.0 - r1) / (1.0 - r2)) * ((1.0 - e2) * 1.098);
  const float halfS1 = 0.5f * narrow(S1);
  const float halfS2 = 0.5f * narrow(S2);
  const float S = halfS2 + halfS1;
  return S * narrow(A);
}

float HAFITMgr::derateBoeing(float altitude, int latitude) {
  // Widened before abs so that no latitude overflows.
  const long long L = std::llabs(static_cast<long long>(latitude));
  const double Lf = static_cast<double>(L);
  const float H = narrow(static_cast<double>(altitude) * 3.28084 / 1000.0);
  const double Hd = H;

  float latFactor;
  if (L <= 45) {
    latFactor = narrow(8.45867340958616e-06 * std::pow(Lf, 3.0) - 7.74299943717693e-07 * (Lf * Lf) -
                       0.000770914534451883 * Lf + 0.269899330862549);
  } else {
    latFactor =
        narrow(-3.2632563450952e-07 * std::pow(Lf, 4.0) + 0.000101967262101073 * std::pow(Lf, 3.0) -
               0.0119706260547978 * (Lf * Lf) + 0.627456616819336 * Lf - 10.9503925478769);
  }

  float altFactor;
  if (40.0f >= H) {
    altFactor =
        narrow(4.67165018890325e-05 * std::pow(Hd, 4.0) + 0.00246121694397061 * std::pow(Hd, 3.0) -
               0.0257897275143932 * (Hd * Hd) + 1.59187364361787 * Hd + 0.549232376572945);
  } else {
    altFactor =
        narrow(-9.19540229099569e-08 * std::pow(Hd, 6.0) + 3.0592396088297e-05 * std::pow(Hd, 5.0) -
               0.00421131741535934 * std::pow(Hd, 4.0) + 0.314401173291903 * std::pow(Hd, 3.0) -
               14.0038951676768 * (Hd * Hd) + 370.308696147352 * Hd - 4203.9184759379);
  }
  return altFactor * latFactor;
}
