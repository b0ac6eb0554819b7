// The clock broken into calendar parts, and day and month names in the
// user's language.
#include <windows.h>

#include "platform/platform.h"

namespace orv::platform {

namespace {

CalendarTime from_system_time(const SYSTEMTIME& st) {
  CalendarTime t;
  t.year = st.wYear;
  t.month = st.wMonth;
  t.day = st.wDay;
  t.hour = st.wHour;
  t.minute = st.wMinute;
  t.second = st.wSecond;
  t.millisecond = st.wMilliseconds;
  t.weekday = st.wDayOfWeek;
  return t;
}

}  // namespace

CalendarTime local_time() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return from_system_time(st);
}

CalendarTime utc_time() {
  SYSTEMTIME st;
  GetSystemTime(&st);
  return from_system_time(st);
}

String date_name(const CalendarTime& t, StringView picture) {
  SYSTEMTIME st{};
  st.wYear = WORD(t.year);
  st.wMonth = WORD(t.month);
  st.wDay = WORD(t.day);
  st.wDayOfWeek = WORD(t.weekday);
  std::wstring format(picture.begin(), picture.end());
  wchar_t buf[80];
  int n = GetDateFormatW(LOCALE_USER_DEFAULT, 0, &st, format.c_str(), buf, 80);
  if (n <= 1) return String();
  return String(reinterpret_cast<const char16_t*>(buf), size_t(n - 1));
}

}  // namespace orv::platform
