// Files by handle for the headless host: POSIX descriptors. Sharing modes
// become advisory locks, which other programs of this kind respect and the
// rest of the system ignores: a file opened without full sharing is locked
// exclusively, any other open takes a shared lock, and an open that cannot
// have its lock fails as a sharing violation. The sequential hint goes to
// posix_fadvise. Errors are kept as the Windows codes scripts compare
// A_LastError with.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.h"
#include "platform/posix/error_codes.h"
#include "platform/posix/headless.h"
#include "platform/posix/host_path.h"

namespace orv::platform {

namespace {

thread_local uint32_t t_last_error = 0;

}  // namespace

FileHandle open_file(StringView path, uint32_t access, FileCreation creation, uint32_t share, bool sequential) {
  if (confined() && !path_stays_inside(path)) {
    t_last_error = ErrorAccessDenied;
    return kNoFile;
  }
  int flags = O_CLOEXEC;
  const bool writes = (access & (AccessWrite | AccessAppend)) != 0;
  flags |= (access & AccessRead) && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY;
  if (access & AccessAppend) flags |= O_APPEND;
  // Emptied only once the lock is had: a file held by another may not be touched.
  if (creation == FileCreation::CreateAlways) flags |= O_CREAT;
  if (creation == FileCreation::OpenAlways) flags |= O_CREAT;
  std::string name = host_path(path);
  // Windows says whether an "always" open found the file already there.
  struct stat before;
  bool existed = stat(name.c_str(), &before) == 0;
  int fd = ::open(name.c_str(), flags, 0666);
  if (fd < 0) {
    fail_with_errno();
    return kNoFile;
  }
  struct stat st{};
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    t_last_error = ErrorAccessDenied;
    return kNoFile;
  }
  const bool shares_all = (share & (ShareRead | ShareWrite)) == (ShareRead | ShareWrite);
  // Devices and pipes have nothing to lock.
  if (S_ISREG(st.st_mode) && flock(fd, (shares_all ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
    ::close(fd);
    t_last_error = errno == EWOULDBLOCK ? ErrorSharingViolation : windows_error(errno);
    return kNoFile;
  }
  if (creation == FileCreation::CreateAlways && S_ISREG(st.st_mode) && ftruncate(fd, 0) != 0) {
    fail_with_errno();
    ::close(fd);
    return kNoFile;
  }
  if (sequential) posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  t_last_error = existed && creation != FileCreation::OpenExisting ? ErrorAlreadyExists : 0;
  return fd;
}

void close_file(FileHandle file) { ::close(int(file)); }

// O_APPEND already finds the end and writes there in one step.
bool append_file_bytes(FileHandle file, const void* source, uint32_t size, uint32_t& done) {
  return write_file_bytes(file, source, size, done);
}

bool read_file_bytes(FileHandle file, void* dest, uint32_t size, uint32_t& done) {
  done = 0;
  for (;;) {
    ssize_t n = ::read(int(file), dest, size);
    if (n >= 0) {
      done = uint32_t(n);
      return true;
    }
    if (errno != EINTR) return fail_with_errno();
  }
}

bool write_file_bytes(FileHandle file, const void* source, uint32_t size, uint32_t& done) {
  done = 0;
  const char* p = static_cast<const char*>(source);
  while (done < size) {
    ssize_t n = ::write(int(file), p + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail_with_errno();
    }
    if (n == 0) break;
    done += uint32_t(n);
  }
  return true;
}

int64_t seek_file(FileHandle file, int64_t distance, SeekOrigin origin) {
  int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
  off_t at = lseek(int(file), off_t(distance), whence);
  if (at < 0) {
    fail_with_errno();
    return -1;
  }
  return int64_t(at);
}

int64_t file_size(FileHandle file) {
  struct stat st{};
  if (fstat(int(file), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return int64_t(st.st_size);
}

bool set_end_of_file(FileHandle file) {
  off_t at = lseek(int(file), 0, SEEK_CUR);
  if (at < 0 || ftruncate(int(file), at) != 0) return fail_with_errno();
  return true;
}

FileHandle standard_handle(int which) {
  // A confined run keeps to its own output, which may be discarded.
  if (confined() || which < 0 || which > 2) return kNoFile;
  return which;
}

bool is_file_handle(FileHandle file) {
  struct stat st{};
  return file >= 0 && file <= INT32_MAX && fstat(int(file), &st) == 0;
}

uint32_t last_error() { return t_last_error; }
void set_last_error(uint32_t code) { t_last_error = code; }

}  // namespace orv::platform
