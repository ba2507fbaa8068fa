#include "host/stream/HUTFdStreambuf.h"

#include <unistd.h>

#include <cerrno>

HUTFdStreambuf::HUTFdStreambuf(int fd, std::size_t bufferSize) : fd_(fd), buffer_(bufferSize) {
  if (!buffer_.empty()) setp(buffer_.data(), buffer_.data() + buffer_.size());
}

HUTFdStreambuf::~HUTFdStreambuf() { flushBuffer(); }

bool HUTFdStreambuf::writeAll(const char* data, std::size_t size) {
  while (size > 0 && error_ == 0) {
    const ssize_t n = ::write(fd_, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      error_ = errno;
    } else if (n == 0) {
      error_ = EIO;
    } else {
      data += n;
      size -= static_cast<std::size_t>(n);
    }
  }
  return error_ == 0;
}

bool HUTFdStreambuf::flushBuffer() {
  if (buffer_.empty()) return error_ == 0;
  const bool ok = writeAll(pbase(), static_cast<std::size_t>(pptr() - pbase()));
  setp(buffer_.data(), buffer_.data() + buffer_.size());
  return ok;
}

HUTFdStreambuf::int_type HUTFdStreambuf::overflow(int_type c) {
  if (!flushBuffer()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  const char ch = traits_type::to_char_type(c);
  if (buffer_.empty()) return writeAll(&ch, 1) ? c : traits_type::eof();
  *pptr() = ch;
  pbump(1);
  return c;
}

std::streamsize HUTFdStreambuf::xsputn(const char* s, std::streamsize n) {
  if (n <= 0) return 0;
  const auto size = static_cast<std::size_t>(n);
  if (size <= static_cast<std::size_t>(epptr() - pptr())) {
    traits_type::copy(pptr(), s, size);
    pbump(static_cast<int>(n));
    return n;
  }
  // Larger than the room left: write what is held, then the sequence itself.
  if (!flushBuffer() || !writeAll(s, size)) return 0;
  return n;
}

int HUTFdStreambuf::sync() { return flushBuffer() ? 0 : -1; }
