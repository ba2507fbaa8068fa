// The memory inventory of one placed design for one FIT report: walks the logical
// hierarchy once, counts block RAM, FIFO, YRAM and HBM bits exposed to upsets, and holds
// the run parameters that the reliability writers read. One subclass per device family
// decides which library cells are analysed as which memory primitive.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class HAINetlist;
class HCRRptDoc;
class HDAHCellview;
class HDAHInstance;
class HCRRptTable;
class HDLHCellview;
class HDLHInstance;
class HFLFloorplan;

class HAFITFloorplan {
 public:
  // Fixed block sizes.
  static constexpr int YRAM_WIDTH = 280;
  static constexpr int YRAM_DEPTH = 1000;
  static constexpr int YRAM_BLOCK_BITS = 280000;
  static constexpr double HBM_STACK_BITS = 32768000000.0;

  enum class Family { UNSUPPORTED, ZERITH7, ZERITH8, ZERITH9, KORVAN };

  explicit HAFITFloorplan(HFLFloorplan* hflFloorplan);
  virtual ~HAFITFloorplan();

  // The family summary of the report (one section, one table).
  virtual void writeDeviceReliability(HCRRptDoc& doc) = 0;
  // One block RAM or FIFO leaf, dispatched by library-cell code.
  virtual void processBRAM(const HDLHInstance* instance) = 0;
  // Hooks for YRAM and HBM leaves; the base records nothing (YRAM is counted by the walk).
  virtual void processYRAM(const HDLHInstance* instance);
  virtual void processHBM(const HDLHInstance* instance);
  // Per-memory-class FIT and MTBF rows; they leave their figures in `map`.
  virtual void writeCRMReliability(HCRRptDoc& doc, HCRRptTable& table,
                                   std::unordered_map<std::string, float>& map);
  virtual void writeBRMReliability(HCRRptDoc& doc, HCRRptTable& table,
                                   std::unordered_map<std::string, float>& map);
  virtual void writeYRMReliability(HCRRptDoc& doc, HCRRptTable& table,
                                   std::unordered_map<std::string, float>& map);
  virtual void writeHBMReliability(HCRRptDoc& doc, HCRRptTable& table,
                                   std::unordered_map<std::string, float>& map);

  // ---- family choice ----
  // The family of a device, by the architecture type of its placement architecture.
  // Device "dpm4410" (exact spelling) of types 15/16 is not supported.
  static Family familyFor(int archType, const std::string& deviceName);
  // "zerith7", "zerith8", "zerith9", "korvan"; null for UNSUPPORTED.
  static const char* familyName(Family family);
  // A new floorplan of the design's family (caller deletes), or null when the design has
  // no part or its device is not supported. Sends no message.
  static HAFITFloorplan* create(HFLFloorplan* hflFloorplan);
  // As create(), but a design whose device is not supported is told with "@65-171@%s"
  // (the device name) before null is returned.
  static HAFITFloorplan* createOrRefuse(HFLFloorplan* hflFloorplan);
  // The family of this object's class.
  const char* familyName() const;

  // How a block RAM or FIFO leaf is analysed, by its family's library-cell code; NONE for
  // a code the family does not analyse (the block is then only counted).
  enum class BlockClass { NONE, RAMB18, RAMB36, FIFO18, FIFO36 };
  BlockClass blockClass(const HDLHInstance* instance) const;
  // True when the walk goes into the instance: a hierarchical cell with contents, not a
  // primitive or a black box.
  bool shouldDescend(const HDLHInstance* instance) const;
  // Bits of one block of the class at data width `width`; 0 for a width it does not have.
  static int blockCapacity(BlockClass blockClass, int width);

  // ---- walk ----
  // Walks the cell view and every hierarchical instance below it, adding to the counters.
  // A second walk adds to the first. Exceptions from reading an instance pass through;
  // the counters keep what was added before.
  // Each cell definition is analysed once, at its first occurrence, and its summary is
  // added for every later one; the messages of a definition are kept and sent again for
  // each occurrence with its own hierarchical name, in the order of a walk of every
  // occurrence. The walk keeps its own stack, not the machine's. Called from a family
  // hook during a walk (a two-stack HBM), it walks into the cell view once the hook has
  // returned.
  void traverseCellview(const HDLHCellview* cellview);

  // What one leaf added when the walk analysed it.
  struct LeafAddend {
    enum Kind { BLOCK, YRAM, HBM } kind;
    int64_t bramBits;     // BLOCK: exposed block RAM or FIFO bits
    int yramProtected;    // YRAM: protected bits, bounded by the block size
    double hbmStacks;     // HBM: stacks the instance counted itself
    double hbmProtected;  // HBM: protected bits, bounded by one stack
  };
  // Told what every cell definition holds, once per definition however often it occurs,
  // while the walk analyses it. `def` is the definition being analysed (the walk's root
  // included).
  class WalkObserver {
   public:
    virtual ~WalkObserver() = default;
    virtual void root(const HDAHCellview* def) = 0;
    // A leaf of `def` that an analysis counted.
    virtual void leaf(const HDAHCellview* def, const HDAHInstance* instance,
                      const LeafAddend& added) = 0;
    // An instance of `def` whose every occurrence adds the content of `child`. `hook`: walked
    // into by a family hook (the contents of an HBM leaf just told), not a hierarchy level.
    virtual void child(const HDAHCellview* def, const HDAHInstance* via, const HDAHCellview* child,
                       bool hook) = 0;
  };
  // The observer of later walks (not owned), or null.
  void setWalkObserver(WalkObserver* observer) { observer_ = observer; }
  // The block RAM and FIFO inventory, one listing message per counter.
  void print() const;

  // ---- run parameters ----
  void setDevices(int devices) { devices_ = devices; }
  int getDevices() const { return devices_; }
  void setMonths(float months) { months_ = months; }
  float getMonths() const { return months_; }
  void setFlux(float flux) { flux_ = flux; }
  float getFlux() const { return flux_; }
  void setTemp(float temp) { temp_ = temp; }
  float getTemp() const { return temp_; }
  void setRevisedPackageModel(bool revised) { revisedPackageModel_ = revised; }
  bool getRevisedPackageModel() const { return revisedPackageModel_; }

  // ---- counters, as the walk left them ----
  HFLFloorplan* getHflFloorplan() const { return hflFloorplan_; }
  // Exposed block RAM and FIFO bits, saturated at INT32_MAX; never negative, so reading it
  // as an unsigned 32-bit number keeps its value.
  int32_t getBramBits() const { return bramBits_; }
  // The same sum without the 32-bit bound (saturated at INT64_MAX).
  int64_t getBramBitsTotal() const { return bramBitsTotal_; }
  // Block RAM and FIFO bits the design protects: the declared protected bits of every
  // analysed block, bounded by its capacity, and the whole capacity of every ECC block
  // (saturated at INT64_MAX). No report figure of the default report uses it.
  int64_t getBramProtectedBits() const { return bramProtectedBits_; }
  // Instance counts saturate at INT32_MAX.
  int32_t getBramCount() const { return bramCount_; }
  int32_t getRamb18TdpCount() const { return ramb18TdpCount_; }
  int32_t getRamb18SdpCount() const { return ramb18SdpCount_; }
  int32_t getRamb36TdpCount() const { return ramb36TdpCount_; }
  int32_t getRamb36SdpCount() const { return ramb36SdpCount_; }
  int32_t getFifo18Count() const { return fifo18Count_; }
  int32_t getFifo18_36Count() const { return fifo18_36Count_; }
  int32_t getFifo36Count() const { return fifo36Count_; }
  int32_t getFifo36_72Count() const { return fifo36_72Count_; }
  int32_t getRamb36CascadeCount() const { return ramb36CascadeCount_; }
  double getYramUnprotectedBits() const { return yramUnprotectedBits_; }
  double getYramCount() const { return yramCount_; }
  double getYramProtectedBits() const { return yramProtectedBits_; }
  double getHbmUnprotectedBits() const { return hbmUnprotectedBits_; }
  double getHbmStackCount() const { return hbmStackCount_; }
  double getHbmProtectedBits() const { return hbmProtectedBits_; }

  // Every inventory counter once, in the order the inventory lists them: its key (as
  // `inventory --json` names it), its label, the listing message of `print` (null for none)
  // and its place in that listing, and its member.
  struct Counter {
    const char* key;
    const char* label;
    const char* listing;
    int listingOrder;
    int32_t HAFITFloorplan::*integer;  // or null
    double HAFITFloorplan::*real;      // or null
  };
  static const std::vector<Counter>& counters();
  struct CounterValue {
    bool isInteger;
    int64_t integer;
    double real;
  };
  CounterValue counter(const Counter& c) const {
    return c.integer ? CounterValue{true, this->*c.integer, 0.0}
                     : CounterValue{false, 0, this->*c.real};
  }

  // The totals of the walk that stopped at the 32-bit limit of the report: the name, the
  // exact value (or a bound on it) and the value the report uses.
  struct SaturatedTotal {
    std::string name, exact, used;
  };
  std::vector<SaturatedTotal> saturatedTotals() const;

  // The nominal FIT of `bits` exposed bits of a design memory class (HAFITSERMgr::MEM_BRAM,
  // MEM_YRAM or MEM_HBM) under the run parameters: the bits converted, and the figure
  // rounded, as that class's table row does. False when the family's data lack the class.
  bool nominalFit(int memType, double bits, double& fit) const;
  // Nominal, lower and upper FIT of `bits` bits of any class (MEM_CONFIG to MEM_HBM) under
  // the run parameters, formed as the class writers form them (rounded to single precision
  // but for HBM), without converting the bits first. False when the data lack the class.
  bool classFit(int memType, double bits, double& nominal, double& lower, double& upper) const;

  // A bit count as an unsigned 32-bit number: fraction dropped, 0 for negative values and
  // NaN, UINT32_MAX for anything larger. The YRAM writer converts yramUnprotectedBits_ so.
  static uint32_t toUint32Saturating(double bits);

  // ---- primitive analyses ----
  void processRamb18(const HDLHInstance* instance);
  void processRamb36(const HDLHInstance* instance);
  void processFifo18(const HDLHInstance* instance);
  void processFifo36(const HDLHInstance* instance);
  // ECC on for both reading and writing.
  bool isECC(const HDLHInstance* instance) const;
  // One data width (FIFO); the four port widths (block RAM).
  void getDataWidth(const HDLHInstance* instance, int& width) const;
  void getDataWidth(const HDLHInstance* instance, int& readA, int& writeA, int& readB,
                    int& writeB) const;
  // SEU_PROTECTED from the netlist; 0 when absent. A text that is not a 32-bit number
  // throws std::invalid_argument or std::out_of_range naming the instance and the text.
  int getSeuProtectedBits(const HDLHInstance* instance) const;
  // The site's configuration value of attribute `name`; `value` unchanged when none.
  void getAttributeFromPhysicalLayer(const HDLHInstance* instance, std::string name,
                                     std::string& value) const;
  // HBM: protected bits as a double (text read with std::stod, same failures as above).
  double getSeuProtectedHBMBits(const HDLHInstance* instance) const;
  void processOneStackHBM(const HDLHInstance* instance);
  void processTwoStackHBM(const HDLHInstance* instance);

 protected:
  enum SummaryClass : unsigned { SUM_CRAM = 1, SUM_BRAM = 2, SUM_YRAM = 4, SUM_HBM = 8 };
  // A family's library-cell codes of the four block classes; 0: the family has none.
  struct BlockCodes {
    uint32_t fifo18, fifo36, ramb18, ramb36;
  };
  // The dispatch every family's processBRAM makes: ECC-protected blocks stop here,
  // the others go to the analysis of their code; other codes are not analysed.
  void dispatchBlock(const HDLHInstance* instance, const BlockCodes& codes);
  // The family's codes.
  virtual BlockCodes blockCodes() const = 0;
  // The library-cell code of an instance: the upper half of the host's library cell.
  uint32_t libCellCode(const HDLHInstance* instance) const;
  // The "Device Reliability" section with the writers of the given classes and the
  // "Device Failures" row summed over them.
  void writeDeviceSummary(HCRRptDoc& doc, unsigned classes);

  HFLFloorplan* hflFloorplan_;
  int32_t bramBits_ = 0;
  int32_t bramCount_ = 0;
  int32_t ramb18TdpCount_ = 0;
  int32_t ramb18SdpCount_ = 0;
  int32_t ramb36TdpCount_ = 0;
  int32_t ramb36SdpCount_ = 0;
  int32_t fifo18Count_ = 0;
  int32_t fifo18_36Count_ = 0;
  int32_t fifo36Count_ = 0;
  int32_t fifo36_72Count_ = 0;
  int32_t ramb36CascadeCount_ = 0;
  double yramUnprotectedBits_ = 0.0;
  double yramCount_ = 0.0;
  double hbmUnprotectedBits_ = 0.0;
  double hbmStackCount_ = 0.0;
  double hbmProtectedBits_ = 0.0;
  int32_t devices_ = 1;
  float months_ = 12.0f;
  float flux_ = 0.0f;
  float temp_ = 28.0f;
  bool revisedPackageModel_ = false;
  // Protected YRAM bits of the whole walk, nested calls included.
  double yramProtectedBits_ = 0.0;
  // bramBits_ without the 32-bit bound.
  int64_t bramBitsTotal_ = 0;
  int64_t bramProtectedBits_ = 0;

  // The design's netlist; null without a design handle.
  const HAINetlist* netlist() const;

 private:
  std::string hierName(const HDLHInstance* instance) const;
  std::string readTextAttr(const HDLHInstance* instance, const std::string& name) const;
  int readIntAttr(const HDLHInstance* instance, const std::string& name) const;
  bool isEccEnableOn(const HDLHInstance* instance, const std::string& name) const;
  // Steps 4 and 5 of every block analysis: protected bits, message, exposed bits.
  void addBlockBits(const HDLHInstance* instance, int width, int capacity);
  void addProtectedBits(int64_t bits);
  void formTotals();
  // 65-172 for a block that declares more protected bits than it holds; during a walk
  // it is kept with the definition and sent once the walk has placed it.
  void sendOverProtected(const HDLHInstance* instance, int declared, int width, int depth,
                         int capacity);

  struct Walk;
  // The walk under way, or null.
  Walk* walk_ = nullptr;
  WalkObserver* observer_ = nullptr;
  void runWalk(const HDLHCellview* cellview);
  void zeroScratch();
  void finishWalk(Walk& walk, bool totals);
};
