// What the shell does with files: the recycle bin, version resources and
// shell links (through COM's IShellLink).
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/win32/wide_text.h"

namespace orv::platform {

namespace {

// COM for the calls of one routine; a thread that has it already keeps it.
class ComScope {
 public:
  ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT hr_;
};

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() {
    if (p_) p_->Release();
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  T* operator->() const { return p_; }
  void** out() { return reinterpret_cast<void**>(&p_); }

 private:
  T* p_ = nullptr;
};

// False, with the last error a script can read: the Windows error inside
// the result when it carries one.
bool failed(HRESULT hr) {
  if (SUCCEEDED(hr)) return false;
  SetLastError(HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr) : DWORD(hr));
  return true;
}

std::wstring full_path_of(StringView path) {
  std::wstring buf;
  const wchar_t* p = wide(path, buf);
  DWORD n = GetFullPathNameW(p, 0, nullptr, nullptr);
  if (n == 0) return std::wstring();
  std::wstring full(n, L'\0');
  n = GetFullPathNameW(p, n, full.data(), nullptr);
  full.resize(n);
  return full;
}

String from_wide(const wchar_t* text) { return String(reinterpret_cast<const char16_t*>(text)); }

}  // namespace

bool recycle(StringView path) {
  std::wstring from = full_path_of(path);
  if (from.empty()) return false;
  from.push_back(L'\0');  // the list of names ends with an empty one
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
  int result = SHFileOperationW(&op);
  if (result != 0 || op.fAnyOperationsAborted) {
    SetLastError(result ? DWORD(result) : ERROR_CANCELLED);
    return false;
  }
  return true;
}

bool empty_recycle_bin(StringView drive) {
  std::wstring buf;
  HRESULT hr = SHEmptyRecycleBinW(nullptr, drive.empty() ? nullptr : wide(drive, buf),
                                  SHERB_NOCONFIRMATION | SHERB_NOPROGRESSUI | SHERB_NOSOUND);
  // The shell answers so when there was nothing to empty.
  if (hr == E_UNEXPECTED) return true;
  return !failed(hr);
}

bool file_version(StringView path, String& out) {
  std::wstring buf;
  const wchar_t* p = wide(path, buf);
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(p, &ignored);
  if (size == 0) return false;
  std::vector<BYTE> data(size);
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!GetFileVersionInfoW(p, 0, size, data.data()) ||
      !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info ||
      length < sizeof *info) {
    if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return false;
  }
  wchar_t text[64];
  wsprintfW(text, L"%u.%u.%u.%u", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
            HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
  out = from_wide(text);
  return true;
}

bool create_shortcut(StringView link, const Shortcut& s) {
  ComScope com;
  ComPtr<IShellLinkW> shell_link;
  ComPtr<IPersistFile> file;
  std::wstring target, dir, args, description, icon;
  if (failed(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, shell_link.out())))
    return false;
  shell_link->SetPath(wide(s.target, target));
  if (!s.working_dir.empty()) shell_link->SetWorkingDirectory(wide(s.working_dir, dir));
  if (!s.arguments.empty()) shell_link->SetArguments(wide(s.arguments, args));
  if (!s.description.empty()) shell_link->SetDescription(wide(s.description, description));
  if (!s.icon_file.empty()) shell_link->SetIconLocation(wide(s.icon_file, icon), s.icon_number > 0 ? s.icon_number - 1 : 0);
  if (s.hotkey) shell_link->SetHotkey(s.hotkey);
  shell_link->SetShowCmd(s.show_state == 3 ? SW_SHOWMAXIMIZED : s.show_state == 7 ? SW_SHOWMINNOACTIVE : SW_SHOWNORMAL);
  std::wstring name = full_path_of(link);
  if (name.empty()) return false;
  if (failed(shell_link->QueryInterface(IID_IPersistFile, file.out()))) return false;
  return !failed(file->Save(name.c_str(), TRUE));
}

bool read_shortcut(StringView link, Shortcut& out) {
  ComScope com;
  ComPtr<IShellLinkW> shell_link;
  ComPtr<IPersistFile> file;
  std::wstring name = full_path_of(link);
  if (name.empty()) return false;
  // Load would take a missing file for an empty link.
  if (GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  if (failed(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, shell_link.out())) ||
      failed(shell_link->QueryInterface(IID_IPersistFile, file.out())) || failed(file->Load(name.c_str(), STGM_READ)))
    return false;
  wchar_t text[INFOTIPSIZE + 1];
  auto take = [&](String& field, HRESULT hr) { field = SUCCEEDED(hr) ? from_wide(text) : String(); };
  text[0] = 0;
  take(out.target, shell_link->GetPath(text, MAX_PATH, nullptr, 0));
  text[0] = 0;
  take(out.working_dir, shell_link->GetWorkingDirectory(text, MAX_PATH));
  text[0] = 0;
  take(out.arguments, shell_link->GetArguments(text, INFOTIPSIZE));
  text[0] = 0;
  take(out.description, shell_link->GetDescription(text, INFOTIPSIZE));
  text[0] = 0;
  int icon_index = 0;
  take(out.icon_file, shell_link->GetIconLocation(text, MAX_PATH, &icon_index));
  out.icon_number = out.icon_file.empty() ? 0 : icon_index + 1;
  WORD hotkey = 0;
  out.hotkey = SUCCEEDED(shell_link->GetHotkey(&hotkey)) ? hotkey : 0;
  int show = SW_SHOWNORMAL;
  shell_link->GetShowCmd(&show);
  out.show_state = show == SW_SHOWMAXIMIZED ? 3 : (show == SW_SHOWMINNOACTIVE || show == SW_SHOWMINIMIZED) ? 7 : 1;
  SetLastError(ERROR_SUCCESS);
  return true;
}

}  // namespace orv::platform
