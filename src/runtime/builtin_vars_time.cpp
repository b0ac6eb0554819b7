// The date and time variables.
#include <cstdio>

#include "base/calendar.h"
#include "platform/platform.h"
#include "runtime/builtin_producers.h"

namespace orv {

namespace {

// The local time is fetched again only when it is more than 50 ms old, so
// that A_YYYY, A_MM ... read in one line describe the same moment.
constexpr uint64_t kTimeCacheMs = 50;
CalendarTime g_time;
uint64_t g_time_tick = 0;
bool g_time_valid = false;
// The variable whose length was just asked: its write must see the same
// moment even if the cache expires in between.
const Variable* g_time_pinned = nullptr;

const CalendarTime& cached_local_time(char16_t* dest, const Variable& var, bool fresh) {
  bool pinned = dest && g_time_pinned == &var;
  g_time_pinned = dest ? nullptr : &var;
  if (pinned) return g_time;
  uint64_t now = platform::tick_count();
  if (fresh || !g_time_valid || now - g_time_tick > kTimeCacheMs) {
    g_time = platform::local_time();
    g_time_tick = now;
    g_time_valid = true;
  }
  return g_time;
}

size_t put_format(char16_t* dest, const char* format, int a, int b = 0) {
  char buf[32];
  int n = snprintf(buf, sizeof buf, format, a, b);
  char16_t wide[32];
  for (int i = 0; i < n; ++i) wide[i] = char16_t(buf[i]);
  return put_text(dest, StringView(wide, size_t(n > 0 ? n : 0)));
}

size_t put_timestamp(char16_t* dest, const CalendarTime& t) {
  char buf[48];
  int n = snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  char16_t wide[48];
  for (int i = 0; i < n; ++i) wide[i] = char16_t(buf[i]);
  return put_text(dest, StringView(wide, size_t(n > 0 ? n : 0)));
}

}  // namespace

size_t produce_date_part(char16_t* dest, const Variable& var) {
  StringView name = builtin_suffix(var);
  auto is = [&](const char16_t* candidate) { return equals_ignore_case(name, candidate); };
  const CalendarTime& t = cached_local_time(dest, var, is(u"MSec"));
  if (is(u"YYYY") || is(u"Year")) return put_format(dest, "%d", t.year);
  if (is(u"MM") || is(u"Mon")) return put_format(dest, "%02d", t.month);
  if (is(u"DD") || is(u"MDay")) return put_format(dest, "%02d", t.day);
  if (is(u"Hour")) return put_format(dest, "%02d", t.hour);
  if (is(u"Min")) return put_format(dest, "%02d", t.minute);
  if (is(u"Sec")) return put_format(dest, "%02d", t.second);
  if (is(u"MSec")) return put_format(dest, "%03d", t.millisecond);
  if (is(u"WDay")) return put_format(dest, "%d", t.weekday + 1);
  if (is(u"YDay")) return put_format(dest, "%d", day_of_year(t.year, t.month, t.day));
  if (is(u"YWeek")) {
    IsoWeek w = iso_week(t.year, t.month, t.day);
    return put_format(dest, "%04d%02d", w.year, w.week);
  }
  return put_text(dest, StringView());
}

size_t produce_date_name(char16_t* dest, const Variable& var) {
  // Date pictures tell days (lower case) from months (upper case), whatever
  // case the script wrote the name in.
  StringView name = builtin_suffix(var);
  bool month = name[0] == u'M' || name[0] == u'm';
  StringView picture = StringView(month ? u"MMMM" : u"dddd").substr(0, name.size());
  const CalendarTime& t = cached_local_time(dest, var, false);
  return put_text(dest, platform::date_name(t, picture));
}

size_t produce_now(char16_t* dest, const Variable& var) {
  if (equals_ignore_case(builtin_suffix(var), u"NowUTC")) return put_timestamp(dest, platform::utc_time());
  return put_timestamp(dest, cached_local_time(dest, var, false));
}

size_t produce_tick_count(char16_t* dest, const Variable&) {
  return put_changing_int(dest, int64_t(platform::tick_count()));
}

size_t produce_idle_time(char16_t* dest, const Variable&) {
  // Until the keyboard and mouse hooks record physical input, the physical
  // idle time is the system's.
  uint64_t ms = 0;
  if (!platform::idle_time_ms(ms)) return put_changing_text(dest, StringView(), 20);
  return put_changing_int(dest, int64_t(ms));
}

}  // namespace orv
