// Facts about the system as the headless host reports them. It has no
// desktop, no shell folders and no registry, so:
// - the Windows folder, the start-menu folders, the common folders other
//   than the configuration one, the caret and the registry do not exist
//   (empty, or false);
// - per-user folders map to their usual places: application data to
//   $XDG_CONFIG_HOME (or ~/.config), documents to the home folder, the
//   desktop to ~/Desktop; the temporary folder is $TMPDIR or /tmp;
// - the screen measures 0 x 0 pixels at the nominal 96 dots per inch, so
//   that scripts scaling by A_ScreenDPI / 96 keep their sizes;
// - the cursor is "Unknown" and the idle time cannot be told;
// - the user-interface language is US English, the language of the host's
//   messages and of its day and month names;
// - the version is the kernel's, marked as not a Windows version;
// - there are no module handles, and the module is the host executable.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/utsname.h>
#include <time.h>
#include <unistd.h>

#include "platform/platform.h"

namespace orv::platform {

namespace {

CalendarTime from_tm(const struct tm& tm, long nanoseconds) {
  CalendarTime t;
  t.year = tm.tm_year + 1900;
  t.month = tm.tm_mon + 1;
  t.day = tm.tm_mday;
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  t.second = tm.tm_sec;
  t.millisecond = int(nanoseconds / 1000000);
  t.weekday = tm.tm_wday;
  return t;
}

String environment(const char* name) {
  const char* value = getenv(name);
  return value ? utf8_to_utf16(value) : String();
}

String home_directory() {
  String home = environment("HOME");
  if (home.empty())
    if (const passwd* pw = getpwuid(geteuid())) home = utf8_to_utf16(pw->pw_dir);
  return home;
}

}  // namespace

namespace {

CalendarTime now_in(bool utc) {
  timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  struct tm tm;
  if (utc) gmtime_r(&ts.tv_sec, &tm);
  else localtime_r(&ts.tv_sec, &tm);
  return from_tm(tm, ts.tv_nsec);
}

}  // namespace

CalendarTime local_time() { return now_in(false); }
CalendarTime utc_time() { return now_in(true); }

String date_name(const CalendarTime& t, StringView picture) {
  static const char16_t* const kDays[] = {u"Sunday", u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday", u"Saturday"};
  static const char16_t* const kMonths[] = {u"January", u"February", u"March",     u"April",   u"May",      u"June",
                                            u"July",    u"August",   u"September", u"October", u"November", u"December"};
  bool month = !picture.empty() && picture[0] == u'M';
  int index = month ? t.month - 1 : t.weekday;
  if (index < 0 || index >= (month ? 12 : 7)) return String();
  String name = month ? kMonths[index] : kDays[index];
  if (picture.size() == 3) name.resize(3);
  return name;
}

String windows_directory() { return String(); }

String temp_directory() {
  String dir = environment("TMPDIR");
  while (dir.size() > 1 && dir.back() == u'/') dir.pop_back();
  return dir.empty() ? String(u"/tmp") : dir;
}

String special_folder(SpecialFolder which) {
  switch (which) {
    case SpecialFolder::AppData: {
      String config = environment("XDG_CONFIG_HOME");
      return config.empty() ? home_directory() + u"/.config" : config;
    }
    case SpecialFolder::MyDocuments: return home_directory();
    case SpecialFolder::Desktop: return home_directory() + u"/Desktop";
    default: return String();
  }
}

String computer_name() {
  char buf[256];
  if (gethostname(buf, sizeof buf) != 0) return String();
  buf[sizeof buf - 1] = 0;
  return utf8_to_utf16(buf);
}

String user_name() {
  for (const char* name : {"USER", "LOGNAME"}) {
    String user = environment(name);
    if (!user.empty()) return user;
  }
  const passwd* pw = getpwuid(geteuid());
  return pw ? utf8_to_utf16(pw->pw_name) : String();
}

uint16_t user_interface_language() { return 0x0409; }

OsVersion os_version() {
  OsVersion v;
  utsname u;
  if (uname(&u) != 0) return v;
  unsigned numbers[3] = {0, 0, 0};
  const char* p = u.release;
  for (unsigned& n : numbers) {
    while (*p >= '0' && *p <= '9') n = n * 10 + unsigned(*p++ - '0');
    if (*p != '.') break;
    ++p;
  }
  v.major = numbers[0];
  v.minor = numbers[1];
  v.build = numbers[2];
  return v;
}

bool is_admin() { return geteuid() == 0; }

std::vector<String> ip_addresses(size_t limit) {
  std::vector<String> out;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return out;
  for (ifaddrs* a = list; a && out.size() < limit; a = a->ifa_next) {
    if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET || (a->ifa_flags & IFF_LOOPBACK)) continue;
    char text[INET_ADDRSTRLEN];
    if (inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(a->ifa_addr)->sin_addr, text, sizeof text))
      out.push_back(utf8_to_utf16(text));
  }
  freeifaddrs(list);
  return out;
}

ScreenMetrics primary_screen() { return ScreenMetrics{}; }
bool caret_position(CoordOrigin, int32_t&, int32_t&) { return false; }
String cursor_name() { return u"Unknown"; }
bool idle_time_ms(uint64_t&) { return false; }

bool registry_text(StringView, StringView, StringView, String&) { return false; }

String module_path() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return String();
  return utf8_to_utf16(std::string_view(buf, size_t(n)));
}

uintptr_t module_handle() { return 0; }
uintptr_t main_module_handle() { return 0; }

}  // namespace orv::platform
