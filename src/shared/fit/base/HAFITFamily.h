// The device families of the report as one table: which placement architectures each
// covers, its name, how to make its floorplan and how to recognise one. The floorplan base
// and the command line ask this table; nothing else knows the families.
#pragma once

#include <string>

#include "shared/fit/base/HAFITFloorplan.h"

struct HAFITFamily {
  HAFITFloorplan::Family id;
  // Lower-case family key: the name in reports, check summaries and the rate data.
  const char* name;
  // True when a device of this architecture type and name belongs to the family.
  bool (*covers)(int archType, const std::string& deviceName);
  // A new floorplan of the family's class (caller deletes).
  HAFITFloorplan* (*create)(HFLFloorplan* hflFloorplan);
  // True when `floorplan` is of the family's class (or derived from it).
  bool (*owns)(const HAFITFloorplan* floorplan);
  // The design memory classes its report tables: 1 << HAFITSERMgr::MemType for each
  // (configuration memory, which belongs to no instance, is not among them).
  unsigned designClasses;
  // The architecture types it covers, as text for people ("19 to 24, 26").
  const char* types;
};

// Every family, in a fixed order; the range ends at HAFITFamiliesEnd().
const HAFITFamily* HAFITFamiliesBegin();
const HAFITFamily* HAFITFamiliesEnd();
// The family covering a device, or null when the report does not support it.
const HAFITFamily* HAFITFamilyFor(int archType, const std::string& deviceName);
// The family of a floorplan object, or null for a class of no family.
const HAFITFamily* HAFITFamilyOf(const HAFITFloorplan* floorplan);
// Every family with the architecture types it covers: "zerith7 (10 to 14), ...".
std::string HAFITSupportedTypes();
// The table entry of a family id, or null for UNSUPPORTED.
const HAFITFamily* HAFITFamilyById(HAFITFloorplan::Family id);
