// The variables that describe the program, the script and the system.
#include <cstdio>

#include "runtime/thread_settings.h"
#include "runtime/script_program.h"
#include "platform/platform.h"
#include "runtime/builtin_producers.h"
#include "runtime/process_state.h"

namespace orv {

namespace {

// The folder part of a path: up to its last separator, which is left out.
StringView folder_of(StringView path) {
  size_t slash = path.find_last_of(u"\\/");
  return slash == StringView::npos ? StringView() : path.substr(0, slash);
}

size_t put_hex(char16_t* dest, uintptr_t value) {
  char buf[24];
  int n = snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(value));
  char16_t wide[24];
  for (int i = 0; i < n; ++i) wide[i] = char16_t(buf[i]);
  return put_text(dest, StringView(wide, size_t(n)));
}

}  // namespace

String os_version_text(uint32_t major, uint32_t minor, uint32_t build, bool windows) {
  struct Named {
    uint32_t major, minor;
    const char16_t* name;
  };
  static const Named kNamed[] = {{6, 1, u"WIN_7"}, {6, 2, u"WIN_8"},    {6, 3, u"WIN_8.1"}, {6, 0, u"WIN_VISTA"},
                                 {5, 2, u"WIN_2003"}, {5, 1, u"WIN_XP"}, {5, 0, u"WIN_2000"}};
  if (windows)
    for (const Named& n : kNamed)
      if (n.major == major && n.minor == minor) return n.name;
  char buf[48];
  snprintf(buf, sizeof buf, "%u.%u.%u", major, minor, build);
  return ascii(buf);
}

size_t produce_install_dir(char16_t* dest, const Variable& var) {
  String dir;
  if (!platform::registry_text(u"HKEY_LOCAL_MACHINE", u"SOFTWARE\\Orvanta", u"InstallDir", dir) || dir.empty())
    return put_text(dest, StringView());
  if (equals_ignore_case(builtin_suffix(var), u"OrvDir")) return put_text(dest, dir);
  if (dir.back() != u'\\') dir += u'\\';
  return put_text(dest, dir + u"Orvanta.exe");
}

size_t produce_module(char16_t* dest, const Variable& var) {
  StringView name = builtin_suffix(var);
  if (equals_ignore_case(name, u"IsDll"))
    return put_int(dest, platform::module_handle() != platform::main_module_handle() ? 1 : 0);
  String path = platform::module_path();
  if (equals_ignore_case(name, u"DllDir")) return put_text(dest, folder_of(path));
  return put_text(dest, path);
}

size_t produce_address(char16_t* dest, const Variable& var) {
  StringView name = builtin_suffix(var);
  uintptr_t address = 0;
  if (equals_ignore_case(name, u"GlobalStruct")) address = reinterpret_cast<uintptr_t>(g_thread);
  else if (equals_ignore_case(name, u"ScriptStruct")) address = reinterpret_cast<uintptr_t>(g_script);
  else if (equals_ignore_case(name, u"ModuleHandle")) address = platform::module_handle();
  // A_MemoryModule: the interpreter is never loaded from memory by itself.
  return put_int(dest, int64_t(address));
}

size_t produce_script_file(char16_t* dest, const Variable& var) {
  StringView name = builtin_suffix(var);
  if (equals_ignore_case(name, u"ScriptName")) return put_text(dest, g_process.script_name);
  if (equals_ignore_case(name, u"ScriptDir")) return put_text(dest, g_process.script_dir);
  if (equals_ignore_case(name, u"ScriptFullPath")) return put_text(dest, g_process.script_full_path);
  // A_ScriptHwnd: empty while there is no main window (the headless host).
  platform::WindowHandle window = platform::main_window();
  return window ? put_hex(dest, window) : put_text(dest, StringView());
}

size_t produce_directory(char16_t* dest, const Variable& var) {
  StringView name = builtin_suffix(var);
  if (equals_ignore_case(name, u"WorkingDir")) return put_text(dest, platform::current_directory());
  if (equals_ignore_case(name, u"WinDir")) return put_text(dest, platform::windows_directory());
  if (equals_ignore_case(name, u"Temp")) return put_text(dest, platform::temp_directory());
  String comspec;
  platform::get_environment_variable(u"ComSpec", comspec);
  return put_text(dest, comspec);
}

size_t produce_special_folder(char16_t* dest, const Variable& var) {
  using platform::SpecialFolder;
  struct Folder {
    const char16_t* name;
    SpecialFolder folder;
  };
  static const Folder kFolders[] = {
      {u"ProgramFiles", SpecialFolder::ProgramFiles},   {u"AppData", SpecialFolder::AppData},
      {u"AppDataCommon", SpecialFolder::AppDataCommon}, {u"Desktop", SpecialFolder::Desktop},
      {u"DesktopCommon", SpecialFolder::DesktopCommon}, {u"StartMenu", SpecialFolder::StartMenu},
      {u"StartMenuCommon", SpecialFolder::StartMenuCommon}, {u"Programs", SpecialFolder::Programs},
      {u"ProgramsCommon", SpecialFolder::ProgramsCommon}, {u"Startup", SpecialFolder::Startup},
      {u"StartupCommon", SpecialFolder::StartupCommon}, {u"MyDocuments", SpecialFolder::MyDocuments},
  };
  StringView name = builtin_suffix(var);
  for (const Folder& f : kFolders)
    if (equals_ignore_case(name, f.name)) return put_text(dest, platform::special_folder(f.folder));
  return put_text(dest, StringView());
}

size_t produce_system_fact(char16_t* dest, const Variable& var) {
  StringView name = builtin_suffix(var);
  if (equals_ignore_case(name, u"ComputerName")) return put_text(dest, platform::computer_name());
  if (equals_ignore_case(name, u"UserName")) return put_text(dest, platform::user_name());
  if (equals_ignore_case(name, u"IsAdmin")) return put_int(dest, platform::is_admin() ? 1 : 0);
  if (equals_ignore_case(name, u"Language")) {
    char buf[8];
    snprintf(buf, sizeof buf, "%04X", unsigned(platform::user_interface_language()));
    return put_text(dest, ascii(buf));
  }
  if (equals_ignore_case(name, u"OSVersion")) {
    platform::OsVersion v = platform::os_version();
    return put_text(dest, os_version_text(v.major, v.minor, v.build, v.windows));
  }
  // A_IPAddress1 to 4: an address the machine does not have reads as 0.0.0.0.
  size_t index = size_t(name.back() - u'1');
  std::vector<String> addresses = platform::ip_addresses(index + 1);
  return put_text(dest, index < addresses.size() ? StringView(addresses[index]) : StringView(u"0.0.0.0"));
}

size_t produce_screen(char16_t* dest, const Variable& var) {
  platform::ScreenMetrics m = platform::primary_screen();
  StringView name = builtin_suffix(var);
  if (equals_ignore_case(name, u"ScreenWidth")) return put_int(dest, m.width);
  if (equals_ignore_case(name, u"ScreenHeight")) return put_int(dest, m.height);
  return put_int(dest, m.dpi);
}

size_t produce_caret(char16_t* dest, const Variable& var) {
  StringView name = builtin_suffix(var);
  if (equals_ignore_case(name, u"Cursor")) {
    // The longest cursor name, "AppStarting", with room to spare.
    constexpr size_t kLongestCursorName = 16;
    return put_changing_text(dest, platform::cursor_name(), kLongestCursorName);
  }
  platform::CoordOrigin origin = platform::CoordOrigin::Window;
  switch (g_thread->coord_mode(CoordTarget::Caret)) {
    case CoordMode::Screen: origin = platform::CoordOrigin::Screen; break;
    case CoordMode::Client: origin = platform::CoordOrigin::Client; break;
    default: break;
  }
  int32_t x = 0, y = 0;
  // The caret may appear or go between the length query and the write.
  if (!platform::caret_position(origin, x, y)) return put_changing_text(dest, StringView(), 20);
  return put_changing_int(dest, equals_ignore_case(name, u"CaretX") ? x : y);
}

}  // namespace orv
