// What every design front end shares while it reads one file: the list of problems
// (file, line:column, path, message), the path of the value being read, and typed reads
// of JSON values that report what was expected instead of failing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "host/design/load/HDJsonReader.h"

// One problem of a file: where (line:column and JSON path, when known) and what.
struct HDLoadProblem {
  std::string file;
  int line = 0;
  int column = 0;
  std::string jsonPath;
  std::string message;
};

// What every load is bounded by.
struct HDLoadLimits {
  // Problems listed for one file at most; a last entry says when more were left out.
  static constexpr size_t kMaxProblems = 50;
  // Levels of hierarchy below the top cell at most.
  static constexpr int kMaxDepth = 4096;
};

// Thrown when the problem list is full; the load ends without a database.
struct HDStopLoading {};

// One step of a JSON path: ".key", "[\"odd key\"]" or "[3]".
std::string hdKeySeg(const std::string& k);
std::string hdQuoted(const std::string& s);
// At most `max` names, then how many there are in all.
std::string hdJoinNames(const std::vector<std::string>& names, size_t max);
// Names joined by `sep`; a list longer than twice `head` keeps its first `head` and last
// `tail` names with "..." between them, so that a message stays readable.
std::string hdJoinElided(const std::vector<std::string>& names, const std::string& sep, size_t head,
                         size_t tail);
std::string hdPosText(HDJsonPos p);

// The names met so far in one object: a linear search while they are few, a hash set
// once they are many, so that an object of thousands of keys costs no quadratic time.
class HDSeenNames {
 public:
  // False when `name` was met before.
  bool insert(std::string_view name);
  bool contains(std::string_view name) const;
  void clear() {
    few_.clear();
    many_.clear();
  }

 private:
  static constexpr size_t kFew = 16;
  std::vector<std::string> few_;
  std::unordered_set<std::string> many_;
};

class HDLoadContext {
 public:
  HDLoadContext(const std::string& file, std::vector<HDLoadProblem>& problems)
      : designFile_(file), file_(file), problems_(problems), start_(problems.size()) {}

  // True when this load added no problem.
  bool clean() const { return problems_.size() == start_; }
  size_t problemCount() const { return problems_.size(); }
  const std::string& designFile() const { return designFile_; }
  const std::string& file() const { return file_; }

  // ---- problems and paths ----
  std::string currentPath(std::string_view suffix) const;
  // Throws HDStopLoading once the list is full.
  void problemAt(const std::string& file, HDJsonPos p, const std::string& path,
                 const std::string& msg);
  void problem(HDJsonPos p, std::string_view suffix, const std::string& msg) {
    problemAt(file_, p, currentPath(suffix), msg);
  }
  void pushKey(const std::string& k) { path_.push_back({hdKeySeg(k), -1}); }
  void pushIndex() { path_.push_back({std::string(), 0}); }
  void setIndex(long i) { path_.back().index = i; }
  long index() const { return path_.back().index; }
  void pop() { path_.pop_back(); }

  // Runs `body` with problems placed in another file (a catalogue), from an empty path;
  // a syntax error there becomes that file's problem.
  template <typename F>
  void inFile(const std::string& path, HDJsonReader& r, F body) {
    const std::string savedFile = file_;
    std::vector<Seg> savedPath;
    savedPath.swap(path_);
    file_ = path;
    try {
      body();
      r.expectEnd();
    } catch (const HDJsonSyntaxError& e) {
      problemAt(file_, e.pos, currentPath(""), std::string("JSON syntax error: ") + e.what());
    }
    file_ = savedFile;
    path_.swap(savedPath);
  }

  // ---- typed reads: on a wrong value, a problem and the value is skipped ----
  using Type = HDJsonReader::Type;
  bool expect(HDJsonReader& r, Type t, std::string_view suffix, std::string_view what);
  bool readText(HDJsonReader& r, std::string_view suffix, std::string& out, std::string_view what,
                bool nonEmpty);
  bool readInteger(HDJsonReader& r, std::string_view suffix, int64_t lo, int64_t hi, int64_t& out,
                   std::string_view what);
  bool readFlag(HDJsonReader& r, std::string_view suffix, bool& out);
  // The object reader's key table: index of `key` in `keys`, or -1 after a problem
  // (unknown key) with the value skipped; -2 after a problem for a key met twice. `seen`
  // collects one bit per key, for the missing-key checks.
  int objectKey(HDJsonReader& r, const std::string& key, const std::vector<const char*>& keys,
                unsigned& seen, const char* what);
  static bool has(unsigned seen, int k) { return (seen & (1u << k)) != 0; }

  HDJsonNumber num_;  // scratch for number reads

 private:
  struct Seg {
    std::string key;
    long index = -1;  // array index, or -1 for a key
  };
  std::string designFile_;
  std::string file_;  // the file being read: the design or a catalogue
  std::vector<HDLoadProblem>& problems_;
  size_t start_;  // problems listed before this file
  std::vector<Seg> path_;
};
