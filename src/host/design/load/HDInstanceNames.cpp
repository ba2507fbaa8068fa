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
  if (places_.capacity() > 16384) {
    decltype(tags_)().swap(tags_);
    decltype(places_)().swap(places_);
  }
  tags_.clear();
  places_.clear();
  count_ = 0;
  lastElement_ = -1;
  lastLine_ = 0;
  lastColumn_ = 0;
}

std::vector<HDInstanceNames::Duplicate> HDInstanceNames::duplicates(const HDInstanceList& list) {
  std::vector<std::pair<uint32_t, uint32_t>> found;  // later, earliest (indices)
  const size_t n = std::min(count_, list.size());
  const auto tagOf = [&](size_t i) { return (tags_[i / 2] >> (i % 2 * 32)) & 0xFFFFFFFFu; };
  // Hash tag and index of every instance whose name may repeat: in a large cell, written
  // over the tags already read (word k holds tags 2k and 2k + 1), so that the check takes
  // no more room than the tags; `spill` takes those that would overwrite unread tags.
  std::vector<uint64_t, HUTBigAllocator<uint64_t>> entries, spill;
  uint64_t* words = nullptr;
  size_t count = 0;
  if (n <= 4096) {
    entries.resize(n);
    for (size_t i = 0; i < n; ++i) entries[i] = (tagOf(i) << 32) | i;
    words = entries.data();
    count = n;
  } else {
    // Two bits a slot, at least four slots a name: 0 unseen, 1 once, 2 more often.
    size_t slots = 1;
    while (slots < 4 * n) slots <<= 1;
    std::vector<unsigned char, HUTBigAllocator<unsigned char>> filter(slots / 4);
    std::fill(filter.begin(), filter.end(), 0);
    const uint64_t mask = slots - 1;
    for (size_t i = 0; i < n; ++i) {
      const uint64_t slot = tagOf(i) & mask;
      unsigned char& byte = filter[slot >> 2];
      const unsigned shift = (slot & 3) * 2;
      if (((byte >> shift) & 3) < 2) byte = static_cast<unsigned char>(byte + (1u << shift));
    }
    for (size_t i = 0; i < n; ++i) {
      const uint64_t tag = tagOf(i), slot = tag & mask;
      if (((filter[slot >> 2] >> ((slot & 3) * 2)) & 3) != 2) continue;
      if (2 * count + 1 <= i)
        tags_[count++] = (tag << 32) | i;
      else
        spill.push_back((tag << 32) | i);
    }
    words = tags_.data();
    if (!spill.empty()) {
      // Many candidates (a cell of many equal names): a list of their own.
      entries.assign(tags_.begin(), tags_.begin() + static_cast<std::ptrdiff_t>(count));
      entries.insert(entries.end(), spill.begin(), spill.end());
      decltype(spill)().swap(spill);
      words = entries.data();
      count = entries.size();
    }
  }
  sortTags(words, count, 56);
  for (size_t i = 0; i < count;) {
    size_t j = i + 1;
    while (j < count && (words[j] >> 32) == (words[i] >> 32)) ++j;
    // Entries i..j share a hash; sorted, so indices ascend within the run and the
    // first equal name found is the earliest.
    if (j - i <= 16) {
      for (size_t a = i + 1; a < j; ++a) {
        const uint32_t ia = static_cast<uint32_t>(words[a]);
        for (size_t b = i; b < a; ++b) {
          const uint32_t ib = static_cast<uint32_t>(words[b]);
          if (list[ia].getName() == list[ib].getName()) {
            found.emplace_back(ia, ib);
            break;
          }
        }
      }
    } else {
      std::unordered_map<std::string_view, uint32_t> first;
      for (size_t a = i; a < j; ++a) {
        const uint32_t ia = static_cast<uint32_t>(words[a]);
        auto ins = first.emplace(list[ia].getName(), ia);
        if (!ins.second) found.emplace_back(ia, ins.first->second);
      }
    }
    i = j;
  }
  std::vector<Duplicate> out;
  if (found.empty()) return out;
  // The places of the instances named in a duplicate, decoded in one walk over them all.
  struct Where {
    long element;
    HDJsonPos pos;
  };
  std::vector<uint32_t> wanted;
  for (const auto& f : found) {
    wanted.push_back(f.first);
    wanted.push_back(f.second);
  }
  std::sort(wanted.begin(), wanted.end());
  wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
  std::vector<Where> where(wanted.size());
  size_t k = 0, next = 0;
  auto get = [&]() {
    uint64_t z = 0;
    for (int shift = 0;; shift += 7) {
      const unsigned char b = places_[k++];
      z |= static_cast<uint64_t>(b & 0x7F) << shift;
      if (!(b & 0x80)) break;
    }
    return z;
  };
  auto unzigzag = [](uint64_t z) {
    return static_cast<int64_t>(z >> 1) ^ -static_cast<int64_t>(z & 1);
  };
  long element = -1;
  int64_t line = 0;
  int column = 0;
  for (uint32_t i = 0; k < places_.size() && next < wanted.size(); ++i) {
    const uint64_t head = get();
    line += unzigzag(head >> 2);
    element += (head & 1) ? 1 : static_cast<long>(unzigzag(get()));
    if (!(head & 2)) column = static_cast<int>(unzigzag(get()));
    if (i == wanted[next]) where[next++] = {element, HDJsonPos{static_cast<int>(line), column}};
  }
  const auto at = [&](uint32_t i) {
    return where[static_cast<size_t>(std::lower_bound(wanted.begin(), wanted.end(), i) -
                                     wanted.begin())];
  };
  for (const auto& f : found)
    out.push_back({at(f.first).element, at(f.second).element, at(f.first).pos, at(f.second).pos,
                   std::string(list[f.first].getName())});
  std::sort(out.begin(), out.end(),
            [](const Duplicate& x, const Duplicate& y) { return x.element < y.element; });
  return out;
}
