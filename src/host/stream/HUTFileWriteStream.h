// An output file stream that never leaves a half-written file behind: it writes to a
// temporary file beside the target and renames it over the target only when the
// stream is closed after every write succeeded. A failure leaves the target as it
// was, sends a host error message naming the path and the reason, and is kept in error().
// The temporary file is also removed when the process is ended by a signal, and a write
// beyond the file-size limit fails with its reason instead of ending the process.
#pragma once

#include <ios>
#include <memory>
#include <ostream>
#include <string>

#include "host/stream/HUTFdStreambuf.h"

class HUTFileWriteStream : public std::ostream {
 public:
  HUTFileWriteStream();
  // Closes (and so commits) unless the stream is being destroyed by an exception,
  // in which case the temporary file is removed and the target left alone.
  ~HUTFileWriteStream() override;
  HUTFileWriteStream(const HUTFileWriteStream&) = delete;
  HUTFileWriteStream& operator=(const HUTFileWriteStream&) = delete;

  // Only std::ios_base::out (replace) is supported; app and in are refused.
  void open(const std::string& name, std::ios_base::openmode mode);
  bool is_open() const { return fd_ >= 0; }
  // Flushes, checks and renames over the target. True when the target now holds
  // everything written. Further calls return the first result.
  bool close();
  // Drops the temporary file and leaves the target untouched.
  void discard();
  // Why the stream failed, or "" while all is well.
  const std::string& error() const { return error_; }
  const std::string& target() const { return target_; }

 private:
  void fail(const std::string& reason);

  void closeFd();
  void removeTemp();  // and forget it, also for the signal handler

  std::unique_ptr<HUTFdStreambuf> buf_;  // keeps the reason of a failed write
  int fd_ = -1;
  std::string target_;    // as the caller named it
  std::string renameTo_;  // the file replaced: the target, or what its link points at
  std::string temp_;
  std::string error_;
  bool closed_ = false;
  bool ok_ = false;
  int uncaught_ = 0;
};
