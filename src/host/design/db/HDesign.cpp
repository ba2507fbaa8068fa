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
constexpr size_t kFirstChunk = 256 << 10, kMaxChunk = 32 << 20, kFirstSideChunk = 16 << 10;
constexpr uintptr_t kKindMask = 7, kLast = 8, kKeyMask = ~uintptr_t(15);
static_assert(alignof(HDInterned) >= 16, "slot tags live in the low bits of the key");
static_assert(sizeof(HDAttrSlot) == 16, "attribute slots stay two words");

// Kinds as slot tags; 6 is text held as a sized literal's number.
constexpr uintptr_t kTagLiteral = 6;
constexpr int kTagKind[] = {HATAttr::BOOL, HATAttr::INT,   HATAttr::DOUBLE, HATAttr::TEXT,
                            HATAttr::LONG, HATAttr::OTHER, HATAttr::TEXT,   HATAttr::OTHER};
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

// A sized literal written so that its number and its writing give the same text back:
// a width of 1 to 65535 without leading zeros, a quote, a base letter (b, o, d, h in
// either case), 1 to 64 digits without '_', x or z, hex letters all of one case, and a
// value that fits 64 bits. Most netlist values of wide parameters ("64'h9E3779B97F4A7C15")
// are so written; they are then held in a slot's word instead of as text.
// The writing: width (bits 0-15), base (16-17), upper-case base letter (18), digits
// (19-25), upper-case hex digits (26), and bit 31 so that it is never 0.
constexpr char kBases[] = "bodh";
constexpr unsigned kBaseBits[] = {1, 3, 0, 4};

// Digit values (0xFF: none) and letter cases of the characters of a literal's digits.
struct DigitTable {
  unsigned char value[256];
  unsigned char letter[256];  // 1 upper-case hex letter, 2 lower-case
  constexpr DigitTable() : value(), letter() {
    for (int c = 0; c < 256; ++c) value[c] = 0xFF;
    for (int c = '0'; c <= '9'; ++c) value[c] = static_cast<unsigned char>(c - '0');
    for (int c = 'a'; c <= 'f'; ++c) {
      value[c] = static_cast<unsigned char>(c - 'a' + 10);
      value[c - 32] = static_cast<unsigned char>(c - 'a' + 10);
      letter[c] = 2;
      letter[c - 32] = 1;
    }
  }
};
constexpr DigitTable kDigits;

// Eight hex digits as a number, all at once: values of random hex text cost a mispredicted
// branch per digit when read one by one. False when one is no hex digit; `letters` gains
// 1 for an upper-case letter, 2 for a lower-case one.
bool hex8(const char* p, uint64_t& out, unsigned& letters) {
  uint64_t x;
  std::memcpy(&x, p, 8);
  constexpr uint64_t kOnes = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;
  if (x & kHigh) return false;
  // Per byte (each below 0x80, so no carry between bytes): the high bit when at least c.
  const auto atLeast = [](uint64_t v, unsigned c) { return (v + kOnes * (0x80 - c)) & kHigh; };
  const uint64_t digit = atLeast(x, '0') & ~atLeast(x, '9' + 1);
  const uint64_t upper = atLeast(x, 'A') & ~atLeast(x, 'F' + 1);
  const uint64_t lower = atLeast(x, 'a') & ~atLeast(x, 'f' + 1);
  if ((digit | upper | lower) != kHigh) return false;
  letters |= (upper ? 1u : 0u) | (lower ? 2u : 0u);
  // Byte i holds the value of character i, the first the most significant.
  uint64_t v = ((x | kOnes * 0x20) & kOnes * 0x0F) + ((upper | lower) >> 7) * 9;
  v = ((v & 0x000F000F000F000Full) << 4) | ((v >> 8) & 0x000F000F000F000Full);
  v = ((v & 0x000000FF000000FFull) << 8) | ((v >> 16) & 0x000000FF000000FFull);
  out = ((v & 0xFFFFull) << 16) | ((v >> 32) & 0xFFFFull);
  return true;
}

bool packLiteral(std::string_view t, uint32_t& writing, uint64_t& value) {
  if (t.size() < 3 || t[0] < '1' || t[0] > '9') return false;
  size_t i = 0;
  uint32_t width = 0;
  for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
    width = width * 10 + static_cast<uint32_t>(t[i] - '0');
    if (width > 65535) return false;
  }
  if (i + 2 >= t.size() || t[i] != '\'') return false;
  const char b = t[i + 1];
  const char lower = static_cast<char>(b | 0x20);
  const char* at = lower ? std::strchr(kBases, lower) : nullptr;
  if (!at || (b != lower && b != static_cast<char>(lower - 32))) return false;
  const unsigned base = static_cast<unsigned>(at - kBases);
  const size_t digits = t.size() - i - 2;
  if (digits > 64) return false;
  const char* p = t.data() + i + 2;
  const char* end = t.data() + t.size();
  uint64_t v = 0;
  unsigned letters = 0, bad = 0;
  if (base == 3) {
    for (; end - p >= 8; p += 8) {
      uint64_t eight;
      if ((v >> 32) != 0 || !hex8(p, eight, letters)) return false;
      v = (v << 32) | eight;
    }
  }
  const unsigned bits = kBaseBits[base];
  for (; p < end; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    const unsigned d = kDigits.value[c];
    letters |= kDigits.letter[c];
    if (base == 2) {
      if (d > 9 || v > (UINT64_MAX - d) / 10) return false;
      v = v * 10 + d;
    } else {
      // Collected: a bad digit or an overflow refuses the text at the end.
      bad |= (d >> bits) | static_cast<unsigned>((v >> (64 - bits)) != 0);
      v = (v << bits) | (d & ((1u << bits) - 1));
    }
  }
  if (bad || letters == 3 || (base != 3 && letters)) return false;
  writing = width | (base << 16) | (b != lower ? 1u << 18 : 0) |
            (static_cast<uint32_t>(digits) << 19) | (letters == 1 ? 1u << 26 : 0) | (1u << 31);
  value = v;
  return true;
}

std::string literalText(uint32_t writing, uint64_t value) {
  const unsigned base = (writing >> 16) & 3;
  const size_t digits = (writing >> 19) & 127;
  std::string out = std::to_string(writing & 0xFFFF);
  out += '\'';
  out += static_cast<char>(kBases[base] - ((writing >> 18) & 1 ? 32 : 0));
  const char* set = (writing >> 26) & 1 ? "0123456789ABCDEF" : "0123456789abcdef";
  const size_t at = out.size();
  out.append(digits, '0');
  for (size_t k = out.size(); k > at && value; --k) {
    if (base == 2) {
      out[k - 1] = set[value % 10];
      value /= 10;
    } else {
      out[k - 1] = set[value & ((1u << kBaseBits[base]) - 1)];
      value >>= kBaseBits[base];
    }
  }
  return out;
}
}  // namespace

HDDesignStore::HDDesignStore() {
  main_.nextChunk = kFirstChunk;
  side_.nextChunk = kFirstSideChunk;
}

HDDesignStore::~HDDesignStore() {
  main_.release();
  side_.release();
}

void HDDesignStore::Arena::release() {
  for (const Chunk& c : chunks) HUTBigMemory::release(c.p, c.bytes);
  chunks.clear();
}

void* HDDesignStore::Arena::grow(size_t bytes) {
  chunks.reserve(chunks.size() + 1);  // so that the chunk below cannot leak
  if (bytes > nextChunk / 4) {
    // A large run gets a chunk of its own; the current chunk goes on filling.
    char* p = static_cast<char*>(HUTBigMemory::allocate(bytes));
    chunks.push_back({p, bytes});
    return p;
  }
  // Chunks are aligned for any slot.
  const size_t size = nextChunk;
  char* p = static_cast<char*>(HUTBigMemory::allocate(size));
  chunks.push_back({p, size});
  nextChunk = std::min(2 * nextChunk, kMaxChunk);
  cur = p + bytes;
  left = size - bytes;
  return p;
}

char* HDDesignStore::record(Arena& arena, std::string_view s, size_t slots) {
  if (s.size() > UINT32_MAX) throw std::length_error("a name longer than 4 GiB");
  const bool isLong = s.size() >= kLongName;
  const size_t head = isLong ? 5 : 1;
  const size_t bytes = head + s.size() + 1 + slots * sizeof(HDAttrSlot);
  char* p = static_cast<char*>(arena.raw(bytes, 1)) + head;
  unsigned char h = isLong ? kLongName : static_cast<unsigned char>(s.size());
  if (slots) h |= kHasSlots;
  if (isLong) {
    const uint32_t len = static_cast<uint32_t>(s.size());
    std::memcpy(p - 5, &len, 4);
  }
  p[-1] = static_cast<char>(h);
  if (!s.empty()) std::memcpy(p, s.data(), s.size());
  p[s.size()] = '\0';
  return p;
}

const char* HDDesignStore::name(std::string_view s) { return record(main_, s, 0); }

unsigned char* HDDesignStore::slotsFor(const char*& name, size_t n) {
  const size_t len = nameLength(name);
  char* rec = const_cast<char*>(name);
  char* end = rec + len + 1;
  const size_t bytes = n * sizeof(HDAttrSlot);
  if (!(static_cast<unsigned char>(rec[-1]) & kHasSlots) && main_.cur == end &&
      bytes <= main_.left) {
    // The record was the last thing stored: its slots go right after it.
    main_.cur += bytes;
    main_.left -= bytes;
    rec[-1] = static_cast<char>(static_cast<unsigned char>(rec[-1]) | kHasSlots);
    return reinterpret_cast<unsigned char*>(end);
  }
  name = record(main_, std::string_view(name, len), n);
  return const_cast<unsigned char*>(slotsOf(name));
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

const char* HDDesignStore::site(std::string_view s) {
  if (!lastSite_ || view(lastSite_) != s) lastSite_ = record(side_, s, 0);
  return lastSite_;
}

const HDInterned* HDDesignStore::intern(std::string_view s, uint32_t literal) {
  // Instances in a row mostly repeat the same few attribute and site names.
  const HDInterned*& recent =
      recent_[(s.size() + (s.empty() ? 0 : static_cast<unsigned char>(s.back()))) & 7];
  if (recent && recent->literal == literal && recent->s == s) return recent;
  const HDInterned* plain;
  auto it = index_.find(s);
  if (it != index_.end()) {
    plain = it->second;
  } else {
    interned_.push_back(HDInterned{std::string(s)});
    plain = &interned_.back();
    index_.emplace(plain->s, plain);
  }
  if (literal == 0) return recent = plain;
  auto lit = literals_.find({plain, literal});
  if (lit != literals_.end()) return recent = lit->second;
  interned_.push_back(HDInterned{std::string(s), literal});
  const HDInterned* p = &interned_.back();
  literals_.emplace(std::make_pair(plain, literal), p);
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
  const unsigned char* a = attrs();
  if (!a) return 0;
  size_t n = 1;
  while (!(HDDesignStore::slot(a, n - 1).key & kLast)) ++n;
  return n;
}

std::string_view HDAHInstance::attrName(size_t i) const { return keyOf(attrSlot(i))->s; }

int HDAHInstance::attrKind(size_t i) const { return kTagKind[attrSlot(i).key & kKindMask]; }

HATAttr HDAHInstance::attrValue(size_t i) const {
  const HDAttrSlot s = attrSlot(i);
  switch (s.key & kKindMask) {
    case 0:
      return HATAttr::makeBool(s.i != 0);
    case 1:
      return HATAttr::makeInt(static_cast<int32_t>(s.i));
    case 2:
      return HATAttr::makeDouble(s.d);
    case 3:
      return HATAttr::makeString(std::string(runOf(s.text)));
    case 4:
      return HATAttr::makeLong(s.i);
    case kTagLiteral:
      return HATAttr::makeString(literalText(keyOf(s)->literal, static_cast<uint64_t>(s.i)));
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
  const unsigned char* a = attrs();
  if (!a) return false;
  for (size_t i = 0;; ++i) {
    const HDAttrSlot s = HDDesignStore::slot(a, i);
    if (keyOf(s)->s == name) {
      out = attrValue(i);
      return true;
    }
    if (s.key & kLast) return false;
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
// `name` is the attribute's name; a text that is a sized literal is kept as its number.
HDAttrSlot fillSlot(HDDesignStore& store, std::string_view name, const HDAttrView& v, bool last) {
  HDAttrSlot slot;
  uintptr_t tag = tagOf(v.kind);
  uint32_t writing = 0;
  uint64_t number = 0;
  if (v.kind == HATAttr::TEXT && packLiteral(v.text, writing, number)) tag = kTagLiteral;
  slot.key = reinterpret_cast<uintptr_t>(store.intern(name, writing)) | tag | (last ? kLast : 0);
  switch (tag) {
    case 0:
    case 1:
    case 4:
      slot.i = v.i;
      break;
    case 2:
      slot.d = v.d;
      break;
    case kTagLiteral:
      slot.i = static_cast<int64_t>(number);
      break;
    default:
      slot.text = store.text(v.text);
      break;
  }
  return slot;
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
  const HDAttrSlot old = inst->attrSlot(index);
  const std::string_view name = keyOf(old)->s;
  HDDesignStore::setSlot(
      const_cast<unsigned char*>(inst->attrs()), index,
      fillSlot(parent->store(), name, viewOf(name, value), (old.key & kLast) != 0));
}

void HDDesignBuilder::setAttr(HDAHCellview* parent, HDAHInstance* inst, std::string_view name,
                              const HATAttr& value) {
  const size_t n = inst->attrCount();
  const HDAttrView v = viewOf(name, value);
  for (size_t i = 0; i < n; ++i)
    if (keyOf(inst->attrSlot(i))->s == name) {
      setAttrAt(parent, inst, i, value);
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
  const unsigned char* old = inst->attrs();
  if (!inst->name_) inst->name_ = store.name({});
  // Slots are written once; adding to an instance's attributes copies them anew, with its
  // name (the old copies stay, unused, until the design goes).
  unsigned char* slots = store.slotsFor(inst->name_, n + count);
  for (size_t i = 0; i < n; ++i) {
    HDAttrSlot s = HDDesignStore::slot(old, i);
    s.key &= ~kLast;
    HDDesignStore::setSlot(slots, i, s);
  }
  for (size_t i = 0; i < count; ++i)
    HDDesignStore::setSlot(slots, n + i, fillSlot(store, attrs[i].name, attrs[i], i + 1 == count));
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
