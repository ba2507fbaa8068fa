// The memory of a design by hierarchical instance, and the leaf memories that contribute
// most FIT. Built from what the walk tells of each cell definition, once per definition:
// totals are formed per definition and multiplied out only for the rows asked for, so a
// shared cell instantiated many times costs no more than one instance of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "shared/fit/base/HAFITFloorplan.h"

class HCRRptDoc;

__extension__ typedef __int128 HAFITBitCount;

class HAFITHierarchy : public HAFITFloorplan::WalkObserver {
 public:
  // Rows a breakdown lists at most; a deeper breakdown is refused.
  static constexpr size_t kMaxRows = 100000;
  // Leaf memories a contributor list holds at most.
  static constexpr size_t kMaxContributors = 100000;

  // Exposed bits: block RAM and FIFO, YRAM (whole bits, exact), HBM (a double, as the
  // walk sums it: exact while the bits are whole numbers below 2^53).
  struct Bits {
    HAFITBitCount bram = 0;
    HAFITBitCount yram = 0;
    double hbm = 0.0;
    // Whole-bit sums stop at +-2^120, far beyond any memory, rather than overflow.
    void add(const Bits& o);
  };
  struct Row {
    std::string path;  // hierarchical name; the design's name for the whole design
    int depth;         // 0: the whole design; 1: an instance of the top cell; ...
    Bits bits;         // the instance and everything below it
    Bits own;          // its own leaves only
  };
  struct Contributor {
    std::string path;  // hierarchical name of the leaf
    int memType;       // HAFITSERMgr::MemType
    double bits;
    double fit;  // nominal, as the class's table row computes it
  };

  // ---- told by the walk ----
  void root(const HDAHCellview* def) override;
  void leaf(const HDAHCellview* def, const HDAHInstance* instance,
            const HAFITFloorplan::LeafAddend& added) override;
  void child(const HDAHCellview* def, const HDAHInstance* via, const HDAHCellview* child,
             bool hook) override;

  // The whole design, then every hierarchical instance down to `depth`, depth first in
  // the design's order. Throws std::length_error past kMaxRows rows.
  std::vector<Row> rows(int depth) const;
  // The `n` leaf memories of the given classes (1 << MemType each) with the largest
  // nominal FIT, largest first, ties by path in byte order. Leaves without exposed bits
  // or whose class has no data are not listed. Costs n per instance of every definition,
  // whatever the number of occurrences.
  std::vector<Contributor> topContributors(const HAFITFloorplan& floorplan, unsigned classes,
                                           size_t n) const;

  // Nominal FIT of exposed bits: the reported classes' figures as their table rows compute
  // them, added in double in the order block memory, YRAM, HBM. Classes without data add 0.
  static double nominalFit(const HAFITFloorplan& floorplan, unsigned classes, const Bits& bits);

  // The "FIT by Hierarchy" section (depth >= 0) and the "Top Contributors" section
  // (contributors > 0), after the device summary.
  void writeSections(HCRRptDoc& doc, const HAFITFloorplan& floorplan, int depth,
                     size_t contributors) const;

  // A bit count as decimal digits.
  static std::string toString(HAFITBitCount bits);

 private:
  struct Leaf {
    const HDAHInstance* instance;
    int memType;
    Bits bits;                     // what the leaf itself added
    const HDAHCellview* contents;  // an HBM leaf's contents walked by its family, or null
  };
  struct Child {
    const HDAHInstance* via;
    const HDAHCellview* def;
  };
  struct Def {
    std::vector<Leaf> leaves;
    std::vector<Child> children;
  };

  // Each definition's total, the contents of HBM leaves included.
  std::unordered_map<const HDAHCellview*, Bits> totals() const;
  Bits leafBits(const Leaf& leaf, const std::unordered_map<const HDAHCellview*, Bits>& t) const;
  // Definitions in an order where every definition follows those it instantiates.
  std::vector<const HDAHCellview*> bottomUp() const;
  // The largest depth whose breakdown stays within kMaxRows rows.
  int deepestListable() const;

  std::unordered_map<const HDAHCellview*, Def> defs_;
  const HDAHCellview* root_ = nullptr;
};
