// `seufit data init`: a data directory for a new device of a known family, its numbers
// placeholders copied from that family, each explained where it stands.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "host/msg/ComMsgMgr.h"
#include "host/str/HSTJson.h"
#include "host/stream/HUTFileWriteStream.h"
#include "shared/fit/base/HAFITFamily.h"
#include "shared/fit/base/HAFITMgr.h"
#include "shared/fit/parser/HAFITSERMgr.h"
#include "shared/fit/run/HAFITDataCheck.h"

namespace {
struct Texts {
  Texts() {
    using ComMsgMgr::registerText;
    registerText("1-108", "{1} exists; data init writes only files that do not exist yet");
    registerText("1-109", "cannot make the folder {1}: {2}");
    registerText("1-110",
                 "wrote {1} and {2}: replace every placeholder, then run 'seufit data "
                 "check {3}'");
  }
} texts;

std::string xmlText(const std::string& s) {
  std::string out;
  for (const char c : s) {
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '"')
      out += "&quot;";
    else
      out += c;
  }
  return out;
}

bool exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

bool makeDir(const std::string& path) {
  if (::mkdir(path.c_str(), 0777) == 0 || errno == EEXIST) return true;
  ComMsgMgr::hostError("@1-109@%s%s", path, std::string(std::strerror(errno)));
  return false;
}

std::string record(const char* name, const HAFITSERData& d) {
  return "      <TYPE name=\"" + std::string(name) + "\" nominal=\"" + HSTJson::number(d.nominal) +
         "\" ll=\"" + HSTJson::number(d.lowerLimit) + "\" ul=\"" + HSTJson::number(d.upperLimit) +
         "\"/>\n";
}

bool writeFile(const std::string& path, const std::string& text) {
  HUTFileWriteStream out;
  out.open(path, std::ios_base::out);
  out << text;
  return out.close();
}
}  // namespace

namespace HAFITRun {

Status initData(const DataInit& d) {
  const HAFITFamily* family = nullptr;
  std::string names;
  for (const HAFITFamily* f = HAFITFamiliesBegin(); f != HAFITFamiliesEnd(); ++f) {
    names += (names.empty() ? "" : ", ") + std::string(f->name);
    if (d.like == f->name) family = f;
  }
  if (!family) {
    usageError("--like", "a family (" + names + ")", d.like);
    return USAGE;
  }
  int type = -1;
  for (int t = 0; t < 256 && type < 0; ++t)
    if (family->covers(t, d.device)) type = t;
  const HAFITSERMgr* ser = HAFITMgr::getGlobal()->getSERMgr();
  if (type < 0 || !ser || !ser->getTempData(family->name)) {
    ComMsgMgr::hostError("@1-61@%s%s", std::string(family->name),
                         std::string("fit/SoftErrorRate.xml"));
    return NO_RESULT;
  }
  const std::string rates = d.dir + "/fit/SoftErrorRate.xml", parts = d.dir + "/parts.json";
  for (const std::string& p : {rates, parts})
    if (exists(p)) {
      ComMsgMgr::hostError("@1-108@%s", p);
      return USAGE;
    }
  if (!makeDir(d.dir) || !makeDir(d.dir + "/fit")) return NO_RESULT;

  static const char* const kNames[] = {"config", "bram", "yram", "hbm", "config_6t", "config_12t"};
  const std::string like = family->name;
  std::string neutron, alpha;
  for (int t = HAFITSERMgr::MEM_CONFIG; t <= HAFITSERMgr::MEM_CONFIG_12T; ++t) {
    const auto m = static_cast<HAFITSERMgr::MemType>(t);
    if (const HAFITSERData* r = ser->getSerData(like, m)) neutron += record(kNames[t], *r);
    if (const HAFITSERData* r = t <= HAFITSERMgr::MEM_HBM ? ser->getAlphaData(like, m) : nullptr)
      alpha += record(kNames[t], *r);
  }
  const HAFITTempData& temp = *ser->getTempData(like);
  const std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!--\n"
      "  Soft-error rates of " +
      xmlText(d.archId) + ", a device of the " + like +
      " family, written by\n"
      "  `seufit data init`. EVERY NUMBER HERE IS A PLACEHOLDER, copied from the built-in " +
      like +
      "\n"
      "  data: replace each with the value the device maker has characterised for this\n"
      "  device. Makers publish them in the device's reliability report (or a soft-error\n"
      "  user guide): neutron and alpha-particle upset rates per memory class in FIT per\n"
      "  Mbit, with their confidence bounds, and the temperature dependence. From beam-test\n"
      "  counts of your own, `seufit data rate` gives a TYPE line. See docs/own-device.md.\n"
      "-->\n"
      "<FITDATA>\n"
      "  <FAMILY name=\"" +
      xmlText(d.archId) +
      "\">\n"
      "    <!-- Upsets from atmospheric neutrons at sea level in New York (13 n/cm^2/h), in\n"
      "         FIT per Mbit (failures per 10^9 hours per 10^6 bits). nominal: the rate; ll,\n"
      "         ul: its 90% bounds as fractions of it (rate x (1 + ll), rate x (1 + ul)).\n"
      "         config: configuration memory (config_6t, config_12t: of 6- and\n"
      "         12-transistor cells); bram, yram, hbm: the memory classes of the family. -->\n"
      "    <SOFTERRORRATE>\n" +
      neutron +
      "    </SOFTERRORRATE>\n"
      "    <!-- Upsets from alpha particles of the package, FIT per Mbit, as above. -->\n"
      "    <ALPHAPARTICLE>\n" +
      alpha +
      "    </ALPHAPARTICLE>\n"
      "    <!-- Every rate is multiplied by SLOPE x junction temperature (degrees C) +\n"
      "         INTERCEPT; 1.0 at the rates' reference temperature. -->\n"
      "    <TEMPERATURE>\n"
      "      <SLOPE value=\"" +
      HSTJson::number(temp.slope) +
      "\"/>\n"
      "      <INTERCEPT value=\"" +
      HSTJson::number(temp.intercept) +
      "\"/>\n"
      "    </TEMPERATURE>\n"
      "  </FAMILY>\n"
      "</FITDATA>\n";
  const std::string json =
      "{\n"
      "  \"seufit_parts\": 1,\n"
      "  \"source\": " +
      HSTJson::quote("Written by seufit data init: one part of the " + like +
                     " family (architecture type " + std::to_string(type) +
                     " chooses it; see docs/own-device.md). config_bits is the device's "
                     "configuration-bit count from its maker's data sheet or configuration "
                     "guide. This file replaces the built-in parts.json for the directories "
                     "that search it first.") +
      ",\n"
      "  \"parts\": [\n"
      "    {\"name\": " +
      HSTJson::quote(d.part) + ", \"device\": " + HSTJson::quote(d.device) +
      ", \"arch_id\": " + HSTJson::quote(d.archId) + ", \"arch_type\": " + std::to_string(type) +
      ", \"config_bits\": " + std::to_string(d.configBits) +
      ", \"library\": " + HSTJson::quote(like) +
      "}\n"
      "  ]\n"
      "}\n";
  if (!writeFile(rates, xml) || !writeFile(parts, json)) return NO_RESULT;
  ComMsgMgr::hostInfo("@1-110@%s%s%s", rates, parts, d.dir);
  return OK;
}

}  // namespace HAFITRun
