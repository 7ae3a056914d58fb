// The C runtime's time with milliseconds.
#pragma once

#include <cstdint>

namespace win {

struct __timeb64 {
  int64_t time = 0;             // whole seconds since 1970-01-01 00:00:00 UTC
  unsigned short millitm = 0;   // milliseconds of the second
  short timezone = 0;           // minutes west of UTC, standard time
  short dstflag = 0;            // non-zero while daylight saving time is in effect
};

// Fills all four fields from one reading of the clock.
void _ftime64(__timeb64* timeptr);

}  // namespace win
