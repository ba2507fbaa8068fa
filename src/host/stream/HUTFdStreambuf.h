// A stream buffer over an open file descriptor (standard output, standard error) that keeps
// the reason of the first failed write, so that a command can say why its output was lost.
#pragma once

#include <streambuf>
#include <vector>

class HUTFdStreambuf : public std::streambuf {
 public:
  // `bufferSize` 0 writes every character sequence at once (for standard error).
  explicit HUTFdStreambuf(int fd, std::size_t bufferSize = 1 << 16);
  ~HUTFdStreambuf() override;
  HUTFdStreambuf(const HUTFdStreambuf&) = delete;
  HUTFdStreambuf& operator=(const HUTFdStreambuf&) = delete;

  // The errno of the first write that failed, 0 while every write succeeded. After a
  // failure nothing more is written.
  int error() const { return error_; }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override;

 private:
  bool writeAll(const char* data, std::size_t size);
  bool flushBuffer();

  int fd_;
  std::vector<char> buffer_;
  int error_ = 0;
};
