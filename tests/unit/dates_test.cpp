#include <gtest/gtest.h>

#include <chrono>

#include "values/dates.h"
#include "values/system_platform.h"

using namespace tolven;

namespace {
DateTime at(int y, int m, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    DateTime t;
    t.year = y, t.month = m, t.day = d, t.hour = h, t.minute = mi, t.second = s, t.millisecond = ms;
    return t;
}
}  // namespace

// Every day of the supported calendar against the standard library's
// proleptic Gregorian calendar: day number, weekday, validity, inverse.
TEST(PureDates, DayNumberMatchesCalendarEveryDay) {
    using namespace std::chrono;
    const sys_days origin = sys_days{year{1600} / January / 1};
    const sys_days last = sys_days{year{3999} / December / 31};
    int64_t count = 0;
    for (sys_days d = origin; d <= last; d += days{1}, ++count) {
        year_month_day ymd{d};
        int y = int(ymd.year());
        int m = int(unsigned(ymd.month()));
        int dd = int(unsigned(ymd.day()));
        int64_t expect = (d - origin).count();
        ASSERT_EQ(day_number(dd, m, y), expect) << y << "-" << m << "-" << dd;
        ASSERT_EQ(tolven::weekday(dd, m, y), int(std::chrono::weekday{d}.c_encoding())) << y << "-" << m << "-" << dd;
        ASSERT_TRUE(is_valid_date(dd, m, y));
        auto back = date_from_day_number(expect);
        ASSERT_TRUE(back.has_value());
        ASSERT_EQ(*back, (Date{dd, m, y}));
    }
    EXPECT_EQ(count, 876582);
    EXPECT_FALSE(date_from_day_number(-1));
    EXPECT_FALSE(date_from_day_number(day_number(31, 12, 3999) + 1));
}

TEST(PureDates, ValidityAndLeapYears) {
    using namespace std::chrono;
    for (int y = 1600; y <= 3999; ++y) {
        ASSERT_EQ(is_leap_year(y), year{y}.is_leap()) << y;
        for (int m = 0; m <= 13; ++m)
            for (int d = -1; d <= 32; ++d) {
                bool expect = m >= 1 && m <= 12 && d >= 1 &&
                              year_month_day{year{y}, month{unsigned(m)}, day{unsigned(d)}}.ok();
                ASSERT_EQ(is_valid_date(d, m, y), expect) << y << "-" << m << "-" << d;
            }
    }
    EXPECT_TRUE(is_leap_year(2000));
    EXPECT_FALSE(is_leap_year(1900));
    EXPECT_FALSE(is_leap_year(4000));  // the runtime's rule, unlike the Gregorian one
    EXPECT_EQ(days_in_month(2, 4000), 28);
    EXPECT_FALSE(is_valid_date(1, 1, 4000));
    EXPECT_FALSE(is_valid_date(31, 12, 1599));
    EXPECT_FALSE(is_valid_date(29, 2, 1900));
    EXPECT_TRUE(is_valid_date(29, 2, 2000));
}

TEST(PureDates, TwoDigitYearsAndArithmetic) {
    EXPECT_EQ(day_number(1, 1, 99), day_number(1, 1, 1999));
    EXPECT_EQ(day_number(1, 1, 1600), 0);
    EXPECT_EQ(day_number(29, 2, 1600), 59);
    EXPECT_EQ(weekday(7, 12, 2026), 1);  // Monday
    EXPECT_EQ(add_days(Date{28, 2, 2000}, 1), (Date{29, 2, 2000}));
    EXPECT_EQ(add_days(Date{1, 3, 2000}, -1), (Date{29, 2, 2000}));
    EXPECT_EQ(add_days(Date{31, 12, 2026}, 1), (Date{1, 1, 2027}));
    EXPECT_FALSE(add_days(Date{31, 12, 3999}, 1));
    EXPECT_FALSE(add_days(Date{30, 2, 2000}, 0));
    EXPECT_FALSE(add_days(Date{1, 1, 2000}, INT64_MAX));
}

TEST(PureDates, DateOrder) {
    EXPECT_EQ(date_order(".", "dd.MM.yyyy"), ".dMy");
    EXPECT_EQ(date_order("/", "M/d/yyyy"), "/Mdy");
    EXPECT_EQ(date_order("-", "yyyy-MM-dd"), "-yMd");
    EXPECT_EQ(date_order("", ""), ".");
    EXPECT_EQ(date_order(".", "dd"), ".d");
    EXPECT_EQ(date_order_kind(".dMy"), DateOrderKind::DayFirst);
    EXPECT_EQ(date_order_kind("/Mdy"), DateOrderKind::MonthFirst);
    EXPECT_EQ(date_order_kind("-yMd"), DateOrderKind::YearFirst);
    EXPECT_EQ(display_date(7, 12, 2026, "/Mdy"), "12/07/2026");
    EXPECT_EQ(display_date(7, 12, 2026, "-yMd"), "2026-12-07");
    EXPECT_EQ(display_date(7, 12, 2026, ".d"), "07..");
    EXPECT_EQ(display_date(30, 2, 2026, ".dMy"), "");
}

TEST(PureDates, DateTextForms) {
    DateTime t = at(2026, 12, 7);
    EXPECT_EQ(date_text(0, t, ".dMy"), "07.12.2026");
    EXPECT_EQ(date_text(1, t, ".dMy"), "7. Dezember 2026");
    EXPECT_EQ(date_text(2, t, ".dMy"), "Montag, der 7. Dezember 2026");
    EXPECT_EQ(date_text(3, t, ".dMy"), "20261207");
    EXPECT_EQ(date_text(4, t, ".dMy"), ".dMy");
    EXPECT_EQ(date_text(9, t, ".dMy"), "07.12.2026");
    EXPECT_EQ(date_text(17, t, ".dMy"), "7. Dezember 2026");
    EXPECT_EQ(date_text(-1, t, ".dMy"), "07.12.2026");
    EXPECT_EQ(date_text(1, at(2026, 2, 7), ".dMy"), "7. Februar  2026");
    EXPECT_EQ(date_text(2, at(2026, 3, 1), ".dMy"), "Sonntag, der 1. M\xE4rz  2026");
    EXPECT_EQ(date_text(3, at(2000, 2, 29), ".dMy"), "20000229");
    EXPECT_EQ(date_text(2, at(1600, 1, 1), ".dMy"), "Samstag, der 1. Januar 1600");
    for (int form = 0; form <= 3; ++form) {
        EXPECT_EQ(date_text(form, at(1900, 2, 29), ".dMy"), "") << form;
        EXPECT_EQ(date_text(form, at(4000, 1, 1), ".dMy"), "") << form;
    }
}

TEST(PureDates, TimeTexts) {
    DateTime t = at(2026, 12, 7, 9, 5, 3, 870);
    EXPECT_EQ(time_text(0, t), "09:05");
    EXPECT_EQ(time_text(2, t), "09:05");
    EXPECT_EQ(time_text(1, t), "03.87");
    EXPECT_EQ(time_text(-1, t), "03.87");
    EXPECT_EQ(file_time_text(9, 5, 3, 7), "09:05:03:07");
    EXPECT_EQ(file_time_text(23, 59, 59, 999), "23:59:59:999");
    EXPECT_EQ(file_date_text(2026, 12, 7), "20261207");
    EXPECT_EQ(file_date_text(999, 1, 1), "09990101");
    EXPECT_EQ(month_name(0), "");
    EXPECT_EQ(month_name(13), "");
    EXPECT_EQ(weekday_name(7), "");
}

// File times and the clock share one conversion; a moment before 1970 keeps
// its millisecond within the second instead of going negative.
TEST(ClockDates, MillisecondsSince1970InUtc) {
    EXPECT_EQ(date_time_from_epoch_ms(0, true), at(1970, 1, 1));
    EXPECT_EQ(date_time_from_epoch_ms(1234567890123, true), at(2009, 2, 13, 23, 31, 30, 123));
    EXPECT_EQ(date_time_from_epoch_ms(-1, true), at(1969, 12, 31, 23, 59, 59, 999));
}
