// Zerith9 devices: configuration memory, block RAM with FIFOs, YRAM and HBM.
#pragma once

#include "shared/fit/base/HAFITFloorplan.h"

class HAFITZerith9Floorplan : public HAFITFloorplan {
 public:
  explicit HAFITZerith9Floorplan(HFLFloorplan* hflFloorplan);
  ~HAFITZerith9Floorplan() override;

  void writeDeviceReliability(HCRRptDoc& doc) override;
  void processBRAM(const HDLHInstance* instance) override;

 protected:
  BlockCodes blockCodes() const override;
  // YRAM is counted by the walk; nothing family-specific to record.
  void processYRAM(const HDLHInstance* instance) override;
  // One-stack (332) and two-stack (341) HBM.
  void processHBM(const HDLHInstance* instance) override;
};
