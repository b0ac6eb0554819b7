// Dates of the Gregorian calendar: a moment broken into its parts, and the
// day and week numbers derived from a date.
#pragma once

#include "base/text.h"

namespace orv {

struct CalendarTime {
  int year = 1601, month = 1, day = 1;  // month 1 to 12, day 1 to 31
  int hour = 0, minute = 0, second = 0, millisecond = 0;
  int weekday = 1;  // 0 Sunday to 6 Saturday
};

bool is_leap_year(int year);
// 1 to 366.
int day_of_year(int year, int month, int day);
// 0 Sunday to 6 Saturday.
int day_of_week(int year, int month, int day);

// The ISO 8601 week of a date: weeks begin on Monday, and a week belongs to
// the year that holds its Thursday, so the first days of January may lie in
// the previous year's last week and the last days of December in the next
// year's first.
struct IsoWeek {
  int year;
  int week;  // 1 to 53
};
IsoWeek iso_week(int year, int month, int day);

int days_in_month(int year, int month);

// A timestamp as scripts write it, YYYYMMDDHH24MISS: digits only, the year
// at least, and the parts left off the end are the start of the period the
// rest names ("2004" is midnight on 1 January 2004). False for anything
// else, or a date or time that does not exist.
bool parse_timestamp(StringView text, CalendarTime& out);

}  // namespace orv
