// Where the tool's data files are found.
#pragma once

#include <optional>
#include <string>
#include <vector>

class HUTEnv {
 public:
  // The first data directory that holds `relativePath` as a regular file, or "".
  static std::string getOVKDataDir(const std::string& relativePath);

  // The directories searched, file by file, in order: those set by setDataDirs (the
  // command line's --data-dir), else SEUFIT_DATA_PATH (colon-separated); then the built-in
  // directory, unless setBuiltinData(false) (--no-builtin-data) leaves it out.
  static std::vector<std::string> dataDirs();
  static void setDataDirs(std::optional<std::vector<std::string>> dirs);
  static void setBuiltinData(bool searched);
  // The installed share/seufit, or the source tree's data/ when run from a build tree.
  static std::string builtinDataDir();
};
