// A cell's instances: the list grows in runs of doubling size, instances keep their
// addresses, and indexing and iteration agree across every run boundary; the duplicate
// check over their names.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "host/design/db/HDesign.h"
#include "host/design/dfile/HDDesignFileReader.h"

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

// The duplicate check against a plain map, on a cell large enough for every level of its
// sort: names drawn from a small pool, so most repeat, some hundreds of times; and a cell
// of 300,000 names drawn from four billion, where a handful repeat among the many that
// only share a slot of the filter.
TEST(InstanceNames, DuplicatesMatchAMapInDocumentOrder) {
  for (size_t n : {5u, 40u, 3000u, 60000u, 300000u}) {
    HFLFloorplan fp;
    HDAHCellview* cell = fp.addCell("c");
    HDPrimitive* prim = fp.addPrimitive("P");
    HDInstanceNames names;
    std::mt19937 rng(static_cast<unsigned>(n));
    std::map<std::string, long> first;
    std::vector<std::pair<long, long>> expected;  // element, first element
    const size_t pool = n < 100 ? 3 : n < 100000 ? n / 8 : size_t(1) << 32;
    for (size_t i = 0; i < n; ++i) {
      const std::string name = "n" + std::to_string(rng() % pool);
      // Elements need not be indices; runs of one column and of consecutive elements.
      const long element = static_cast<long>(i < n / 2 ? 2 * i + 1 : n + i);
      names.add(name, element, HDJsonPos{static_cast<int>(i + 7), 3 + static_cast<int>(i / 7 % 3)});
      HDDesignBuilder::addInstance(cell, name, nullptr, prim);
      auto ins = first.emplace(name, element);
      if (!ins.second) expected.emplace_back(element, ins.first->second);
    }
    const auto found = names.duplicates(cell->instances());
    ASSERT_EQ(found.size(), expected.size()) << n;
    if (n == 300000) {
      EXPECT_GT(found.size(), 0u);
    }
    for (size_t k = 0; k < found.size(); ++k) {
      ASSERT_EQ(found[k].element, expected[k].first) << n << " " << k;
      ASSERT_EQ(found[k].first, expected[k].second) << n << " " << k;
      const auto indexOf = [&](long e) {
        return static_cast<size_t>(e < static_cast<long>(n) ? (e - 1) / 2
                                                            : e - static_cast<long>(n));
      };
      for (auto [e, pos] : {std::make_pair(found[k].element, found[k].pos),
                            std::make_pair(found[k].first, found[k].firstPos)}) {
        ASSERT_EQ(pos.line, static_cast<int>(indexOf(e) + 7));
        ASSERT_EQ(pos.column, 3 + static_cast<int>(indexOf(e) / 7 % 3));
      }
      ASSERT_EQ(found[k].name, cell->instances()[indexOf(found[k].element)].getName());
    }
  }
}
