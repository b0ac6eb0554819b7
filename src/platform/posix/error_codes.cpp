#include "platform/posix/error_codes.h"

#include <errno.h>

#include "platform/files.h"

namespace orv::platform {

uint32_t windows_error(int error) {
  switch (error) {
    case 0: return 0;
    case ENOENT: return 2;        // ERROR_FILE_NOT_FOUND
    case ENOTDIR: return 3;       // ERROR_PATH_NOT_FOUND
    case EMFILE: case ENFILE: return 4;  // ERROR_TOO_MANY_OPEN_FILES
    case EACCES: case EPERM: case EISDIR: case EROFS: return 5;  // ERROR_ACCESS_DENIED
    case EBADF: return 6;         // ERROR_INVALID_HANDLE
    case ENOMEM: return 8;        // ERROR_NOT_ENOUGH_MEMORY
    case EXDEV: return 17;        // ERROR_NOT_SAME_DEVICE
    case EBUSY: return 32;        // ERROR_SHARING_VIOLATION
    case EEXIST: return 80;       // ERROR_FILE_EXISTS
    case EINVAL: return 87;       // ERROR_INVALID_PARAMETER
    case ENOSPC: return 112;      // ERROR_DISK_FULL
    case ESPIPE: return 132;      // ERROR_SEEK_ON_DEVICE
    case ENOTEMPTY: return 145;   // ERROR_DIR_NOT_EMPTY
    case ENAMETOOLONG: return 206;  // ERROR_FILENAME_EXCED_RANGE
    case ELOOP: return 1921;      // ERROR_CANT_RESOLVE_FILENAME
    default: return 31;           // ERROR_GEN_FAILURE
  }
}

bool fail_with(uint32_t error) {
  set_last_error(error);
  return false;
}

bool fail_with_errno() { return fail_with(windows_error(errno)); }

bool succeed() {
  set_last_error(0);
  return true;
}

}  // namespace orv::platform
