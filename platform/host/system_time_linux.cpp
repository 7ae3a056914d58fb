#include "platform/host/system_time.h"

#include <time.h>

#include <chrono>

namespace win {

void _ftime64(__timeb64* timeptr) {
  if (!timeptr) return;
  auto now = std::chrono::system_clock::now().time_since_epoch();
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
  timeptr->time = ms / 1000;
  timeptr->millitm = static_cast<unsigned short>(ms % 1000);
  time_t seconds = static_cast<time_t>(timeptr->time);
  struct tm local {};
  if (::localtime_r(&seconds, &local)) {
    timeptr->dstflag = local.tm_isdst > 0 ? 1 : 0;
    long standardOffset = local.tm_gmtoff - (local.tm_isdst > 0 ? 3600 : 0);
    timeptr->timezone = static_cast<short>(-standardOffset / 60);
  }
}

}  // namespace win
