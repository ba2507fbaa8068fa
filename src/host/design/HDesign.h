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

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

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

// A cell definition.
class HDAHCellview {
 public:
  const std::string& getName() const { return name_; }
  int instanceCount() const { return static_cast<int>(instances_.size()); }
  int netCount(HDAHTypes::ConnIterType) const { return nets_; }
  int busNetCount() const { return busNets_; }
  bool isBlackBox() const { return blackBox_; }
  const std::vector<std::unique_ptr<HDAHInstance>>& instances() const { return instances_; }

 private:
  friend class HDDesignBuilder;
  friend class HFLFloorplan;
  std::string name_;
  int nets_ = 0;
  int busNets_ = 0;
  bool blackBox_ = false;
  std::vector<std::unique_ptr<HDAHInstance>> instances_;
};

// An instance inside a cell definition: of a cell (hierarchical) or of a primitive (leaf).
class HDAHInstance {
 public:
  const std::string& getName() const { return name_; }
  bool isArchLeaf() const { return primitive_ != nullptr; }
  // True when the instantiated cell is a black box.
  bool isHierBlackBox() const;
  // The instantiated cell's definition: the cell, a primitive's contents, or null for
  // a primitive without contents.
  const HDAHCellview* getMasterView() const;
  const HDPrimitive* getPrimitive() const { return primitive_; }
  const HDAHCellview* getCell() const { return cell_; }
  const std::string& getSiteName() const { return site_; }
  // The instance's attribute of that name, or null.
  const HATAttr* findAttr(const std::string& name) const;
  const std::vector<std::pair<std::string, HATAttr>>& attributes() const { return attrs_; }

 private:
  friend class HDDesignBuilder;
  std::string name_;
  const HDAHCellview* cell_ = nullptr;
  const HDPrimitive* primitive_ = nullptr;
  std::string site_;
  std::vector<std::pair<std::string, HATAttr>> attrs_;
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
  const char* getNameLH() const { return def_->getName().c_str(); }
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
  const HDSMSite* find(const std::string& siteName) const;
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
};

class HDPYRouteStorage {
 public:
  // The configuration-bit record of the design, or null when the part has none.
  static const HDPYRouteData* getRouteData(const HFLFloorplan* design);
};

// Edits cell definitions (the loader and tests).
class HDDesignBuilder {
 public:
  static void setNets(HDAHCellview* cell, int nets, int busNets);
  static void setBlackBox(HDAHCellview* cell, bool blackBox);
  static void setName(HDAHCellview* cell, const std::string& name);
  // Appends an instance of a cell or of a primitive (exactly one non-null).
  static HDAHInstance* addInstance(HDAHCellview* parent, const std::string& name,
                                   const HDAHCellview* cell, const HDPrimitive* primitive);
  static void setSite(HDAHInstance* inst, const std::string& site);
  // Sets or replaces the attribute.
  static void setAttr(HDAHInstance* inst, const std::string& name, HATAttr value);
  // Appends attributes whose names are distinct and not yet on the instance, without
  // searching; the entries of `attrs` are moved from.
  static void appendAttrs(HDAHInstance* inst, std::vector<std::pair<std::string, HATAttr>>& attrs);
  // Points an instance at its cell or primitive once the name is resolved (the loader
  // meets instances before the cells and primitives they name).
  static void setMaster(HDAHInstance* inst, const HDAHCellview* cell, const HDPrimitive* primitive);
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
