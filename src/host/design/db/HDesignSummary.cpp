#include "host/design/db/HDesignSummary.h"

#include <limits>
#include <unordered_map>
#include <vector>

namespace {

struct Counts {
  uint64_t occurrences = 0, leaves = 0, ramb = 0, fifo = 0, yram = 0, hbm = 0;
  bool saturated = false;
};

uint64_t addSat(uint64_t a, uint64_t b, bool& saturated) {
  if (a > std::numeric_limits<uint64_t>::max() - b) {
    saturated = true;
    return std::numeric_limits<uint64_t>::max();
  }
  return a + b;
}

void addCounts(Counts& to, const Counts& from) {
  to.occurrences = addSat(to.occurrences, from.occurrences, to.saturated);
  to.leaves = addSat(to.leaves, from.leaves, to.saturated);
  to.ramb = addSat(to.ramb, from.ramb, to.saturated);
  to.fifo = addSat(to.fifo, from.fifo, to.saturated);
  to.yram = addSat(to.yram, from.yram, to.saturated);
  to.hbm = addSat(to.hbm, from.hbm, to.saturated);
  to.saturated |= from.saturated;
}

// The hierarchical cell an instance is descended into, or null for a leaf.
const HDAHCellview* descent(const HDAHInstance& in) {
  if (in.isArchLeaf() || in.isHierBlackBox()) return nullptr;
  return in.getCell();
}

}  // namespace

HDDesignSummary HDSummarizeDesign(const HFLFloorplan& design) {
  HDDesignSummary s;
  s.cells = design.cells().size();
  s.primitives = design.primitives().size();
  for (const auto& c : design.cells()) s.definedInstances += c->instances().size();

  const HDAHCellview* top = design.getNetlist()->getTopCellview()->getDAH();
  if (!top) return s;

  // Counts of one occurrence of each cell, bottom up; iterative because hierarchies
  // may be thousands of levels deep. The loader has refused cycles.
  std::unordered_map<const HDAHCellview*, Counts> done;
  struct Frame {
    const HDAHCellview* cell;
    size_t next;
    Counts sum;
  };
  std::vector<Frame> stack;
  stack.push_back({top, 0, {}});
  Counts result;
  while (!stack.empty()) {
    Frame& f = stack.back();
    if (f.next == f.cell->instances().size()) {
      const Counts sum = f.sum;
      const HDAHCellview* cell = f.cell;
      stack.pop_back();
      done[cell] = sum;
      if (stack.empty())
        result = sum;
      else
        addCounts(stack.back().sum, sum);
      continue;
    }
    const HDAHInstance& in = f.cell->instances()[f.next];
    Counts one;
    one.occurrences = 1;
    const HDAHCellview* sub = descent(in);
    if (!sub) {
      one.leaves = 1;
      if (const HDPrimitive* p = in.getPrimitive()) {
        one.ramb = (p->classes & HDPrimitive::RAMB) ? 1 : 0;
        one.fifo = (p->classes & HDPrimitive::FIFO) ? 1 : 0;
        one.yram = (p->classes & HDPrimitive::YRAM) ? 1 : 0;
        one.hbm = (p->classes & HDPrimitive::HBM) ? 1 : 0;
      }
      addCounts(f.sum, one);
      ++f.next;
      continue;
    }
    auto it = done.find(sub);
    if (it != done.end()) {
      addCounts(f.sum, one);
      addCounts(f.sum, it->second);
      ++f.next;
      continue;
    }
    // Count the instance itself now and its contents when the sub-cell is finished.
    addCounts(f.sum, one);
    stack.push_back({sub, 0, {}});
    // The sub-cell's counts are added on its pop; advance past the instance then.
    stack[stack.size() - 2].next++;
  }
  s.occurrences = result.occurrences;
  s.leaves = result.leaves;
  s.ramb = result.ramb;
  s.fifo = result.fifo;
  s.yram = result.yram;
  s.hbm = result.hbm;
  s.saturated = result.saturated;
  return s;
}
