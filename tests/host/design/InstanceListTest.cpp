// A cell's instance list grows in runs of doubling size: instances keep their addresses,
// and indexing and iteration agree across every run boundary.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/design/HDesign.h"

TEST(InstanceList, IndexIterationAndAddressesAgreeAcrossRuns) {
  HFLFloorplan fp;
  HDAHCellview* cell = fp.addCell("c");
  HDPrimitive* prim = fp.addPrimitive("P");
  EXPECT_TRUE(cell->instances().empty());
  EXPECT_EQ(cell->instances().begin(), cell->instances().end());

  std::vector<const HDAHInstance*> seen;
  // 4, 12, 28, ... are the last indices of runs; cover each side of the first boundaries
  // and a few thousand beyond.
  for (size_t i = 0; i < 5000; ++i) {
    const HDAHInstance* inst =
        HDDesignBuilder::addInstance(cell, "u" + std::to_string(i), nullptr, prim);
    seen.push_back(inst);
    ASSERT_EQ(&cell->instances().back(), inst);
    if (i == 3 || i == 4 || i == 11 || i == 12 || i == 27 || i == 28) {
      size_t n = 0;
      for (const HDAHInstance& in : cell->instances()) {
        ASSERT_EQ(&in, seen[n]) << "size " << i + 1 << ", element " << n;
        ++n;
      }
      EXPECT_EQ(n, i + 1);
    }
  }
  const HDInstanceList& list = cell->instances();
  ASSERT_EQ(list.size(), 5000u);
  size_t n = 0;
  for (auto it = list.begin(); it != list.end(); ++it, ++n) {
    ASSERT_EQ(&*it, seen[n]);
    ASSERT_EQ(&list[n], seen[n]);
    ASSERT_EQ(it->getName(), "u" + std::to_string(n));
    ASSERT_EQ(it->getPrimitive(), prim);
  }
  EXPECT_EQ(n, 5000u);
}

TEST(InstanceList, CellOutsideADesignKeepsItsOwnStore) {
  HDAHCellview cell;
  HDAHCellview child;
  for (int i = 0; i < 40; ++i) HDDesignBuilder::addInstance(&cell, "x", &child, nullptr);
  size_t n = 0;
  for (const HDAHInstance& in : cell.instances()) {
    EXPECT_EQ(in.getCell(), &child);
    ++n;
  }
  EXPECT_EQ(n, 40u);
}
