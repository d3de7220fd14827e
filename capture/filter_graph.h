// The capture graph of an open device: source filter, sample grabber and
// preview or null renderer. An open device owns exactly one.
#pragma once

class CFilterGraph {
 public:
  CFilterGraph() = default;
  CFilterGraph(const CFilterGraph&) = delete;
  CFilterGraph& operator=(const CFilterGraph&) = delete;
  virtual ~CFilterGraph() = default;
};
