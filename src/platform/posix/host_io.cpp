#include "platform/posix/host_io.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

namespace orv::platform {

std::string_view last_name(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string folder_of(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

bool write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(size_t(n));
  }
  return true;
}

namespace {

// Hands each chunk read to `take` until the end; false when a read fails
// or `take` refuses a chunk.
template <typename Take>
bool read_chunks(int fd, Take take) {
  char chunk[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n == 0;
    if (!take(std::string_view(chunk, size_t(n)))) return false;
  }
}

}  // namespace

bool read_all(int fd, std::string& bytes) {
  return read_chunks(fd, [&](std::string_view chunk) {
    bytes.append(chunk);
    return true;
  });
}

bool copy_all(int from, int to) {
  return read_chunks(from, [&](std::string_view chunk) { return write_all(to, chunk); });
}

int create_temporary_beside(const std::string& dest, std::string& name) {
  static unsigned counter = 0;
  std::string folder = folder_of(dest);
  std::string base(last_name(dest));
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[40];
    snprintf(suffix, sizeof suffix, ".%d.%u.tmp", int(getpid()), ++counter);
    name = folder + "/.~" + base + suffix;
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

}  // namespace orv::platform
