// The system clock as the calendar shows it, locally and in UTC.
#pragma once

#include <cstdint>

namespace win {

struct SYSTEMTIME {
  uint16_t wYear;
  uint16_t wMonth;      // 1 = January
  uint16_t wDayOfWeek;  // 0 = Sunday
  uint16_t wDay;
  uint16_t wHour;
  uint16_t wMinute;
  uint16_t wSecond;
  uint16_t wMilliseconds;
};

// The current local date and time.
SYSTEMTIME GetLocalTime();

// The current date and time in UTC.
SYSTEMTIME GetSystemTime();

}  // namespace win
