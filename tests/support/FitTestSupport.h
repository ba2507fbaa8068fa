// A throw-away data directory and a freshly created analysis manager for each test.
#pragma once

#include <boost/filesystem.hpp>
#include <fstream>
#include <map>
#include <string>

#include "host/env/HUTEnv.h"
#include "shared/fit/base/HAFITMgr.h"

class TempDataDir {
 public:
  TempDataDir() {
    dir_ = boost::filesystem::temp_directory_path() /
           boost::filesystem::unique_path("seufit-data-%%%%-%%%%-%%%%");
    boost::filesystem::create_directories(dir_ / "fit");
  }
  ~TempDataDir() {
    boost::system::error_code ec;
    boost::filesystem::remove_all(dir_, ec);
  }
  TempDataDir(const TempDataDir&) = delete;
  TempDataDir& operator=(const TempDataDir&) = delete;

  void write(const std::string& relative, const std::string& text) const {
    std::ofstream(path(relative)) << text;
  }
  std::string path(const std::string& relative = "") const {
    return relative.empty() ? dir_.string() : (dir_ / relative).string();
  }

 private:
  boost::filesystem::path dir_;
};

// Points the data search at `dir` only and drops any manager made before.
inline void useDataDir(const std::string& dir) {
  HUTEnv::setDataDirs(std::vector<std::string>{dir});
  HUTEnv::setBuiltinData(false);
  HAFITMgr::resetGlobal();
}

inline const char* minimalSer() {
  return "<FITDATA><FAMILY name=\"Zerith9\"><SOFTERRORRATE>"
         "<TYPE name=\"config\" nominal=\"100\" ll=\"-0.2\" ul=\"0.3\"/></SOFTERRORRATE>"
         "<ALPHAPARTICLE><TYPE name=\"config\" nominal=\"1\" ll=\"0\" ul=\"0\"/></ALPHAPARTICLE>"
         "<TEMPERATURE><SLOPE value=\"0\"/><INTERCEPT value=\"1\"/></TEMPERATURE>"
         "</FAMILY></FITDATA>";
}
inline const char* minimalDetect() {
  return "<SCANTIMEDATA><FAMILY><DEVICE name=\"d\" avg=\"3\" min=\"2\" max=\"5\"/></FAMILY>"
         "</SCANTIMEDATA>";
}
inline const char* minimalRc() {
  return "<RCDATA><COORD lat=\"40\" long=\"-74\" rc=\"2.0\"/><COORD lat=\"0\" long=\"0\" "
         "rc=\"10.0\"/><COORD lat=\"45\" long=\"10\" rc=\"2.1\"/><COORD lat=\"-33\" long=\"151\" "
         "rc=\"0.55\"/><COORD lat=\"1\" long=\"100\" rc=\"14.9\"/><COORD lat=\"50\" long=\"5\" "
         "rc=\"5.0\"/></RCDATA>";
}
