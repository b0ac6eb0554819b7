// Executable memory for callback stubs and #DllImport machine code. Each
// block of the pool is one shared section mapped twice: a view that can be
// written but not run, where code is put, and a view that can be run but
// not written, where it is called. No page is ever writable and executable
// at once, and no page changes protection while other threads may be
// running code in it.
#include <windows.h>

#include <cstring>
#include <mutex>

#include "platform/native_calls.h"
#include "platform/win32/executable_memory.h"

namespace orv::platform {

namespace {

constexpr size_t kBlockBytes = 64 * 1024;

struct Block {
  uint8_t* write_view = nullptr;
  uint8_t* run_view = nullptr;
  size_t used = 0;
  size_t size = 0;
};

std::mutex g_lock;
Block g_block;

bool new_block(size_t at_least) {
  size_t size = at_least > kBlockBytes ? (at_least + kBlockBytes - 1) / kBlockBytes * kBlockBytes : kBlockBytes;
  HANDLE section = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_EXECUTE_READWRITE | SEC_COMMIT,
                                      DWORD(uint64_t(size) >> 32), DWORD(size), nullptr);
  if (!section) return false;
  void* write_view = MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, size);
  void* run_view = MapViewOfFile(section, FILE_MAP_READ | FILE_MAP_EXECUTE, 0, 0, size);
  // The views keep the section alive.
  CloseHandle(section);
  if (!write_view || !run_view) {
    if (write_view) UnmapViewOfFile(write_view);
    if (run_view) UnmapViewOfFile(run_view);
    return false;
  }
  // The block before is full enough; its code stays where it is.
  g_block = Block{static_cast<uint8_t*>(write_view), static_cast<uint8_t*>(run_view), 0, size};
  return true;
}

}  // namespace

bool reserve_code(size_t size, uint8_t*& write_at, uint8_t*& run_at) {
  std::lock_guard<std::mutex> hold(g_lock);
  // 16-byte alignment, as code entry points like.
  size_t need = (size + 15) & ~size_t(15);
  if (!need) need = 16;
  if (g_block.used + need > g_block.size && !new_block(need)) return false;
  write_at = g_block.write_view + g_block.used;
  run_at = g_block.run_view + g_block.used;
  g_block.used += need;
  return true;
}

void finish_code(uint8_t* run_at, size_t size) { FlushInstructionCache(GetCurrentProcess(), run_at, size); }

void* place_code(const void* bytes, size_t size) {
  uint8_t *write_at, *run_at;
  if (!reserve_code(size, write_at, run_at)) return nullptr;
  std::memcpy(write_at, bytes, size);
  finish_code(run_at, size);
  return run_at;
}

}  // namespace orv::platform
