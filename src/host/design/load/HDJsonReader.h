// A streaming pull reader for JSON: design files and catalogues are read in fixed-size
// chunks, so the reader's memory does not grow with the file, and every value knows
// its line and column for messages. Syntax errors throw HDJsonSyntaxError.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/design/load/HDInput.h"

struct HDJsonPos {
  int line = 0;    // 1-based; 0: unknown
  int column = 0;  // 1-based, in characters
};

class HDJsonSyntaxError : public std::runtime_error {
 public:
  HDJsonSyntaxError(const std::string& what, HDJsonPos pos) : std::runtime_error(what), pos(pos) {}
  HDJsonPos pos;
};

// A number literal as written, with its value.
struct HDJsonNumber {
  bool integer = false;   // no fraction and no exponent
  bool fitsInt64 = true;  // integer literal within -2^63 .. 2^63-1
  int64_t i = 0;          // the value of an integer literal that fits
  double d = 0.0;         // the value as a double
  bool overflow = false;  // magnitude too large for a double
  std::string text;       // the literal as written
};

class HDJsonReader {
 public:
  enum Type { END, OBJECT, ARRAY, STRING, NUMBER, BOOL, NUL };

  HDJsonReader();
  ~HDJsonReader();
  HDJsonReader(const HDJsonReader&) = delete;
  HDJsonReader& operator=(const HDJsonReader&) = delete;

  // Reads from a file; returns false with `error` set when it cannot be opened or is a
  // directory.
  bool openFile(const std::string& path, std::string& error);
  // Reads from an input, which must outlive the reader.
  void open(HDInput& input);
  // Reads from memory; the text must outlive the reader.
  void openString(std::string_view text);

  // Type of the next value (skips white space); END at the end of the input.
  Type peek();
  // Position of the next value (after peek) or of the last token read.
  HDJsonPos pos() const { return tokenPos_; }

  // Containers. After beginObject, call nextKey until it returns false; after each key,
  // read or skip exactly one value. Arrays likewise with nextElement.
  void beginObject();
  bool nextKey(std::string& key);
  void beginArray();
  bool nextElement();

  void readString(std::string& out);
  void readNumber(HDJsonNumber& out);
  bool readBool();
  void readNull();
  // Skips any value; with `raw`, appends its minified JSON text.
  void skipValue(std::string* raw = nullptr);
  // After the top value: only white space may follow.
  void expectEnd();

  // A caller's fast lane over plain input. raw() gives the unread bytes (at least `want`
  // of them unless the input ends first); the caller scans them itself and then either
  // consumes what it read with commitRaw() or leaves the reader as it was, to read the
  // same bytes the ordinary way (which also gives every message).
  struct Raw {
    const char* begin;
    const char* end;
  };
  Raw raw(size_t want);
  // Consumes the bytes of the last raw() run up to `to`: ASCII only, holding `newlines`
  // line feeds, the last one just before `lineStart`.
  void commitRaw(const char* to, int newlines, const char* lineStart);
  // The place of `p` in the last raw() run, after `newlines` line feeds of the run (the
  // last one just before `lineStart`).
  HDJsonPos rawPos(const char* p, int newlines, const char* lineStart) const;

  static const char* typeName(Type t);
  // Deepest container nesting accepted.
  static constexpr int kMaxNesting = 1000;

 private:
  bool fill(size_t need);  // at least `need` bytes from pos_, unless the input ends
  void skipSpace();
  [[noreturn]] void fail(const std::string& what);
  [[noreturn]] void failAt(const std::string& what, HDJsonPos p);
  HDJsonPos here() const;
  void expectLiteral(const char* word);
  void readStringBody(std::string& out);
  void readUtf8(std::string& out);
  unsigned readHex4();
  void push(char closer);

  HDInput* input_ = nullptr;
  std::unique_ptr<HDInput> owned_;  // openFile()'s
  bool eof_ = false;
  std::unique_ptr<char[]> own_;
  size_t cap_ = 0;
  const char* buf_ = nullptr;
  size_t pos_ = 0;     // next byte in buf_
  size_t end_ = 0;     // end of valid bytes in buf_
  uint64_t base_ = 0;  // absolute offset of buf_[0]
  int line_ = 1;
  uint64_t lineStart_ = 0;   // absolute offset where the current line starts
  uint64_t contInLine_ = 0;  // UTF-8 continuation bytes seen on the current line
  HDJsonPos tokenPos_;
  std::vector<char> stack_;  // open containers: '}' or ']'
  std::vector<bool> first_;  // no element read yet in the open container
};
