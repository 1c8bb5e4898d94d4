// Calendar arithmetic and the date and time texts of the date functions.
//
// Everything here is pure: the current date and time, the Windows date
// separator and the short-date pattern are passed in by the caller (who
// reads the clock and the "INTL" profile section).
//
// Day numbers count days from 1 January 1600 (day 0, a Saturday). They are
// defined for the calendar years 1600..3999 the runtime accepts.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tolven {

// German month names, index 1..12 ("Februar " and "M\xE4rz " carry a
// trailing blank, which shows in the long date form). Index 0 and values
// outside 1..12 give the empty text.
std::string_view month_name(int month);
// German weekday names, index 0 (Sunday) .. 6.
std::string_view weekday_name(int weekday);

// 1600 <= year <= 3999 only matters for validity; the rule itself is the
// runtime's: divisible by 4, not by 4000, and not by 100 unless by 400.
bool is_leap_year(int32_t year);
// Days of a month (1..12) in a year; 0 for a month outside 1..12.
int days_in_month(int32_t month, int32_t year);
// 1 <= day <= days in month, 1 <= month <= 12, 1600 <= year <= 3999.
bool is_valid_date(int32_t day, int32_t month, int32_t year);

// The runtime's day-number formula: years below 100 get 1900 added; the
// first two months of 1600 are counted directly. Computed in 64 bits, so
// arguments outside the calendar give a meaningless but defined number.
int64_t day_number(int32_t day, int32_t month, int32_t year);
// 0 = Sunday .. 6 = Saturday, for a date the formula covers.
int weekday(int32_t day, int32_t month, int32_t year);

struct Date {
    int32_t day = 0, month = 0, year = 0;
    bool operator==(const Date&) const = default;
};
// Inverse of day_number over the valid range; nullopt outside it.
std::optional<Date> date_from_day_number(int64_t n);
// The date `days` days after (before, when negative) a valid date; nullopt
// when the date is not valid or the result leaves 1600..3999.
std::optional<Date> add_days(const Date& d, int64_t days);

// The date order text: the separator, then the first letter of the
// short-date pattern, the next letter that differs from it and from the
// separator, and the next after that which differs from the second and from
// the separator. Defaults "." and "dd.MM.yyyy" give ".dMy". The first
// character of `separator` is used ('.' when empty); a pattern that runs out
// of letters gives a shorter text.
std::string date_order(std::string_view separator, std::string_view short_date_pattern);

// Which field leads the display date, as the dBase date conversion needs it:
// 'd' first, 'M' first, otherwise year first.
enum class DateOrderKind { DayFirst, MonthFirst, YearFirst };
DateOrderKind date_order_kind(std::string_view order);

// The display date (date text form 0): day and month with two digits, year
// with four, in the order of the order text, joined with its separator, cut
// to 10 characters. Letters of the order other than d, M, y (either case)
// contribute an empty field. An invalid date gives the empty text.
std::string display_date(int32_t day, int32_t month, int32_t year, std::string_view order);

// "7. Dezember 2026" (day without leading zero); empty for an invalid date.
std::string long_date(int32_t day, int32_t month, int32_t year);

// The current moment as the caller read it from the clock.
struct DateTime {
    int32_t year = 0, month = 0, day = 0;
    int32_t hour = 0, minute = 0, second = 0, millisecond = 0;
    bool operator==(const DateTime&) const = default;
};

// Date text function: the form is selected by the argument modulo 16:
// 1 long date, 2 weekday + ", der " + long date, 3 "yyyymmdd", 4 the order
// text, everything else (0, 5..15, negative) the display date. The date
// forms of an invalid date give the empty text.
std::string date_text(int32_t form, const DateTime& now, std::string_view order);

// Time text function: even argument "hh:mm", odd "ss.cc" (hundredths).
std::string time_text(int32_t form, const DateTime& now);

// A file's last-write time as "hh:mm:ss:ms" (each at least two digits).
std::string file_time_text(int32_t hour, int32_t minute, int32_t second, int32_t millisecond);
// A file's last-write date as year*10000 + month*100 + day, at least eight
// digits.
std::string file_date_text(int32_t year, int32_t month, int32_t day);

}  // namespace tolven
