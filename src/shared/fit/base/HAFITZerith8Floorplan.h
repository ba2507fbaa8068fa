// Zerith8 devices: configuration memory and block RAM with FIFOs.
#pragma once

#include "shared/fit/base/HAFITFloorplan.h"

class HAFITZerith8Floorplan : public HAFITFloorplan {
 public:
  explicit HAFITZerith8Floorplan(HFLFloorplan* hflFloorplan);
  ~HAFITZerith8Floorplan() override;

  void writeDeviceReliability(HCRRptDoc& doc) override;
  void processBRAM(const HDLHInstance* instance) override;

 protected:
  BlockCodes blockCodes() const override;
};
