#include "shared/fit/base/HAFITZerith7Floorplan.h"

#include <cstdint>

#include "host/design/HDesign.h"

HAFITZerith7Floorplan::HAFITZerith7Floorplan(HFLFloorplan* hflFloorplan)
    : HAFITFloorplan(hflFloorplan) {}

HAFITZerith7Floorplan::~HAFITZerith7Floorplan() = default;

void HAFITZerith7Floorplan::writeDeviceReliability(HCRRptDoc& doc) {
  writeDeviceSummary(doc, SUM_CRAM | SUM_BRAM);
}

void HAFITZerith7Floorplan::processBRAM(const HDLHInstance* instance) {
  const uint32_t code = static_cast<uint32_t>(HARUPrimUtils::getLibCell(instance, netlist()) >> 32);
  // ECC-protected blocks contribute no bits and no mode count.
  if (isECC(instance)) return;
  // Other codes are not analysed.
  switch (code) {
    case 260:
      processFifo18(instance);
      break;
    case 264:
      processFifo36(instance);
      break;
    case 1382:
      processRamb18(instance);
      break;
    case 1390:
      processRamb36(instance);
      break;
    default:
      break;
  }
}
