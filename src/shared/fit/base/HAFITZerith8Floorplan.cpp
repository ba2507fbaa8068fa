#include "shared/fit/base/HAFITZerith8Floorplan.h"

#include "host/design/db/HDesign.h"

HAFITZerith8Floorplan::HAFITZerith8Floorplan(HFLFloorplan* hflFloorplan)
    : HAFITFloorplan(hflFloorplan) {}

HAFITZerith8Floorplan::~HAFITZerith8Floorplan() = default;

void HAFITZerith8Floorplan::writeDeviceReliability(HCRRptDoc& doc) {
  writeDeviceSummary(doc, SUM_CRAM | SUM_BRAM);
}

void HAFITZerith8Floorplan::processBRAM(const HDLHInstance* instance) {
  dispatchBlock(instance, blockCodes());
}

HAFITFloorplan::BlockCodes HAFITZerith8Floorplan::blockCodes() const {
  return {261, 266, 1383, 1391};
}
