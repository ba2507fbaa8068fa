#include "host/design/load/HDInstanceNames.h"

#include <algorithm>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {
// Sorts tag-and-index words in place: ascending tags, and for equal tags ascending
// indices, which is the order they were added in. A radix sort on the tag's bytes from the
// top (cycles of swaps into 256 buckets), without the copy of the whole list that a sort
// from the bottom needs: in cells of millions of instances that copy was the largest
// block of the load.
void sortTags(uint64_t* a, size_t n, int shift) {
  if (n <= 32) {
    for (size_t i = 1; i < n; ++i) {
      const uint64_t v = a[i];
      size_t j = i;
      for (; j > 0 && a[j - 1] > v; --j) a[j] = a[j - 1];
      a[j] = v;
    }
    return;
  }
  if (shift < 32) {  // the tags are equal: by index
    std::sort(a, a + n);
    return;
  }
  size_t next[256] = {}, end[256];
  for (size_t i = 0; i < n; ++i) ++next[(a[i] >> shift) & 255];
  size_t at = 0;
  for (int b = 0; b < 256; ++b) {
    const size_t c = next[b];
    next[b] = at;
    at += c;
    end[b] = at;
  }
  for (int b = 0; b < 256; ++b) {
    while (next[b] < end[b]) {
      uint64_t v = a[next[b]];
      for (unsigned d = (v >> shift) & 255; d != static_cast<unsigned>(b); d = (v >> shift) & 255)
        std::swap(v, a[next[d]++]);
      a[next[b]++] = v;
    }
  }
  size_t from = 0;
  for (int b = 0; b < 256; ++b) {
    sortTags(a + from, end[b] - from, shift - 8);
    from = end[b];
  }
}
}  // namespace

void HDInstanceNames::reset() {
  // Give back what a large cell took rather than keep it for the rest of the load; keep
  // a small cell's room for the next of many.
  if (tags_.capacity() > 4096) {
    decltype(tags_)().swap(tags_);
    decltype(places_)().swap(places_);
  }
  tags_.clear();
  places_.clear();
  lastElement_ = 0;
  lastLine_ = 0;
}

std::vector<HDInstanceNames::Duplicate> HDInstanceNames::duplicates(const HDInstanceList& list) {
  std::vector<std::pair<uint32_t, uint32_t>> found;  // later, earliest (indices)
  const size_t n = tags_.size();
  const auto eachTag = [&](auto f) {
    for (size_t i = 0; i < n; ++i) f(i, uint64_t(tags_[i]));
  };
  // Hash tag and index of every instance whose name may repeat.
  std::vector<uint64_t, HUTBigAllocator<uint64_t>> entries;
  if (n <= 4096) {
    entries.resize(n);
    eachTag([&](size_t i, uint64_t tag) { entries[i] = (tag << 32) | i; });
  } else {
    // Two bits a slot, at least four slots a name: 0 unseen, 1 once, 2 more often.
    size_t slots = 1;
    while (slots < 4 * n) slots <<= 1;
    std::vector<unsigned char, HUTBigAllocator<unsigned char>> filter(slots / 4);
    std::fill(filter.begin(), filter.end(), 0);
    const uint64_t mask = slots - 1;
    eachTag([&](size_t, uint64_t tag) {
      const uint64_t slot = tag & mask;
      unsigned char& byte = filter[slot >> 2];
      const unsigned shift = (slot & 3) * 2;
      if (((byte >> shift) & 3) < 2) byte = static_cast<unsigned char>(byte + (1u << shift));
    });
    entries.reserve(n / 4 + 1024);
    eachTag([&](size_t i, uint64_t tag) {
      const uint64_t slot = tag & mask;
      if (((filter[slot >> 2] >> ((slot & 3) * 2)) & 3) == 2) entries.push_back((tag << 32) | i);
    });
  }
  sortTags(entries.data(), entries.size(), 56);
  for (size_t i = 0; i < entries.size();) {
    size_t j = i + 1;
    while (j < entries.size() && (entries[j] >> 32) == (entries[i] >> 32)) ++j;
    // Entries i..j share a hash; sorted, so indices ascend within the run and the
    // first equal name found is the earliest.
    if (j - i <= 16) {
      for (size_t a = i + 1; a < j; ++a) {
        const uint32_t ia = static_cast<uint32_t>(entries[a]);
        for (size_t b = i; b < a; ++b) {
          const uint32_t ib = static_cast<uint32_t>(entries[b]);
          if (list[ia].getName() == list[ib].getName()) {
            found.emplace_back(ia, ib);
            break;
          }
        }
      }
    } else {
      std::unordered_map<std::string_view, uint32_t> first;
      for (size_t a = i; a < j; ++a) {
        const uint32_t ia = static_cast<uint32_t>(entries[a]);
        auto ins = first.emplace(list[ia].getName(), ia);
        if (!ins.second) found.emplace_back(ia, ins.first->second);
      }
    }
    i = j;
  }
  std::vector<Duplicate> out;
  if (found.empty()) return out;
  // The places of every instance, decoded once for the duplicates found.
  struct Where {
    long element;
    HDJsonPos pos;
  };
  std::vector<Where> where;
  where.reserve(n);
  size_t k = 0;
  auto getSigned = [&]() {
    uint64_t z = 0;
    for (int shift = 0;; shift += 7) {
      const unsigned char b = places_[k++];
      z |= static_cast<uint64_t>(b & 0x7F) << shift;
      if (!(b & 0x80)) break;
    }
    return static_cast<int64_t>(z >> 1) ^ -static_cast<int64_t>(z & 1);
  };
  long element = 0;
  int64_t line = 0;
  while (k < places_.size()) {
    element += static_cast<long>(getSigned());
    line += getSigned();
    const int column = static_cast<int>(getSigned());
    where.push_back({element, HDJsonPos{static_cast<int>(line), column}});
  }
  for (const auto& f : found)
    out.push_back({where[f.first].element, where[f.second].element, where[f.first].pos,
                   where[f.second].pos, std::string(list[f.first].getName())});
  std::sort(out.begin(), out.end(),
            [](const Duplicate& x, const Duplicate& y) { return x.element < y.element; });
  return out;
}
