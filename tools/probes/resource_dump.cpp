// Lists every resource the Windows loader sees in this program and prints the
// script resource the packer stores, to check packed images end to end:
//   orvpack script.orv -o out.exe --base resource_dump.exe && wine out.exe
// Build (from the repo root):
//   x86_64-w64-mingw32-windres tools/probes/resource_dump.rc -o /tmp/rd.o
//   x86_64-w64-mingw32-g++-posix -static -O2 tools/probes/resource_dump.cpp /tmp/rd.o -o resource_dump.exe
#include <windows.h>

#include <cstdio>

namespace {

void print_key(const wchar_t* key) {
  if (IS_INTRESOURCE(key))
    std::printf("#%u", static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(key)));
  else
    std::printf("%ls", key);
}

BOOL CALLBACK on_language(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR) {
  HRSRC res = FindResourceExW(module, type, name, language);
  print_key(type);
  std::printf(" ");
  print_key(name);
  std::printf(" lang=%04x size=%lu\n", language, res ? SizeofResource(module, res) : 0UL);
  return TRUE;
}

BOOL CALLBACK on_name(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR) {
  EnumResourceLanguagesW(module, type, name, on_language, 0);
  return TRUE;
}

BOOL CALLBACK on_type(HMODULE module, LPWSTR type, LONG_PTR) {
  EnumResourceNamesW(module, type, on_name, 0);
  return TRUE;
}

}  // namespace

int main() {
  EnumResourceTypesW(nullptr, on_type, 0);
  HRSRC res = FindResourceW(nullptr, L"E4847ED08866458F8DD35F94B37001C0", MAKEINTRESOURCEW(10));
  if (res == nullptr) {
    std::printf("script resource: not found\n");
    return 2;
  }
  HGLOBAL handle = LoadResource(nullptr, res);
  const void* data = handle ? LockResource(handle) : nullptr;
  DWORD size = SizeofResource(nullptr, res);
  if (data == nullptr) {
    std::printf("script resource: cannot load\n");
    return 3;
  }
  std::printf("script resource: %lu bytes\n", static_cast<unsigned long>(size));
  std::fwrite(data, 1, size, stdout);
  std::printf("\n");
  return 0;
}
