// The command line of lumcap-snap.
#pragma once
#include "capture/lumcap.h"

enum class SnapCommand { kList, kSnap };

struct SnapOptions {
  SnapCommand command = SnapCommand::kList;
  const wchar_t* file = nullptr;  // snap: the image file
  const wchar_t* camera = L"";    // index or name prefix; empty: camera 0
  LumenoOpenParams params = {};   // size, rate, subtype, still pin, time-out
  INT32 quality = -1;             // JPEG quality; -1: the encoder's default
};

extern const wchar_t kSnapUsage[];

// Fills the options; returns nullptr, or a text saying what is wrong.
const wchar_t* ParseSnapOptions(int argc, wchar_t** argv, SnapOptions* options);

// True when the camera argument is a plain number.
bool ParseCameraIndex(const wchar_t* text, UINT32* index);
