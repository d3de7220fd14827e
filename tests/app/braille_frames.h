// The braille line the device received, and the one it should show for a
// text: the host translator's cells in the device's dot order.
#pragma once
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/library_files.h"
#include "tests/app/app_driver.h"
#include "tests/app/sim_log.h"
#include "tests/host_louis.h"

using Cells = std::vector<unsigned char>;

constexpr int kLineCells = 20;

inline bool IsBrailleLine(const Frame& f) {
  return f.size() == 10 + kLineCells && f[4] == 0x00 && f[5] == 0x02 && f[6] == 0x00;
}

// This tree builds the translator (it is skipped without the liblouis
// sources).
inline bool TranslatorBuilt() {
  std::string path = std::string(RELIVO_APP_OUT) + "\\" + kLouisLibraryFile;
  for (char& c : path)
    if (c == '/') c = '\\';
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The cells of the last braille line the device received.
inline bool LastLine(Cells& cells) {
  std::vector<Frame> frames = ReceivedFrames();
  for (size_t i = frames.size(); i-- > 0;) {
    if (!IsBrailleLine(frames[i])) continue;
    cells.assign(frames[i].begin() + 9, frames[i].begin() + 9 + kLineCells);
    return true;
  }
  return false;
}

// What the device must show for a text: the host translator's first 20
// cells in the device's dot order (dots 1, 2, 3, 7 in bits 0..3, dots 4, 5,
// 6, 8 in bits 4..7), empty cells after them. The tables are those of the
// output folder that every run copies.
inline Cells ExpectedLine(const char* table, const std::string& text) {
  static constexpr int kDeviceBit[8] = {0, 1, 2, 4, 5, 6, 3, 7};
  std::vector<std::uint8_t> dots;
  if (!HostTranslate(HostPath(RELIVO_APP_OUT) + "/tbl/" + table, text, CP_ACP, dots)) ADD_FAILURE() << table;
  Cells cells(kLineCells, 0);
  for (size_t i = 0; i < dots.size() && i < cells.size(); ++i)
    for (int k = 0; k < 8; ++k)
      if (dots[i] & (1 << k)) cells[i] |= static_cast<unsigned char>(1 << kDeviceBit[k]);
  return cells;
}

inline std::string DescribeCells(const Cells& cells) {
  std::string text;
  char hex[4];
  for (unsigned char c : cells) std::snprintf(hex, sizeof hex, "%02X ", c), text += hex;
  return text;
}

// Waits until the last braille line the device received is `expected`.
inline ::testing::AssertionResult DeviceLineIs(const Cells& expected, DWORD timeoutMs = 15000) {
  Cells last;
  const DWORD start = GetTickCount();
  do {
    if (LastLine(last) && last == expected) return ::testing::AssertionSuccess();
    Sleep(50);
  } while (GetTickCount() - start < timeoutMs);
  return ::testing::AssertionFailure() << "the device shows " << DescribeCells(last) << "\nexpected         "
                                       << DescribeCells(expected);
}
