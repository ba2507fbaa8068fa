#include "host/stream/HUTFileWriteStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <vector>

#include "host/msg/ComMsgMgr.h"

HUTFileWriteStream::HUTFileWriteStream() : std::ostream(nullptr) {
  setstate(std::ios_base::badbit);  // nothing to write to until open() succeeds
}

HUTFileWriteStream::~HUTFileWriteStream() {
  if (std::uncaught_exceptions() > uncaught_)
    discard();
  else
    close();
}

void HUTFileWriteStream::fail(const std::string& reason) {
  if (error_.empty()) {
    error_ = reason;
    ComMsgMgr::hostError("@1-4@%s%s", target_, reason);
  }
  setstate(std::ios_base::badbit);
}

void HUTFileWriteStream::open(const std::string& name, std::ios_base::openmode mode) {
  if (!temp_.empty()) discard();  // a second open drops what the first one wrote
  uncaught_ = std::uncaught_exceptions();
  target_ = name;
  error_.clear();
  closed_ = false;
  ok_ = false;
  if (name.empty()) return fail("the file name is empty");
  if ((mode & std::ios_base::app) || (mode & std::ios_base::in) || !(mode & std::ios_base::out))
    return fail("only writing a new file is supported");

  // Through a symbolic link the file it points at is replaced, not the link.
  std::string resolved = name;
  struct stat lst {};
  if (::lstat(name.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
    if (char* real = ::realpath(name.c_str(), nullptr)) {
      resolved = real;
      std::free(real);
    }
  }

  struct stat st {};
  mode_t perms = 0;
  if (::stat(name.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return fail("it is a directory");
    if (!S_ISREG(st.st_mode)) return fail("it is not a regular file");
    if (::access(name.c_str(), W_OK) != 0) return fail(std::strerror(errno));
    perms = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    perms = 0666 & ~mask;
  }

  renameTo_ = resolved;
  std::vector<char> tmpl(resolved.begin(), resolved.end());
  const char suffix[] = ".tmp.XXXXXX";
  tmpl.insert(tmpl.end(), suffix, suffix + sizeof suffix);
  const int fd = ::mkstemp(tmpl.data());
  if (fd < 0) return fail(std::strerror(errno));
  ::fchmod(fd, perms);
  ::close(fd);
  temp_.assign(tmpl.data());
  if (!buf_.open(temp_, std::ios_base::out | std::ios_base::trunc | std::ios_base::binary)) {
    const int err = errno;
    std::remove(temp_.c_str());
    temp_.clear();
    return fail(err ? std::strerror(err) : "cannot open the temporary file");
  }
  rdbuf(&buf_);
  clear();
}

void HUTFileWriteStream::discard() {
  if (buf_.is_open()) buf_.close();
  if (!temp_.empty()) std::remove(temp_.c_str());
  temp_.clear();
  closed_ = true;
}

bool HUTFileWriteStream::close() {
  if (closed_) return ok_;
  closed_ = true;
  if (temp_.empty()) return ok_ = false;  // never opened, already reported
  errno = 0;                              // so that a reason given below is this write's
  const bool wrote = good() && buf_.pubsync() == 0;
  const bool closedOk = buf_.close() != nullptr;
  if (!wrote || !closedOk) {
    const int err = errno;
    std::remove(temp_.c_str());
    temp_.clear();
    fail(err ? std::string("write failed: ") + std::strerror(err) : "write failed");
    return ok_ = false;
  }
  if (std::rename(temp_.c_str(), renameTo_.c_str()) != 0) {
    const int err = errno;
    std::remove(temp_.c_str());
    temp_.clear();
    fail(std::strerror(err));
    return ok_ = false;
  }
  temp_.clear();
  return ok_ = true;
}
