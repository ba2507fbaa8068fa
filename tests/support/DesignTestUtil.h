// Helpers of the design-file tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/design/HDLoad.h"
#include "host/env/HUTEnv.h"

// Points the data-directory lookup at the shipped catalogues for one test.
class ShippedData : public ::testing::Test {
 protected:
  void SetUp() override {
    HUTEnv::setDataDirs(std::vector<std::string>{SEUFIT_SOURCE_DIR "/data"});
  }
  void TearDown() override {
    HUTEnv::setDataDirs(std::nullopt);
    HUTEnv::setBuiltinData(true);
  }

  std::unique_ptr<HFLFloorplan> load(const std::string& json) {
    problems.clear();
    return HDLoad::loadText(json, "t.json", {}, problems);
  }
  std::string problemText() const {
    std::string out;
    for (const auto& p : problems)
      out += p.file + ":" + std::to_string(p.line) + ":" + std::to_string(p.column) + " [" +
             p.jsonPath + "] " + p.message + "\n";
    return out;
  }
  std::vector<HDLoadProblem> problems;
};

// A design around `cells` (the body of the cells object) on catalogue part z9-s1.
inline std::string design(const std::string& cells, const std::string& extra = "",
                          const std::string& top = "top") {
  return "{\"seufit_design\": 1, \"part\": \"z9-s1\", \"top\": \"" + top + "\", " + extra +
         (extra.empty() ? "" : ", ") + "\"cells\": {" + cells + "}}";
}
