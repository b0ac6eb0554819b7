// The headless platform used by the native host: the same program without a
// desktop. Message boxes are written to standard error and answered with
// their default button (or their time-out); there is no other instance to
// find and no window.
#include <errno.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>


#include "platform/files.h"
#include "platform/hosted_script.h"
#include "platform/platform.h"
#include "platform/posix/error_codes.h"
#include "platform/posix/headless.h"

#include "base/clipboard_snapshot.h"
#include "platform/posix/host_path.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORV_LEAK_CHECK_AT_EXIT 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define ORV_LEAK_CHECK_AT_EXIT 1
#endif
#ifdef ORV_LEAK_CHECK_AT_EXIT
#include <sanitizer/lsan_interface.h>
#endif

namespace orv::platform {

namespace {
String g_script_path;
bool g_has_source = false;
std::vector<uint8_t> g_source;
bool g_discard_output = false;
bool g_confined = false;
uint64_t g_virtual_ms = 0;
uint64_t g_waiting_limit_ms = 0;
void (*g_exit_hook)(int) = nullptr;

// Where the virtual clock starts: a day after the system's clock would, so
// that nothing mistakes it for the moment the machine started.
constexpr uint64_t kVirtualStartMs = 86400000;
}  // namespace

void set_script_path(StringView path) { g_script_path = String(path); }

void set_script_source(std::vector<uint8_t> bytes) {
  g_source = std::move(bytes);
  g_has_source = true;
}

void discard_output(bool discard) { g_discard_output = discard; }

void confine(uint64_t waiting_limit_ms) {
  g_confined = true;
  g_virtual_ms = kVirtualStartMs;
  g_waiting_limit_ms = waiting_limit_ms;
}

void set_exit_hook(void (*hook)(int code)) { g_exit_hook = hook; }

bool confined() { return g_confined; }

bool path_stays_inside(StringView path) {
  if (path.empty() || path[0] == u'/') return false;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of(u"/\\", start);
    if (end == StringView::npos) end = path.size();
    if (path.substr(start, end - start) == u"..") return false;
    start = end + 1;
  }
  return true;
}

namespace {
bool path_allowed(StringView path) { return !g_confined || path_stays_inside(path); }
}  // namespace

bool waiting_over() { return g_confined && g_virtual_ms - kVirtualStartMs >= g_waiting_limit_ms; }

bool foreign_memory_allowed() { return !g_confined; }

void write_stdout(StringView text) {
  if (g_discard_output) return;
  std::string bytes = utf16_to_utf8(text);
  fwrite(bytes.data(), 1, bytes.size(), stdout);
}

void write_stderr(StringView text) {
  if (g_discard_output) return;
  std::string bytes = utf16_to_utf8(text);
  fwrite(bytes.data(), 1, bytes.size(), stderr);
}

void set_stdout_unbuffered() { setvbuf(stdout, nullptr, _IONBF, 0); }

void output_debug(StringView text) {
  String line = u"[debug] " + String(text);
  if (line.back() != u'\n') line += u'\n';
  write_stderr(line);
}

void exit_process(int code) {
  fflush(stdout);
  fflush(stderr);
  if (g_exit_hook) g_exit_hook(code);
#ifdef ORV_LEAK_CHECK_AT_EXIT
  // _exit skips the sanitizer's own check at exit, and the program always
  // ends here: look for leaks now (a report ends the process with its own
  // exit code).
  __lsan_do_leak_check();
#endif
  _exit(code);
}

String executable_path() { return g_script_path; }

String current_directory() {
  char buf[4096];
  if (!getcwd(buf, sizeof buf)) return String();
  return utf8_to_utf16(buf);
}

bool set_current_directory(StringView path) {
  if (!path_allowed(path)) {
    set_last_error(5);  // ERROR_ACCESS_DENIED
    return false;
  }
  if (chdir(host_path(path).c_str()) != 0) {
    set_last_error(windows_error(errno));
    return false;
  }
  return true;
}

// The coarse clock, like the system tick on Windows: its resolution (a few
// ms) serves timers and waits, and reading it costs next to nothing, which
// matters because the engine reads it before every line.
uint64_t tick_count() {
  if (g_confined) return g_virtual_ms++;
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
  return uint64_t(ts.tv_sec) * 1000 + uint64_t(ts.tv_nsec / 1000000);
}

void sleep_ms(uint32_t ms) {
  if (g_confined) {
    g_virtual_ms += ms;
    return;
  }
  timespec ts{time_t(ms / 1000), long(ms % 1000) * 1000000L};
  nanosleep(&ts, nullptr);
}

uint32_t system_time_low32() {
  if (g_confined) return uint32_t(g_virtual_ms);
  timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return uint32_t(uint64_t(ts.tv_sec) * 10000000u + uint64_t(ts.tv_nsec / 100));
}

void set_fail_critical_errors() {}

bool thread_stack_bounds(uintptr_t& low, uintptr_t& high) {
  pthread_attr_t attr;
  if (pthread_getattr_np(pthread_self(), &attr) != 0) return false;
  void* base = nullptr;
  size_t size = 0;
  bool ok = pthread_attr_getstack(&attr, &base, &size) == 0 && base && size;
  pthread_attr_destroy(&attr);
  if (!ok) return false;
  low = reinterpret_cast<uintptr_t>(base);
  high = low + size;
  return true;
}

// Faults in the native host are left to the sanitizers and the debugger.
void install_access_violation_handler(CrashLineProvider, bool) {}

bool read_script_source(std::vector<uint8_t>& bytes) {
  if (g_has_source) {
    bytes = g_source;
    return true;
  }
  // Read in blocks: a character-wise stream copy was a tenth of loading.
  FILE* f = fopen(utf16_to_utf8(g_script_path).c_str(), "rb");
  if (!f) return false;
  bytes.clear();
  uint8_t block[1 << 14];
  size_t n;
  while ((n = fread(block, 1, sizeof block, f)) > 0) bytes.insert(bytes.end(), block, block + n);
  bool ok = !ferror(f);
  fclose(f);
  return ok;
}

bool get_environment_variable(StringView name, String& out) {
  const char* value = getenv(utf16_to_utf8(name).c_str());
  if (!value) return false;
  out = utf8_to_utf16(value);
  return true;
}

// Without a desktop the clipboard is private to the process.
namespace {
String g_clipboard;
}

bool clipboard_text(String& out) {
  out = g_clipboard;
  return true;
}

bool set_clipboard_text(StringView text) {
  g_clipboard = String(text);
  return true;
}

// The headless clipboard holds text only: its snapshot is one Unicode record.
bool clipboard_snapshot(std::string& out) {
  out.clear();
  if (!g_clipboard.empty()) {
    String text = g_clipboard + u'\0';
    append_clipboard_record(out, 13, text.data(), text.size() * sizeof(char16_t));
  }
  finish_clipboard_snapshot(out);
  return true;
}

bool restore_clipboard_snapshot(const void* data, size_t size) {
  std::vector<ClipboardRecord> records;
  if (!read_clipboard_snapshot(data, size, records)) return false;
  g_clipboard.clear();
  for (const ClipboardRecord& r : records) {
    if (r.format != 13) continue;
    const auto* text = reinterpret_cast<const char16_t*>(r.data);
    size_t n = r.size / sizeof(char16_t);
    while (n && text[n - 1] == 0) --n;
    g_clipboard.assign(text, n);
  }
  return true;
}

// There is no registry without Windows.
bool list_registry(StringView, StringView, uint8_t, std::vector<RegEntry>&) { return false; }

int64_t now_file_time() {
  timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return (int64_t(ts.tv_sec) + 11644473600ll) * 10000000ll + ts.tv_nsec / 100;
}

String file_time_text(int64_t file_time) {
  time_t t = time_t(file_time / 10000000ll - 11644473600ll);
  struct tm tm;
  localtime_r(&t, &tm);
  char buf[32];
  snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
           tm.tm_min, tm.tm_sec);
  return utf8_to_utf16(buf);
}

int message_box(StringView text, StringView title, uint32_t flags, uint32_t timeout_ms, WindowHandle) {
  // Refused as Windows refuses it: a button set the system does not know.
  uint32_t set = flags & 0xF;
  if (set > MbCancelTryContinue) return 0;
  write_stderr(u"[" + String(title) + u"] " + String(text) + u"\n");
  // Nobody is there to answer, so a box with a time-out ends by its time-out,
  // as an unattended box on a desktop would; it does so at once rather than
  // after the time, since nothing could happen in between. A script then
  // takes the same path here as in an unattended run of the real program.
  if (timeout_ms > 0) return IdTimeout;
  static const int kButtons[][3] = {
      {IdOk, 0, 0}, {IdOk, IdCancel, 0}, {IdAbort, IdRetry, IdIgnore}, {IdYes, IdNo, IdCancel},
      {IdYes, IdNo, 0}, {IdRetry, IdCancel, 0}, {IdCancel, IdTryAgain, IdContinue},
  };
  uint32_t def = (flags >> 8) & 0xF;
  if (def > 2 || kButtons[set][def] == 0) def = 0;
  return kButtons[set][def];
}

bool create_main_window(const MainWindowOptions&) { return true; }
void destroy_main_window() {}
WindowHandle main_window() { return 0; }
void remove_tray_icon() {}
// Without a window, the views (ListLines, ListVars ...) go where message
// boxes go.
void set_main_window_text(StringView text) {
  write_stderr(u"[MainWindow]\n");
  write_stderr(text);
  write_stderr(u"\n");
}
WindowHandle find_instance_window(StringView) { return 0; }
bool window_exists(WindowHandle) { return false; }
bool post_message(WindowHandle, uint32_t, uintptr_t, intptr_t) { return false; }
intptr_t send_message(WindowHandle, uint32_t, uintptr_t, intptr_t) { return 0; }
bool start_hosted_script(std::vector<uint8_t>, int (*)()) { return false; }
int end_hosted_script(uint32_t) { return -1; }
void relax_foreground_lock() {}
void restore_foreground_lock() {}
void show_pause_state(bool, bool) {}
void show_main_window() {}
uint32_t process_id() { return uint32_t(getpid()); }

}  // namespace orv::platform
