#include "shared/fit/base/HAFITZerith8Floorplan.h"

#include <cstdint>

#include "host/design/HDesign.h"

HAFITZerith8Floorplan::HAFITZerith8Floorplan(HFLFloorplan* hflFloorplan)
    : HAFITFloorplan(hflFloorplan) {}

HAFITZerith8Floorplan::~HAFITZerith8Floorplan() = default;

void HAFITZerith8Floorplan::writeDeviceReliability(HCRRptDoc& doc) {
  writeDeviceSummary(doc, SUM_CRAM | SUM_BRAM);
}

void HAFITZerith8Floorplan::processBRAM(const HDLHInstance* instance) {
  const uint32_t code = static_cast<uint32_t>(HARUPrimUtils::getLibCell(instance, netlist()) >> 32);
  // ECC-protected blocks contribute no bits and no mode count.
  if (isECC(instance)) return;
  // Other codes are not analysed.
  switch (code) {
    case 261:
      processFifo18(instance);
      break;
    case 266:
      processFifo36(instance);
      break;
    case 1383:
      processRamb18(instance);
      break;
    case 1391:
      processRamb36(instance);
      break;
    default:
      break;
  }
}
