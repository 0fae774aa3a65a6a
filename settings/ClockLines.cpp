#include "ClockLines.h"

#include <cstdio>

namespace {

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

}  // namespace

std::string clockDateLine(int year, int month, int day) {
    char line[32];
    std::snprintf(line, sizeof line, "%04d%02d%02d\n", year, month, day);
    return line;
}

std::string clockTimeLine(int hour, int minute, int second) {
    char line[32];
    std::snprintf(line, sizeof line, "%02d%02d%02d\n", hour, minute, second);
    return line;
}

bool isClockDate(int year, int month, int day) {
    return year >= 1970 && year <= 3000 && month >= 1 && month <= 12 && day >= 1 &&
           day <= daysInMonth(year, month);
}

bool isClockTime(int hour, int minute, int second) {
    return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}
