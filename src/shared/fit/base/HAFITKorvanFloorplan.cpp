#include "shared/fit/base/HAFITKorvanFloorplan.h"

#include "host/design/db/HDesign.h"

HAFITKorvanFloorplan::HAFITKorvanFloorplan(HFLFloorplan* hflFloorplan)
    : HAFITFloorplan(hflFloorplan) {}

HAFITKorvanFloorplan::~HAFITKorvanFloorplan() = default;

void HAFITKorvanFloorplan::writeDeviceReliability(HCRRptDoc& doc) {
  writeDeviceSummary(doc, SUM_CRAM | SUM_BRAM | SUM_YRAM);
}

// Korvan FIFOs have a code of their own that is not analysed: they count in
// bramCount_ only.
void HAFITKorvanFloorplan::processBRAM(const HDLHInstance* instance) {
  dispatchBlock(instance, blockCodes());
}

void HAFITKorvanFloorplan::processYRAM(const HDLHInstance*) {}

HAFITFloorplan::BlockCodes HAFITKorvanFloorplan::blockCodes() const { return {0, 0, 1385, 1395}; }
