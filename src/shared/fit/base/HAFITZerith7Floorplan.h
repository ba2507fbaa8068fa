// Zerith7 devices: configuration memory and block RAM with FIFOs.
#pragma once

#include "shared/fit/base/HAFITFloorplan.h"

class HAFITZerith7Floorplan : public HAFITFloorplan {
 public:
  explicit HAFITZerith7Floorplan(HFLFloorplan* hflFloorplan);
  ~HAFITZerith7Floorplan() override;

  void writeDeviceReliability(HCRRptDoc& doc) override;
  void processBRAM(const HDLHInstance* instance) override;

 protected:
  BlockCodes blockCodes() const override;
};
