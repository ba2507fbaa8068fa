// The design database under construction, fed by any front end (the seufit design file,
// netlists): cells, instances naming cells or primitives by name, the part and its
// primitive library. resolve() then points every instance at what it names, finds the
// top and checks the hierarchy, with the same messages whatever the front end.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/design/db/HDesign.h"
#include "host/design/load/HDLoadContext.h"
#include "host/mem/HUTChunkList.h"

struct HDPartSpec {
  std::string name, device, archId, library;
  int archType = 0;
  bool hasConfigBits = false;
  uint32_t configBits = 0;
  bool hasLibrary = false;
};

// A name that instances refer to: a cell of the file, a primitive, or nothing.
struct HDSymbol {
  std::string name;
  HDAHCellview* cell = nullptr;  // defined as a cell
  size_t def = 0;                // then its definition
  HDJsonPos defPos;
  // Used before it was defined: the cell its instances point at, listed among the design's
  // cells when a definition comes, or the stand-in for a primitive until resolve().
  std::unique_ptr<HDAHCellview> pending;
  std::string primitive;  // the primitive a cell map names for it; empty: its own name
  size_t uses = 0;
  const std::string* useFile = nullptr;  // set by the first use
  std::string usePath;
  HDJsonPos usePos;
};

// A cell definition: a cell, or a primitive's contents.
struct HDDefinition {
  HDAHCellview* cell;
  std::string name;
  const std::string* file;  // the assembly's copy
  std::string path;
  HDJsonPos pos;
};

struct HDPrimInfo {
  HDPrimitive* prim = nullptr;
  bool fromDesign = false;
  std::string file, path;
  HDJsonPos pos;
};

class HDDesignAssembly {
 public:
  explicit HDDesignAssembly(HDLoadContext& ctx) : ctx_(ctx), fp_(new HFLFloorplan) {}

  HFLFloorplan& floorplan() { return *fp_; }
  std::unique_ptr<HFLFloorplan> take() { return std::move(fp_); }

  HDSymbol* symbol(const std::string& name);
  HDSymbol* findSymbol(const std::string& name) const;
  // A new cell named `name` (the caller checked it is not defined yet).
  HDAHCellview* defineCell(const std::string& name, const std::string& path, HDJsonPos pos);
  // A primitive's contents `cell`, defined in the current file at `path`.
  void addDefinition(HDAHCellview* cell, const std::string& name, std::string path, HDJsonPos pos) {
    defs_.emplace_back(HDDefinition{cell, name, currentFile(), std::move(path), pos});
  }
  // An instance of the cell or primitive called `target`, resolved later; `usePath` and
  // `usePos` place the first use in messages.
  HDAHInstance* addInstanceOf(HDAHCellview* parent, std::string_view name,
                              const std::string& target, std::string usePath, HDJsonPos usePos) {
    return addInstanceOf(parent, name, symbol(target), std::move(usePath), usePos);
  }
  // The same for the symbol `s`; `usePath` is kept only for its first use.
  HDAHInstance* addInstanceOf(HDAHCellview* parent, std::string_view name, HDSymbol* s,
                              std::string usePath, HDJsonPos usePos);
  // A named instance whose target could not be read (kept for the duplicate check).
  HDAHInstance* addUnresolved(HDAHCellview* parent, const std::string& name) {
    return HDDesignBuilder::addInstance(parent, name, nullptr, nullptr);
  }

  std::unordered_map<std::string, HDPrimInfo>& primitives() { return prims_; }
  HUTChunkList<HDSymbol>& symbols() { return syms_; }

  // The part: a name to look up in parts.json, or given inline.
  bool havePart = false, partInline = false, partOk = false;
  std::string partName;
  HDJsonPos partPos;
  HDPartSpec part;
  // A netlist names no part: it is the catalogue part the user gave (--part), a problem
  // of `file` when none was given.
  void setNetlistPart(const std::string& name, const std::string& file);
  // The leaf types that name a gate of the synthesis tool's own library ("$_AND_", and the
  // constant drivers GND and VCC a netlist writer adds) become the design's own primitives,
  // without memory, unless a module or a primitive has the name: gates, not black boxes,
  // whatever format the netlist was written in.
  void addToolGates(const std::string& file);
  // The top cell's name and where it was given ("top" path).
  bool haveTop = false, haveCells = false;
  std::string topName;
  std::string topPath = "top";
  HDJsonPos topPos;
  std::unique_ptr<HDCSet> constraints;
  std::vector<std::unique_ptr<HDSMSite>> sites;

  // After the part and its library are known: instances point at their masters, the top
  // is found, the hierarchy is checked, and (when clean) the database is completed.
  // `primitivesKnown`: the part's library was read, so an unknown name is an error.
  void resolve(bool primitivesKnown);

 private:
  void checkHierarchy(const HDAHCellview* top);
  template <typename Frames>
  void reportCycle(const Frames& stack, size_t node);

  HDLoadContext& ctx_;
  std::unique_ptr<HFLFloorplan> fp_;
  HUTChunkList<HDSymbol> syms_;
  std::unordered_map<std::string_view, HDSymbol*> symIndex_;  // by the symbol's own name
  std::unordered_map<std::string, HDPrimInfo> prims_;
  HUTChunkList<HDDefinition> defs_;
  // The files that definitions and uses were read from, one copy each.
  std::deque<std::string> files_;
  const std::string* currentFile();
};
