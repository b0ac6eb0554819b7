#include "base/calendar.h"

namespace orv {

namespace {

// Days before the first of each month in a common year.
constexpr int kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

// The weekday of 31 December of `year`, 0 Sunday to 6 Saturday.
int last_weekday_of(int year) { return (year + year / 4 - year / 100 + year / 400) % 7; }

int weeks_in(int year) {
  // A year has 53 weeks when it begins or ends on a Thursday.
  return last_weekday_of(year) == 4 || last_weekday_of(year - 1) == 3 ? 53 : 52;
}

}  // namespace

bool is_leap_year(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int day_of_year(int year, int month, int day) {
  if (month < 1) month = 1;
  if (month > 12) month = 12;
  return kDaysBeforeMonth[month - 1] + day + (month > 2 && is_leap_year(year) ? 1 : 0);
}

int day_of_week(int year, int month, int day) {
  // Counted from 31 December of the year before, whose weekday is known.
  return (last_weekday_of(year - 1) + day_of_year(year, month, day)) % 7;
}

IsoWeek iso_week(int year, int month, int day) {
  int monday_based = (day_of_week(year, month, day) + 6) % 7 + 1;  // Monday 1 to Sunday 7
  int week = (day_of_year(year, month, day) - monday_based + 10) / 7;
  if (week < 1) return {year - 1, weeks_in(year - 1)};
  if (week > weeks_in(year)) return {year + 1, 1};
  return {year, week};
}

int days_in_month(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return kDays[month - 1] + (month == 2 && is_leap_year(year) ? 1 : 0);
}

bool parse_timestamp(StringView text, CalendarTime& out) {
  // The year, then pairs of digits; a part cut in half is no part.
  if (text.size() < 4 || text.size() > 14 || text.size() % 2 != 0) return false;
  for (char16_t c : text)
    if (c < u'0' || c > u'9') return false;
  auto number = [&](size_t at, size_t n) {
    int v = 0;
    for (size_t i = at; i < at + n; ++i) v = v * 10 + (text[i] - u'0');
    return v;
  };
  CalendarTime t;
  t.year = number(0, 4);
  int* parts[] = {&t.month, &t.day, &t.hour, &t.minute, &t.second};
  for (size_t i = 0; 4 + 2 * i < text.size(); ++i) *parts[i] = number(4 + 2 * i, 2);
  // File times begin in 1601.
  if (t.year < 1601 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > days_in_month(t.year, t.month) ||
      t.hour > 23 || t.minute > 59 || t.second > 59)
    return false;
  t.weekday = day_of_week(t.year, t.month, t.day);
  out = t;
  return true;
}

}  // namespace orv
