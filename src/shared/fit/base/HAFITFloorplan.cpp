#include "shared/fit/base/HAFITFloorplan.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <stdexcept>
#include <utility>

#include "host/design/db/HDesign.h"
#include "host/msg/ComMsgMgr.h"
#include "host/str/HSTJson.h"
#include "shared/fit/base/HAFITFamily.h"

namespace {

const char* const kSource = "src/shared/fit/base/HAFITFloorplan";
const char* const kCategory = "fit";
constexpr unsigned kMaskListing = 0x4000000;

const std::string kRamMode = "RAM_MODE";
const std::string kRamExtensionA = "RAM_EXTENSION_A";
const std::string kFifoMode = "FIFO_MODE";
const std::string kDataWidth = "DATA_WIDTH";
const std::string kReadWidth = "READ_WIDTH";
const std::string kWriteWidth = "WRITE_WIDTH";
const std::string kReadWidthA = "READ_WIDTH_A";
const std::string kWriteWidthA = "WRITE_WIDTH_A";
const std::string kReadWidthB = "READ_WIDTH_B";
const std::string kWriteWidthB = "WRITE_WIDTH_B";
const std::string kSeuProtected = "SEU_PROTECTED";
const std::string kEnEccRead = "EN_ECC_READ";
const std::string kEnEccWrite = "EN_ECC_WRITE";

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();

// Counters stop at their largest value rather than wrap.
void increment(int32_t& counter) {
  if (counter < kInt32Max) ++counter;
}

int32_t clampToInt32(int64_t v) {
  if (v > kInt32Max) return kInt32Max;
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

// Whole part of a double as a 32-bit integer, saturating; NaN reads as 0.
int32_t truncToInt32(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return kInt32Max;
  if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

// What strtol reads from the text (leading digits, 0 when there are none), bounded to int.
int parseDecimal(const std::string& text) {
  return clampToInt32(static_cast<int64_t>(std::strtol(text.c_str(), nullptr, 10)));
}

int capacity18(int w) {
  if (w == 1 || w == 2 || w == 4) return 16384;
  if (w == 9 || w == 18 || w == 36) return 18432;
  return 0;
}

int capacity36(int w) {
  if (w == 1 || w == 2 || w == 4) return 32768;
  if (w == 9 || w == 18 || w == 36 || w == 72) return 36864;
  return 0;
}

}  // namespace

HAFITFloorplan::HAFITFloorplan(HFLFloorplan* hflFloorplan) : hflFloorplan_(hflFloorplan) {}

HAFITFloorplan::~HAFITFloorplan() = default;

void HAFITFloorplan::processYRAM(const HDLHInstance*) {}

void HAFITFloorplan::processHBM(const HDLHInstance*) {}

// ---- family choice ------------------------------------------------------------------

HAFITFloorplan::Family HAFITFloorplan::familyFor(int archType, const std::string& deviceName) {
  const HAFITFamily* f = HAFITFamilyFor(archType, deviceName);
  return f ? f->id : Family::UNSUPPORTED;
}

const char* HAFITFloorplan::familyName(Family family) {
  const HAFITFamily* f = HAFITFamilyById(family);
  return f ? f->name : nullptr;
}

HAFITFloorplan* HAFITFloorplan::create(HFLFloorplan* hflFloorplan) {
  if (!hflFloorplan || !hflFloorplan->getPart()) return nullptr;
  const HARPlaceArch* arch = hflFloorplan->getPart()->getPlaceArch();
  const HAFITFamily* f = HAFITFamilyFor(arch->getArchType(), arch->getDeviceName());
  return f ? f->create(hflFloorplan) : nullptr;
}

HAFITFloorplan* HAFITFloorplan::createOrRefuse(HFLFloorplan* hflFloorplan) {
  HAFITFloorplan* floorplan = create(hflFloorplan);
  if (!floorplan) {
    const HDARPart* part = hflFloorplan ? hflFloorplan->getPart() : nullptr;
    const std::string device = part ? part->getPlaceArch()->getDeviceName() : std::string();
    ComMsgMgr::sendMsg::eval(1, kSource, __LINE__, kCategory, ComMsgMgr::MASK_WARNING, "@65-171@%s",
                             device.c_str());
  }
  return floorplan;
}

const char* HAFITFloorplan::familyName() const {
  // No virtual slot for this: the table of virtual operations is fixed.
  const HAFITFamily* f = HAFITFamilyOf(this);
  return f ? f->name : nullptr;
}

std::vector<HAFITFloorplan::SaturatedTotal> HAFITFloorplan::saturatedTotals() const {
  std::vector<SaturatedTotal> out;
  const std::string max32 = std::to_string(kInt32Max);
  if (bramBitsTotal_ > kInt32Max)
    out.push_back({"block RAM and FIFO bits exposed",
                   bramBitsTotal_ == kInt64Max ? "more than " + std::to_string(kInt64Max)
                                               : std::to_string(bramBitsTotal_),
                   max32});
  // Instance counts keep no exact total; at the limit they may have stopped there.
  const std::pair<const char*, int32_t> counts[] = {{"block RAM and FIFO instances", bramCount_},
                                                    {"RAMB18 true dual port", ramb18TdpCount_},
                                                    {"RAMB18 simple dual port", ramb18SdpCount_},
                                                    {"RAMB36 true dual port", ramb36TdpCount_},
                                                    {"RAMB36 simple dual port", ramb36SdpCount_},
                                                    {"FIFO18", fifo18Count_},
                                                    {"FIFO18 in FIFO18_36 mode", fifo18_36Count_},
                                                    {"FIFO36", fifo36Count_},
                                                    {"FIFO36 in FIFO36_72 mode", fifo36_72Count_},
                                                    {"RAMB36 cascade halves", ramb36CascadeCount_}};
  for (const auto& c : counts)
    if (c.second == kInt32Max) out.push_back({c.first, "at least " + max32, max32});
  if (yramUnprotectedBits_ > 4294967295.0) {
    out.push_back({"YRAM bits exposed", HSTJson::number(yramUnprotectedBits_), "4294967295"});
  }
  return out;
}

uint32_t HAFITFloorplan::toUint32Saturating(double bits) {
  if (!(bits > 0.0)) return 0;  // negative, zero and NaN
  if (bits >= 4294967295.0) return std::numeric_limits<uint32_t>::max();
  return static_cast<uint32_t>(bits);
}

// ---- walk ---------------------------------------------------------------------------

const HAINetlist* HAFITFloorplan::netlist() const {
  return hflFloorplan_ ? hflFloorplan_->getNetlist() : nullptr;
}

std::string HAFITFloorplan::hierName(const HDLHInstance* instance) const {
  std::string name;
  if (const HAINetlist* n = netlist()) n->getHierName(instance, name, nullptr, "");
  return name;
}

bool HAFITFloorplan::shouldDescend(const HDLHInstance* instance) const {
  if (instance->isArchLeaf()) return false;
  const HDAHInstance* def = instance->getDAH();
  if (!def || def->isHierBlackBox()) return false;
  const HDAHCellview* master = def->getMasterView();
  if (!master) return false;
  if (master->instanceCount() > 0) return true;
  // A cell with nets only is still a hierarchy level, not a primitive.
  return static_cast<int64_t>(master->netCount(HDAHTypes::CONN_ALL)) + master->busNetCount() > 0;
}

void HAFITFloorplan::formTotals() {
  yramUnprotectedBits_ = static_cast<double>(YRAM_BLOCK_BITS) * yramCount_ - yramProtectedBits_;
  hbmUnprotectedBits_ = HBM_STACK_BITS * hbmStackCount_ - hbmProtectedBits_;
}

const std::vector<HAFITFloorplan::Counter>& HAFITFloorplan::counters() {
  using F = HAFITFloorplan;
  static const std::vector<Counter> all = {
      {"bramBits", "Block RAM and FIFO bits exposed", "@65-36@%d", 10, &F::bramBits_, nullptr},
      {"bramCount", "Block RAM and FIFO instances", "@65-35@%d", 0, &F::bramCount_, nullptr},
      {"ramb18TdpCount", "RAMB18 true dual port", "@65-45@%d", 1, &F::ramb18TdpCount_, nullptr},
      {"ramb18SdpCount", "RAMB18 simple dual port", "@65-46@%d", 2, &F::ramb18SdpCount_, nullptr},
      {"ramb36TdpCount", "RAMB36 true dual port", "@65-47@%d", 3, &F::ramb36TdpCount_, nullptr},
      {"ramb36SdpCount", "RAMB36 simple dual port", "@65-48@%d", 4, &F::ramb36SdpCount_, nullptr},
      {"fifo18Count", "FIFO18", "@65-39@%d", 5, &F::fifo18Count_, nullptr},
      {"fifo18_36Count", "FIFO18 in FIFO18_36 mode", "@65-40@%d", 6, &F::fifo18_36Count_, nullptr},
      {"fifo36Count", "FIFO36", "@65-41@%d", 7, &F::fifo36Count_, nullptr},
      {"fifo36_72Count", "FIFO36 in FIFO36_72 mode", "@65-42@%d", 8, &F::fifo36_72Count_, nullptr},
      {"ramb36CascadeCount", "RAMB36 cascade halves", "@65-37@%d", 9, &F::ramb36CascadeCount_,
       nullptr},
      {"yramCount", "YRAM instances", nullptr, -1, nullptr, &F::yramCount_},
      {"yramUnprotectedBits", "YRAM bits exposed", nullptr, -1, nullptr, &F::yramUnprotectedBits_},
      {"hbmStackCount", "HBM stacks", nullptr, -1, nullptr, &F::hbmStackCount_},
      {"hbmProtectedBits", "HBM bits protected", nullptr, -1, nullptr, &F::hbmProtectedBits_},
      {"hbmUnprotectedBits", "HBM bits exposed", nullptr, -1, nullptr, &F::hbmUnprotectedBits_},
  };
  return all;
}

void HAFITFloorplan::print() const {
  std::vector<const Counter*> listed;
  for (const Counter& c : counters())
    if (c.listing) listed.push_back(&c);
  std::sort(listed.begin(), listed.end(),
            [](const Counter* a, const Counter* b) { return a->listingOrder < b->listingOrder; });
  for (const Counter* c : listed)
    ComMsgMgr::sendMsg::eval(1, kSource, __LINE__, kCategory, kMaskListing, c->listing,
                             this->*c->integer);
}

// ---- attributes ---------------------------------------------------------------------

// Strings by value: a fixed signature of the library's interface.
// NOLINTNEXTLINE(performance-unnecessary-value-param)
void HAFITFloorplan::getAttributeFromPhysicalLayer(const HDLHInstance* instance, std::string name,
                                                   std::string& value) const {
  if (!instance || !instance->getDAH() || !hflFloorplan_) return;
  const HDARPart* part = static_cast<const HFLFloorplan*>(hflFloorplan_)->getPart();
  if (!part) return;
  const HDSMSite* site =
      part->getPlaceArch()->getSitemap()->find(instance->getDAH()->getSiteName());
  if (!site) return;
  for (const auto& element : site->elements) {
    if (!element) continue;
    for (const auto& cfg : element->values) {
      if (!cfg || !cfg->getAttribDesc()) continue;
      if (cfg->getAttribDesc()->getName() == name) {
        value = cfg->getAttribValue();
        return;
      }
    }
  }
}

std::string HAFITFloorplan::readTextAttr(const HDLHInstance* instance,
                                         const std::string& name) const {
  HAIAttrMgr attrMgr;
  HATAttr attr;
  if (attrMgr.getAttr(netlist(), instance, name, attr, false)) return attr.getStringVal();
  std::string value;
  getAttributeFromPhysicalLayer(instance, name, value);
  return value;
}

int HAFITFloorplan::readIntAttr(const HDLHInstance* instance, const std::string& name) const {
  HAIAttrMgr attrMgr;
  HATAttr attr;
  if (attrMgr.getAttr(netlist(), instance, name, attr, false)) return attr.getIntVal();
  std::string value;
  getAttributeFromPhysicalLayer(instance, name, value);
  return value.empty() ? 0 : parseDecimal(value);
}

void HAFITFloorplan::getDataWidth(const HDLHInstance* instance, int& width) const {
  HAIAttrMgr attrMgr;
  HATAttr attr;
  const HAINetlist* nl = netlist();
  width = 0;
  if (attrMgr.getAttr(nl, instance, kDataWidth, attr, false)) width = attr.getIntVal();
  if (width != 0) return;

  int r = 0;
  int wr = 0;
  if (attrMgr.getAttr(nl, instance, kReadWidth, attr, false)) r = attr.getIntVal();
  if (attrMgr.getAttr(nl, instance, kWriteWidth, attr, false)) wr = attr.getIntVal();
  width = std::max(r, wr);
  if (width != 0) return;

  std::string value;
  getAttributeFromPhysicalLayer(instance, kDataWidth, value);
  if (!value.empty()) width = parseDecimal(value);
  if (width != 0) return;

  value.clear();
  getAttributeFromPhysicalLayer(instance, kReadWidth, value);
  if (!value.empty()) r = parseDecimal(value);
  value.clear();
  getAttributeFromPhysicalLayer(instance, kWriteWidth, value);
  if (!value.empty()) wr = parseDecimal(value);
  width = std::max(r, wr);
}

void HAFITFloorplan::getDataWidth(const HDLHInstance* instance, int& readA, int& writeA, int& readB,
                                  int& writeB) const {
  readA = readIntAttr(instance, kReadWidthA);
  writeA = readIntAttr(instance, kWriteWidthA);
  readB = readIntAttr(instance, kReadWidthB);
  writeB = readIntAttr(instance, kWriteWidthB);
}

int HAFITFloorplan::getSeuProtectedBits(const HDLHInstance* instance) const {
  HAIAttrMgr attrMgr;
  HATAttr attr;
  if (!attrMgr.getAttr(netlist(), instance, kSeuProtected, attr, false)) return 0;
  switch (attr.getKind()) {
    case HATAttr::INT:
      return attr.getIntVal();
    case HATAttr::LONG:
      // Saturate rather than wrap: a huge declaration must not shrink to a small one.
      return clampToInt32(attr.getLongVal());
    case HATAttr::DOUBLE:
      return truncToInt32(std::floor(attr.getDoubleVal()));
    case HATAttr::TEXT: {
      const std::string& text = attr.getStringVal();
      try {
        return std::stoi(text);
      } catch (const std::invalid_argument&) {
        throw std::invalid_argument("instance " + hierName(instance) + ": SEU_PROTECTED \"" + text +
                                    "\" is not a number");
      } catch (const std::out_of_range&) {
        throw std::out_of_range("instance " + hierName(instance) + ": SEU_PROTECTED \"" + text +
                                "\" is outside the 32-bit integer range");
      }
    }
    default:
      return 0;
  }
}

bool HAFITFloorplan::isEccEnableOn(const HDLHInstance* instance, const std::string& name) const {
  HAIAttrMgr attrMgr;
  HATAttr attr;
  if (attrMgr.getAttr(netlist(), instance, name, attr, false)) {
    // A property the primitive does not define is only a user's note.
    const HDARPart* part =
        hflFloorplan_ ? static_cast<const HFLFloorplan*>(hflFloorplan_)->getPart() : nullptr;
    if (attrMgr.getAttrSpec(instance, name, part).isUserDefined()) return false;
    if (attr.getKind() == HATAttr::BOOL) return attr.getBoolVal();
    if (attr.getKind() == HATAttr::TEXT) return attr.getStringVal() == "TRUE";
    return false;
  }
  std::string value;
  getAttributeFromPhysicalLayer(instance, name, value);
  return value == "TRUE";
}

bool HAFITFloorplan::isECC(const HDLHInstance* instance) const {
  const bool read = isEccEnableOn(instance, kEnEccRead);
  const bool write = isEccEnableOn(instance, kEnEccWrite);
  return read && write;
}

// ---- block analyses -----------------------------------------------------------------

void HAFITFloorplan::addBlockBits(const HDLHInstance* instance, int width, int capacity) {
  const int p = getSeuProtectedBits(instance);
  if (capacity < p)
    sendOverProtected(instance, p, width, width != 0 ? capacity / width : 0, capacity);
  addProtectedBits(std::min<int64_t>(std::max(p, 0), std::max(capacity, 0)));
  // In 64 bits: a negative declaration must not overflow the subtraction.
  const int64_t exposed = static_cast<int64_t>(capacity) - p;
  if (exposed <= 0) return;
  bramBitsTotal_ = bramBitsTotal_ > kInt64Max - exposed ? kInt64Max : bramBitsTotal_ + exposed;
  bramBits_ = clampToInt32(static_cast<int64_t>(bramBits_) + exposed);
}

void HAFITFloorplan::addProtectedBits(int64_t bits) {
  if (bits <= 0) return;
  bramProtectedBits_ =
      bramProtectedBits_ > kInt64Max - bits ? kInt64Max : bramProtectedBits_ + bits;
}

void HAFITFloorplan::processRamb18(const HDLHInstance* instance) {
  if (readTextAttr(instance, kRamMode) == "SDP")
    increment(ramb18SdpCount_);
  else
    increment(ramb18TdpCount_);
  int ra = 0, wa = 0, rb = 0, wb = 0;
  getDataWidth(instance, ra, wa, rb, wb);
  const int w = std::max(std::max(ra, wa), std::max(rb, wb));
  addBlockBits(instance, w, capacity18(w));
}

void HAFITFloorplan::processRamb36(const HDLHInstance* instance) {
  const std::string mode = readTextAttr(instance, kRamMode);
  if (mode == "SDP") {
    increment(ramb36SdpCount_);
  } else if (mode == "TDP") {
    const std::string extension = readTextAttr(instance, kRamExtensionA);
    // Only the halves of a cascade are told apart; any other extension value is a plain
    // true-dual-port block.
    if (extension == "LOWER" || extension == "UPPER")
      increment(ramb36CascadeCount_);
    else
      increment(ramb36TdpCount_);
  } else if (mode == "FIFO36") {
    increment(fifo36Count_);
  } else if (mode == "FIFO36_72") {
    increment(fifo36_72Count_);
  } else {
    increment(ramb36TdpCount_);
  }
  int ra = 0, wa = 0, rb = 0, wb = 0;
  getDataWidth(instance, ra, wa, rb, wb);
  const int w = std::max(std::max(ra, wa), std::max(rb, wb));
  addBlockBits(instance, w, capacity36(w));
}

void HAFITFloorplan::processFifo18(const HDLHInstance* instance) {
  if (readTextAttr(instance, kFifoMode) == "FIFO18_36")
    increment(fifo18_36Count_);
  else
    increment(fifo18Count_);
  int w = 0;
  getDataWidth(instance, w);
  addBlockBits(instance, w, capacity18(w));
}

void HAFITFloorplan::processFifo36(const HDLHInstance* instance) {
  if (readTextAttr(instance, kFifoMode) == "FIFO36_72")
    increment(fifo36_72Count_);
  else
    increment(fifo36Count_);
  int w = 0;
  getDataWidth(instance, w);
  addBlockBits(instance, w, capacity36(w));
}

// ---- HBM ----------------------------------------------------------------------------

double HAFITFloorplan::getSeuProtectedHBMBits(const HDLHInstance* instance) const {
  HAIAttrMgr attrMgr;
  HATAttr attr;
  if (!attrMgr.getAttr(netlist(), instance, kSeuProtected, attr, false)) return 0.0;
  double bits = 0.0;
  switch (attr.getKind()) {
    case HATAttr::INT:
      bits = attr.getIntVal();
      break;
    case HATAttr::LONG:
      bits = static_cast<double>(attr.getLongVal());
      break;
    case HATAttr::DOUBLE:
      bits = std::floor(attr.getDoubleVal());
      break;
    case HATAttr::TEXT: {
      const std::string& text = attr.getStringVal();
      try {
        bits = std::stod(text);
      } catch (const std::invalid_argument&) {
        throw std::invalid_argument("instance " + hierName(instance) + ": SEU_PROTECTED \"" + text +
                                    "\" is not a number");
      } catch (const std::out_of_range&) {
        throw std::out_of_range("instance " + hierName(instance) + ": SEU_PROTECTED \"" + text +
                                "\" is outside the range of a double");
      }
      break;
    }
    default:
      break;
  }
  // A "nan" declaration protects nothing rather than poisoning every HBM total.
  return std::isnan(bits) ? 0.0 : bits;
}

void HAFITFloorplan::processOneStackHBM(const HDLHInstance* instance) {
  hbmStackCount_ += 1.0;
  hbmProtectedBits_ += std::min(getSeuProtectedHBMBits(instance), HBM_STACK_BITS);
}

void HAFITFloorplan::processTwoStackHBM(const HDLHInstance* instance) {
  // Bounded by one stack: the stacks inside declare their own protection.
  hbmProtectedBits_ += std::min(getSeuProtectedHBMBits(instance), HBM_STACK_BITS);
  if (const HDLHCellview* contents = instance->getMasterLH()) traverseCellview(contents);
}

uint32_t HAFITFloorplan::libCellCode(const HDLHInstance* instance) const {
  return static_cast<uint32_t>(HARUPrimUtils::getLibCell(instance, netlist()) >> 32);
}

namespace {
HAFITFloorplan::BlockClass classOfCode(uint32_t code, uint32_t fifo18, uint32_t fifo36,
                                       uint32_t ramb18, uint32_t ramb36) {
  using C = HAFITFloorplan::BlockClass;
  if (code == 0) return C::NONE;
  if (code == fifo18) return C::FIFO18;
  if (code == fifo36) return C::FIFO36;
  if (code == ramb18) return C::RAMB18;
  if (code == ramb36) return C::RAMB36;
  return C::NONE;
}
}  // namespace

HAFITFloorplan::BlockClass HAFITFloorplan::blockClass(const HDLHInstance* instance) const {
  const BlockCodes c = blockCodes();
  return classOfCode(libCellCode(instance), c.fifo18, c.fifo36, c.ramb18, c.ramb36);
}

int HAFITFloorplan::blockCapacity(BlockClass blockClass, int width) {
  switch (blockClass) {
    case BlockClass::RAMB18:
    case BlockClass::FIFO18:
      return capacity18(width);
    case BlockClass::RAMB36:
    case BlockClass::FIFO36:
      return capacity36(width);
    case BlockClass::NONE:
      break;
  }
  return 0;
}

void HAFITFloorplan::dispatchBlock(const HDLHInstance* instance, const BlockCodes& codes) {
  const uint32_t code = libCellCode(instance);
  if (code == 0) return;
  const BlockClass cls = classOfCode(code, codes.fifo18, codes.fifo36, codes.ramb18, codes.ramb36);
  // ECC-protected blocks contribute no exposed bits and no mode count; their capacity is
  // what they protect.
  if (isECC(instance)) {
    int w = 0;
    if (cls == BlockClass::FIFO18 || cls == BlockClass::FIFO36) {
      getDataWidth(instance, w);
    } else {
      int ra = 0, wa = 0, rb = 0, wb = 0;
      getDataWidth(instance, ra, wa, rb, wb);
      w = std::max(std::max(ra, wa), std::max(rb, wb));
    }
    addProtectedBits(blockCapacity(cls, w));
    return;
  }
  switch (cls) {
    case BlockClass::FIFO18:
      processFifo18(instance);
      break;
    case BlockClass::FIFO36:
      processFifo36(instance);
      break;
    case BlockClass::RAMB18:
      processRamb18(instance);
      break;
    case BlockClass::RAMB36:
      processRamb36(instance);
      break;
    case BlockClass::NONE:
      break;
  }
}
