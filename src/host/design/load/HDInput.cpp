#include "host/design/load/HDInput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

HDInput::~HDInput() {
  if (fd_ >= 0) ::close(fd_);
}

std::unique_ptr<HDInput> HDInput::open(const std::string& path, std::string& error) {
  // Opened without blocking so that a FIFO nobody writes to reads as empty instead of
  // hanging; reads block again below.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    error = std::strerror(errno);
    return nullptr;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    error = S_ISDIR(st.st_mode) ? "it is a directory" : std::strerror(errno);
    ::close(fd);
    return nullptr;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
#ifdef POSIX_FADV_SEQUENTIAL
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
  std::unique_ptr<HDInput> in(new HDInput);
  in->name_ = path;
  in->fd_ = fd;
  in->regular_ = S_ISREG(st.st_mode);
  in->size_ = in->regular_ ? static_cast<size_t>(st.st_size) : 0;
  return in;
}

std::unique_ptr<HDInput> HDInput::text(std::string_view text, std::string name) {
  std::unique_ptr<HDInput> in(new HDInput);
  in->name_ = std::move(name);
  in->memory_ = text.data();
  in->size_ = text.size();
  in->eof_ = true;
  return in;
}

bool HDInput::fetch(size_t want) {
  while (!eof_ && peek_.size() - pos_ < want) {
    char buf[1 << 16];
    const ssize_t n = ::read(fd_, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      error_ = std::strerror(errno);
      return false;
    }
    if (n == 0) {
      eof_ = true;
      break;
    }
    peek_.append(buf, static_cast<size_t>(n));
  }
  return true;
}

std::string_view HDInput::head(size_t n) {
  if (memory_) return std::string_view(memory_ + pos_, std::min(n, size_ - pos_));
  fetch(n);
  return std::string_view(peek_).substr(pos_, n);
}

bool HDInput::read(char* buf, size_t cap, size_t& got) {
  got = 0;
  if (memory_) {
    got = std::min(cap, size_ - pos_);
    std::memcpy(buf, memory_ + pos_, got);
    pos_ += got;
    consumed_ += got;
    return true;
  }
  if (pos_ < peek_.size()) {
    got = std::min(cap, peek_.size() - pos_);
    std::memcpy(buf, peek_.data() + pos_, got);
    pos_ += got;
    consumed_ += got;
    if (pos_ == peek_.size()) {
      peek_.clear();
      pos_ = 0;
    }
    return true;
  }
  while (!eof_) {
    const ssize_t n = ::read(fd_, buf, cap);
    if (n < 0) {
      if (errno == EINTR) continue;
      error_ = std::strerror(errno);
      return false;
    }
    if (n == 0) eof_ = true;
    got = static_cast<size_t>(n);
    consumed_ += got;
    return true;
  }
  return true;
}

bool HDInput::all(std::string_view& out) {
  if (memory_) {
    out = std::string_view(memory_ + pos_, size_ - pos_);
    consumed_ += size_ - pos_;
    pos_ = size_;
    return true;
  }
  if (pos_) {
    peek_.erase(0, pos_);
    pos_ = 0;
  }
  if (size_ > peek_.size()) peek_.reserve(size_);
  if (!fetch(static_cast<size_t>(-1) / 2)) return false;
  out = peek_;
  pos_ = peek_.size();
  consumed_ += peek_.size();
  return true;
}

bool HDInput::readAt(uint64_t offset, char* buf, size_t cap, size_t& got) {
  got = 0;
  if (memory_) {
    if (offset < size_) {
      got = std::min<uint64_t>(cap, size_ - offset);
      std::memcpy(buf, memory_ + offset, got);
    }
    return true;
  }
  for (;;) {
    const ssize_t n = ::pread(fd_, buf, cap, static_cast<off_t>(offset));
    if (n >= 0) {
      got = static_cast<size_t>(n);
      return true;
    }
    if (errno != EINTR) {
      error_ = std::strerror(errno);
      return false;
    }
  }
}
