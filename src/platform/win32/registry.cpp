// Registry enumeration for registry loops, and reading single text values.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/owned_handle.h"

namespace orv::platform {

namespace {

HKEY root_key(StringView root) {
  struct Root {
    const char16_t* long_name;
    const char16_t* short_name;
    HKEY key;
  };
  static const Root kRoots[] = {
      {u"HKEY_LOCAL_MACHINE", u"HKLM", HKEY_LOCAL_MACHINE}, {u"HKEY_USERS", u"HKU", HKEY_USERS},
      {u"HKEY_CURRENT_USER", u"HKCU", HKEY_CURRENT_USER},   {u"HKEY_CLASSES_ROOT", u"HKCR", HKEY_CLASSES_ROOT},
      {u"HKEY_CURRENT_CONFIG", u"HKCC", HKEY_CURRENT_CONFIG},
  };
  for (const Root& r : kRoots)
    if (equals_ignore_case(root, r.long_name) || equals_ignore_case(root, r.short_name)) return r.key;
  return nullptr;
}

const char16_t* type_name(DWORD type) {
  switch (type) {
    case REG_SZ: return u"REG_SZ";
    case REG_EXPAND_SZ: return u"REG_EXPAND_SZ";
    case REG_BINARY: return u"REG_BINARY";
    case REG_DWORD: return u"REG_DWORD";
    case REG_MULTI_SZ: return u"REG_MULTI_SZ";
    case REG_QWORD: return u"REG_QWORD";
    case REG_NONE: return u"REG_NONE";
    case REG_LINK: return u"REG_LINK";
    default: return u"REG_SUBKEY";
  }
}

}  // namespace

bool list_registry(StringView root, StringView subkey, uint8_t listing, std::vector<RegEntry>& out) {
  HKEY base = root_key(root);
  if (!base) return false;
  std::wstring path(subkey.begin(), subkey.end());
  OwnedRegistryKey owned;
  if (RegOpenKeyExW(base, path.c_str(), 0, KEY_READ, owned.receive()) != ERROR_SUCCESS) return false;
  HKEY key = owned.get();
  wchar_t name[16384];
  if (listing & ListValues) {
    for (DWORD i = 0;; ++i) {
      DWORD len = 16384, type = 0;
      LONG r = RegEnumValueW(key, i, name, &len, nullptr, &type, nullptr, nullptr);
      if (r == ERROR_NO_MORE_ITEMS) break;
      if (r != ERROR_SUCCESS) continue;
      RegEntry e;
      e.name.assign(reinterpret_cast<const char16_t*>(name), len);
      e.type = type_name(type);
      out.push_back(std::move(e));
    }
  }
  if (listing & ListKeys) {
    for (DWORD i = 0;; ++i) {
      DWORD len = 256;
      FILETIME ft;
      LONG r = RegEnumKeyExW(key, i, name, &len, nullptr, nullptr, nullptr, &ft);
      if (r == ERROR_NO_MORE_ITEMS) break;
      if (r != ERROR_SUCCESS) continue;
      RegEntry e;
      e.name.assign(reinterpret_cast<const char16_t*>(name), len);
      e.type = u"KEY";
      e.is_key = true;
      e.modified = int64_t((uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
      out.push_back(std::move(e));
    }
  }
  return true;
}

bool registry_text(StringView root, StringView subkey, StringView value_name, String& out) {
  HKEY base = root_key(root);
  if (!base) return false;
  std::wstring path(subkey.begin(), subkey.end()), name(value_name.begin(), value_name.end());
  OwnedRegistryKey owned;
  if (RegOpenKeyExW(base, path.c_str(), 0, KEY_QUERY_VALUE, owned.receive()) != ERROR_SUCCESS) return false;
  HKEY key = owned.get();
  DWORD type = 0, bytes = 0;
  bool ok = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ);
  std::wstring buf;
  if (ok) {
    // Room for a terminator the stored value may lack.
    buf.assign(bytes / sizeof(wchar_t) + 1, L'\0');
    ok = RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &bytes) == ERROR_SUCCESS;
  }
  owned.reset();
  if (!ok) return false;
  size_t n = bytes / sizeof(wchar_t);
  while (n && buf[n - 1] == L'\0') --n;
  out.assign(reinterpret_cast<const char16_t*>(buf.data()), n);
  return true;
}

}  // namespace orv::platform
