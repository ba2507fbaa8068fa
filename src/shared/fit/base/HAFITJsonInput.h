// Reading a user's JSON input file (a mission profile, a mitigation file): numbers read
// exactly, every problem named by the file and a JSON path ("$.segments[2].hours") or a
// line:column, a bounded list of problems.
#pragma once

#include <rapidjson/document.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace HAFITJsonInput {

struct Reader {
  const std::string& path;
  std::vector<std::string>& errors;
  // "PATH: WHERE: WHAT".
  void fail(const std::string& where, const std::string& what);
  void add(std::string text);
};

// The line:column of a byte offset, both from 1.
std::string lineColumn(const std::string& text, size_t offset);

// Every key of `obj` once, and each one of `known`; otherwise one problem per key.
bool checkKeys(Reader& r, const rapidjson::Value& obj, const std::string& where,
               std::initializer_list<const char*> known);

// Parses `text` (a leading byte-order mark dropped) into `doc`, numbers read exactly and no
// stack used per nesting level; false after one problem with its line:column.
bool parse(const std::string& text, rapidjson::Document& doc, Reader& r);

}  // namespace HAFITJsonInput
