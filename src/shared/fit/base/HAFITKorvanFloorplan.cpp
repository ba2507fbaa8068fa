#include "shared/fit/base/HAFITKorvanFloorplan.h"

#include <cstdint>

#include "host/design/HDesign.h"

HAFITKorvanFloorplan::HAFITKorvanFloorplan(HFLFloorplan* hflFloorplan)
    : HAFITFloorplan(hflFloorplan) {}

HAFITKorvanFloorplan::~HAFITKorvanFloorplan() = default;

void HAFITKorvanFloorplan::writeDeviceReliability(HCRRptDoc& doc) {
  writeDeviceSummary(doc, SUM_CRAM | SUM_BRAM | SUM_YRAM);
}

void HAFITKorvanFloorplan::processBRAM(const HDLHInstance* instance) {
  const uint32_t code = static_cast<uint32_t>(HARUPrimUtils::getLibCell(instance, netlist()) >> 32);
  // ECC-protected blocks contribute no bits and no mode count.
  if (isECC(instance)) return;
  // Other codes, FIFOs included, are not analysed here.
  switch (code) {
    case 1385:
      processRamb18(instance);
      break;
    case 1395:
      processRamb36(instance);
      break;
    default:
      break;
  }
}

void HAFITKorvanFloorplan::processYRAM(const HDLHInstance*) {}
