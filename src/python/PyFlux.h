// The relative neutron flux at a place and along a mission profile.
#pragma once

#include <pybind11/pybind11.h>

#include <string>

#include "PyDesign.h"

namespace seufitpy {

// The keys and values of `seufit flux --json`.
pybind11::dict flux(double altitude, int longitude, int latitude, const DataDirs& dataDirs);
// The keys and values of `seufit flux --profile PATH --json`.
pybind11::dict fluxProfile(const std::string& path, const DataDirs& dataDirs);

}  // namespace seufitpy
