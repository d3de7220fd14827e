// What a process holds, read from outside it: kernel handles, GDI and USER
// objects, private memory. On Windows the platform counts them
// (GetProcessHandleCount, GetGuiResources, GetProcessMemoryInfo); where it
// does not (Wine answers 0 and "not implemented"), the handles come from the
// system's handle list, the GDI objects from the process's shared GDI handle
// table (found through its PEB) and the USER objects are its windows.
#pragma once
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>

struct ProcessCounts {
  bool ok = false;  // the process could be read
  std::uint32_t handles = 0;
  std::uint32_t gdiObjects = 0;
  std::uint32_t userObjects = 0;
  std::uint64_t privateBytes = 0;
};

// `process` needs PROCESS_QUERY_INFORMATION and PROCESS_VM_READ.
ProcessCounts CountProcess(HANDLE process, DWORD pid);

// The process's handles by kind ("Event", "Key", ...), from the system's
// handle list; empty where the platform keeps that list to itself.
std::map<std::string, int> HandleKinds(HANDLE process, DWORD pid);

// What the platform keeps for good of the handles its parts open, measured
// in this process (0 where it gives them all back): per filter graph made
// and released (Wine 8 keeps an event), per enumeration of the video input
// devices (Wine 8 keeps registry keys) and per file chosen in an open
// dialog (Wine 8 keeps a registry key). The video devices must be there.
struct PlatformLosses {
  double perFilterGraph;
  double perEnumeration;
  double perChosenFile;
};
PlatformLosses MeasurePlatformLosses();

// How each count was taken, for the report: "platform" or the fallback.
struct CountSources {
  const char* handles;
  const char* gdiObjects;
  const char* userObjects;
};
CountSources CountSourcesUsed();
