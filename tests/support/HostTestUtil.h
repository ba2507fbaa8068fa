// Helpers for the host tests: a scratch directory, whole-file reads, and a shell command
// runner for external checkers.
#pragma once

#include <stdlib.h>
#include <sys/wait.h>

#include <boost/filesystem.hpp>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>

namespace hosttest {

class TempDir {
 public:
  TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/seufit-host-XXXXXX";
    if (!::mkdtemp(&tmpl[0])) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
  }
  ~TempDir() {
    boost::system::error_code ec;
    boost::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  // Names of the entries directly inside the directory.
  std::set<std::string> entries(const std::string& sub = "") const {
    std::set<std::string> out;
    for (const auto& e :
         boost::filesystem::directory_iterator(sub.empty() ? path_ : path_ + "/" + sub))
      out.insert(e.path().filename().string());
    return out;
  }

 private:
  std::string path_;
};

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

// Runs a shell command; returns its exit status and puts its standard output in `out`.
inline int run(const std::string& command, std::string* out = nullptr) {
  FILE* p = ::popen(command.c_str(), "r");
  if (!p) return -1;
  std::string text;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
  const int status = ::pclose(p);
  if (out) *out = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline bool haveCommand(const std::string& name) {
  return run("command -v " + name + " >/dev/null 2>&1") == 0;
}

}  // namespace hosttest
