// World grid of vertical geomagnetic rigidity cutoffs: RigidityCutoff.xml, read once.
#pragma once

#include <string>

#include "host/str/HSTStrUtils.h"
#include "host/xml/HXMLParserBase.h"

class HAFITRCMgr : public HXMLParserBase {
 public:
  HAFITRCMgr();
  ~HAFITRCMgr() override;

  void startElem_(const std::string& name, const CSL::XML::CAttributeList& attrs) override;
  void endElem_(const std::string&) override {}
  void chars_(const std::string&) override {}
  void whitespace_(const std::string&) override {}

  // The cutoff (GV) stored for exactly this point, or 0.0 when the grid has none.
  float get(int longitude, int latitude) const;

  // Sends every grid point to the message log, by longitude, then latitude.
  void dump();

 private:
  using LatitudeMap = HSTMap<int, float>;

  HSTMap<int, LatitudeMap*> rcData_;  // longitude -> owned latitude map
};
