// Soft-error rates per device family: SoftErrorRate.xml, read once into tables that
// live as long as the analysis manager.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "host/str/HSTStrUtils.h"
#include "host/xml/HXMLParserBase.h"

class HFLFloorplan;

// One rate record: FIT per megabit, with the bounds of its confidence interval as
// fractions of the nominal rate.
class HAFITSERData {
 public:
  virtual ~HAFITSERData() = default;
  float nominal = 0.0f;
  float lowerLimit = 0.0f;
  float upperLimit = 0.0f;
};

// Temperature factor slope x temperature + intercept.
class HAFITTempData {
 public:
  virtual ~HAFITTempData() = default;
  float slope = 0.0f;
  float intercept = 0.0f;
};

class HAFITSERMgr : public HXMLParserBase {
 public:
  enum MemType : int {
    MEM_CONFIG = 0,
    MEM_BRAM = 1,
    MEM_YRAM = 2,
    MEM_HBM = 3,
    MEM_CONFIG_6T = 4,
    MEM_CONFIG_12T = 5
  };
  // One section's records by memory class; owned by the manager.
  using MemMap = HSTMap<MemType, const HAFITSERData*>;

  HAFITSERMgr();
  ~HAFITSERMgr() override;

  void startElem_(const std::string& name, const CSL::XML::CAttributeList& attrs) override;
  void endElem_(const std::string& name) override;
  void chars_(const std::string&) override {}
  void whitespace_(const std::string&) override {}
  bool readsText_() const override { return false; }

  // `family` is compared exactly with the lower-cased names of the file; null when the
  // family or the class is not held.
  const HAFITSERData* getSerData(std::string family, MemType type) const;
  const HAFITSERData* getAlphaData(std::string family, MemType type) const;
  const HAFITTempData* getTempData(std::string family) const;

  // The family key of the rate data for a design: its architecture id, lower-cased.
  static std::string familyKey(const HFLFloorplan* design);

  // What a report needs to know of a family's records before it computes anything.
  struct FamilyCheck {
    // Not one record (rate, alpha or temperature) for the family.
    bool empty = true;
    // The first record of the report classes with a value that is not finite (it would
    // turn every figure into nan or inf), e.g. "SOFTERRORRATE bram"; "" when all are finite.
    std::string nonFinite;
  };
  FamilyCheck checkFamily(const std::string& family) const;

  // Sends the neutron rates to the message log, family by family.
  void dump();
  // Every family with any record as one JSON document: {"families": [{"family", "rates",
  // "alpha", "temperature"}]}, the records of a section by their TYPE names, each
  // {"nominal", "ll", "ul"}, the temperature {"slope", "intercept"} or null.
  void writeJson(std::ostream& os) const;

  // What the reading passed over or read in a way a person would not expect, one text
  // each ("line 12: ..."), in file order: elements and TYPE names it does not know,
  // numbers that are not numbers as a whole, lower limits above upper ones, values the
  // DTD supplied. The values read are the same either way.
  const std::vector<std::string>& notes() const { return notes_; }
  // What was read as the file says, but not from its elements (a DTD's default values).
  const std::vector<std::string>& cautions() const { return cautions_; }
  // The families with any record, in order.
  std::vector<std::string> familyNames() const;

 private:
  using FamilyMap = HSTMap<std::string, MemMap*>;

  static void deleteMap(MemMap* map);
  // Hands a finished section over to `table`, freeing whatever it replaces.
  void enterMap(FamilyMap& table, MemMap*& current);

  std::string currentFamily_;
  int currentSection_ = 3;
  HAFITSERData* currentSerData_ = nullptr;
  HAFITTempData* currentTempData_ = nullptr;
  MemMap* currentSerMap_ = nullptr;
  MemMap* currentAlphaMap_ = nullptr;
  FamilyMap serData_;
  FamilyMap alphaData_;
  HSTMap<std::string, const HAFITTempData*> tempData_;
  std::vector<std::string> notes_;
  std::vector<std::string> cautions_;
  void note(const std::string& text);
  // Reads a number attribute as the file's readers do, noting a text that is not one.
  float number(const std::string& element, const CSL::XML::CAttributeList& attrs,
               const char* attribute);
};
