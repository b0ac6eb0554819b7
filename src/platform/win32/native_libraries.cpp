// Finding functions in libraries by name, and holding the libraries that
// addresses kept for later point into.
#include <windows.h>

#include <string>

#include "platform/native_calls.h"

namespace orv::platform {

namespace {

// Longer parts would be cut by the buffers the names pass through; a cut
// name could load or find something else.
constexpr size_t kMaxLibraryChars = 518;
constexpr size_t kMaxFunctionBytes = 260;

// Function names are ASCII in practice; GetProcAddress takes bytes.
std::string ansi_name(const char16_t* name, size_t length) {
  std::string out;
  for (size_t i = 0; i < length; ++i) out.push_back(name[i] < 0x80 ? char(name[i]) : '?');
  return out;
}

void* find_in(HMODULE module, const std::string& name) {
  if (!module) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(module, name.c_str()));
}

}  // namespace

NativeLookup find_native_function(const char16_t* name, size_t length, void*& address, LibraryRef& loaded) {
  address = nullptr;
  loaded = nullptr;
  size_t slash = length;
  for (size_t i = length; i-- > 0;)
    if (name[i] == u'\\') {
      slash = i;
      break;
    }
  const bool has_library = slash < length;
  const size_t function_start = has_library ? slash + 1 : 0;
  if (has_library && slash > kMaxLibraryChars) return NativeLookup::LibraryMissing;
  if (length - function_start > kMaxFunctionBytes) return NativeLookup::FunctionMissing;
  std::string function = ansi_name(name + function_start, length - function_start);
  std::string wide_function = function + "W";
  if (has_library) {
    std::wstring library(reinterpret_cast<const wchar_t*>(name), slash);
    HMODULE module = GetModuleHandleW(library.c_str());
    if (!module) {
      module = LoadLibraryW(library.c_str());
      if (!module) return NativeLookup::LibraryMissing;
      loaded = module;
    }
    address = find_in(module, function);
    if (!address && function.size() < kMaxFunctionBytes) address = find_in(module, wide_function);
    if (address) return NativeLookup::Found;
    if (loaded) FreeLibrary(module);
    loaded = nullptr;
    return NativeLookup::FunctionMissing;
  }
  static const HMODULE standard[] = {GetModuleHandleW(L"user32"), GetModuleHandleW(L"kernel32"),
                                     GetModuleHandleW(L"comctl32"), GetModuleHandleW(L"gdi32")};
  for (const std::string* n : {&function, &wide_function})
    for (HMODULE module : standard)
      if ((address = find_in(module, *n))) return NativeLookup::Found;
  return NativeLookup::FunctionMissing;
}

LibraryRef hold_library_of(void* address) {
  HMODULE module = nullptr;
  // Without the unchanged-count flag this takes a reference of its own.
  if (!address || !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, static_cast<LPCWSTR>(address), &module))
    return nullptr;
  return module;
}

void release_library(LibraryRef library) {
  if (library) FreeLibrary(static_cast<HMODULE>(library));
}

}  // namespace orv::platform
