#include "shared/fit/base/HAFITHierarchy.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <unordered_set>

#include "host/design/HDesign.h"
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

// Larger FIT first; equal FIT by path.
bool contributesMore(const HAFITHierarchy::Contributor& a, const HAFITHierarchy::Contributor& b) {
  if (a.fit != b.fit) return a.fit > b.fit;
  return a.path < b.path;
}

void keepTop(std::vector<HAFITHierarchy::Contributor>& list, size_t n) {
  if (list.size() > n) {
    std::partial_sort(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(n), list.end(),
                      contributesMore);
    list.resize(n);
  } else {
    std::sort(list.begin(), list.end(), contributesMore);
  }
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

std::vector<HAFITHierarchy::Row> HAFITHierarchy::rows(int depth) const {
  std::vector<Row> out;
  if (!root_) return out;
  const auto t = totals();
  auto ownBits = [&](const HDAHCellview* def) {
    Bits own;
    for (const Leaf& l : defs_.at(def).leaves) own.add(leafBits(l, t));
    return own;
  };
  out.push_back({root_->getName(), 0, t.at(root_), ownBits(root_)});

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
    if (out.size() == kMaxRows)
      throw std::length_error("a breakdown to depth " + std::to_string(depth) +
                              " lists more than " + std::to_string(kMaxRows) +
                              " instances; choose a smaller depth");
    const size_t length = path.size();
    if (!path.empty()) path += '/';
    path += c.via->getName();
    const int level = static_cast<int>(stack.size());
    out.push_back({path, level, t.at(c.def), ownBits(c.def)});
    if (level < depth)
      stack.push_back({c.def, 0, length});
    else
      path.resize(length);
  }
  return out;
}

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
  std::unordered_map<const HDAHCellview*, std::vector<Contributor>> lists;
  for (const HDAHCellview* def : bottomUp()) {
    const Def& d = defs_.at(def);
    const bool inHbm = contents.count(def) > 0;
    std::vector<Contributor> list;
    for (const Leaf& l : d.leaves) {
      if (l.contents)
        for (const Contributor& below : lists.at(l.contents))
          list.push_back({std::string(l.instance->getName()) + "/" + below.path, below.memType,
                          below.bits, below.fit});
      if (!(classes & (1u << l.memType)) || (inHbm && l.memType == HAFITSERMgr::MEM_HBM)) continue;
      const double bits = classBits(leafBits(l, t), static_cast<HAFITSERMgr::MemType>(l.memType));
      double fit = 0.0;
      if (bits == 0.0 || !floorplan.nominalFit(l.memType, bits, fit)) continue;
      list.push_back({std::string(l.instance->getName()), l.memType, bits, fit});
    }
    // The best n of a definition are among the best n of each instance it holds.
    for (const Child& c : d.children)
      for (const Contributor& below : lists.at(c.def))
        list.push_back({std::string(c.via->getName()) + "/" + below.path, below.memType, below.bits,
                        below.fit});
    keepTop(list, n);
    lists[def] = std::move(list);
  }
  return lists.at(root_);
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
