// Files by handle on Windows.
#include <windows.h>

#include "platform/files.h"
#include "platform/win32/wide_text.h"

namespace orv::platform {

namespace {

HANDLE handle_of(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

}  // namespace

FileHandle open_file(StringView path, uint32_t access, FileCreation creation, uint32_t share, bool sequential) {
  // Append access without the right to write data: the system puts every
  // write at the end of the file.
  DWORD desired = ((access & AccessRead) ? GENERIC_READ : 0) | ((access & AccessWrite) ? GENERIC_WRITE : 0) |
                  ((access & AccessAppend) ? FILE_APPEND_DATA | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE : 0);
  DWORD share_mode = ((share & ShareRead) ? FILE_SHARE_READ : 0) | ((share & ShareWrite) ? FILE_SHARE_WRITE : 0) |
                     ((share & ShareDelete) ? FILE_SHARE_DELETE : 0);
  DWORD disposition = creation == FileCreation::OpenExisting   ? OPEN_EXISTING
                      : creation == FileCreation::CreateAlways ? CREATE_ALWAYS
                                                               : OPEN_ALWAYS;
  DWORD attributes = FILE_ATTRIBUTE_NORMAL | (sequential ? FILE_FLAG_SEQUENTIAL_SCAN : 0);
  std::wstring buf;
  HANDLE h = CreateFileW(wide(path, buf), desired, share_mode, nullptr, disposition, attributes, nullptr);
  return h == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(h);
}

void close_file(FileHandle file) { CloseHandle(handle_of(file)); }

bool read_file_bytes(FileHandle file, void* dest, uint32_t size, uint32_t& done) {
  DWORD got = 0;
  BOOL ok = ReadFile(handle_of(file), dest, size, &got, nullptr);
  done = got;
  // The write end of a pipe was closed: that is the end of the input.
  return ok || GetLastError() == ERROR_BROKEN_PIPE;
}

bool write_file_bytes(FileHandle file, const void* source, uint32_t size, uint32_t& done) {
  DWORD put = 0;
  BOOL ok = WriteFile(handle_of(file), source, size, &put, nullptr);
  done = put;
  return ok != 0;
}

bool append_file_bytes(FileHandle file, const void* source, uint32_t size, uint32_t& done) {
  // Appending programs take turns on one byte far past any end, a lock no
  // read or write ever meets: where the system finds the end and writes in
  // two steps (Wine does), two of them could otherwise both write at the
  // end they found. Without the lock (a file system that has none) the
  // write still goes ahead.
  HANDLE h = handle_of(file);
  OVERLAPPED turn{};
  turn.Offset = 0xFFFFFFFEu;
  turn.OffsetHigh = 0x7FFFFFFFu;
  bool locked = LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &turn) != 0;
  bool ok = write_file_bytes(file, source, size, done);
  DWORD error = GetLastError();
  if (locked) UnlockFileEx(h, 0, 1, 0, &turn);
  SetLastError(error);
  return ok;
}

int64_t seek_file(FileHandle file, int64_t distance, SeekOrigin origin) {
  LARGE_INTEGER to, now;
  to.QuadPart = distance;
  DWORD method = origin == SeekOrigin::Begin ? FILE_BEGIN : origin == SeekOrigin::Current ? FILE_CURRENT : FILE_END;
  if (!SetFilePointerEx(handle_of(file), to, &now, method)) return -1;
  return now.QuadPart;
}

int64_t file_size(FileHandle file) {
  LARGE_INTEGER size;
  if (GetFileType(handle_of(file)) != FILE_TYPE_DISK || !GetFileSizeEx(handle_of(file), &size)) return -1;
  return size.QuadPart;
}

bool set_end_of_file(FileHandle file) { return SetEndOfFile(handle_of(file)) != 0; }

FileHandle standard_handle(int which) {
  DWORD id = which == 0 ? STD_INPUT_HANDLE : which == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
  HANDLE h = GetStdHandle(id);
  return h == nullptr || h == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(h);
}

bool is_file_handle(FileHandle file) {
  if (file == kNoFile || file == 0) return false;
  SetLastError(NO_ERROR);
  return GetFileType(handle_of(file)) != FILE_TYPE_UNKNOWN || GetLastError() == NO_ERROR;
}

uint32_t last_error() { return GetLastError(); }
void set_last_error(uint32_t code) { SetLastError(code); }

}  // namespace orv::platform
