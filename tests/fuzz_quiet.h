// The fuzz targets run the program's own code, which logs: the log goes
// nowhere, once per process.
#pragma once

#include "base/log.h"

inline void QuietLog() {
  static const bool once = [] {
    LogSetPath("/dev/null");
    LogSetLevel(0);
    return true;
  }();
  (void)once;
}
