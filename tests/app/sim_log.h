// What the device simulator received, read back from its frame log (the
// file named by RELIVO_SIM_LOG), and the frames RelivoX is expected to send.
#pragma once
#include <windows.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "tests/app/app_driver.h"

using Frame = std::vector<unsigned char>;

inline std::string SimLog() {
  const char* path = std::getenv("RELIVO_SIM_LOG");
  return path ? path : "";
}

// The frames the simulator received, in order.
inline std::vector<Frame> ReceivedFrames() {
  std::vector<Frame> frames;
  std::istringstream log(ReadFileText(SimLog()));
  std::string line;
  while (std::getline(log, line)) {
    std::istringstream fields(line);
    std::string time, kind, hex;
    fields >> time >> kind;
    if (kind != "RX") continue;
    Frame frame;
    while (fields >> hex) frame.push_back(static_cast<unsigned char>(std::strtoul(hex.c_str(), nullptr, 16)));
    frames.push_back(frame);
  }
  return frames;
}

inline Frame CommandFrame(unsigned char c1, unsigned char c2) {
  return Frame{0xAA, 0x55, 0x00, 0x06, 0x00, c1, c2, 0x00, 0x00, static_cast<unsigned char>(c1 ^ c2 ^ 0xA5)};
}

inline Frame GraphicFrame(const unsigned char* graphic) {
  Frame frame{0xAA, 0x55, 0x01, 0x32, 0x01, 0x02, 0x00, 0x00, 0x00};
  unsigned char sum = 0xA5 ^ 0x01 ^ 0x02;
  for (int i = 0; i < 300; ++i) {
    frame.push_back(graphic[i]);
    sum ^= graphic[i];
  }
  frame.push_back(sum);
  return frame;
}

inline bool IsGraphic(const Frame& f) { return f.size() == 310 && f[4] == 0x01 && f[5] == 0x02; }

// Index of the first graphic frame at or after `from`, -1 when none came.
inline int NextGraphic(const std::vector<Frame>& frames, size_t from) {
  for (size_t i = from; i < frames.size(); ++i)
    if (IsGraphic(frames[i])) return static_cast<int>(i);
  return -1;
}
