#include "shared/fit/base/HAFITHierarchy.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <queue>
#include <stdexcept>
#include <string_view>
#include <unordered_set>

#include "host/design/db/HDesign.h"
#include "host/report/HCRRpt.h"
#include "shared/fit/base/HAFITFamily.h"
#include "shared/fit/parser/HAFITSERMgr.h"

namespace {

const HCRRptTypes::HALIGN kAlignLeft = static_cast<HCRRptTypes::HALIGN>(0);
const HCRRptTypes::HALIGN kAlignHeading = static_cast<HCRRptTypes::HALIGN>(1);
const HCRRptTypes::TABLE_STYLE kTableStyle = static_cast<HCRRptTypes::TABLE_STYLE>(2);
constexpr int kFitPrecision = 3;
constexpr int kSharePrecision = 1;

constexpr unsigned bit(HAFITSERMgr::MemType t) { return 1u << t; }

// The design memory classes in table order, with the names the device summary gives them.
struct ClassColumn {
  HAFITSERMgr::MemType type;
  const char* name;
};
const ClassColumn kClasses[] = {{HAFITSERMgr::MEM_BRAM, "Block Memory"},
                                {HAFITSERMgr::MEM_YRAM, "Yotta Memory"},
                                {HAFITSERMgr::MEM_HBM, "HBM"}};

double classBits(const HAFITHierarchy::Bits& b, HAFITSERMgr::MemType t) {
  switch (t) {
    case HAFITSERMgr::MEM_BRAM:
      return static_cast<double>(b.bram);
    case HAFITSERMgr::MEM_YRAM:
      return static_cast<double>(b.yram);
    default:
      return b.hbm;
  }
}

const char* className(int memType) {
  for (const ClassColumn& c : kClasses)
    if (c.type == memType) return c.name;
  return "";
}

// Share of the device's memory FIT, in percent; "-" when that is not a positive number.
void shareCell(HCRRptTableRow& row, double fit, double total) {
  if (total > 0.0 && std::isfinite(total))
    row.createTableCell(100.0 * fit / total, kSharePrecision, kAlignLeft, "");
  else
    row.createTableCell(std::string("-"), kAlignLeft, "");
}

constexpr HAFITBitCount kBound = HAFITBitCount(1) << 120;

HAFITBitCount addBounded(HAFITBitCount a, HAFITBitCount b) {
  const HAFITBitCount r = a + b;
  return r > kBound ? kBound : r < -kBound ? -kBound : r;
}

}  // namespace

void HAFITHierarchy::Bits::add(const Bits& o) {
  bram = addBounded(bram, o.bram);
  yram = addBounded(yram, o.yram);
  hbm += o.hbm;
}

// ---- told by the walk ---------------------------------------------------------------

void HAFITHierarchy::root(const HDAHCellview* def) {
  root_ = def;
  defs_[def];
}

void HAFITHierarchy::leaf(const HDAHCellview* def, const HDAHInstance* instance,
                          const HAFITFloorplan::LeafAddend& added) {
  Leaf l{instance, HAFITSERMgr::MEM_BRAM, {}, nullptr};
  switch (added.kind) {
    case HAFITFloorplan::LeafAddend::BLOCK:
      l.bits.bram = added.bramBits;
      break;
    case HAFITFloorplan::LeafAddend::YRAM:
      l.memType = HAFITSERMgr::MEM_YRAM;
      l.bits.yram = HAFITBitCount(HAFITFloorplan::YRAM_BLOCK_BITS) - added.yramProtected;
      break;
    case HAFITFloorplan::LeafAddend::HBM:
      l.memType = HAFITSERMgr::MEM_HBM;
      l.bits.hbm = HAFITFloorplan::HBM_STACK_BITS * added.hbmStacks - added.hbmProtected;
      break;
  }
  defs_[def].leaves.push_back(l);
}

void HAFITHierarchy::child(const HDAHCellview* def, const HDAHInstance* via,
                           const HDAHCellview* child, bool hook) {
  Def& d = defs_[def];
  defs_[child];
  // A family hook walks into the leaf it was just told about: the contents are that leaf's.
  if (hook && !d.leaves.empty() && d.leaves.back().instance == via) {
    d.leaves.back().contents = child;
    return;
  }
  d.children.push_back({via, child});
}

// ---- totals ---------------------------------------------------------------------------

std::vector<const HDAHCellview*> HAFITHierarchy::bottomUp() const {
  std::vector<const HDAHCellview*> order;
  if (!root_) return order;
  std::unordered_set<const HDAHCellview*> seen{root_};
  // Post-order without the machine's stack: the design may be thousands of levels deep.
  struct Pos {
    const HDAHCellview* def;
    size_t next;  // children first, then the contents of the leaves
  };
  std::vector<Pos> stack{{root_, 0}};
  while (!stack.empty()) {
    Pos& top = stack.back();
    const Def& d = defs_.at(top.def);
    const HDAHCellview* next = nullptr;
    while (!next && top.next < d.children.size() + d.leaves.size()) {
      const size_t i = top.next++;
      const HDAHCellview* c =
          i < d.children.size() ? d.children[i].def : d.leaves[i - d.children.size()].contents;
      if (c && seen.insert(c).second) next = c;
    }
    if (next) {
      stack.push_back({next, 0});
    } else {
      order.push_back(top.def);
      stack.pop_back();
    }
  }
  return order;
}

HAFITHierarchy::Bits HAFITHierarchy::leafBits(
    const Leaf& leaf, const std::unordered_map<const HDAHCellview*, Bits>& t) const {
  Bits b = leaf.bits;
  if (leaf.contents) b.add(t.at(leaf.contents));
  return b;
}

std::unordered_map<const HDAHCellview*, HAFITHierarchy::Bits> HAFITHierarchy::totals() const {
  std::unordered_map<const HDAHCellview*, Bits> t;
  for (const HDAHCellview* def : bottomUp()) {
    const Def& d = defs_.at(def);
    Bits sum;
    for (const Leaf& l : d.leaves) sum.add(leafBits(l, t));
    for (const Child& c : d.children) sum.add(t.at(c.def));
    t[def] = sum;
  }
  return t;
}

// ---- breakdown --------------------------------------------------------------------------

int HAFITHierarchy::deepestListable() const {
  // Instances per level, counted per definition with their multiplicities (saturating),
  // level by level, until the rows would pass the limit.
  std::unordered_map<const HDAHCellview*, size_t> level{{root_, 1}};
  size_t rows = 1;
  for (int depth = 0;; ++depth) {
    std::unordered_map<const HDAHCellview*, size_t> next;
    size_t count = 0;
    for (const auto& entry : level)
      for (const Child& c : defs_.at(entry.first).children) {
        count = std::min(kMaxRows + 1, count + entry.second);
        size_t& m = next[c.def];
        m = std::min(kMaxRows + 1, m + entry.second);
      }
    if (count == 0 || rows + count > kMaxRows) return depth;
    rows += count;
    level.swap(next);
  }
}

std::vector<HAFITHierarchy::Row> HAFITHierarchy::rows(int depth) const {
  std::vector<Row> out;
  if (!root_) return out;
  const auto t = totals();
  // A leaf named "a/b/x" (a flattened netlist names its cells by their place before
  // flattening) belongs to instances "a" and "a/b" that are no longer there: rows of their
  // own below the definition's, as the hierarchical netlist has them.
  auto ownBits = [&](const HDAHCellview* def) {
    Bits own;
    for (const Leaf& l : defs_.at(def).leaves)
      if (l.instance->getName().find('/') == std::string_view::npos) own.add(leafBits(l, t));
    return own;
  };
  auto tooMany = [&] {
    const int fits = deepestListable();
    return std::length_error(
        "a breakdown to depth " + std::to_string(depth) + " lists more than " +
        std::to_string(kMaxRows) + " instances; " +
        (fits > 0 ? "choose a depth of at most " + std::to_string(fits)
                  : "the top cell alone holds more, so only depth 0 (the whole design) can "
                    "be listed; --top-contributors ranks the memories of any design"));
  };
  struct Node {
    std::string_view name;
    Bits bits, own;
    std::vector<size_t> children;
  };
  // The instances a definition's leaf names hold, node 0 the definition; once each.
  std::unordered_map<const HDAHCellview*, std::vector<Node>> trees;
  auto treeOf = [&](const HDAHCellview* def) -> const std::vector<Node>& {
    const auto [known, fresh] = trees.try_emplace(def);
    std::vector<Node>& nodes = known->second;
    if (!fresh) return nodes;
    nodes.resize(1);
    std::unordered_map<std::string_view, size_t> byPath;
    for (const Leaf& l : defs_.at(def).leaves) {
      const std::string_view name = l.instance->getName();
      size_t at = 0, from = 0;
      for (size_t slash = name.find('/'); slash != std::string_view::npos;
           from = slash + 1, slash = name.find('/', from)) {
        const auto [it, added] = byPath.emplace(name.substr(0, slash), nodes.size());
        if (added) {
          nodes.push_back({name.substr(from, slash - from), {}, {}, {}});
          nodes[at].children.push_back(it->second);
        }
        at = it->second;
        nodes[at].bits.add(leafBits(l, t));
      }
      if (at != 0) nodes[at].own.add(leafBits(l, t));
    }
    return nodes;
  };
  // Rows for those instances below the definition's row at `path`, `level`.
  auto flattened = [&](const HDAHCellview* def, const std::string& path, int level) {
    const std::vector<Node>& nodes = treeOf(def);
    struct Pos {
      size_t node, next, pathLength;
    };
    std::string p = path;
    std::vector<Pos> stack{{0, 0, p.size()}};
    while (!stack.empty()) {
      Pos& top = stack.back();
      if (top.next == nodes[top.node].children.size() ||
          static_cast<size_t>(level) + stack.size() > static_cast<size_t>(depth)) {
        p.resize(top.pathLength);
        stack.pop_back();
        continue;
      }
      const size_t c = nodes[top.node].children[top.next++];
      if (out.size() == kMaxRows) throw tooMany();
      const size_t length = p.size();
      if (!p.empty()) p += '/';
      p += nodes[c].name;
      out.push_back({p, level + static_cast<int>(stack.size()), nodes[c].bits, nodes[c].own});
      stack.push_back({c, 0, length});
    }
  };
  out.push_back({root_->getName(), 0, t.at(root_), ownBits(root_)});
  flattened(root_, "", 0);

  struct Pos {
    const HDAHCellview* def;
    size_t next;
    size_t pathLength;
  };
  std::string path;
  std::vector<Pos> stack;
  if (depth > 0) stack.push_back({root_, 0, 0});
  while (!stack.empty()) {
    Pos& top = stack.back();
    const Def& d = defs_.at(top.def);
    if (top.next == d.children.size()) {
      path.resize(top.pathLength);
      stack.pop_back();
      continue;
    }
    const Child& c = d.children[top.next++];
    if (out.size() == kMaxRows) throw tooMany();
    const size_t length = path.size();
    if (!path.empty()) path += '/';
    path += c.via->getName();
    const int level = static_cast<int>(stack.size());
    out.push_back({path, level, t.at(c.def), ownBits(c.def)});
    if (level < depth) {
      flattened(c.def, path, level);
      stack.push_back({c.def, 0, length});
    } else {
      path.resize(length);
    }
  }
  return out;
}

namespace {

// The ranking of leaf occurrences, lazily: each definition lists its items (its memories,
// the contents of its HBM leaves, its children) sorted by the best occurrence each holds,
// and a queue of partial paths yields the occurrences in order without visiting the ones
// it does not list. Work and memory follow the design and the rows listed, not the number
// of occurrences, and no path is built but the listed ones.
struct RankDef;
struct RankItem {
  double fit;             // the item's own, or the best below it
  std::string_view name;  // the leaf's or the instance's name
  const RankDef* child;   // the definition below, or null for a leaf
  int memType;
  double bits;
};
struct RankDef {
  std::vector<RankItem> items;  // best first: larger FIT, then smaller path
};

// The characters of a path (prefix segments, then an item and the best items below it),
// one at a time, for comparing paths without building them.
class PathCursor {
 public:
  PathCursor(const std::vector<std::string_view>* prefix, const RankItem* item)
      : prefix_(prefix), item_(item) {}
  // The next byte, or -1 at the end.
  int next() {
    for (;;) {
      if (prefix_ && seg_ < prefix_->size()) {
        const std::string_view s = (*prefix_)[seg_];
        if (pos_ < s.size()) return static_cast<unsigned char>(s[pos_++]);
        ++seg_;
        pos_ = 0;
        return '/';
      }
      if (!item_) return -1;
      if (pos_ < item_->name.size()) return static_cast<unsigned char>(item_->name[pos_++]);
      pos_ = 0;
      item_ = item_->child ? &item_->child->items.front() : nullptr;
      if (!item_) return -1;
      return '/';
    }
  }

 private:
  const std::vector<std::string_view>* prefix_;
  size_t seg_ = 0;
  size_t pos_ = 0;
  const RankItem* item_;
};

// Byte order of two paths.
int comparePaths(PathCursor a, PathCursor b) {
  for (;;) {
    const int x = a.next(), y = b.next();
    if (x != y) return x < y ? -1 : 1;
    if (x < 0) return 0;
  }
}

// A partial path: the instances from the top to a definition.
struct PathNode {
  const PathNode* parent;
  std::string_view name;
};

void segmentsOf(const PathNode* n, std::vector<std::string_view>& out) {
  out.clear();
  for (; n; n = n->parent) out.push_back(n->name);
  std::reverse(out.begin(), out.end());
}

}  // namespace

std::vector<HAFITHierarchy::Contributor> HAFITHierarchy::topContributors(
    const HAFITFloorplan& floorplan, unsigned classes, size_t n) const {
  if (!root_ || n == 0) return {};
  const auto t = totals();
  // An HBM leaf is one memory with the stacks of its contents; other memories inside
  // the contents are listed on their own.
  std::unordered_set<const HDAHCellview*> contents;
  for (const auto& entry : defs_)
    for (const Leaf& l : entry.second.leaves)
      if (l.contents) contents.insert(l.contents);

  const auto itemOrder = [](const RankItem& a, const RankItem& b) {
    if (a.fit != b.fit) return a.fit > b.fit;
    return comparePaths(PathCursor(nullptr, &a), PathCursor(nullptr, &b)) < 0;
  };
  std::unordered_map<const HDAHCellview*, RankDef> ranked;
  for (const HDAHCellview* def : bottomUp()) {
    const Def& d = defs_.at(def);
    const bool inHbm = contents.count(def) > 0;
    RankDef& r = ranked[def];
    const auto below = [&](const HDAHInstance* via, const HDAHCellview* c) {
      const RankDef& b = ranked.at(c);
      if (!b.items.empty()) r.items.push_back({b.items.front().fit, via->getName(), &b, 0, 0.0});
    };
    for (const Leaf& l : d.leaves) {
      if (l.contents) below(l.instance, l.contents);
      if (!(classes & (1u << l.memType)) || (inHbm && l.memType == HAFITSERMgr::MEM_HBM)) continue;
      const double bits = classBits(leafBits(l, t), static_cast<HAFITSERMgr::MemType>(l.memType));
      double fit = 0.0;
      if (bits == 0.0 || !floorplan.nominalFit(l.memType, bits, fit)) continue;
      r.items.push_back({fit, l.instance->getName(), nullptr, l.memType, bits});
    }
    for (const Child& c : d.children) below(c.via, c.def);
    std::sort(r.items.begin(), r.items.end(), itemOrder);
  }

  // The queue: (partial path, definition, item); the first occurrence below an entry is
  // its item's best, so entries come out in the order of the occurrences they lead to.
  struct Entry {
    const PathNode* path;
    const RankDef* def;
    size_t item;
    uint64_t seq;  // equal paths (names with '/') in a fixed order
  };
  std::deque<PathNode> nodes;
  std::vector<std::string_view> segA, segB;
  const auto after = [&](const Entry& a, const Entry& b) {
    const RankItem& x = a.def->items[a.item];
    const RankItem& y = b.def->items[b.item];
    if (x.fit != y.fit) return x.fit < y.fit;
    segmentsOf(a.path, segA);
    segmentsOf(b.path, segB);
    const int c = comparePaths(PathCursor(&segA, &x), PathCursor(&segB, &y));
    if (c != 0) return c > 0;
    return a.seq > b.seq;
  };
  std::priority_queue<Entry, std::vector<Entry>, decltype(after)> queue(after);
  uint64_t seq = 0;
  const RankDef& top = ranked.at(root_);
  if (!top.items.empty()) queue.push({nullptr, &top, 0, seq++});
  std::vector<Contributor> out;
  std::vector<std::string_view> segs;
  while (!queue.empty() && out.size() < n) {
    const Entry e = queue.top();
    queue.pop();
    const RankItem& item = e.def->items[e.item];
    if (e.item + 1 < e.def->items.size()) queue.push({e.path, e.def, e.item + 1, seq++});
    if (item.child) {
      nodes.push_back({e.path, item.name});
      queue.push({&nodes.back(), item.child, 0, seq++});
      continue;
    }
    segmentsOf(e.path, segs);
    std::string path;
    for (std::string_view s : segs) path.append(s).push_back('/');
    path.append(item.name);
    out.push_back({std::move(path), item.memType, item.bits, item.fit});
  }
  return out;
}

double HAFITHierarchy::nominalFit(const HAFITFloorplan& floorplan, unsigned classes,
                                  const Bits& bits) {
  double sum = 0.0;
  for (const ClassColumn& c : kClasses) {
    double fit = 0.0;
    if ((classes & bit(c.type)) && floorplan.nominalFit(c.type, classBits(bits, c.type), fit))
      sum += fit;
  }
  return sum;
}

void HAFITHierarchy::writeSections(HCRRptDoc& doc, const HAFITFloorplan& floorplan, int depth,
                                   size_t contributors) const {
  const HAFITFamily* family = HAFITFamilyOf(&floorplan);
  const unsigned classes = family ? family->designClasses : 0;
  const std::vector<Row> all = rows(depth < 0 ? 0 : depth);
  const double total = all.empty() ? 0.0 : nominalFit(floorplan, classes, all.front().bits);

  if (depth >= 0) {
    HCRRptSection section = doc.createSection("FIT by Hierarchy", "");
    HCRRptTable table = section.createTable("", kTableStyle, "");
    HCRRptTableRow headings = table.createTableRow(false, "", false);
    headings.createTableHeader("Instance", kAlignHeading, -1, "");
    headings.createTableHeader("Depth", kAlignHeading, -1, "");
    for (const ClassColumn& c : kClasses)
      if (classes & bit(c.type))
        headings.createTableHeader(std::string(c.name) + " Bits", kAlignHeading, -1, "");
    headings.createTableHeader("Nominal FIT", kAlignHeading, -1, "");
    headings.createTableHeader("Share (%)", kAlignHeading, -1, "");

    // The whole design first, then the instances by FIT.
    std::vector<std::pair<double, const Row*>> order;
    for (size_t i = 1; i < all.size(); ++i)
      order.emplace_back(nominalFit(floorplan, classes, all[i].bits), &all[i]);
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
      if (a.first != b.first) return a.first > b.first;
      return a.second->path < b.second->path;
    });
    if (!all.empty()) order.insert(order.begin(), {total, &all.front()});
    for (const auto& entry : order) {
      const Row& r = *entry.second;
      HCRRptTableRow row = table.createTableRow(false, "", false);
      row.createTableCell(r.path, kAlignLeft, "");
      row.createTableCell(static_cast<double>(r.depth), 0, kAlignLeft, "");
      for (const ClassColumn& c : kClasses)
        if (classes & bit(c.type))
          row.createTableCell(classBits(r.bits, c.type), 0, kAlignLeft, "");
      row.createTableCell(entry.first, kFitPrecision, kAlignLeft, "");
      shareCell(row, entry.first, total);
    }
  }

  if (contributors > 0) {
    HCRRptSection section = doc.createSection("Top Contributors", "");
    HCRRptTable table = section.createTable("", kTableStyle, "");
    HCRRptTableRow headings = table.createTableRow(false, "", false);
    for (const char* h : {"Memory", "Type", "Bits", "Nominal FIT", "Share (%)"})
      headings.createTableHeader(h, kAlignHeading, -1, "");
    for (const Contributor& c : topContributors(floorplan, classes, contributors)) {
      HCRRptTableRow row = table.createTableRow(false, "", false);
      row.createTableCell(c.path, kAlignLeft, "");
      row.createTableCell(std::string(className(c.memType)), kAlignLeft, "");
      row.createTableCell(c.bits, 0, kAlignLeft, "");
      row.createTableCell(c.fit, kFitPrecision, kAlignLeft, "");
      shareCell(row, c.fit, total);
    }
  }
}

std::string HAFITHierarchy::toString(HAFITBitCount bits) {
  if (bits == 0) return "0";
  const bool negative = bits < 0;
  std::string digits;
  while (bits != 0) {
    const int d = static_cast<int>(bits % 10);
    digits += static_cast<char>('0' + (negative ? -d : d));
    bits /= 10;
  }
  if (negative) digits += '-';
  return std::string(digits.rbegin(), digits.rend());
}
