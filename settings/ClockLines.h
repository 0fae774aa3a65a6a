#pragma once

#include <string>

// The two lines of writetime.txt, formatted as "%Y%m%d\n" and "%H%M%S\n" would format them.
std::string clockDateLine(int year, int month, int day);
std::string clockTimeLine(int hour, int minute, int second);

// The dates the clock file can carry: real calendar dates from 1970-01-01 to 3000-12-31.
bool isClockDate(int year, int month, int day);
// A time of day on the 24-hour clock, 00:00:00 to 23:59:59.
bool isClockTime(int hour, int minute, int second);
