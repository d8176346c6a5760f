// The clock of the pictures' traffic monitor: the same times on every run, so
// that the same sources render the same pictures. It starts at 09:30:00.000 on
// the release day (the tools run with TZ=UTC) and moves on by what each record
// stands for at 9600 baud: a try that fails waits out its 100 ms, a reply takes
// its time on the line and the settle, everything else a fraction of a
// millisecond.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <ctime>

#include "link/traffic_recorder.h"

namespace tolvane::pictures {

inline int64_t g_pictureUs = 0;

inline int64_t PictureClock(TrafficEvent event) {
  constexpr int64_t kStartUs = 1'796'635'800'000'000;  // 2026-12-07 09:30:00 UTC
  if (g_pictureUs == 0) return g_pictureUs = kStartUs;
  switch (event) {
    case TrafficEvent::kTryFailed:
      return g_pictureUs += 100'000;
    case TrafficEvent::kRx:
      return g_pictureUs += 155'600;
    case TrafficEvent::kClose:
      return g_pictureUs += 400;
    default:
      return g_pictureUs += 20;
  }
}

// Records stamped from the clock above, restarted; local time is UTC.
inline void UsePictureClock() {
#ifdef _WIN32
  _putenv_s("TZ", "UTC");
#else
  setenv("TZ", "UTC", 1);
#endif
  tzset();
  g_pictureUs = 0;
  SetTrafficClock(&PictureClock);
}

}  // namespace tolvane::pictures
