// Korvan devices: configuration memory, block RAM without FIFOs, and YRAM.
#pragma once

#include "shared/fit/base/HAFITFloorplan.h"

class HAFITKorvanFloorplan : public HAFITFloorplan {
 public:
  explicit HAFITKorvanFloorplan(HFLFloorplan* hflFloorplan);
  ~HAFITKorvanFloorplan() override;

  void writeDeviceReliability(HCRRptDoc& doc) override;
  void processBRAM(const HDLHInstance* instance) override;

 protected:
  BlockCodes blockCodes() const override;
  // YRAM is counted by the walk; nothing family-specific to record.
  void processYRAM(const HDLHInstance* instance) override;
};
