#include <sys/time.h>
#include <time.h>

#include <chrono>

#include "platform/host/local_time.h"

namespace win {

SYSTEMTIME GetLocalTime() {
  timeval now{};
  ::gettimeofday(&now, nullptr);
  time_t seconds = now.tv_sec;
  tm local{};
  ::localtime_r(&seconds, &local);
  return SYSTEMTIME{uint16_t(local.tm_year + 1900), uint16_t(local.tm_mon + 1), uint16_t(local.tm_wday),
                    uint16_t(local.tm_mday),        uint16_t(local.tm_hour),    uint16_t(local.tm_min),
                    uint16_t(local.tm_sec),         uint16_t(now.tv_usec / 1000)};
}

SYSTEMTIME GetSystemTime() {
  auto now = std::chrono::system_clock::now().time_since_epoch();
  long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
  time_t seconds = time_t(ms / 1000);
  tm utc{};
  ::gmtime_r(&seconds, &utc);
  return SYSTEMTIME{uint16_t(utc.tm_year + 1900), uint16_t(utc.tm_mon + 1), uint16_t(utc.tm_wday),
                    uint16_t(utc.tm_mday),        uint16_t(utc.tm_hour),    uint16_t(utc.tm_min),
                    uint16_t(utc.tm_sec),         uint16_t(ms % 1000)};
}

}  // namespace win
