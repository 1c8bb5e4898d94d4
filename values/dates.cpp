#include "values/dates.h"

#include <cstdio>

namespace tolven {

namespace {

constexpr std::string_view kMonths[13] = {
    "",          "Januar",  "Februar ", "M\xE4rz ",  "April",    "Mai",      "Juni",
    "Juli",      "August",  "September", "Oktober", "November", "Dezember",
};
constexpr std::string_view kWeekdays[7] = {
    "Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag",
};

// Day number of the last valid day, 31 December 3999.
int64_t last_day_number() {
    static const int64_t n = day_number(31, 12, 3999);
    return n;
}

std::string two_digits(int32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", static_cast<int>(v));
    return buf;
}

std::string four_digits(int32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d", static_cast<int>(v));
    return buf;
}

}  // namespace

std::string_view month_name(int month) {
    if (month < 1 || month > 12) return {};
    return kMonths[month];
}

std::string_view weekday_name(int wd) {
    if (wd < 0 || wd > 6) return {};
    return kWeekdays[wd];
}

bool is_leap_year(int32_t year) {
    return year % 4 == 0 && year % 4000 != 0 && (year % 100 != 0 || year % 400 == 0);
}

int days_in_month(int32_t month, int32_t year) {
    switch (month) {
    case 4: case 6: case 9: case 11: return 30;
    case 2: return is_leap_year(year) ? 29 : 28;
    case 1: case 3: case 5: case 7: case 8: case 10: case 12: return 31;
    default: return 0;
    }
}

bool is_valid_date(int32_t day, int32_t month, int32_t year) {
    if (year < 1600 || year > 3999 || month < 1 || month > 12) return false;
    return day >= 1 && day <= days_in_month(month, year);
}

int64_t day_number(int32_t day, int32_t month, int32_t year) {
    int64_t d = day, m = month, y = year;
    if (y < 100) y += 1900;
    // The year count below starts in March, which would put the first two
    // months of 1600 one day off; count them directly.
    if (y == 1600 && m == 1) return d - 1;
    if (y == 1600 && m == 2) return d + 30;
    int64_t yp = y - 1600;
    if (m < 3) yp -= 1;
    return yp / 100 * 146097 / 4 + (yp % 100) * 1461 / 4 +
           (153 * m - 457 + (m < 3 ? 1836 : 0)) / 5 + d + 59;
}

int weekday(int32_t day, int32_t month, int32_t year) {
    int64_t w = (day_number(day, month, year) + 6) % 7;
    return static_cast<int>(w < 0 ? w + 7 : w);
}

std::optional<Date> date_from_day_number(int64_t n) {
    if (n < 0 || n > last_day_number()) return std::nullopt;
    if (n < 31) return Date{static_cast<int32_t>(n + 1), 1, 1600};
    if (n < 60) return Date{static_cast<int32_t>(n - 30), 2, 1600};
    // Days since 1 March 1600, split into 400-year cycles of 146097 days,
    // years of 1461/4 days and the March-based months of 153/5 days.
    int64_t rest = n - 60;
    int64_t cycles = (4 * rest + 3) / 146097;
    rest -= cycles * 146097 / 4;
    int64_t years = (4 * rest + 3) / 1461;
    rest -= years * 1461 / 4;
    int64_t mm = (5 * rest + 2) / 153;
    int64_t day = rest - (153 * mm + 2) / 5 + 1;
    int64_t month = mm < 10 ? mm + 3 : mm - 9;
    int64_t year = 1600 + cycles * 100 + years + (month < 3 ? 1 : 0);
    return Date{static_cast<int32_t>(day), static_cast<int32_t>(month), static_cast<int32_t>(year)};
}

std::optional<Date> add_days(const Date& d, int64_t days) {
    if (!is_valid_date(d.day, d.month, d.year)) return std::nullopt;
    // Bound the step first so the sum cannot overflow.
    if (days > 1000000 || days < -1000000) return std::nullopt;
    return date_from_day_number(day_number(d.day, d.month, d.year) + days);
}

std::string date_order(std::string_view separator, std::string_view pattern) {
    char sep = separator.empty() ? '.' : separator[0];
    std::string order(1, sep);
    if (pattern.empty()) return order;
    char first = pattern[0];
    order += first;
    size_t i = 1;
    while (i < pattern.size() && (pattern[i] == first || pattern[i] == sep)) ++i;
    if (i >= pattern.size()) return order;
    char second = pattern[i];
    order += second;
    while (i < pattern.size() && (pattern[i] == second || pattern[i] == sep)) ++i;
    if (i < pattern.size()) order += pattern[i];
    return order;
}

DateOrderKind date_order_kind(std::string_view order) {
    char lead = order.size() > 1 ? order[1] : 'd';
    if (lead == 'd' || lead == 'D') return DateOrderKind::DayFirst;
    if (lead == 'M' || lead == 'm') return DateOrderKind::MonthFirst;
    return DateOrderKind::YearFirst;
}

std::string display_date(int32_t day, int32_t month, int32_t year, std::string_view order) {
    if (!is_valid_date(day, month, year)) return {};
    char sep = order.empty() ? '.' : order[0];
    std::string out;
    for (size_t k = 1; k <= 3; ++k) {
        if (k > 1) out += sep;
        char letter = k < order.size() ? order[k] : '\0';
        switch (letter) {
        case 'd': case 'D': out += two_digits(day); break;
        case 'M': case 'm': out += two_digits(month); break;
        case 'y': case 'Y': out += four_digits(year); break;
        default: break;
        }
    }
    if (out.size() > 10) out.resize(10);
    return out;
}

std::string long_date(int32_t day, int32_t month, int32_t year) {
    if (!is_valid_date(day, month, year)) return {};
    std::string out = std::to_string(day);
    out += ". ";
    out += month_name(month);
    out += ' ';
    out += four_digits(year);
    return out;
}

std::string date_text(int32_t form, const DateTime& now, std::string_view order) {
    int32_t f = form % 16;  // a negative argument stays negative: display date
    if (f == 4) return std::string(order);
    if (!is_valid_date(now.day, now.month, now.year)) return {};
    switch (f) {
    case 1:
        return long_date(now.day, now.month, now.year);
    case 2: {
        std::string out(weekday_name(weekday(now.day, now.month, now.year)));
        out += ", der ";
        out += long_date(now.day, now.month, now.year);
        return out;
    }
    case 3:
        return four_digits(now.year) + two_digits(now.month) + two_digits(now.day);
    default:
        return display_date(now.day, now.month, now.year, order);
    }
}

std::string time_text(int32_t form, const DateTime& now) {
    if (form % 2 == 0) return two_digits(now.hour) + ":" + two_digits(now.minute);
    return two_digits(now.second) + "." + two_digits(now.millisecond / 10);
}

std::string file_time_text(int32_t hour, int32_t minute, int32_t second, int32_t millisecond) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2d:%.2d:%.2d:%.2d", static_cast<int>(hour),
                  static_cast<int>(minute), static_cast<int>(second),
                  static_cast<int>(millisecond));
    return buf;
}

std::string file_date_text(int32_t year, int32_t month, int32_t day) {
    char buf[32];
    long long v = static_cast<long long>(year) * 10000 + static_cast<long long>(month) * 100 + day;
    std::snprintf(buf, sizeof buf, "%.8lld", v);
    return buf;
}

}  // namespace tolven
