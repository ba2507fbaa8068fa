#include "shared/fit/base/HAFITZerith9Floorplan.h"

#include "host/design/db/HDesign.h"

HAFITZerith9Floorplan::HAFITZerith9Floorplan(HFLFloorplan* hflFloorplan)
    : HAFITFloorplan(hflFloorplan) {}

HAFITZerith9Floorplan::~HAFITZerith9Floorplan() = default;

void HAFITZerith9Floorplan::writeDeviceReliability(HCRRptDoc& doc) {
  writeDeviceSummary(doc, SUM_CRAM | SUM_BRAM | SUM_YRAM | SUM_HBM);
}

void HAFITZerith9Floorplan::processBRAM(const HDLHInstance* instance) {
  dispatchBlock(instance, blockCodes());
}

void HAFITZerith9Floorplan::processYRAM(const HDLHInstance*) {}

void HAFITZerith9Floorplan::processHBM(const HDLHInstance* instance) {
  const uint32_t code = libCellCode(instance);
  if (code == 332)
    processOneStackHBM(instance);
  else if (code == 341)
    processTwoStackHBM(instance);
}

HAFITFloorplan::BlockCodes HAFITZerith9Floorplan::blockCodes() const {
  return {261, 266, 1383, 1391};
}
