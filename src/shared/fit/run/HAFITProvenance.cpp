// SHA-256 checksums for the report's provenance.
#include <nettle/sha2.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "shared/fit/run/HAFITRun.h"

namespace {
std::string hex(const uint8_t* digest, size_t n) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    out += digits[digest[i] >> 4];
    out += digits[digest[i] & 15];
  }
  return out;
}
}  // namespace

namespace HAFITRun {

std::string sha256(const std::string& data) {
  sha256_ctx ctx;
  sha256_init(&ctx);
  sha256_update(&ctx, data.size(), reinterpret_cast<const uint8_t*>(data.data()));
  uint8_t digest[SHA256_DIGEST_SIZE];
  sha256_digest(&ctx, SHA256_DIGEST_SIZE, digest);
  return hex(digest, SHA256_DIGEST_SIZE);
}

std::string sha256File(const std::string& path) {
  // What a pipe or a device gave the run cannot be read again (a FIFO would even wait for a
  // writer): only a regular file has a checksum to give.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0)
    return "(cannot be read again: " + std::string(std::strerror(errno)) + ")";
  if (!S_ISREG(st.st_mode)) return "(not a regular file: its content cannot be read again)";
  std::ifstream in(path, std::ios::binary);
  if (!in) return "";
  sha256_ctx ctx;
  sha256_init(&ctx);
  std::vector<char> buf(1 << 16);
  while (in) {
    in.read(buf.data(), static_cast<std::streamsize>(buf.size()));
    const std::streamsize got = in.gcount();
    if (got > 0)
      sha256_update(&ctx, static_cast<size_t>(got), reinterpret_cast<const uint8_t*>(buf.data()));
  }
  if (in.bad()) return "";
  uint8_t digest[SHA256_DIGEST_SIZE];
  sha256_digest(&ctx, SHA256_DIGEST_SIZE, digest);
  return hex(digest, SHA256_DIGEST_SIZE);
}

}  // namespace HAFITRun
