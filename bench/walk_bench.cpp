// Design walk speed: instance occurrences visited per second.
//   hierarchical: one cell of 10,000 leaves instantiated 1,000 times (10,001,000 occurrences)
//   flat:         1,000,000 leaves in the top cell
//   blockram:     100,000 block RAM leaves in the top cell, each analysed
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "host/design/db/HDesign.h"
#include "shared/fit/base/HAFITFloorplan.h"

namespace {

struct Design {
  HFLFloorplan design;
  long long occurrences = 0;
};

std::unique_ptr<Design> makeDesign(int cellCopies, int leavesPerCell, bool blockRam) {
  auto d = std::make_unique<Design>();
  d->design.setPart(std::make_unique<HDARPart>("bench-part", "bench-dev", "ZERITH9", 21));
  HDPrimitive* leaf = d->design.addPrimitive(blockRam ? "RAMB36" : "LUT6");
  leaf->classes = blockRam ? HDPrimitive::RAMB : HDPrimitive::OTHER;
  leaf->code = blockRam ? 1391 : 7;
  leaf->attributes = {"RAM_MODE", "READ_WIDTH_A", "SEU_PROTECTED"};

  HDAHCellview* top = d->design.addCell("top");
  HDAHCellview* holder = top;
  if (cellCopies > 0) {
    holder = d->design.addCell("block");
    HDDesignBuilder::setNets(holder, leavesPerCell, 0);
    for (int c = 0; c < cellCopies; ++c)
      HDDesignBuilder::addInstance(top, "u" + std::to_string(c), holder, nullptr);
    d->occurrences += cellCopies;
  }
  for (int i = 0; i < leavesPerCell; ++i) {
    HDAHInstance* inst =
        HDDesignBuilder::addInstance(holder, "l" + std::to_string(i), nullptr, leaf);
    if (blockRam) {
      HDDesignBuilder::setAttr(holder, inst, "RAM_MODE", HATAttr::makeString("SDP"));
      HDDesignBuilder::setAttr(holder, inst, "READ_WIDTH_A", HATAttr::makeInt(72));
    }
  }
  d->occurrences += static_cast<long long>(leavesPerCell) * (cellCopies > 0 ? cellCopies : 1);
  d->design.setTop(top);
  return d;
}

void walk(benchmark::State& state, const Design& d) {
  HFLFloorplan& design = const_cast<HFLFloorplan&>(d.design);
  for (auto _ : state) {
    std::unique_ptr<HAFITFloorplan> fp(HAFITFloorplan::create(&design));
    fp->traverseCellview(design.getNetlist()->getTopCellview());
    benchmark::DoNotOptimize(fp->getBramBits());
  }
  state.SetItemsProcessed(state.iterations() * d.occurrences);
  state.counters["occurrences"] = static_cast<double>(d.occurrences);
}

void BM_WalkHierarchical(benchmark::State& state) {
  static const auto d = makeDesign(1000, 10000, false);
  walk(state, *d);
}
BENCHMARK(BM_WalkHierarchical)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_WalkFlat(benchmark::State& state) {
  static const auto d = makeDesign(0, 1000000, false);
  walk(state, *d);
}
BENCHMARK(BM_WalkFlat)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_WalkBlockRam(benchmark::State& state) {
  static const auto d = makeDesign(0, 100000, true);
  walk(state, *d);
}
BENCHMARK(BM_WalkBlockRam)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
