#include "host/stream/HUTFileWriteStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <vector>

#include "host/msg/ComMsgMgr.h"

namespace {

// Temporary files open right now, for the signal handler: plain arrays, since a handler may
// only touch lock-free data.
constexpr int kSlots = 8;
char tempNames[kSlots][PATH_MAX];
volatile sig_atomic_t tempUsed[kSlots];
const int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void removeTempsAndDie(int sig) {
  for (int i = 0; i < kSlots; ++i)
    if (tempUsed[i]) ::unlink(tempNames[i]);
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

void claimSlot(const std::string& name) {
  static bool installed = false;
  if (!installed) {
    installed = true;
    for (int sig : kCleanupSignals) {
      struct sigaction old {};
      ::sigaction(sig, nullptr, &old);
      // A signal the caller chose to ignore stays ignored.
      if (old.sa_handler == SIG_IGN) continue;
      struct sigaction sa {};
      sa.sa_handler = removeTempsAndDie;
      sigemptyset(&sa.sa_mask);
      ::sigaction(sig, &sa, nullptr);
    }
    // Past the file-size limit a write fails with EFBIG, which is reported, rather than
    // killing the process with the temporary file left behind.
    ::signal(SIGXFSZ, SIG_IGN);
  }
  if (name.size() >= PATH_MAX) return;
  for (int i = 0; i < kSlots; ++i) {
    if (tempUsed[i]) continue;
    std::memcpy(tempNames[i], name.c_str(), name.size() + 1);
    tempUsed[i] = 1;
    return;
  }
}

void releaseSlot(const std::string& name) {
  for (int i = 0; i < kSlots; ++i)
    if (tempUsed[i] && name == tempNames[i]) tempUsed[i] = 0;
}

// The temporary file's name pattern: the target's name and a suffix, with the name cut so
// that the whole stays within the system's limit for one path component.
std::vector<char> tempTemplate(const std::string& target) {
  const size_t slash = target.rfind('/');
  const size_t baseStart = slash == std::string::npos ? 0 : slash + 1;
  const char suffix[] = ".tmp.XXXXXX";
  const size_t room = NAME_MAX - (sizeof suffix - 1);
  std::string name = target;
  if (target.size() - baseStart > room) name.resize(baseStart + room);
  std::vector<char> tmpl(name.begin(), name.end());
  tmpl.insert(tmpl.end(), suffix, suffix + sizeof suffix);
  return tmpl;
}

}  // namespace

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
  std::vector<char> tmpl = tempTemplate(resolved);
  const int fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
  if (fd < 0) return fail(std::strerror(errno));
  temp_.assign(tmpl.data());
  claimSlot(temp_);
  ::fchmod(fd, perms);
  fd_ = fd;
  buf_ = std::make_unique<HUTFdStreambuf>(fd);
  rdbuf(buf_.get());
  clear();
}

void HUTFileWriteStream::closeFd() {
  rdbuf(nullptr);
  setstate(std::ios_base::badbit);
  buf_.reset();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void HUTFileWriteStream::removeTemp() {
  if (temp_.empty()) return;
  std::remove(temp_.c_str());
  releaseSlot(temp_);
  temp_.clear();
}

void HUTFileWriteStream::discard() {
  closeFd();
  removeTemp();
  closed_ = true;
}

bool HUTFileWriteStream::close() {
  if (closed_) return ok_;
  closed_ = true;
  if (temp_.empty()) return ok_ = false;  // never opened, already reported
  int err = 0;
  const bool wrote = good() && buf_->pubsync() == 0;
  if (!wrote) err = buf_->error();
  rdbuf(nullptr);
  buf_.reset();
  // A full disk may show only when the data reach it.
  if (wrote && ::fsync(fd_) != 0 && errno != EINVAL) err = errno;
  if (::close(fd_) != 0 && wrote && err == 0) err = errno;
  fd_ = -1;
  const bool ok = wrote && err == 0;
  if (!ok || std::rename(temp_.c_str(), renameTo_.c_str()) != 0) {
    if (ok) err = errno;
    removeTemp();
    if (!ok)
      fail(err ? std::string("write failed: ") + std::strerror(err) : "write failed");
    else
      fail(std::strerror(err));
    return ok_ = false;
  }
  releaseSlot(temp_);
  temp_.clear();
  return ok_ = true;
}
