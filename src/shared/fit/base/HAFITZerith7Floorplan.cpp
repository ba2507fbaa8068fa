#include "shared/fit/base/HAFITZerith7Floorplan.h"

#include "host/design/db/HDesign.h"

HAFITZerith7Floorplan::HAFITZerith7Floorplan(HFLFloorplan* hflFloorplan)
    : HAFITFloorplan(hflFloorplan) {}

HAFITZerith7Floorplan::~HAFITZerith7Floorplan() = default;

void HAFITZerith7Floorplan::writeDeviceReliability(HCRRptDoc& doc) {
  writeDeviceSummary(doc, SUM_CRAM | SUM_BRAM);
}

void HAFITZerith7Floorplan::processBRAM(const HDLHInstance* instance) {
  dispatchBlock(instance, blockCodes());
}

HAFITFloorplan::BlockCodes HAFITZerith7Floorplan::blockCodes() const {
  return {260, 264, 1382, 1390};
}
