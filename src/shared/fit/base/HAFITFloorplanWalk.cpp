// The design walk. A cell definition holds the same instances wherever it is used, and
// every analysis reads the definition only, so each definition is analysed once, at its
// first occurrence, into a summary: what its occurrence adds to every counter, and the
// messages and the YRAM and HBM protected-bit addends in walk order. An occurrence adds
// its definition's summary; the kept messages are sent afterwards with the hierarchical
// name of each occurrence, until the message manager withholds that id, and the rest are
// only counted. Counters saturate as if every occurrence had been added one by one.
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/design/db/HDesign.h"
#include "host/msg/ComMsgMgr.h"
#include "shared/fit/base/HAFITFloorplan.h"

namespace {

__extension__ typedef __int128 Int128;

const char* const kSource = "src/shared/fit/base/HAFITFloorplan";
const char* const kCategory = "fit";
const char* const kOverProtected = "@65-172@%d%s%d%d%d%d";
const std::string kOverProtectedId = "65-172";
constexpr unsigned kMaskCannotAnalyse = 0x8000000;

constexpr uint64_t kU64Max = std::numeric_limits<uint64_t>::max();
// Far beyond any count, and far from the ends of 128 bits: sums of two never overflow.
constexpr Int128 kBound = Int128(1) << 120;
// Integers of at most this size are doubles, and so are their sums within it.
constexpr double kExactLimit = 9007199254740992.0;  // 2^53
constexpr Int128 kExactLimit128 = Int128(1) << 53;
// Addends replayed one by one at most, when the sum is not known to be exact.
constexpr uint64_t kReplayBudget = uint64_t(1) << 30;

// Counters stop at their largest value rather than wrap.
void increment(int32_t& counter) {
  if (counter < std::numeric_limits<int32_t>::max()) ++counter;
}

uint64_t addSat(uint64_t a, uint64_t b) { return a > kU64Max - b ? kU64Max : a + b; }

Int128 addBounded(Int128 a, Int128 b) {
  const Int128 r = a + b;
  return r > kBound ? kBound : r < -kBound ? -kBound : r;
}

// A sum of doubles taken in walk order. Exact while every addend is a small integer and
// the sum of their sizes stays below 2^53; then every partial sum of a sequential walk is
// a double too, and the result is the exact sum whatever the grouping.
struct OrderedSum {
  Int128 exact = 0;
  Int128 size = 0;  // sum of |addend|
  bool inexact = false;
  double approx = 0.0;
  uint64_t addends = 0;

  void addValue(double x) {
    addends = addSat(addends, 1);
    approx += x;
    if (std::fabs(x) <= kExactLimit && std::floor(x) == x) {
      exact = addBounded(exact, static_cast<Int128>(x));
      size = addBounded(size, static_cast<Int128>(std::fabs(x)));
    } else {
      inexact = true;
    }
  }
  void add(const OrderedSum& o) {
    addends = addSat(addends, o.addends);
    approx += o.approx;
    exact = addBounded(exact, o.exact);
    size = addBounded(size, o.size);
    inexact = inexact || o.inexact;
  }
};

struct Summary;

struct Item {
  enum Kind : uint8_t { MESSAGE, YRAM_ADDEND, HBM_ADDEND, CHILD };
  Kind kind;
  const HDAHInstance* instance;  // MESSAGE: the block; CHILD: the instance walked into
  const Summary* child;
  double value;
  int args[4];  // MESSAGE: declared, width, depth, capacity
};

enum Counter : unsigned {
  C_BRAM,
  C_R18_TDP,
  C_R18_SDP,
  C_R36_TDP,
  C_R36_SDP,
  C_F18,
  C_F18_36,
  C_F36,
  C_F36_72,
  C_CASCADE,
  C_BRAM_BITS,
  C_BRAM_BITS_TOTAL,
  C_BRAM_PROTECTED,
  C_COUNT
};

struct Summary {
  enum State : uint8_t { OPEN, DONE } state = OPEN;
  uint64_t counts[C_COUNT] = {};
  uint64_t yramCount = 0;
  uint64_t hbmStacks = 0;
  OrderedSum yramProtected;
  OrderedSum hbmProtected;
  uint64_t messages = 0;
  std::vector<Item> items;

  bool hasItems() const { return !items.empty(); }
  void add(const Summary& o) {
    for (unsigned i = 0; i < C_COUNT; ++i) counts[i] = addSat(counts[i], o.counts[i]);
    yramCount = addSat(yramCount, o.yramCount);
    hbmStacks = addSat(hbmStacks, o.hbmStacks);
    yramProtected.add(o.yramProtected);
    hbmProtected.add(o.hbmProtected);
    messages = addSat(messages, o.messages);
  }
};

int32_t finalInt32(int64_t start, uint64_t added) {
  const Int128 v = static_cast<Int128>(start) + added;
  return v > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                 : static_cast<int32_t>(v);
}

// Adding 1.0 n times from `start`: exact up to 2^53, where it stays.
double finalCount(double start, uint64_t n) {
  if (!(start < kExactLimit) || std::floor(start) != start) {
    double v = start;
    for (uint64_t i = 0; i < n && i < 2; ++i) v += 1.0;  // 2^53 and beyond take no more
    return v;
  }
  const Int128 v = static_cast<Int128>(start) + n;
  return v >= kExactLimit128 ? kExactLimit : static_cast<double>(v);
}

// The addends of one kind in walk order, added one by one to `acc`.
double replaySum(const Summary& root, Item::Kind kind, double acc) {
  struct Pos {
    const Summary* s;
    size_t next;
  };
  std::vector<Pos> stack{{&root, 0}};
  while (!stack.empty()) {
    Pos& top = stack.back();
    if (top.next == top.s->items.size()) {
      stack.pop_back();
      continue;
    }
    const Item& item = top.s->items[top.next++];
    if (item.kind == kind)
      acc += item.value;
    else if (item.kind == Item::CHILD)
      stack.push_back({item.child, 0});
  }
  return acc;
}

double finalSum(double start, const OrderedSum& sum, const Summary& root, Item::Kind kind) {
  if (!sum.inexact && std::fabs(start) <= kExactLimit && std::floor(start) == start &&
      static_cast<Int128>(std::fabs(start)) + sum.size <= kExactLimit128)
    return start + static_cast<double>(sum.exact);
  if (sum.addends <= kReplayBudget) return replaySum(root, kind, start);
  // Beyond any walk of every occurrence: the sum grouped by definitions.
  return start + sum.approx;
}

// Joins names as HAINetlist::getHierName does.
void appendName(std::string& path, std::string_view name) {
  if (!path.empty()) path += '/';
  path += name;
}

// Sends the kept messages of `root` with the names of their occurrences below `prefix`,
// until the manager withholds the id; the rest are counted as withheld.
void sendKeptMessages(const Summary& root, const std::string& prefix) {
  if (root.messages == 0) return;
  struct Pos {
    const Summary* s;
    size_t next;
    size_t pathLength;
  };
  std::string path = prefix;
  std::vector<Pos> stack{{&root, 0, path.size()}};
  uint64_t sent = 0;
  while (!stack.empty()) {
    Pos& top = stack.back();
    if (top.next == top.s->items.size()) {
      path.resize(top.pathLength);
      stack.pop_back();
      continue;
    }
    const Item& item = top.s->items[top.next++];
    if (item.kind == Item::CHILD && item.child->messages > 0) {
      const size_t length = path.size();
      appendName(path, item.instance->getName());
      stack.push_back({item.child, 0, length});
    } else if (item.kind == Item::MESSAGE) {
      if (ComMsgMgr::isCapped(kOverProtectedId)) {
        ComMsgMgr::addWithheld(kOverProtectedId, root.messages - sent);
        return;
      }
      std::string name = path;
      appendName(name, item.instance->getName());
      ComMsgMgr::sendMsg::eval(6, kSource, __LINE__, kCategory, kMaskCannotAnalyse, kOverProtected,
                               item.args[0], name, item.args[1], item.args[2], item.args[3],
                               item.args[3]);
      ++sent;
    }
  }
}

}  // namespace

struct HAFITFloorplan::Walk {
  struct Frame {
    std::unique_ptr<HDLHInstanceIter> iter;
    Summary* summary;
    const HDAHInstance* via;  // the instance walked into; null for the root
    const HDAHCellview* def;  // the definition analysed
  };
  std::unordered_map<const HDAHCellview*, Summary> summaries;
  Summary rootSummary;  // the root cell view, which may not be a definition of its own
  std::vector<Frame> frames;
  const HDLHCellview* pendingDescent = nullptr;
  HAFITFloorplan::WalkObserver* observer = nullptr;
  // The counters as the walk found them.
  int64_t start[C_COUNT] = {};
  double yramCount0 = 0.0, yramProtected0 = 0.0, hbmStacks0 = 0.0, hbmProtected0 = 0.0;

  // Walks into `cv` for an occurrence of the current instance, or adds the summary of its
  // definition when that is known.
  void descend(const HDLHCellview* cv, const HDAHInstance* via, bool hook) {
    Summary& parent = *frames.back().summary;
    const HDAHCellview* def = cv->getDAH();
    if (observer) observer->child(frames.back().def, via, def, hook);
    auto found = summaries.find(def);
    if (found != summaries.end()) {
      if (found->second.state != Summary::DONE)
        throw std::runtime_error("cell " + (def ? def->getName() : std::string()) +
                                 " instantiates itself");
      addChild(parent, found->second, via);
      return;
    }
    Summary* s = &summaries[def];
    frames.push_back({std::unique_ptr<HDLHInstanceIter>(cv->createInstanceIterLH()), s, via, def});
  }

  static void addChild(Summary& parent, const Summary& child, const HDAHInstance* via) {
    parent.add(child);
    if (child.hasItems()) parent.items.push_back({Item::CHILD, via, &child, 0.0, {}});
  }

  // Closes the innermost frame into its parent.
  void close() {
    Frame f = std::move(frames.back());
    frames.pop_back();
    f.summary->state = Summary::DONE;
    if (!frames.empty()) addChild(*frames.back().summary, *f.summary, f.via);
  }
};

void HAFITFloorplan::sendOverProtected(const HDLHInstance* instance, int declared, int width,
                                       int depth, int capacity) {
  if (walk_ && !walk_->frames.empty()) {
    Summary& s = *walk_->frames.back().summary;
    s.items.push_back(
        {Item::MESSAGE, instance->getDAH(), nullptr, 0.0, {declared, width, depth, capacity}});
    s.messages = addSat(s.messages, 1);
    return;
  }
  ComMsgMgr::sendMsg::eval(6, kSource, __LINE__, kCategory, kMaskCannotAnalyse, kOverProtected,
                           declared, hierName(instance), width, depth, capacity, capacity);
}

void HAFITFloorplan::traverseCellview(const HDLHCellview* cellview) {
  if (walk_) {
    // From a family hook inside the walk: walked once the hook has returned.
    walk_->pendingDescent = cellview;
    return;
  }
  runWalk(cellview);
}

void HAFITFloorplan::zeroScratch() {
  bramCount_ = ramb18TdpCount_ = ramb18SdpCount_ = ramb36TdpCount_ = ramb36SdpCount_ = 0;
  fifo18Count_ = fifo18_36Count_ = fifo36Count_ = fifo36_72Count_ = ramb36CascadeCount_ = 0;
  bramBits_ = 0;
  bramBitsTotal_ = 0;
  bramProtectedBits_ = 0;
  hbmStackCount_ = 0.0;
  hbmProtectedBits_ = 0.0;
}

void HAFITFloorplan::runWalk(const HDLHCellview* cellview) {
  Walk walk;
  int32_t* const counters[] = {&bramCount_,          &ramb18TdpCount_, &ramb18SdpCount_,
                               &ramb36TdpCount_,     &ramb36SdpCount_, &fifo18Count_,
                               &fifo18_36Count_,     &fifo36Count_,    &fifo36_72Count_,
                               &ramb36CascadeCount_, &bramBits_};
  for (unsigned i = 0; i < C_BRAM_BITS_TOTAL; ++i) walk.start[i] = *counters[i];
  walk.start[C_BRAM_BITS_TOTAL] = bramBitsTotal_;
  walk.start[C_BRAM_PROTECTED] = bramProtectedBits_;
  walk.yramCount0 = yramCount_;
  walk.yramProtected0 = yramProtectedBits_;
  walk.hbmStacks0 = hbmStackCount_;
  walk.hbmProtected0 = hbmProtectedBits_;

  // What one leaf left in the zeroed counters goes to the summary of its cell.
  auto collect = [&](Summary& s) {
    for (unsigned i = 0; i < C_BRAM_BITS_TOTAL; ++i)
      if (*counters[i] > 0) s.counts[i] = addSat(s.counts[i], static_cast<uint64_t>(*counters[i]));
    if (bramBitsTotal_ > 0)
      s.counts[C_BRAM_BITS_TOTAL] =
          addSat(s.counts[C_BRAM_BITS_TOTAL], static_cast<uint64_t>(bramBitsTotal_));
    if (bramProtectedBits_ > 0)
      s.counts[C_BRAM_PROTECTED] =
          addSat(s.counts[C_BRAM_PROTECTED], static_cast<uint64_t>(bramProtectedBits_));
    if (hbmStackCount_ > 0.0)
      s.hbmStacks = addSat(s.hbmStacks, static_cast<uint64_t>(hbmStackCount_));
    if (hbmProtectedBits_ != 0.0) {
      s.hbmProtected.addValue(hbmProtectedBits_);
      s.items.push_back({Item::HBM_ADDEND, nullptr, nullptr, hbmProtectedBits_, {}});
    }
    zeroScratch();
  };
  // A hook that called traverseCellview is walked into now.
  auto descendPending = [&]() {
    if (const HDLHCellview* inner = walk.pendingDescent) {
      walk.pendingDescent = nullptr;
      walk.descend(inner, inner->getOwner() ? inner->getOwner()->getDAH() : nullptr, true);
    }
  };

  // Tells the observer what the leaf just analysed added, before collect() takes it.
  auto tell = [&](const HDLHInstance* instance, const LeafAddend& added) {
    if (walk.observer) walk.observer->leaf(walk.frames.back().def, instance->getDAH(), added);
  };

  zeroScratch();
  walk.observer = observer_;
  walk_ = &walk;
  std::string prefix;
  try {
    if (cellview) {
      if (const HDLHInstance* owner = cellview->getOwner()) prefix = hierName(owner);
      walk.frames.push_back({std::unique_ptr<HDLHInstanceIter>(cellview->createInstanceIterLH()),
                             &walk.rootSummary, nullptr, cellview->getDAH()});
      if (observer_) observer_->root(cellview->getDAH());
    }
    const HAINetlist* nl = netlist();
    while (!walk.frames.empty()) {
      Walk::Frame& frame = walk.frames.back();
      if (!frame.iter || !frame.iter->more()) {
        walk.close();
        continue;
      }
      const HDLHInstance* instance = frame.iter->next();
      if (!instance) continue;
      Summary& s = *frame.summary;
      // HBM is accounted by the family, which walks into two-stack instances itself.
      if (HARUPrimUtils::isHBM(instance, nl)) {
        processHBM(instance);
        if (hbmStackCount_ != 0.0 || hbmProtectedBits_ != 0.0 || walk.pendingDescent)
          tell(instance, {LeafAddend::HBM, 0, 0, hbmStackCount_, hbmProtectedBits_});
        collect(s);
        descendPending();
        continue;
      }
      if (shouldDescend(instance)) {
        walk.descend(instance->getMasterLH(), instance->getDAH(), false);
        continue;
      }
      if (HARUPrimUtils::isRAMB(instance, nl) || HARUPrimUtils::isFIFO(instance, nl)) {
        increment(bramCount_);
        processBRAM(instance);
        tell(instance, {LeafAddend::BLOCK, bramBitsTotal_, 0, 0.0, 0.0});
        collect(s);
      }
      if (HARUPrimUtils::isYRAM(instance, nl)) {
        s.yramCount = addSat(s.yramCount, 1);
        processYRAM(instance);
        collect(s);
        int p = getSeuProtectedBits(instance);
        if (p > YRAM_BLOCK_BITS) {
          sendOverProtected(instance, p, YRAM_WIDTH, YRAM_DEPTH, YRAM_BLOCK_BITS);
          p = YRAM_BLOCK_BITS;
        }
        tell(instance, {LeafAddend::YRAM, 0, p, 0.0, 0.0});
        s.yramProtected.addValue(p);
        s.items.push_back({Item::YRAM_ADDEND, nullptr, nullptr, static_cast<double>(p), {}});
      }
      descendPending();
    }
  } catch (...) {
    // What was added before the failure stands, its messages included.
    walk.pendingDescent = nullptr;
    if (!walk.frames.empty()) collect(*walk.frames.back().summary);
    while (!walk.frames.empty()) walk.close();
    walk_ = nullptr;
    // The unprotected totals are left as they were: a failed walk forms none.
    finishWalk(walk, false);
    sendKeptMessages(walk.rootSummary, prefix);
    throw;
  }
  walk_ = nullptr;
  finishWalk(walk, true);
  sendKeptMessages(walk.rootSummary, prefix);
}

void HAFITFloorplan::finishWalk(Walk& walk, bool totals) {
  const Summary& r = walk.rootSummary;
  int32_t* const counters[] = {&bramCount_,          &ramb18TdpCount_, &ramb18SdpCount_,
                               &ramb36TdpCount_,     &ramb36SdpCount_, &fifo18Count_,
                               &fifo18_36Count_,     &fifo36Count_,    &fifo36_72Count_,
                               &ramb36CascadeCount_, &bramBits_};
  for (unsigned i = 0; i < C_BRAM_BITS_TOTAL; ++i)
    *counters[i] = finalInt32(walk.start[i], r.counts[i]);
  const auto final64 = [&](unsigned c) {
    const Int128 total = static_cast<Int128>(walk.start[c]) + r.counts[c];
    return total > std::numeric_limits<int64_t>::max() ? std::numeric_limits<int64_t>::max()
                                                       : static_cast<int64_t>(total);
  };
  bramBitsTotal_ = final64(C_BRAM_BITS_TOTAL);
  bramProtectedBits_ = final64(C_BRAM_PROTECTED);
  yramCount_ = finalCount(walk.yramCount0, r.yramCount);
  hbmStackCount_ = finalCount(walk.hbmStacks0, r.hbmStacks);
  yramProtectedBits_ = finalSum(walk.yramProtected0, r.yramProtected, r, Item::YRAM_ADDEND);
  hbmProtectedBits_ = finalSum(walk.hbmProtected0, r.hbmProtected, r, Item::HBM_ADDEND);
  if (totals) formTotals();
}
