// Upset detection (scan) times per device: DetectionTime.xml, read once.
#pragma once

#include <ostream>
#include <string>

#include "host/str/HSTStrUtils.h"
#include "host/xml/HXMLParserBase.h"

// Times in the unit of the data file.
class HAFITDetectData {
 public:
  virtual ~HAFITDetectData() = default;
  float average = 0.0f;
  float minimum = 0.0f;
  float maximum = 0.0f;
};

class HAFITDetectMgr : public HXMLParserBase {
 public:
  HAFITDetectMgr();
  ~HAFITDetectMgr() override;

  void startElem_(const std::string& name, const CSL::XML::CAttributeList& attrs) override;
  void endElem_(const std::string& name) override;
  void chars_(const std::string&) override {}
  void whitespace_(const std::string&) override {}
  bool readsText_() const override { return false; }

  // The record of exactly that device name (case-sensitive), or null.
  const HAFITDetectData* get(std::string device) const;

  // Sends the table to the message log, device by device.
  void dump();
  // The table as one JSON document: {"devices": [{"device", "minimum", "average",
  // "maximum"}]}, in the data file's unit.
  void writeJson(std::ostream& os) const;

 private:
  std::string currentDevice_;
  HAFITDetectData* currentData_ = nullptr;
  HSTMap<std::string, const HAFITDetectData*> detectData_;
};
