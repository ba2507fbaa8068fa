#include "shared/fit/base/HAFITZerith9Floorplan.h"

#include <cstdint>

#include "host/design/HDesign.h"

HAFITZerith9Floorplan::HAFITZerith9Floorplan(HFLFloorplan* hflFloorplan)
    : HAFITFloorplan(hflFloorplan) {}

HAFITZerith9Floorplan::~HAFITZerith9Floorplan() = default;

void HAFITZerith9Floorplan::writeDeviceReliability(HCRRptDoc& doc) {
  writeDeviceSummary(doc, SUM_CRAM | SUM_BRAM | SUM_YRAM | SUM_HBM);
}

void HAFITZerith9Floorplan::processBRAM(const HDLHInstance* instance) {
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

void HAFITZerith9Floorplan::processYRAM(const HDLHInstance*) {}

void HAFITZerith9Floorplan::processHBM(const HDLHInstance* instance) {
  const uint32_t code = static_cast<uint32_t>(HARUPrimUtils::getLibCell(instance, netlist()) >> 32);
  if (code == 332)
    processOneStackHBM(instance);
  else if (code == 341)
    processTwoStackHBM(instance);
}
