// Files by handle, for the text streams: the few calls a buffered stream
// needs, with Windows' access, creation and sharing choices. The headless
// host maps them onto POSIX descriptors, where sharing is advisory at best
// and is not enforced.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace orv::platform {

// A Windows HANDLE's value, or a POSIX descriptor.
using FileHandle = intptr_t;
inline constexpr FileHandle kNoFile = -1;

// AccessAppend writes, but only at the end of the file, wherever the
// position stands: two processes appending to one file lose nothing.
enum FileAccess : uint32_t { AccessRead = 1, AccessWrite = 2, AccessAppend = 4 };
enum class FileCreation : uint8_t { OpenExisting, CreateAlways, OpenAlways };
enum FileShare : uint32_t { ShareRead = 1, ShareWrite = 2, ShareDelete = 4 };
enum class SeekOrigin : uint8_t { Begin = 0, Current = 1, End = 2 };

// kNoFile on failure; last_error() tells why. `sequential` hints that the
// file will be read from start to end.
FileHandle open_file(StringView path, uint32_t access, FileCreation creation, uint32_t share, bool sequential);
void close_file(FileHandle file);
// False on a failed call; `done` may fall short of `size` at the end of a
// file or a pipe.
bool read_file_bytes(FileHandle file, void* dest, uint32_t size, uint32_t& done);
bool write_file_bytes(FileHandle file, const void* source, uint32_t size, uint32_t& done);
// The same through a handle opened with AccessAppend: the bytes land at the
// end in one piece, also between programs whose system appends in two
// steps (finding the end, then writing there).
bool append_file_bytes(FileHandle file, const void* source, uint32_t size, uint32_t& done);
// The new position, or -1 on failure.
int64_t seek_file(FileHandle file, int64_t distance, SeekOrigin origin);
// -1 when the handle has no size (a pipe or a console).
int64_t file_size(FileHandle file);
// Ends the file at the current position, shortening or extending it.
bool set_end_of_file(FileHandle file);
// 0 standard input, 1 output, 2 error.
FileHandle standard_handle(int which);
// Whether the handle names something the system can read or write.
bool is_file_handle(FileHandle file);
// The system's reasons (winerror.h) the program gives itself or the headless
// host gives for the system, which scripts read from A_LastError.
enum SystemError : uint32_t {
  ErrorFileNotFound = 2, ErrorPathNotFound = 3, ErrorAccessDenied = 5, ErrorInvalidDrive = 15,
  ErrorNotSameDevice = 17, ErrorSharingViolation = 32, ErrorNotSupported = 50, ErrorFileExists = 80,
  ErrorInvalidParameter = 87, ErrorAlreadyExists = 183, ErrorFilenameTooLong = 206, ErrorDirectory = 267,
  ErrorInvalidData = 13, ErrorResourceTypeNotFound = 1813,
};

// The calling thread's last system error, as a Windows error code.
uint32_t last_error();
void set_last_error(uint32_t code);

}  // namespace orv::platform
