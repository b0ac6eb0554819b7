// Day and week numbers of Gregorian dates, around the turns of the year
// where ISO weeks cross into the neighbouring year.
#include <gtest/gtest.h>

#include "base/calendar.h"

namespace orv {
namespace {

TEST(Calendar, WeekdaysAndIsoWeeks) {
  struct Case {
    int year, month, day;
    int weekday;  // 0 Sunday
    int week_year, week;
  } cases[] = {
      {2005, 1, 1, 6, 2004, 53},    // a Saturday in the previous year's last week
      {2005, 1, 2, 0, 2004, 53},
      {2005, 12, 31, 6, 2005, 52},
      {2006, 1, 1, 0, 2005, 52},    // a Sunday: still the old year's week 52
      {2006, 1, 2, 1, 2006, 1},
      {2007, 12, 31, 1, 2008, 1},   // a Monday whose week holds the next year's Thursday
      {2008, 12, 28, 0, 2008, 52},
      {2008, 12, 29, 1, 2009, 1},
      {2009, 12, 31, 4, 2009, 53},  // a year ending on Thursday has 53 weeks
      {2010, 1, 3, 0, 2009, 53},
      {2010, 1, 4, 1, 2010, 1},
      {2015, 12, 31, 4, 2015, 53},
      {2016, 1, 3, 0, 2015, 53},
      {2020, 12, 31, 4, 2020, 53},  // a leap year beginning on Wednesday has 53 weeks
      {2021, 1, 3, 0, 2020, 53},
      {2021, 1, 4, 1, 2021, 1},
      {2024, 12, 30, 1, 2025, 1},
      {2026, 6, 15, 1, 2026, 25},
      {2000, 1, 1, 6, 1999, 52},
      {1970, 1, 1, 4, 1970, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.year << "-" << c.month << "-" << c.day);
    EXPECT_EQ(day_of_week(c.year, c.month, c.day), c.weekday);
    IsoWeek w = iso_week(c.year, c.month, c.day);
    EXPECT_EQ(w.year, c.week_year);
    EXPECT_EQ(w.week, c.week);
  }
}

TEST(Calendar, DayOfYearCountsLeapDaysByTheGregorianRule) {
  struct Case {
    int year, month, day;
    int yday;
  } cases[] = {
      {2023, 1, 1, 1},     {2023, 3, 1, 60},    {2023, 12, 31, 365},
      {2024, 2, 29, 60},   {2024, 3, 1, 61},    {2024, 12, 31, 366},  // divisible by 4
      {1900, 3, 1, 60},    {1900, 12, 31, 365},                      // by 100: common
      {2000, 3, 1, 61},    {2000, 12, 31, 366},                      // by 400: leap
      {2100, 12, 31, 365},
  };
  for (const Case& c : cases)
    EXPECT_EQ(day_of_year(c.year, c.month, c.day), c.yday) << c.year << "-" << c.month << "-" << c.day;
}

TEST(Calendar, TimestampsOnlyForDatesThatExist) {
  struct Case {
    const char16_t* text;
    bool valid;
    int year, month, day, hour, minute, second;
  } cases[] = {
      {u"20240229", true, 2024, 2, 29, 0, 0, 0},         // a leap day
      {u"20230229", false},                               // none that year
      {u"21000229", false},                               // nor in a century not divisible by 400
      {u"1601", true, 1601, 1, 1, 0, 0, 0},               // where file times begin
      {u"1600", false},
      {u"99991231235959", true, 9999, 12, 31, 23, 59, 59},
      {u"20240431", false},                               // April has 30 days
      {u"2024010124", false},
      {u"202401010060", false},
      {u"20240101000060", false},
      {u"202401011", false},                              // half a part
      {u"202401010000000", false},                        // one digit too many
      {u" 2024", false},
      {u"-2024", false},
  };
  for (const Case& c : cases) {
    CalendarTime t;
    SCOPED_TRACE(utf16_to_utf8(c.text));
    ASSERT_EQ(parse_timestamp(c.text, t), c.valid);
    if (!c.valid) continue;
    EXPECT_EQ(t.year, c.year);
    EXPECT_EQ(t.month, c.month);
    EXPECT_EQ(t.day, c.day);
    EXPECT_EQ(t.hour, c.hour);
    EXPECT_EQ(t.minute, c.minute);
    EXPECT_EQ(t.second, c.second);
  }
}

}  // namespace
}  // namespace orv
