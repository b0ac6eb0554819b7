#include <windows.h>

#include <string>

#include "platform/libraries.h"

namespace orv::platform {

namespace {

// Function names are ASCII in practice; GetProcAddress takes bytes.
std::string ansi_name(StringView name) {
  std::string out;
  for (char16_t c : name) out.push_back(c < 0x80 ? char(c) : '?');
  return out;
}

void* find_in(HMODULE module, const std::string& name) {
  if (!module) return nullptr;
  if (FARPROC p = GetProcAddress(module, name.c_str())) return reinterpret_cast<void*>(p);
  return nullptr;
}

}  // namespace

LibraryLookup find_library_function(StringView name, void*& address) {
  address = nullptr;
  size_t slash = name.rfind(u'\\');
  std::string function = ansi_name(slash == StringView::npos ? name : name.substr(slash + 1));
  if (function.size() > 260) return LibraryLookup::FunctionMissing;
  std::string wide_function = function + "W";
  if (slash != StringView::npos) {
    String library(name.substr(0, slash));
    const wchar_t* path = reinterpret_cast<const wchar_t*>(library.c_str());
    HMODULE module = GetModuleHandleW(path);
    if (!module) module = LoadLibraryW(path);
    if (!module) return LibraryLookup::LibraryMissing;
    address = find_in(module, function);
    if (!address) address = find_in(module, wide_function);
    return address ? LibraryLookup::Found : LibraryLookup::FunctionMissing;
  }
  static const HMODULE standard[] = {GetModuleHandleW(L"user32"), GetModuleHandleW(L"kernel32"),
                                     GetModuleHandleW(L"comctl32"), GetModuleHandleW(L"gdi32")};
  for (const std::string* n : {&function, &wide_function})
    for (HMODULE module : standard)
      if ((address = find_in(module, *n))) return LibraryLookup::Found;
  return LibraryLookup::FunctionMissing;
}

void* commit_executable(const uint8_t* bytes, size_t size) {
  void* memory = VirtualAlloc(nullptr, size ? size : 1, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE);
  if (!memory) return nullptr;
  CopyMemory(memory, bytes, size);
  FlushInstructionCache(GetCurrentProcess(), memory, size);
  return memory;
}

}  // namespace orv::platform
