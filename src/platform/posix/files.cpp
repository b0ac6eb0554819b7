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
#include "platform/posix/headless.h"

namespace orv::platform {

namespace {

thread_local uint32_t t_last_error = 0;

}  // namespace

uint32_t windows_error(int error) {
  switch (error) {
    case 0: return 0;
    case ENOENT: return 2;        // ERROR_FILE_NOT_FOUND
    case ENOTDIR: return 3;       // ERROR_PATH_NOT_FOUND
    case EMFILE: case ENFILE: return 4;  // ERROR_TOO_MANY_OPEN_FILES
    case EACCES: case EPERM: case EISDIR: case EROFS: return 5;  // ERROR_ACCESS_DENIED
    case EBADF: return 6;         // ERROR_INVALID_HANDLE
    case ENOMEM: return 8;        // ERROR_NOT_ENOUGH_MEMORY
    case EEXIST: return 80;       // ERROR_FILE_EXISTS
    case EINVAL: return 87;       // ERROR_INVALID_PARAMETER
    case ENOSPC: return 112;      // ERROR_DISK_FULL
    case ENAMETOOLONG: return 206;  // ERROR_FILENAME_EXCED_RANGE
    case ESPIPE: return 132;      // ERROR_SEEK_ON_DEVICE
    default: return 31;           // ERROR_GEN_FAILURE
  }
}

namespace {

bool fail() {
  t_last_error = windows_error(errno);
  return false;
}

constexpr uint32_t kErrorAlreadyExists = 183;
constexpr uint32_t kErrorSharingViolation = 32;

}  // namespace

FileHandle open_file(StringView path, uint32_t access, FileCreation creation, uint32_t share, bool sequential) {
  if (confined() && !path_stays_inside(path)) {
    t_last_error = 5;
    return kNoFile;
  }
  int flags = O_CLOEXEC;
  const bool writes = (access & (AccessWrite | AccessAppend)) != 0;
  flags |= (access & AccessRead) && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY;
  if (access & AccessAppend) flags |= O_APPEND;
  // Emptied only once the lock is had: a file held by another may not be touched.
  if (creation == FileCreation::CreateAlways) flags |= O_CREAT;
  if (creation == FileCreation::OpenAlways) flags |= O_CREAT;
  std::string name = utf16_to_utf8(path);
  // Windows says whether an "always" open found the file already there.
  struct stat before;
  bool existed = stat(name.c_str(), &before) == 0;
  int fd = ::open(name.c_str(), flags, 0666);
  if (fd < 0) {
    fail();
    return kNoFile;
  }
  struct stat st{};
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    t_last_error = 5;
    return kNoFile;
  }
  const bool shares_all = (share & (ShareRead | ShareWrite)) == (ShareRead | ShareWrite);
  // Devices and pipes have nothing to lock.
  if (S_ISREG(st.st_mode) && flock(fd, (shares_all ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
    ::close(fd);
    t_last_error = errno == EWOULDBLOCK ? kErrorSharingViolation : windows_error(errno);
    return kNoFile;
  }
  if (creation == FileCreation::CreateAlways && S_ISREG(st.st_mode) && ftruncate(fd, 0) != 0) {
    fail();
    ::close(fd);
    return kNoFile;
  }
  if (sequential) posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  t_last_error = existed && creation != FileCreation::OpenExisting ? kErrorAlreadyExists : 0;
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
    if (errno != EINTR) return fail();
  }
}

bool write_file_bytes(FileHandle file, const void* source, uint32_t size, uint32_t& done) {
  done = 0;
  const char* p = static_cast<const char*>(source);
  while (done < size) {
    ssize_t n = ::write(int(file), p + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail();
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
    fail();
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
  if (at < 0 || ftruncate(int(file), at) != 0) return fail();
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
