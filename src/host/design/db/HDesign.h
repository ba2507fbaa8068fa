// The host's design database: a placed design, its netlist with hierarchical cells
// (stored once however often they are instantiated), primitives, attributes, the part
// with its architecture and site map, and the design's constraints.
//
// Two views of the hierarchy:
//  - definitions (HDAH...): a cell (HDAHCellview) and the instances it holds
//    (HDAHInstance), shared by every occurrence;
//  - occurrences (HDLH...): a cell view or instance at one place in the hierarchy,
//    handed out by the instance iterator; it knows its hierarchical name.
// Handles are owned by the database, except the iterator, which the caller deletes.
// An occurrence handle (and the master cell view it hands out) stays valid until its
// iterator is deleted or advanced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/mem/HUTDoublingRuns.h"

class HAINetlist;
class HDAHCellview;
class HDAHInstance;
class HDLHCellview;
class HDLHInstance;
class HDARPart;
class HFLFloorplan;

// ---- attributes -----------------------------------------------------------------

// One attribute value. Kinds: 0 bool, 1 int, 2 double, 3 text, 12 long; any other
// kind (here 99) is a value the analysis does not read.
class HATAttr {
 public:
  enum Kind { BOOL = 0, INT = 1, DOUBLE = 2, TEXT = 3, LONG = 12, OTHER = 99 };
  HATAttr() = default;
  static HATAttr makeBool(bool v);
  static HATAttr makeInt(int32_t v);
  static HATAttr makeLong(int64_t v);
  static HATAttr makeDouble(double v);
  static HATAttr makeString(std::string v);
  static HATAttr makeOther(std::string text);

  int getKind() const { return kind_; }
  bool getBoolVal() const { return b_; }
  int32_t getIntVal() const { return static_cast<int32_t>(i_); }
  int64_t getLongVal() const { return i_; }
  double getDoubleVal() const { return d_; }
  const std::string& getStringVal() const { return s_; }

 private:
  int kind_ = OTHER;
  bool b_ = false;
  int64_t i_ = 0;
  double d_ = 0.0;
  std::string s_;
};

class HATAttrSpec {
 public:
  HATAttrSpec() = default;
  explicit HATAttrSpec(bool userDefined) : userDefined_(userDefined) {}
  // True when the instance's primitive does not define the attribute name.
  bool isUserDefined() const { return userDefined_; }

 private:
  bool userDefined_ = true;
};

// ---- primitives -----------------------------------------------------------------

// A library cell: its classes, its library-cell code, the attribute names it defines
// and, for a primitive built of other primitives, its contents (master cell view).
struct HDPrimitive {
  enum Class : unsigned { RAMB = 1, FIFO = 2, YRAM = 4, HBM = 8, OTHER = 16 };
  std::string name;
  unsigned classes = 0;
  uint32_t code = 0;
  std::vector<std::string> attributes;
  // The kind (HATAttr::Kind) each attribute that the analysis reads must have; a netlist's
  // values are converted to it.
  std::vector<std::pair<std::string, int>> kinds;
  const HDAHCellview* contents = nullptr;  // owned by the design; null for most
  bool defines(const std::string& attr) const;
  // The declared kind of `attr`, or -1.
  int kindOf(const std::string& attr) const {
    for (const auto& k : kinds)
      if (k.first == attr) return k.second;
    return -1;
  }
};

// ---- definitions ----------------------------------------------------------------

class HDAHTypes {
 public:
  enum ConnIterType { CONN_ALL = 0, CONN_SCALAR = 1, CONN_BUS = 2 };
};

// One attribute of an instance as stored: the interned name, tagged with the value's
// kind and whether it is the instance's last attribute, and the value itself (text as a
// length-prefixed run in the design's storage, or a sized literal such as "64'h1F" as its
// number, the interned name then carrying how the text is written).
struct HDAttrSlot {
  uintptr_t key;  // const HDInterned* | kind tag (bits 0-2) | last (bit 3)
  union {
    int64_t i;
    double d;
    const char* text;
  };
};

// A string interned by the design (attribute names): compared by address where
// possible, aligned so that a slot's tag bits fit below it. `literal` is 0, or how the
// sized literals of the slots that point here are written (width, base, digits, case).
struct alignas(16) HDInterned {
  std::string s;
  uint32_t literal = 0;
};

// The storage behind a design's instances: names and attribute values in large chunks
// (no allocation per instance), and interned attribute and site names.
//
// An instance's name is a record: its length in a byte (five for a name of 127 bytes or
// more), the characters and a NUL; when the instance has attributes, their slots follow
// right after it (unaligned: read and written by copy), which the length's top bit says.
// So an instance holds one pointer for both, and a large flat design costs a few words per
// instance.
class HDDesignStore {
 public:
  HDDesignStore();
  ~HDDesignStore();
  HDDesignStore(const HDDesignStore&) = delete;
  HDDesignStore& operator=(const HDDesignStore&) = delete;
  // `s` copied as a name record; returns its first character.
  const char* name(std::string_view s);
  // A string that name() or site() returned (or null: empty).
  static std::string_view view(const char* p) {
    if (!p) return {};
    return {p, nameLength(p)};
  }
  // The same for a site name, kept apart from instance names; instances placed in a row
  // on one site share it.
  const char* site(std::string_view s);
  // `s` copied as a length-prefixed run; returns the run.
  const char* text(std::string_view s);
  const HDInterned* intern(std::string_view s, uint32_t literal = 0);

  // Name records with slots: the slots of the record whose characters start at `name`,
  // or null when it has none.
  static const unsigned char* slotsOf(const char* name) {
    if (!name) return nullptr;
    if (!(static_cast<unsigned char>(name[-1]) & kHasSlots)) return nullptr;
    return reinterpret_cast<const unsigned char*>(name) + nameLength(name) + 1;
  }
  // Slot `i` of slots that slotsOf() or slotsFor() gave, copied in or out.
  static HDAttrSlot slot(const unsigned char* slots, size_t i) {
    HDAttrSlot s;
    std::memcpy(&s, slots + i * sizeof s, sizeof s);
    return s;
  }
  static void setSlot(unsigned char* slots, size_t i, const HDAttrSlot& s) {
    std::memcpy(slots + i * sizeof s, &s, sizeof s);
  }
  // `n` slots for the record of `name` (whose slots, if any, are given up): right after it
  // when it was the last thing stored, else in a copy of the record. Returns the slots and
  // sets `name` to the record's characters.
  unsigned char* slotsFor(const char*& name, size_t n);

 private:
  friend class HDInstanceList;
  static constexpr unsigned char kHasSlots = 0x80, kLongName = 0x7F;
  static size_t nameLength(const char* p) {
    const unsigned n = static_cast<unsigned char>(p[-1]) & kLongName;
    if (n != kLongName) return n;
    uint32_t len;
    std::memcpy(&len, p - 5, 4);
    return len;
  }
  // A bump allocator over chunks that double up to a limit.
  struct Arena {
    void* raw(size_t bytes, size_t align) {
      const size_t pad = (align - reinterpret_cast<uintptr_t>(cur) % align) % align;
      if (pad + bytes > left) return grow(bytes);
      char* p = cur + pad;
      cur += pad + bytes;
      left -= pad + bytes;
      return p;
    }
    void* grow(size_t bytes);
    void release();
    struct Chunk {
      char* p;
      size_t bytes;
    };
    std::vector<Chunk> chunks;
    size_t nextChunk;
    char* cur = nullptr;
    size_t left = 0;
  };
  void* raw(size_t bytes, size_t align) { return main_.raw(bytes, align); }
  // A name record of `s` whose characters start at the returned pointer, with room for
  // `slots` slots after it (flagged when there are any).
  char* record(Arena& arena, std::string_view s, size_t slots);
  Arena main_;  // instance runs, name records and their slots, text values
  Arena side_;  // site names, which come between an instance's name and its slots
  std::deque<HDInterned> interned_;
  std::unordered_map<std::string_view, const HDInterned*> index_;
  // Interned names with a literal's writing, by name and writing.
  std::map<std::pair<const HDInterned*, uint32_t>, const HDInterned*> literals_;
  const HDInterned* recent_[8] = {};  // the last hits, by a cheap hash of the text
  const char* lastSite_ = nullptr;
};

// An instance inside a cell definition: of a cell (hierarchical) or of a primitive (leaf).
// Stored by value in its cell, a few words each; its strings live in the design's store.
class HDAHInstance {
 public:
  std::string_view getName() const { return HDDesignStore::view(name_); }
  // The name as a C string (cut at an embedded NUL).
  const char* getNameC() const { return name_ ? name_ : ""; }
  bool isArchLeaf() const { return (master_ & 1) != 0; }
  // True when the instantiated cell is a black box.
  bool isHierBlackBox() const;
  // The instantiated cell's definition: the cell, a primitive's contents, or null for
  // a primitive without contents.
  const HDAHCellview* getMasterView() const;
  // The master is a tagged pointer (one word per instance); it only ever holds a pointer.
  const HDPrimitive* getPrimitive() const {
    if (!(master_ & 1)) return nullptr;
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    return reinterpret_cast<const HDPrimitive*>(master_ & ~uintptr_t(1));
  }
  const HDAHCellview* getCell() const {
    if (master_ & 1) return nullptr;
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    return reinterpret_cast<const HDAHCellview*>(master_);
  }
  // Empty when the instance is not placed.
  std::string_view getSiteName() const;
  // The instance's attribute of that name into `out`; false when it has none.
  bool findAttr(std::string_view name, HATAttr& out) const;
  std::optional<HATAttr> findAttr(std::string_view name) const {
    HATAttr a;
    if (!findAttr(name, a)) return std::nullopt;
    return a;
  }
  // Every attribute, copied.
  std::vector<std::pair<std::string, HATAttr>> attributes() const;
  // Attributes in the order they were added.
  size_t attrCount() const;
  std::string_view attrName(size_t i) const;
  HATAttr attrValue(size_t i) const;
  int attrKind(size_t i) const;

 private:
  friend class HDDesignBuilder;
  const unsigned char* attrs() const { return HDDesignStore::slotsOf(name_); }
  HDAttrSlot attrSlot(size_t i) const { return HDDesignStore::slot(attrs(), i); }
  const char* name_ = nullptr;  // a name record of the store, with the attributes
  uintptr_t master_ = 0;        // const HDAHCellview*, or const HDPrimitive* | 1
  const char* site_ = nullptr;  // stored as names are; shared by a run of equal sites
};

// A cell's instances, in the order they were added. They live in runs taken from the
// design's store, each twice the size of the one before, so that an instance keeps its
// address, a cell without instances costs nothing and a large cell few allocations.
class HDInstanceList {
  template <typename T>
  class Iter {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = HDAHInstance;
    using difference_type = std::ptrdiff_t;
    using pointer = T*;
    using reference = T&;
    Iter() = default;
    T& operator*() const { return *p_; }
    T* operator->() const { return p_; }
    Iter& operator++() {
      if (++i_ < size_ && ++p_ == runEnd_) {
        p_ = runs_[++run_];
        runEnd_ = p_ + Runs::capacity(run_);
      }
      return *this;
    }
    Iter operator++(int) {
      Iter old = *this;
      ++*this;
      return old;
    }
    bool operator==(const Iter& o) const { return i_ == o.i_; }
    bool operator!=(const Iter& o) const { return i_ != o.i_; }

   private:
    friend class HDInstanceList;
    Iter(HDAHInstance* const* runs, size_t i, size_t size) : runs_(runs), i_(i), size_(size) {
      if (i_ < size_) {
        p_ = runs_[0];
        runEnd_ = p_ + Runs::capacity(0);
      }
    }
    HDAHInstance* const* runs_ = nullptr;
    T* p_ = nullptr;
    T* runEnd_ = nullptr;
    size_t run_ = 0, i_ = 0, size_ = 0;
  };

 public:
  using iterator = Iter<HDAHInstance>;
  using const_iterator = Iter<const HDAHInstance>;
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  HDAHInstance& operator[](size_t i) {
    const size_t k = Runs::of(i);
    return runs_[k][i - Runs::start(k)];
  }
  const HDAHInstance& operator[](size_t i) const { return const_cast<HDInstanceList&>(*this)[i]; }
  HDAHInstance& back() { return (*this)[size_ - 1]; }
  const HDAHInstance& back() const { return (*this)[size_ - 1]; }
  iterator begin() { return {runs_, 0, size_}; }
  iterator end() { return {runs_, size_, size_}; }
  const_iterator begin() const { return {runs_, 0, size_}; }
  const_iterator end() const { return {runs_, size_, size_}; }

 private:
  friend class HDDesignBuilder;
  using Runs = HUTDoublingRuns<4>;
  // A new default instance at the end.
  HDAHInstance& append(HDDesignStore& store);
  HDAHInstance** runs_ = nullptr;  // in the store
  size_t size_ = 0;
  size_t runSlots_ = 0;  // room in runs_
};

// A cell definition.
class HDAHCellview {
 public:
  const std::string& getName() const { return name_; }
  int instanceCount() const { return static_cast<int>(instances_.size()); }
  int netCount(HDAHTypes::ConnIterType) const { return nets_; }
  int busNetCount() const { return busNets_; }
  bool isBlackBox() const { return blackBox_; }
  const HDInstanceList& instances() const { return instances_; }

 private:
  friend class HDDesignBuilder;
  friend class HFLFloorplan;
  std::string name_;
  int nets_ = 0;
  int busNets_ = 0;
  bool blackBox_ = false;
  HDDesignStore* store_ = nullptr;           // the design's
  std::unique_ptr<HDDesignStore> ownStore_;  // for a cell made outside a design
  HDInstanceList instances_;
  HDDesignStore& store();
};

// ---- occurrences ----------------------------------------------------------------

class HDLHInstanceIter {
 public:
  virtual ~HDLHInstanceIter() = default;
  virtual bool more() const = 0;
  // The next instance; valid until the next call of next() or the iterator's deletion.
  virtual HDLHInstance* next() = 0;
};

// A cell view at one place in the hierarchy (the top, or the master of an instance).
class HDLHCellview {
 public:
  HDLHCellview() = default;
  HDLHCellview(const HDAHCellview* def, const HDLHInstance* owner) : def_(def), owner_(owner) {}
  // Caller deletes.
  HDLHInstanceIter* createInstanceIterLH() const;
  const char* getNameLH() const;
  const HDAHCellview* getDAH() const { return def_; }
  // The instance whose master this is; null for the top cell view.
  const HDLHInstance* getOwner() const { return owner_; }

 private:
  const HDAHCellview* def_ = nullptr;
  const HDLHInstance* owner_ = nullptr;
};

class HDLHInstance {
 public:
  HDLHInstance() = default;
  HDLHInstance(const HDAHInstance* def, const HDLHCellview* parent) : def_(def), parent_(parent) {}
  const char* getNameLH() const { return def_->getNameC(); }
  bool isArchLeaf() const { return def_->isArchLeaf(); }
  // The definition view of this instance (HDAHInstance::isHierBlackBox, getMasterView).
  const HDAHInstance* getDAH() const { return def_; }
  const HDLHCellview* getParent() const { return parent_; }
  // The master cell view in the logical hierarchy, walked on descent; null when the
  // instance has no master view. Valid as long as this occurrence.
  HDLHCellview* getMasterLH() const;

 private:
  friend class HDLHInstanceIterImpl;
  const HDAHInstance* def_ = nullptr;
  const HDLHCellview* parent_ = nullptr;
  mutable HDLHCellview master_;
};

// ---- part and architecture ------------------------------------------------------

class HDPAArch {
 public:
  explicit HDPAArch(std::string id) : id_(std::move(id)) {}
  const std::string& getId() const { return id_; }

 private:
  std::string id_;
};

class HDPAArchFamily {
 public:
  explicit HDPAArchFamily(std::string archId) : arch_(std::move(archId)) {}
  const HDPAArch* getArch() const { return &arch_; }

 private:
  HDPAArch arch_;
};

class HDDMAttribDesc {
 public:
  explicit HDDMAttribDesc(std::string name) : name_(std::move(name)) {}
  const std::string& getName() const { return name_; }

 private:
  std::string name_;
};

// One configuration value of a site element: a named attribute and its text.
class HDDMElementCfgValue {
 public:
  HDDMElementCfgValue(std::string attr, std::string value)
      : desc_(std::move(attr)), value_(std::move(value)) {}
  const HDDMAttribDesc* getAttribDesc() const { return &desc_; }
  const std::string& getAttribValue() const { return value_; }

 private:
  HDDMAttribDesc desc_;
  std::string value_;
};

// A site element with its configuration values in order; null entries are empty entries.
struct HDSMElement {
  std::string name;
  std::vector<std::unique_ptr<HDDMElementCfgValue>> values;
};

// A site: its elements in order; null entries are empty entries.
struct HDSMSite {
  std::string name;
  std::vector<std::unique_ptr<HDSMElement>> elements;
};

class HDSMSitemap {
 public:
  // The site of that name, or null.
  const HDSMSite* find(std::string_view siteName) const;
  HDSMSite& add(const std::string& siteName);  // replaces a site of the same name
  size_t size() const { return sites_.size(); }

 private:
  std::vector<std::unique_ptr<HDSMSite>> sites_;
  std::vector<std::pair<std::string, size_t>> index_;  // sorted by name
};

class HARPlaceArch {
 public:
  HARPlaceArch(int archType, std::string deviceName)
      : archType_(archType), deviceName_(std::move(deviceName)) {}
  int getArchType() const { return archType_; }
  const std::string& getDeviceName() const { return deviceName_; }
  const HDSMSitemap* getSitemap() const { return &sitemap_; }
  HDSMSitemap* getSitemap() { return &sitemap_; }

 private:
  int archType_;
  std::string deviceName_;
  HDSMSitemap sitemap_;
};

class HDARPart {
 public:
  HDARPart(std::string name, std::string deviceName, std::string archId, int archType)
      : name_(std::move(name)),
        family_(std::move(archId)),
        arch_(archType, std::move(deviceName)) {}
  const std::string& getName() const { return name_; }
  const HDPAArchFamily* getFamily() const { return &family_; }
  const HARPlaceArch* getPlaceArch() const { return &arch_; }
  HARPlaceArch* getPlaceArch() { return &arch_; }

 private:
  std::string name_;
  HDPAArchFamily family_;
  HARPlaceArch arch_;
};

// ---- constraints ----------------------------------------------------------------

class HDCBase {
 public:
  virtual ~HDCBase() = default;
};

class HASCSetUnits : public HDCBase {
 public:
  explicit HASCSetUnits(std::string altitudeUnit) : unit_(std::move(altitudeUnit)) {}
  std::string getAltitudeUnit() const { return unit_; }

 private:
  std::string unit_;
};

// A constraint of a kind the analysis does not read.
class HDCOther : public HDCBase {
 public:
  explicit HDCOther(std::string type) : type_(std::move(type)) {}
  const std::string& getType() const { return type_; }

 private:
  std::string type_;
};

class HDCSetIter {
 public:
  virtual ~HDCSetIter() = default;
  virtual bool more() const = 0;
  virtual HDCBase* next() = 0;  // may be null (a null entry)
};

class HDCSet {
 public:
  HDCSetIter* createIter() const;  // caller deletes
  void add(std::unique_ptr<HDCBase> c) { items_.push_back(std::move(c)); }
  const std::vector<std::unique_ptr<HDCBase>>& items() const { return items_; }

 private:
  std::vector<std::unique_ptr<HDCBase>> items_;
};

// ---- netlist, design handle, route storage --------------------------------------

class HAINetlist {
 public:
  HDLHCellview* getTopCellview() const { return &top_; }
  const HDARPart* getPart() const { return part_; }
  // Instance names from the top joined by "/". The cell view and prefix arguments are
  // accepted for the host's signature and must be null and "".
  void getHierName(const HDLHInstance* instance, std::string& out, const HDLHCellview* cellview,
                   const std::string& prefix) const;

 private:
  friend class HFLFloorplan;
  mutable HDLHCellview top_;
  const HDARPart* part_ = nullptr;
};

struct HDPYRouteData {
  uint32_t configBits = 0;
  uint32_t getConfigBitCount() const { return configBits; }
};

// The design handle: owns the netlist, the cells, the primitives, the part and the
// constraints.
class HFLFloorplan {
 public:
  HFLFloorplan();
  ~HFLFloorplan();
  HFLFloorplan(const HFLFloorplan&) = delete;
  HFLFloorplan& operator=(const HFLFloorplan&) = delete;

  HAINetlist* getNetlist() { return &netlist_; }
  const HAINetlist* getNetlist() const { return &netlist_; }
  const HDARPart* getPart() const { return part_.get(); }
  HDARPart* getPart() { return part_.get(); }
  // Null when the design has no constraint set.
  const HDCSet* getConstraintSet() const { return constraints_.get(); }
  const HDPYRouteData* getRouteData() const { return routeData_.get(); }
  const std::string& getDesignName() const;

  // Building (the loader and tests).
  void setPart(std::unique_ptr<HDARPart> part);
  void setConstraintSet(std::unique_ptr<HDCSet> set) { constraints_ = std::move(set); }
  void setRouteData(std::unique_ptr<HDPYRouteData> data) { routeData_ = std::move(data); }
  // Cells and primitives are owned here; names are unique per kind.
  HDAHCellview* addCell(const std::string& name);
  // A cell of this design not yet listed among cells(): instances may point at it before
  // its definition is read; adoptCell() then lists it, in definition order.
  std::unique_ptr<HDAHCellview> newCell(const std::string& name);
  HDAHCellview* adoptCell(std::unique_ptr<HDAHCellview> cell);
  // A primitive's contents (its master cell view): owned here, not listed among cells().
  HDAHCellview* addContents(const std::string& name);
  const std::vector<std::unique_ptr<HDAHCellview>>& contents() const { return contents_; }
  HDPrimitive* addPrimitive(const std::string& name);
  HDAHCellview* findCell(const std::string& name);
  const HDAHCellview* findCell(const std::string& name) const;
  const HDPrimitive* findPrimitive(const std::string& name) const;
  HDPrimitive* findPrimitive(const std::string& name);
  void setTop(const HDAHCellview* top);
  const std::vector<std::unique_ptr<HDAHCellview>>& cells() const { return cells_; }
  const std::vector<std::unique_ptr<HDPrimitive>>& primitives() const { return primitives_; }
  // Netlist cell types that name neither a cell nor a primitive, read as black boxes
  // without memory (a netlist's cell map decides).
  const std::vector<std::string>& unmappedTypes() const { return unmappedTypes_; }
  void setUnmappedTypes(std::vector<std::string> types) { unmappedTypes_ = std::move(types); }

 private:
  std::vector<std::string> unmappedTypes_;
  HAINetlist netlist_;
  std::unique_ptr<HDARPart> part_;
  std::unique_ptr<HDCSet> constraints_;
  std::unique_ptr<HDPYRouteData> routeData_;
  std::vector<std::unique_ptr<HDAHCellview>> cells_;
  std::vector<std::unique_ptr<HDPrimitive>> primitives_;
  std::vector<std::unique_ptr<HDAHCellview>> contents_;  // primitives' contents
  std::unique_ptr<HDDesignStore> store_;
};

class HDPYRouteStorage {
 public:
  // The configuration-bit record of the design, or null when the part has none.
  static const HDPYRouteData* getRouteData(const HFLFloorplan* design);
};

// An attribute to add: its name and a value of one kind (HATAttr::Kind).
struct HDAttrView {
  std::string_view name;
  int kind = HATAttr::OTHER;
  int64_t i = 0;  // BOOL (0 or 1), INT, LONG
  double d = 0.0;
  std::string_view text;  // TEXT, OTHER
};

// Edits cell definitions (the loader and tests).
class HDDesignBuilder {
 public:
  static void setNets(HDAHCellview* cell, int nets, int busNets);
  static void setBlackBox(HDAHCellview* cell, bool blackBox);
  static void setName(HDAHCellview* cell, const std::string& name);
  // Appends an instance of a cell or of a primitive (exactly one non-null).
  static HDAHInstance* addInstance(HDAHCellview* parent, std::string_view name,
                                   const HDAHCellview* cell, const HDPrimitive* primitive);
  // `inst` is an instance of `parent`, whose design stores its strings.
  static void setSite(HDAHCellview* parent, HDAHInstance* inst, std::string_view site);
  // Sets or replaces the attribute.
  static void setAttr(HDAHCellview* parent, HDAHInstance* inst, std::string_view name,
                      const HATAttr& value);
  // Replaces the value of the instance's attribute number `index`, without searching.
  static void setAttrAt(HDAHCellview* parent, HDAHInstance* inst, size_t index,
                        const HATAttr& value);
  // Appends attributes whose names are distinct and not yet on the instance, without
  // searching.
  static void appendAttrs(HDAHCellview* parent, HDAHInstance* inst,
                          const std::vector<std::pair<std::string, HATAttr>>& attrs);
  static void appendAttrs(HDAHCellview* parent, HDAHInstance* inst, const HDAttrView* attrs,
                          size_t count);
  // Points an instance at its cell or primitive once the name is resolved (the loader
  // meets instances before the cells and primitives they name).
  static void setMaster(HDAHInstance* inst, const HDAHCellview* cell, const HDPrimitive* primitive);
  static HDInstanceList& instances(HDAHCellview* cell) { return cell->instances_; }
};

// ---- primitive classification and attribute queries -----------------------------

class HARUPrimUtils {
 public:
  static bool isHBM(const HDLHInstance* inst, const HAINetlist* netlist);
  static bool isRAMB(const HDLHInstance* inst, const HAINetlist* netlist);
  static bool isFIFO(const HDLHInstance* inst, const HAINetlist* netlist);
  static bool isYRAM(const HDLHInstance* inst, const HAINetlist* netlist);
  // The library-cell code in the upper 32 bits; 0 for an instance that is no primitive.
  static uint64_t getLibCell(const HDLHInstance* inst, const HAINetlist* netlist);
};

class HAIAttrMgr {
 public:
  // Fills `attr` and returns true when the instance carries the attribute in the netlist.
  bool getAttr(const HAINetlist* netlist, const HDLHInstance* inst, const std::string& name,
               HATAttr& attr, bool inherit) const;
  // User-defined when the instance's primitive does not define the name.
  HATAttrSpec getAttrSpec(const HDLHInstance* inst, const std::string& name,
                          const HDARPart* part) const;
};
