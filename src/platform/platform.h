// The thin platform layer. The rest of the program asks the operating
// system for things only through these functions; there are two
// implementations, Win32 (the product) and POSIX (the headless host used
// for fast tests), chosen at link time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/calendar.h"
#include "base/text.h"

namespace orv::platform {

// --- process and standard streams -------------------------------------------
void write_stdout(StringView text);
void write_stderr(StringView text);
void set_stdout_unbuffered();
// Text for a debugger attached to the program (the headless host: stderr).
void output_debug(StringView text);
[[noreturn]] void exit_process(int code);
String executable_path();
String current_directory();
bool set_current_directory(StringView path);
uint64_t tick_count();
void sleep_ms(uint32_t ms);
uint32_t system_time_low32();
// The process entry: turns the process's arguments into the program's
// command line (on Windows, the wide command line; natively, a script path
// then switches and parameters) and runs `program` where it has the stack it
// needs. Returns the exit code.
using ProgramEntry = int (*)(const std::vector<String>& args);
int run_entry(int argc, char** argv, ProgramEntry program);
// Suppress the system's own critical-error dialogs (missing drives and such).
void set_fail_critical_errors();
// The calling thread's stack: the lowest address it may grow down to and
// the address it starts from. False when the system cannot tell.
bool thread_stack_bounds(uintptr_t& low, uintptr_t& high);

// Reports access violations on the main thread with the running script line
// and lets the user end the thread, continue, or end the program. Continuable
// faults are reported only when `warn_continuable` is set.
using CrashLineProvider = void (*)(uint32_t& line, String& file);
void install_access_violation_handler(CrashLineProvider provider, bool warn_continuable);

// Whether a script may read or write memory it names by a number (NumGet,
// NumPut, StrGet and StrPut with an address, the * operator, an object
// taken from its address). On Windows it may: a bad address is an access
// violation, which the handler above reports with the script line. A
// confined headless run refuses every such address, as nothing there could
// tell a fault of the script from a fault of the program.
bool foreign_memory_allowed();

// --- the script source ---------------------------------------------------------
// The script text as stored: the program's own RCDATA resource on Windows,
// the file named on the command line in the headless host.
bool read_script_source(std::vector<uint8_t>& bytes);

// --- environment and clipboard -------------------------------------------------
// False when the process has no environment variable of that name.
bool get_environment_variable(StringView name, String& out);
// The clipboard as text; false when it cannot be opened (it is then empty).
bool clipboard_text(String& out);
// Replaces the clipboard's contents with the text (an empty text empties it);
// false when the clipboard cannot be opened.
bool set_clipboard_text(StringView text);
// The whole clipboard as a snapshot (base/clipboard_snapshot.h); false when
// it cannot be opened.
bool clipboard_snapshot(std::string& out);
// Replaces the clipboard's contents with a snapshot's; false when the
// clipboard cannot be opened or the bytes are no snapshot.
bool restore_clipboard_snapshot(const void* data, size_t size);

// One entry of a directory listing. Times are in 100 ns units since 1601
// (UTC), sizes in bytes.
struct DirEntry {
  String name;
  bool is_directory = false;
  uint32_t attributes = 0;  // the Windows file attribute bits
  uint64_t size = 0;
  int64_t created = 0, modified = 0, accessed = 0;
};
// The entries of `directory` whose names match `pattern` (* and ?, case
// folded), without "." and "..", in the order the system lists them.
bool list_directory(StringView directory, StringView pattern, std::vector<DirEntry>& out);
// A file time as local YYYYMMDDHH24MISS.
String file_time_text(int64_t file_time);
// The current time in file-time units (100 ns since 1601, UTC).
int64_t now_file_time();
inline constexpr char16_t kPathSeparator =
#ifdef _WIN32
    u'\\';
#else
    u'/';
#endif

// One value or subkey of a registry key. `type` is "KEY" for subkeys and
// the value type's name (REG_SZ, REG_DWORD ...) for values.
struct RegEntry {
  String name;
  String type;
  bool is_key = false;
  int64_t modified = 0;  // subkeys: last write time, file-time units
};
// The values and/or subkeys (RegistryListing bits) of ROOT\subkey; false
// when the key cannot be opened or the system has no registry.
enum RegistryListing : uint8_t { ListValues = 1, ListKeys = 2 };
bool list_registry(StringView root, StringView subkey, uint8_t listing, std::vector<RegEntry>& out);


// --- message boxes -------------------------------------------------------------
// Flags and answers carry the Windows values so that scripts can pass them
// through unchanged.
enum : uint32_t {
  MbOk = 0x0, MbOkCancel = 0x1, MbAbortRetryIgnore = 0x2, MbYesNoCancel = 0x3, MbYesNo = 0x4,
  MbRetryCancel = 0x5, MbCancelTryContinue = 0x6,
  MbIconError = 0x10, MbIconQuestion = 0x20, MbIconWarning = 0x30, MbIconInfo = 0x40,
  MbDefButton2 = 0x100, MbDefButton3 = 0x200, MbDefButton4 = 0x300,
  MbSystemModal = 0x1000, MbTaskModal = 0x2000, MbSetForeground = 0x10000, MbTopmost = 0x40000,
};
enum : int { IdOk = 1, IdCancel = 2, IdAbort = 3, IdRetry = 4, IdIgnore = 5, IdYes = 6, IdNo = 7,
             IdTryAgain = 10, IdContinue = 11, IdTimeout = 32000 };
using WindowHandle = uintptr_t;
// Shows a box and waits for it to close. The answer is the button that
// closed it, IdTimeout when `timeout_ms` (0: none) ran out first, or 0 when
// the system refused the box (an unknown button set, say). A box may be
// shown while another of the same thread is open; each keeps its own
// time-out.
int message_box(StringView text, StringView title, uint32_t flags, uint32_t timeout_ms = 0, WindowHandle owner = 0);

// --- the main window and the tray icon ----------------------------------------

struct MainWindowOptions {
  String title;           // directory + "\" + file name of the script
  bool tray_icon = true;  // false with #NoTrayIcon
  String tray_tip;
};
// Creates (hidden) MainWindow with its edit control; reports its own
// failures ("RegClass", "CreateWindow") and returns false.
bool create_main_window(const MainWindowOptions& options);
void destroy_main_window();
WindowHandle main_window();
void remove_tray_icon();
// The tray icon's look (and MainWindow's menu checks) for a paused thread
// and suspended hotkeys.
void show_pause_state(bool paused, bool suspended);
// Brings MainWindow (with ListLines and the other views) into sight.
void show_main_window();
uint32_t process_id();
// Shows text in the main window's edit control (ListLines, ListVars ...).
void set_main_window_text(StringView text);

// A top-level window of the program's class with this exact title: the
// window of another instance of the same script, or 0.
WindowHandle find_instance_window(StringView title);
bool window_exists(WindowHandle window);
bool post_message(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam);
// Hands the message to the window's thread and waits for its answer (0
// when the window is gone); from another OS thread, the answer comes when
// that thread next looks at its queue.
intptr_t send_message(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam);

// Foreground-lock timeout: read, and set to 0 so that scripts can activate
// windows; the old value is restored at exit.
void relax_foreground_lock();
void restore_foreground_lock();


// --- facts about the system, for the built-in variables ------------------------
// Each answers from scratch on every call; callers cache where they need to.
// The headless host has no desktop and no shell: its answers are documented
// in posix/system_info.cpp.

CalendarTime local_time();
CalendarTime utc_time();
// A day or month name of `t` in the user's language: `picture` is "ddd",
// "dddd", "MMM" or "MMMM" (abbreviated or full day, abbreviated or full
// month).
String date_name(const CalendarTime& t, StringView picture);

String windows_directory();
// Without a trailing separator.
String temp_directory();
enum class SpecialFolder : uint8_t {
  AppData, AppDataCommon, Desktop, DesktopCommon, MyDocuments, ProgramFiles,
  Programs, ProgramsCommon, StartMenu, StartMenuCommon, Startup, StartupCommon,
};
// Empty when the system has no such folder.
String special_folder(SpecialFolder which);

String computer_name();
String user_name();
// The language of the user interface as a language identifier (0x0409 ...).
uint16_t user_interface_language();
struct OsVersion {
  uint32_t major = 0, minor = 0, build = 0;
  bool windows = false;  // the numbers are a Windows version
};
OsVersion os_version();
bool is_admin();
// This machine's IPv4 addresses in dotted form, at most `limit` of them.
std::vector<String> ip_addresses(size_t limit);

struct ScreenMetrics {
  int32_t width = 0, height = 0;  // the primary screen, in pixels
  int32_t dpi = 96;               // logical pixels per inch
};
ScreenMetrics primary_screen();
// What a position is given relative to.
enum class CoordOrigin : uint8_t { Screen, Window, Client };
// The caret of the foreground window, relative to `origin` taken from that
// window; false when no caret is showing.
bool caret_position(CoordOrigin origin, int32_t& x, int32_t& y);
// The shape of the mouse cursor by its system name ("Arrow", "IBeam" ...),
// or "Unknown".
String cursor_name();
// Milliseconds since the user's last input; false when the system cannot tell.
bool idle_time_ms(uint64_t& ms);

// A text value (REG_SZ or REG_EXPAND_SZ, unexpanded) of ROOT\subkey; false
// when it is missing or of another type, or the system has no registry.
bool registry_text(StringView root, StringView subkey, StringView value_name, String& out);

// The module the interpreter runs from (the executable, or a library loaded
// into another program), and the process's main module.
String module_path();
uintptr_t module_handle();
uintptr_t main_module_handle();

// --- code pages (StrGet, StrPut) ------------------------------------------------
// Code pages carry the Windows numbers: 65001 UTF-8, 1252 Western European,
// 0 the system's ANSI code page, and so on. UTF-16 (1200) is the program's
// own form and never passes through here.

// Text to bytes in the code page. Outside UTF-8, characters without an exact
// equivalent become the code page's default character, never a look-alike.
// False when the system cannot convert to that code page.
bool text_to_code_page(StringView text, uint32_t code_page, std::string& out);
// Bytes in the code page to text; a byte sequence that is no character of
// the code page becomes a replacement character (U+FFFD where the system
// has no mapping of its own). False when the system cannot convert from
// that code page.
bool code_page_to_text(std::string_view bytes, uint32_t code_page, String& out);
// The same for bytes that must all be valid: false when any of them is no
// character of the code page (or the code page is unknown).
bool code_page_to_text_strict(std::string_view bytes, uint32_t code_page, String& out);
// The code page that 0 stands for: the system's ANSI code page.
uint32_t ansi_code_page();
// The lead-byte ranges of a double-byte code page as pairs of first and
// last byte; returns how many pairs (0 for a single-byte code page).
int code_page_lead_bytes(uint32_t code_page, uint8_t (&ranges)[12]);

}  // namespace orv::platform
