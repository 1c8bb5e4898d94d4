// A SYSTEMTIME as the date and time record of the clock and the file
// functions.
#pragma once
#include <windows.h>

#include "values/dates.h"

namespace tolven {

inline DateTime date_time_of(const SYSTEMTIME& st) {
    DateTime d;
    d.year = st.wYear;
    d.month = st.wMonth;
    d.day = st.wDay;
    d.hour = st.wHour;
    d.minute = st.wMinute;
    d.second = st.wSecond;
    d.millisecond = st.wMilliseconds;
    return d;
}

}  // namespace tolven
