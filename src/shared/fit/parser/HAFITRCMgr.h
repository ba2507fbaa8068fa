// World grid of vertical geomagnetic rigidity cutoffs: RigidityCutoff.xml, read once.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

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
  bool readsText_() const override { return false; }

  // The cutoff (GV) stored for exactly this point, or 0.0 when the grid has none.
  float get(int longitude, int latitude) const;
  // True when the grid holds this point; the number of points held.
  bool has(int longitude, int latitude) const;
  size_t size() const {
    settle();
    return points_.size();
  }

  // Sends every grid point to the message log, by longitude, then latitude.
  void dump();
  // The grid as one JSON document, in the same order: {"points": [{"longitude",
  // "latitude", "rigidity_cutoff"}]}, the cutoff in GV.
  void writeJson(std::ostream& os) const;

 private:
  struct Point {
    int64_t key;  // longitude in the upper half, latitude below: sorts by longitude first
    float rc;
  };
  static int64_t keyOf(int longitude, int latitude);
  static int longitudeOf(int64_t key);
  static int latitudeOf(int64_t key);
  const Point* find(int longitude, int latitude) const;
  // Sorts the points read so far and keeps the last of each repeated point.
  void settle() const;

  // One flat array of every point; settled on the first lookup after reading.
  mutable std::vector<Point> points_;
  mutable bool settled_ = true;
};
