#include "host/design/HDesign.h"

#include <algorithm>

// ---- attributes -----------------------------------------------------------------

HATAttr HATAttr::makeBool(bool v) {
  HATAttr a;
  a.kind_ = BOOL;
  a.b_ = v;
  return a;
}
HATAttr HATAttr::makeInt(int32_t v) {
  HATAttr a;
  a.kind_ = INT;
  a.i_ = v;
  return a;
}
HATAttr HATAttr::makeLong(int64_t v) {
  HATAttr a;
  a.kind_ = LONG;
  a.i_ = v;
  return a;
}
HATAttr HATAttr::makeDouble(double v) {
  HATAttr a;
  a.kind_ = DOUBLE;
  a.d_ = v;
  return a;
}
HATAttr HATAttr::makeString(std::string v) {
  HATAttr a;
  a.kind_ = TEXT;
  a.s_ = std::move(v);
  return a;
}
HATAttr HATAttr::makeOther(std::string text) {
  HATAttr a;
  a.kind_ = OTHER;
  a.s_ = std::move(text);
  return a;
}

bool HDPrimitive::defines(const std::string& attr) const {
  return std::find(attributes.begin(), attributes.end(), attr) != attributes.end();
}

// ---- definitions ----------------------------------------------------------------

bool HDAHInstance::isHierBlackBox() const { return cell_ && cell_->isBlackBox(); }

const HDAHCellview* HDAHInstance::getMasterView() const {
  if (cell_) return cell_;
  return primitive_ ? primitive_->contents : nullptr;
}

const HATAttr* HDAHInstance::findAttr(const std::string& name) const {
  for (const auto& kv : attrs_)
    if (kv.first == name) return &kv.second;
  return nullptr;
}

// ---- occurrences ----------------------------------------------------------------

class HDLHInstanceIterImpl : public HDLHInstanceIter {
 public:
  explicit HDLHInstanceIterImpl(const HDLHCellview* cv)
      : cv_(cv), list_(cv->getDAH() ? &cv->getDAH()->instances() : nullptr) {}
  bool more() const override { return list_ && pos_ < list_->size(); }
  HDLHInstance* next() override {
    if (!more()) return nullptr;
    current_.def_ = (*list_)[pos_++].get();
    current_.parent_ = cv_;
    current_.master_ = HDLHCellview();
    return &current_;
  }

 private:
  const HDLHCellview* cv_;
  const std::vector<std::unique_ptr<HDAHInstance>>* list_;
  size_t pos_ = 0;
  HDLHInstance current_;
};

HDLHInstanceIter* HDLHCellview::createInstanceIterLH() const {
  return new HDLHInstanceIterImpl(this);
}

const char* HDLHCellview::getNameLH() const { return def_ ? def_->getName().c_str() : ""; }

HDLHCellview* HDLHInstance::getMasterLH() const {
  const HDAHCellview* m = def_ ? def_->getMasterView() : nullptr;
  if (!m) return nullptr;
  master_ = HDLHCellview(m, this);
  return &master_;
}

// ---- site map -------------------------------------------------------------------

const HDSMSite* HDSMSitemap::find(const std::string& siteName) const {
  auto it = std::lower_bound(index_.begin(), index_.end(), siteName,
                             [](const auto& e, const std::string& n) { return e.first < n; });
  if (it == index_.end() || it->first != siteName) return nullptr;
  return sites_[it->second].get();
}

HDSMSite& HDSMSitemap::add(const std::string& siteName) {
  auto it = std::lower_bound(index_.begin(), index_.end(), siteName,
                             [](const auto& e, const std::string& n) { return e.first < n; });
  auto site = std::make_unique<HDSMSite>();
  site->name = siteName;
  if (it != index_.end() && it->first == siteName) {
    sites_[it->second] = std::move(site);
    return *sites_[it->second];
  }
  index_.insert(it, {siteName, sites_.size()});
  sites_.push_back(std::move(site));
  return *sites_.back();
}

// ---- constraints ----------------------------------------------------------------

namespace {
class HDCSetIterImpl : public HDCSetIter {
 public:
  explicit HDCSetIterImpl(const HDCSet* set) : set_(set) {}
  bool more() const override { return pos_ < set_->items().size(); }
  HDCBase* next() override { return more() ? set_->items()[pos_++].get() : nullptr; }

 private:
  const HDCSet* set_;
  size_t pos_ = 0;
};
}  // namespace

HDCSetIter* HDCSet::createIter() const { return new HDCSetIterImpl(this); }

// ---- netlist and design ---------------------------------------------------------

void HAINetlist::getHierName(const HDLHInstance* instance, std::string& out, const HDLHCellview*,
                             const std::string&) const {
  out.clear();
  std::vector<const HDLHInstance*> chain;
  for (const HDLHInstance* i = instance; i;
       i = i->getParent() ? i->getParent()->getOwner() : nullptr)
    chain.push_back(i);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!out.empty()) out += '/';
    out += (*it)->getNameLH();
  }
}

HFLFloorplan::HFLFloorplan() = default;
HFLFloorplan::~HFLFloorplan() = default;

const std::string& HFLFloorplan::getDesignName() const {
  static const std::string none;
  const HDAHCellview* top = netlist_.top_.getDAH();
  return top ? top->getName() : none;
}

void HFLFloorplan::setPart(std::unique_ptr<HDARPart> part) {
  part_ = std::move(part);
  netlist_.part_ = part_.get();
}

HDAHCellview* HFLFloorplan::addCell(const std::string& name) {
  cells_.push_back(std::make_unique<HDAHCellview>());
  cells_.back()->name_ = name;
  return cells_.back().get();
}

HDAHCellview* HFLFloorplan::addContents(const std::string& name) {
  contents_.push_back(std::make_unique<HDAHCellview>());
  contents_.back()->name_ = name;
  return contents_.back().get();
}

HDPrimitive* HFLFloorplan::addPrimitive(const std::string& name) {
  primitives_.push_back(std::make_unique<HDPrimitive>());
  primitives_.back()->name = name;
  return primitives_.back().get();
}

HDAHCellview* HFLFloorplan::findCell(const std::string& name) {
  for (auto& c : cells_)
    if (c->getName() == name) return c.get();
  return nullptr;
}
const HDAHCellview* HFLFloorplan::findCell(const std::string& name) const {
  return const_cast<HFLFloorplan*>(this)->findCell(name);
}
HDPrimitive* HFLFloorplan::findPrimitive(const std::string& name) {
  for (auto& p : primitives_)
    if (p->name == name) return p.get();
  return nullptr;
}
const HDPrimitive* HFLFloorplan::findPrimitive(const std::string& name) const {
  return const_cast<HFLFloorplan*>(this)->findPrimitive(name);
}

void HFLFloorplan::setTop(const HDAHCellview* top) { netlist_.top_ = HDLHCellview(top, nullptr); }

const HDPYRouteData* HDPYRouteStorage::getRouteData(const HFLFloorplan* design) {
  return design ? design->getRouteData() : nullptr;
}

// ---- builder --------------------------------------------------------------------

void HDDesignBuilder::setNets(HDAHCellview* cell, int nets, int busNets) {
  cell->nets_ = nets;
  cell->busNets_ = busNets;
}
void HDDesignBuilder::setBlackBox(HDAHCellview* cell, bool blackBox) { cell->blackBox_ = blackBox; }
void HDDesignBuilder::setName(HDAHCellview* cell, const std::string& name) { cell->name_ = name; }

HDAHInstance* HDDesignBuilder::addInstance(HDAHCellview* parent, const std::string& name,
                                           const HDAHCellview* cell, const HDPrimitive* primitive) {
  auto inst = std::make_unique<HDAHInstance>();
  inst->name_ = name;
  inst->cell_ = cell;
  inst->primitive_ = primitive;
  parent->instances_.push_back(std::move(inst));
  return parent->instances_.back().get();
}

void HDDesignBuilder::setSite(HDAHInstance* inst, const std::string& site) { inst->site_ = site; }

void HDDesignBuilder::setAttr(HDAHInstance* inst, const std::string& name, HATAttr value) {
  for (auto& kv : inst->attrs_)
    if (kv.first == name) {
      kv.second = std::move(value);
      return;
    }
  inst->attrs_.emplace_back(name, std::move(value));
}

void HDDesignBuilder::appendAttrs(HDAHInstance* inst,
                                  std::vector<std::pair<std::string, HATAttr>>& attrs) {
  inst->attrs_.reserve(inst->attrs_.size() + attrs.size());
  for (auto& kv : attrs) inst->attrs_.emplace_back(std::move(kv.first), std::move(kv.second));
}

void HDDesignBuilder::setMaster(HDAHInstance* inst, const HDAHCellview* cell,
                                const HDPrimitive* primitive) {
  inst->cell_ = cell;
  inst->primitive_ = primitive;
}

// ---- classification and attributes ----------------------------------------------

namespace {
const HDPrimitive* primOf(const HDLHInstance* inst) {
  return inst && inst->getDAH() ? inst->getDAH()->getPrimitive() : nullptr;
}
bool hasClass(const HDLHInstance* inst, unsigned cls) {
  const HDPrimitive* p = primOf(inst);
  return p && (p->classes & cls) != 0;
}
}  // namespace

bool HARUPrimUtils::isHBM(const HDLHInstance* i, const HAINetlist*) {
  return hasClass(i, HDPrimitive::HBM);
}
bool HARUPrimUtils::isRAMB(const HDLHInstance* i, const HAINetlist*) {
  return hasClass(i, HDPrimitive::RAMB);
}
bool HARUPrimUtils::isFIFO(const HDLHInstance* i, const HAINetlist*) {
  return hasClass(i, HDPrimitive::FIFO);
}
bool HARUPrimUtils::isYRAM(const HDLHInstance* i, const HAINetlist*) {
  return hasClass(i, HDPrimitive::YRAM);
}

uint64_t HARUPrimUtils::getLibCell(const HDLHInstance* inst, const HAINetlist*) {
  const HDPrimitive* p = primOf(inst);
  return p ? static_cast<uint64_t>(p->code) << 32 : 0;
}

bool HAIAttrMgr::getAttr(const HAINetlist*, const HDLHInstance* inst, const std::string& name,
                         HATAttr& attr, bool) const {
  if (!inst || !inst->getDAH()) return false;
  const HATAttr* a = inst->getDAH()->findAttr(name);
  if (!a) return false;
  attr = *a;
  return true;
}

HATAttrSpec HAIAttrMgr::getAttrSpec(const HDLHInstance* inst, const std::string& name,
                                    const HDARPart*) const {
  const HDPrimitive* p = primOf(inst);
  return HATAttrSpec(!(p && p->defines(name)));
}
