#include "Date.h"

namespace mx::rt {

DayNumber dayFromYmd(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return 0;
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    int maxDay = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
    if (day > maxDay) return 0;
    // Fliegel & Van Flandern, Gregorian calendar to Julian day number.
    long a = (14 - month) / 12;
    long y = year + 4800 - a;
    long m = month + 12 * a - 3;
    return static_cast<DayNumber>(day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045);
}

Ymd ymdFromDay(DayNumber jd) {
    long a = jd + 32044;
    long b = (4 * a + 3) / 146097;
    long c = a - 146097 * b / 4;
    long d = (4 * c + 3) / 1461;
    long e = c - 1461 * d / 4;
    long m = (5 * e + 2) / 153;
    Ymd r;
    r.day = static_cast<int>(e - (153 * m + 2) / 5 + 1);
    r.month = static_cast<int>(m + 3 - 12 * (m / 10));
    r.year = static_cast<int>(100 * b + d - 4800 + m / 10);
    return r;
}

void dayToDtos(DayNumber day, char out[8]) {
    if (day <= 0) {
        for (int i = 0; i < 8; ++i) out[i] = ' ';
        return;
    }
    Ymd d = ymdFromDay(day);
    int v = d.year;
    for (int i = 3; i >= 0; --i) { out[i] = static_cast<char>('0' + v % 10); v /= 10; }
    out[4] = static_cast<char>('0' + d.month / 10);
    out[5] = static_cast<char>('0' + d.month % 10);
    out[6] = static_cast<char>('0' + d.day / 10);
    out[7] = static_cast<char>('0' + d.day % 10);
}

std::string dayToDtos(DayNumber day) {
    std::string s(8, ' ');
    dayToDtos(day, s.data());
    return s;
}

DayNumber dayFromDtos(std::string_view t) {
    if (t.size() < 8) return 0;
    int v[8];
    for (int i = 0; i < 8; ++i) {
        if (t[i] < '0' || t[i] > '9') return 0;
        v[i] = t[i] - '0';
    }
    return dayFromYmd(v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3], v[4] * 10 + v[5], v[6] * 10 + v[7]);
}

int dayOfWeek(DayNumber day) { return static_cast<int>((day + 1) % 7) + 1; }

}  // namespace mx::rt
