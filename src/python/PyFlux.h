// The relative neutron flux at a place and along a mission profile; the data checked and
// the parts of its catalogue.
#pragma once

#include <pybind11/pybind11.h>

#include <string>

#include "PyDesign.h"

namespace seufitpy {

// The keys and values of `seufit flux --json`.
// The place is checked as the command line's options are: TypeError for a value of
// another type, ValueError for one out of range.
pybind11::dict flux(const pybind11::handle& altitude, const pybind11::handle& longitude,
                    const pybind11::handle& latitude, const DataDirs& dataDirs);
// `seufit data check`: the directories searched; errors raise seufit.Error, warnings warn.
pybind11::dict dataCheck(const DataDirs& dataDirs);
// `seufit parts --json`: a dict per part of the catalogue; errors raise seufit.Error.
pybind11::list parts(const DataDirs& dataDirs);
// The keys and values of `seufit flux --profile PATH --json`.
pybind11::dict fluxProfile(const std::string& path, const DataDirs& dataDirs);

}  // namespace seufitpy
