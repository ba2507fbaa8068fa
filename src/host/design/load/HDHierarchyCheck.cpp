// Cycles anywhere and the depth below the top, in one depth-first pass over the cell
// definitions (iterative: hierarchies may be thousands of levels deep).
#include <algorithm>

#include "host/design/load/HDDesignAssembly.h"

void HDDesignAssembly::checkHierarchy(const HDAHCellview* top) {
  // Definitions by cell address, sorted for lookup: no node per definition.
  std::vector<std::pair<const HDAHCellview*, size_t>> index;
  index.reserve(defs_.size());
  for (size_t i = 0; i < defs_.size(); ++i) index.emplace_back(defs_[i].cell, i);
  const auto before = [](const auto& e, const HDAHCellview* v) {
    return std::less<>()(e.first, v);
  };
  std::sort(index.begin(), index.end(),
            [](const auto& a, const auto& b) { return std::less<>()(a.first, b.first); });
  const auto find = [&](const HDAHCellview* m) -> long {
    auto it = std::lower_bound(index.begin(), index.end(), m, before);
    return it == index.end() || it->first != m ? -1 : static_cast<long>(it->second);
  };
  const auto child = [&](const HDAHInstance* in) -> long {
    const HDAHCellview* m = in->getMasterView();
    return m ? find(m) : -1;
  };
  std::vector<int> height(defs_.size(), 0);
  std::vector<char> state(defs_.size(), 0);  // 0 new, 1 on the stack, 2 done
  struct Frame {
    size_t node;
    size_t next;
    int h;
  };
  std::vector<Frame> stack;
  bool cyclic = false;
  for (size_t root = 0; root < defs_.size(); ++root) {
    if (state[root]) continue;
    state[root] = 1;
    stack.push_back({root, 0, 0});
    while (!stack.empty()) {
      Frame& f = stack.back();
      const auto& insts = defs_[f.node].cell->instances();
      if (f.next == insts.size()) {
        const int h = f.h;
        height[f.node] = h;
        state[f.node] = 2;
        stack.pop_back();
        if (!stack.empty()) stack.back().h = std::max(stack.back().h, h + 1);
        continue;
      }
      const long c = child(&insts[f.next++]);
      if (c < 0) {
        f.h = std::max(f.h, 1);
      } else if (state[c] == 2) {
        f.h = std::max(f.h, height[c] + 1);
      } else if (state[c] == 1) {
        cyclic = true;
        reportCycle(stack, static_cast<size_t>(c));
        f.h = std::max(f.h, 1);
      } else {
        state[c] = 1;
        stack.push_back({static_cast<size_t>(c), 0, 0});
      }
    }
  }
  if (!top || cyclic) return;
  const long found = find(top);
  if (found < 0) return;
  const size_t t = static_cast<size_t>(found);
  if (height[t] <= HDLoadLimits::kMaxDepth) return;
  // Follow one deepest path for the message.
  std::vector<std::string> names;
  size_t node = t;
  while (height[node] > 0) {
    bool stepped = false;
    for (const auto& in : defs_[node].cell->instances()) {
      const long c = child(&in);
      if (c >= 0 && height[c] + 1 == height[node]) {
        names.emplace_back(in.getName());
        node = static_cast<size_t>(c);
        stepped = true;
        break;
      }
      if (c < 0 && height[node] == 1) {
        names.emplace_back(in.getName());
        break;
      }
    }
    if (!stepped) break;
  }
  const std::string chain = hdJoinElided(names, "/", 3, 3);
  ctx_.problemAt(*defs_[t].file, defs_[t].pos, defs_[t].path,
                 "the hierarchy below top cell " + hdQuoted(defs_[t].name) + " is " +
                     std::to_string(height[t]) + " levels deep; at most " +
                     std::to_string(HDLoadLimits::kMaxDepth) + " are allowed (deepest path " +
                     chain + ")");
}

template <typename Frames>
void HDDesignAssembly::reportCycle(const Frames& stack, size_t node) {
  size_t from = stack.size();
  while (from > 0 && stack[from - 1].node != node) --from;
  if (from > 0) --from;
  std::vector<std::string> names;
  for (size_t i = from; i < stack.size(); ++i) names.push_back(defs_[stack[i].node].name);
  const std::string cycle = hdJoinElided(names, " -> ", 10, 5) + " -> " + defs_[node].name;
  const HDDefinition& d = defs_[node];
  ctx_.problemAt(*d.file, d.pos, d.path,
                 "cyclic hierarchy: " + cycle + "; a cell cannot contain itself");
}
