// The capture graph of an open device: source filter, sample grabber and
// preview or null renderer. An open device owns exactly one.
#pragma once
#include "capture/still_capture.h"

class CFilterGraph {
 public:
  CFilterGraph() = default;
  CFilterGraph(const CFilterGraph&) = delete;
  CFilterGraph& operator=(const CFilterGraph&) = delete;
  virtual ~CFilterGraph() = default;

  // Still pictures: trigger, the held picture and its completion signal.
  CStillCapture stills;
};
