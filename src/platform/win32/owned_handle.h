// Handles the program opens and must close: each kind closes with its own
// call, exactly once, whichever way the code that opened it leaves.
#pragma once

#include <windows.h>

namespace orv::platform {

template <typename Kind>
class OwnedHandle {
 public:
  using Handle = typename Kind::Handle;

  OwnedHandle() = default;
  explicit OwnedHandle(Handle handle) : handle_(handle) {}
  ~OwnedHandle() { reset(); }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  OwnedHandle(OwnedHandle&& other) noexcept : handle_(other.release()) {}
  OwnedHandle& operator=(OwnedHandle&& other) noexcept {
    reset(other.release());
    return *this;
  }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Kind::invalid(); }
  // Where a call that opens a handle writes it; the old one is closed first.
  Handle* receive() {
    reset();
    return &handle_;
  }
  void reset(Handle handle = Kind::invalid()) {
    if (handle_ != Kind::invalid()) Kind::close(handle_);
    handle_ = handle;
  }
  Handle release() {
    Handle h = handle_;
    handle_ = Kind::invalid();
    return h;
  }

 private:
  Handle handle_ = Kind::invalid();
};

struct FileKind {
  using Handle = HANDLE;
  static Handle invalid() { return INVALID_HANDLE_VALUE; }
  static void close(Handle h) { CloseHandle(h); }
};
struct FontKind {
  using Handle = HFONT;
  static Handle invalid() { return nullptr; }
  static void close(Handle h) { DeleteObject(h); }
};
struct AcceleratorsKind {
  using Handle = HACCEL;
  static Handle invalid() { return nullptr; }
  static void close(Handle h) { DestroyAcceleratorTable(h); }
};
struct HookKind {
  using Handle = HHOOK;
  static Handle invalid() { return nullptr; }
  static void close(Handle h) { UnhookWindowsHookEx(h); }
};
struct RegistryKeyKind {
  using Handle = HKEY;
  static Handle invalid() { return nullptr; }
  static void close(Handle h) { RegCloseKey(h); }
};

using OwnedFile = OwnedHandle<FileKind>;
using OwnedFont = OwnedHandle<FontKind>;
using OwnedAccelerators = OwnedHandle<AcceleratorsKind>;
using OwnedHook = OwnedHandle<HookKind>;
using OwnedRegistryKey = OwnedHandle<RegistryKeyKind>;

}  // namespace orv::platform
