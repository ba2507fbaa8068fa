#include "host/env/HUTEnv.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <boost/filesystem.hpp>
#include <cstdlib>

namespace {
std::optional<std::vector<std::string>>& explicitDirs() {
  static std::optional<std::vector<std::string>> dirs;
  return dirs;
}

bool& builtinSearched() {
  static bool searched = true;
  return searched;
}

bool isRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string thisLibraryDir() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&HUTEnv::builtinDataDir), &info) == 0 || !info.dli_fname)
    return {};
  boost::system::error_code ec;
  auto p = boost::filesystem::canonical(info.dli_fname, ec);
  return ec ? std::string() : p.parent_path().string();
}
}  // namespace

void HUTEnv::setDataDirs(std::optional<std::vector<std::string>> dirs) {
  explicitDirs() = std::move(dirs);
}

void HUTEnv::setBuiltinData(bool searched) { builtinSearched() = searched; }

std::string HUTEnv::builtinDataDir() {
  const std::string libDir = thisLibraryDir();
  if (!libDir.empty()) {
    // Installed tree, wherever it was moved: <prefix>/lib[/multiarch] beside <prefix>/share/seufit.
    for (const char* up : {"/../share/seufit", "/../../share/seufit"}) {
      boost::system::error_code ec;
      const auto relocated = boost::filesystem::canonical(libDir + up, ec);
      if (!ec && isDirectory(relocated.string())) return relocated.string();
    }
    boost::system::error_code ec;
    auto build = boost::filesystem::canonical(SEUFIT_BUILD_DIR, ec);
    if (!ec) {
      const std::string b = build.string() + "/";
      if ((libDir + "/").compare(0, b.size(), b) == 0) return SEUFIT_SOURCE_DATA_DIR;
    }
  }
  return SEUFIT_INSTALL_DATA_DIR;
}

std::vector<std::string> HUTEnv::dataDirs() {
  std::vector<std::string> dirs;
  if (explicitDirs()) {
    dirs = *explicitDirs();
  } else if (const char* env = std::getenv("SEUFIT_DATA_PATH")) {
    std::string s = env;
    size_t start = 0;
    while (start <= s.size()) {
      size_t colon = s.find(':', start);
      if (colon == std::string::npos) colon = s.size();
      if (colon > start) dirs.push_back(s.substr(start, colon - start));
      start = colon + 1;
    }
  }
  // The user's files first, the shipped ones for whatever they leave out.
  if (builtinSearched()) {
    const std::string builtin = builtinDataDir();
    if (std::find(dirs.begin(), dirs.end(), builtin) == dirs.end()) dirs.push_back(builtin);
  }
  return dirs;
}

std::string HUTEnv::getOVKDataDir(const std::string& relativePath) {
  if (relativePath.empty()) return {};
  for (const std::string& dir : dataDirs()) {
    boost::filesystem::path full(dir);
    full /= relativePath;
    if (isRegularFile(full.string())) return dir;
  }
  return {};
}
