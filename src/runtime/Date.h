// Calendar dates as day numbers. A date value is a Julian day number; 0 is the
// empty date (8 blanks on disk), which sorts before every real date.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mx::rt {

using DayNumber = std::int32_t;  // Julian day number, 0 = empty date

struct Ymd {
    int year = 0;
    int month = 0;
    int day = 0;
};

// Returns 0 when the date is not a valid Gregorian calendar date (year 1..9999).
DayNumber dayFromYmd(int year, int month, int day);
// Precondition: day != 0.
Ymd ymdFromDay(DayNumber day);
// "YYYYMMDD" for a date, 8 blanks for the empty date.
std::string dayToDtos(DayNumber day);
void dayToDtos(DayNumber day, char out[8]);
// Parses "YYYYMMDD"; blanks or anything invalid give the empty date.
DayNumber dayFromDtos(std::string_view text);
// Day of the week, 1 = Sunday ... 7 = Saturday.
int dayOfWeek(DayNumber day);

}  // namespace mx::rt
