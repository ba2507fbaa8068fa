#include "host/design/db/HDesign.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "host/mem/HUTBigMemory.h"

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

bool HDAHInstance::isHierBlackBox() const {
  const HDAHCellview* cell = getCell();
  return cell && cell->isBlackBox();
}

const HDAHCellview* HDAHInstance::getMasterView() const {
  if (const HDAHCellview* cell = getCell()) return cell;
  const HDPrimitive* primitive = getPrimitive();
  return primitive ? primitive->contents : nullptr;
}

// ---- design store ---------------------------------------------------------------

namespace {
// A small design takes one small chunk; a large one chunks of huge pages.
constexpr size_t kFirstChunk = 256 << 10, kMaxChunk = 32 << 20;
constexpr uintptr_t kKindMask = 7, kLast = 8, kKeyMask = ~uintptr_t(15);
static_assert(alignof(HDInterned) >= 16, "slot tags live in the low bits of the key");
static_assert(sizeof(HDAttrSlot) == 16, "attribute slots stay two words");

// Kinds as slot tags.
constexpr int kTagKind[] = {HATAttr::BOOL, HATAttr::INT,  HATAttr::DOUBLE,
                            HATAttr::TEXT, HATAttr::LONG, HATAttr::OTHER};
uintptr_t tagOf(int kind) {
  switch (kind) {
    case HATAttr::BOOL:
      return 0;
    case HATAttr::INT:
      return 1;
    case HATAttr::DOUBLE:
      return 2;
    case HATAttr::TEXT:
      return 3;
    case HATAttr::LONG:
      return 4;
    default:
      return 5;
  }
}

// The length-prefixed run of a text value.
std::string_view runOf(const char* run) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(run);
  size_t len = 0;
  for (int shift = 0;; shift += 7) {
    const unsigned char b = *p++;
    len |= static_cast<size_t>(b & 0x7F) << shift;
    if (!(b & 0x80)) break;
  }
  return {reinterpret_cast<const char*>(p), len};
}

// The key is a tagged pointer; it only ever holds the address of an interned name.
const HDInterned* keyOf(const HDAttrSlot& s) {
  // NOLINTNEXTLINE(performance-no-int-to-ptr)
  return reinterpret_cast<const HDInterned*>(s.key & kKeyMask);
}
}  // namespace

HDDesignStore::HDDesignStore() : nextChunk_(kFirstChunk) {}

HDDesignStore::~HDDesignStore() {
  for (const Chunk& c : chunks_) HUTBigMemory::release(c.p, c.bytes);
}

void* HDDesignStore::grow(size_t bytes) {
  chunks_.reserve(chunks_.size() + 1);  // so that the chunk below cannot leak
  if (bytes > nextChunk_ / 4) {
    // A large run gets a chunk of its own; the current chunk goes on filling.
    char* p = static_cast<char*>(HUTBigMemory::allocate(bytes));
    chunks_.push_back({p, bytes});
    return p;
  }
  // Chunks are aligned for any slot.
  const size_t size = nextChunk_;
  char* p = static_cast<char*>(HUTBigMemory::allocate(size));
  chunks_.push_back({p, size});
  nextChunk_ = std::min(2 * nextChunk_, kMaxChunk);
  cur_ = p + bytes;
  left_ = size - bytes;
  return p;
}

const char* HDDesignStore::name(std::string_view s) {
  if (s.size() > UINT32_MAX) throw std::length_error("a name longer than 4 GiB");
  char* p = static_cast<char*>(raw(sizeof(uint32_t) + s.size() + 1, 1));
  const uint32_t len = static_cast<uint32_t>(s.size());
  std::memcpy(p, &len, sizeof len);
  if (!s.empty()) std::memcpy(p + sizeof len, s.data(), s.size());
  p[sizeof len + s.size()] = '\0';
  return p + sizeof len;
}

const char* HDDesignStore::text(std::string_view s) {
  unsigned char head[10];
  size_t n = 0;
  for (size_t len = s.size();; len >>= 7) {
    head[n++] = static_cast<unsigned char>((len & 0x7F) | (len > 0x7F ? 0x80 : 0));
    if (len <= 0x7F) break;
  }
  char* p = static_cast<char*>(raw(n + s.size(), 1));
  std::memcpy(p, head, n);
  if (!s.empty()) std::memcpy(p + n, s.data(), s.size());
  return p;
}

HDAttrSlot* HDDesignStore::slots(size_t n) {
  return static_cast<HDAttrSlot*>(raw(n * sizeof(HDAttrSlot), alignof(HDAttrSlot)));
}

const char* HDDesignStore::site(std::string_view s) {
  if (!lastSite_ || view(lastSite_) != s) lastSite_ = name(s);
  return lastSite_;
}

const HDInterned* HDDesignStore::intern(std::string_view s) {
  // Instances in a row mostly repeat the same few attribute and site names.
  const HDInterned*& recent =
      recent_[(s.size() + (s.empty() ? 0 : static_cast<unsigned char>(s.back()))) & 7];
  if (recent && recent->s == s) return recent;
  auto it = index_.find(s);
  if (it != index_.end()) return recent = it->second;
  interned_.push_back(HDInterned{std::string(s)});
  const HDInterned* p = &interned_.back();
  index_.emplace(p->s, p);
  return recent = p;
}

HDAHInstance& HDInstanceList::append(HDDesignStore& store) {
  const size_t k = Runs::of(size_);
  if (size_ == Runs::start(k)) {
    if (k == runSlots_) {
      const size_t slots = runSlots_ ? 2 * runSlots_ : 4;
      // An array of run pointers: room for `slots` of them.
      auto** runs = static_cast<HDAHInstance**>(store.raw(slots * sizeof(void*), alignof(void*)));
      std::copy(runs_, runs_ + runSlots_, runs);
      runs_ = runs;
      runSlots_ = slots;
    }
    runs_[k] = static_cast<HDAHInstance*>(
        store.raw(Runs::capacity(k) * sizeof(HDAHInstance), alignof(HDAHInstance)));
  }
  HDAHInstance* inst = new (&runs_[k][size_ - Runs::start(k)]) HDAHInstance();
  ++size_;
  return *inst;
}

HDDesignStore& HDAHCellview::store() {
  if (!store_) {
    ownStore_.reset(new HDDesignStore);
    store_ = ownStore_.get();
  }
  return *store_;
}

// ---- instances ------------------------------------------------------------------

std::string_view HDAHInstance::getSiteName() const { return HDDesignStore::view(site_); }

size_t HDAHInstance::attrCount() const {
  if (!attrs_) return 0;
  size_t n = 1;
  while (!(attrs_[n - 1].key & kLast)) ++n;
  return n;
}

std::string_view HDAHInstance::attrName(size_t i) const { return keyOf(attrs_[i])->s; }

int HDAHInstance::attrKind(size_t i) const { return kTagKind[attrs_[i].key & kKindMask]; }

HATAttr HDAHInstance::attrValue(size_t i) const {
  const HDAttrSlot& s = attrs_[i];
  switch (attrKind(i)) {
    case HATAttr::BOOL:
      return HATAttr::makeBool(s.i != 0);
    case HATAttr::INT:
      return HATAttr::makeInt(static_cast<int32_t>(s.i));
    case HATAttr::LONG:
      return HATAttr::makeLong(s.i);
    case HATAttr::DOUBLE:
      return HATAttr::makeDouble(s.d);
    case HATAttr::TEXT:
      return HATAttr::makeString(std::string(runOf(s.text)));
    default:
      return HATAttr::makeOther(std::string(runOf(s.text)));
  }
}

std::vector<std::pair<std::string, HATAttr>> HDAHInstance::attributes() const {
  std::vector<std::pair<std::string, HATAttr>> out;
  for (size_t i = 0, n = attrCount(); i < n; ++i)
    out.emplace_back(std::string(attrName(i)), attrValue(i));
  return out;
}

bool HDAHInstance::findAttr(std::string_view name, HATAttr& out) const {
  if (!attrs_) return false;
  for (size_t i = 0;; ++i) {
    if (keyOf(attrs_[i])->s == name) {
      out = attrValue(i);
      return true;
    }
    if (attrs_[i].key & kLast) return false;
  }
}

// ---- occurrences ----------------------------------------------------------------

class HDLHInstanceIterImpl : public HDLHInstanceIter {
 public:
  explicit HDLHInstanceIterImpl(const HDLHCellview* cv)
      : cv_(cv), list_(cv->getDAH() ? &cv->getDAH()->instances() : nullptr) {}
  bool more() const override { return list_ && pos_ < list_->size(); }
  HDLHInstance* next() override {
    if (!more()) return nullptr;
    current_.def_ = &(*list_)[pos_++];
    current_.parent_ = cv_;
    current_.master_ = HDLHCellview();
    return &current_;
  }

 private:
  const HDLHCellview* cv_;
  const HDInstanceList* list_;
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

const HDSMSite* HDSMSitemap::find(std::string_view siteName) const {
  auto it = std::lower_bound(index_.begin(), index_.end(), siteName,
                             [](const auto& e, std::string_view n) { return e.first < n; });
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

HFLFloorplan::HFLFloorplan() : store_(new HDDesignStore) {}
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

HDAHCellview* HFLFloorplan::addCell(const std::string& name) { return adoptCell(newCell(name)); }

std::unique_ptr<HDAHCellview> HFLFloorplan::newCell(const std::string& name) {
  auto cell = std::make_unique<HDAHCellview>();
  cell->name_ = name;
  cell->store_ = store_.get();
  return cell;
}

HDAHCellview* HFLFloorplan::adoptCell(std::unique_ptr<HDAHCellview> cell) {
  cells_.push_back(std::move(cell));
  return cells_.back().get();
}

HDAHCellview* HFLFloorplan::addContents(const std::string& name) {
  contents_.push_back(std::make_unique<HDAHCellview>());
  contents_.back()->name_ = name;
  contents_.back()->store_ = store_.get();
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

HDAHInstance* HDDesignBuilder::addInstance(HDAHCellview* parent, std::string_view name,
                                           const HDAHCellview* cell, const HDPrimitive* primitive) {
  HDAHInstance* inst = &parent->instances_.append(parent->store());
  inst->name_ = parent->store().name(name);
  setMaster(inst, cell, primitive);
  return inst;
}

void HDDesignBuilder::setSite(HDAHCellview* parent, HDAHInstance* inst, std::string_view site) {
  inst->site_ = parent->store().site(site);
}

namespace {
void fillSlot(HDDesignStore& store, HDAttrSlot& slot, const HDInterned* key, const HDAttrView& v,
              bool last) {
  slot.key = reinterpret_cast<uintptr_t>(key) | tagOf(v.kind) | (last ? kLast : 0);
  switch (v.kind) {
    case HATAttr::BOOL:
    case HATAttr::INT:
    case HATAttr::LONG:
      slot.i = v.i;
      break;
    case HATAttr::DOUBLE:
      slot.d = v.d;
      break;
    default:
      slot.text = store.text(v.text);
      break;
  }
}

HDAttrView viewOf(std::string_view name, const HATAttr& a) {
  HDAttrView v;
  v.name = name;
  v.kind = a.getKind();
  switch (v.kind) {
    case HATAttr::BOOL:
      v.i = a.getBoolVal() ? 1 : 0;
      break;
    case HATAttr::INT:
    case HATAttr::LONG:
      v.i = a.getLongVal();
      break;
    case HATAttr::DOUBLE:
      v.d = a.getDoubleVal();
      break;
    case HATAttr::TEXT:
      v.text = a.getStringVal();
      break;
    default:
      v.kind = HATAttr::OTHER;
      v.text = a.getStringVal();
      break;
  }
  return v;
}
}  // namespace

void HDDesignBuilder::setAttrAt(HDAHCellview* parent, HDAHInstance* inst, size_t index,
                                const HATAttr& value) {
  const HDAttrSlot& slot = inst->attrs_[index];
  const HDAttrView v = viewOf(keyOf(slot)->s, value);
  fillSlot(parent->store(), const_cast<HDAttrSlot&>(slot), keyOf(slot), v, (slot.key & kLast) != 0);
}

void HDDesignBuilder::setAttr(HDAHCellview* parent, HDAHInstance* inst, std::string_view name,
                              const HATAttr& value) {
  HDDesignStore& store = parent->store();
  const size_t n = inst->attrCount();
  const HDAttrView v = viewOf(name, value);
  for (size_t i = 0; i < n; ++i)
    if (keyOf(inst->attrs_[i])->s == name) {
      fillSlot(store, const_cast<HDAttrSlot&>(inst->attrs_[i]), keyOf(inst->attrs_[i]), v,
               i + 1 == n);
      return;
    }
  appendAttrs(parent, inst, &v, 1);
}

void HDDesignBuilder::appendAttrs(HDAHCellview* parent, HDAHInstance* inst,
                                  const std::vector<std::pair<std::string, HATAttr>>& attrs) {
  std::vector<HDAttrView> views;
  views.reserve(attrs.size());
  for (const auto& kv : attrs) views.push_back(viewOf(kv.first, kv.second));
  appendAttrs(parent, inst, views.data(), views.size());
}

void HDDesignBuilder::appendAttrs(HDAHCellview* parent, HDAHInstance* inst, const HDAttrView* attrs,
                                  size_t count) {
  if (count == 0) return;
  HDDesignStore& store = parent->store();
  const size_t n = inst->attrCount();
  // Slots are written once; adding to an instance's attributes copies them anew.
  HDAttrSlot* slots = store.slots(n + count);
  for (size_t i = 0; i < n; ++i) {
    slots[i] = inst->attrs_[i];
    slots[i].key &= ~kLast;
  }
  for (size_t i = 0; i < count; ++i)
    fillSlot(store, slots[n + i], store.intern(attrs[i].name), attrs[i], i + 1 == count);
  inst->attrs_ = slots;
}

void HDDesignBuilder::setMaster(HDAHInstance* inst, const HDAHCellview* cell,
                                const HDPrimitive* primitive) {
  inst->master_ =
      primitive ? reinterpret_cast<uintptr_t>(primitive) | 1 : reinterpret_cast<uintptr_t>(cell);
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
  return inst->getDAH()->findAttr(name, attr);
}

HATAttrSpec HAIAttrMgr::getAttrSpec(const HDLHInstance* inst, const std::string& name,
                                    const HDARPart*) const {
  const HDPrimitive* p = primOf(inst);
  return HATAttrSpec(!(p && p->defines(name)));
}
