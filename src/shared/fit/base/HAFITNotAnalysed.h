// The memories a report meets and does not count: primitives its family does not analyse,
// black boxes whose contents are unknown, memories of a class the family's report has no
// rows for, and memories that synthesis left unmapped. Each kind is one item, counted over
// every occurrence in the hierarchy, so that a report can say what it left out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class HAFITFloorplan;
class HDAHInstance;
class HFLFloorplan;
struct HDPrimitive;

namespace HAFITNotAnalysed {

enum class Kind { PRIMITIVE, BLACK_BOX, CLASS, UNMAPPED };

struct Item {
  Kind kind;
  std::string name;        // the primitive, cell or class
  uint64_t count = 0;      // occurrences; UINT64_MAX when more
  bool bitsKnown = false;  // the bits of every instance
  double bits = 0.0;       // the bits of those whose bits are known
  // "black box", "primitive", "memory class", "unmapped memory".
  const char* kindText() const;
  // Why they count no bits, for people: "a primitive the korvan analysis does not cover".
  std::string reason(const std::string& family) const;
  // "8 instances of FIFO36", "1 instance of black box vendor_ip".
  std::string what() const;
  // "65536 bits", "at least 65536 bits" (some unknown), "bits unknown".
  std::string bitsText() const;
};

// A synthesis tool's own memory cell ($mem, $mem_v2), which no primitive of a part counts.
bool isUnmappedMemory(const HDPrimitive* primitive);
// Its words and width, when both are written as whole numbers.
bool unmappedShape(const HDAHInstance& instance, int64_t& words, int64_t& width);

// Every kind met in the design's hierarchy, in a fixed order (kind, then name). `floorplan`
// is the design's family floorplan (walked or not).
std::vector<Item> find(const HFLFloorplan& design, const HAFITFloorplan& floorplan);

}  // namespace HAFITNotAnalysed
