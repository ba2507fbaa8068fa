// One input of a load: a file opened once, or text in memory. Its first bytes tell the
// format; then a reader takes its bytes as a pull stream or as one buffer, from the start.
// A pipe or a FIFO is read once, so telling its format does not take bytes from its reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class HDInput {
 public:
  ~HDInput();
  HDInput(const HDInput&) = delete;
  HDInput& operator=(const HDInput&) = delete;

  // Null with `error` set when the file cannot be opened or is a directory. A FIFO that
  // nobody writes to reads as empty rather than waiting.
  static std::unique_ptr<HDInput> open(const std::string& path, std::string& error);
  // Text that must outlive the input; `name` is what messages call it.
  static std::unique_ptr<HDInput> text(std::string_view text, std::string name);

  const std::string& name() const { return name_; }
  // Up to `n` first bytes (fewer at the end of the input), read without consuming them.
  std::string_view head(size_t n = 4096);

  // Pull: copies up to `cap` bytes into `buf`; 0 at the end. False after a read error,
  // whose reason error() gives.
  bool read(char* buf, size_t cap, size_t& got);
  // The input's rest as one buffer (the whole input when nothing was pulled yet); false
  // after a read error.
  bool all(std::string_view& out);
  // A buffer in memory from the start: the text of text(), else null.
  const char* memory() const { return memory_; }
  // Where the next read() starts: the bytes handed out so far.
  uint64_t offset() const { return consumed_; }
  // Text in memory or a regular file, whose bytes readAt() reads again; not a pipe.
  bool seekable() const { return memory_ || regular_; }
  // The size of a seekable input, as it was opened.
  uint64_t size() const { return size_; }
  // Copies up to `cap` bytes from `offset` into `buf`, without moving where read() is
  // (seekable inputs only); 0 at the end. False after a read error.
  bool readAt(uint64_t offset, char* buf, size_t cap, size_t& got);
  const std::string& error() const { return error_; }

 private:
  HDInput() = default;
  bool fetch(size_t want);  // at least `want` bytes in peek_ unless the input ends

  std::string name_;
  int fd_ = -1;
  const char* memory_ = nullptr;  // text(): the whole input
  size_t size_ = 0;
  size_t pos_ = 0;    // in memory_, or in peek_
  std::string peek_;  // bytes read from fd_ and not yet handed out
  bool eof_ = false;
  bool regular_ = false;
  uint64_t consumed_ = 0;
  std::string error_;
};
