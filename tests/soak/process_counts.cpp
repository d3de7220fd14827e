#include "tests/soak/process_counts.h"

#include <commdlg.h>
#include <dshow.h>
#include <psapi.h>
#include <winternl.h>

#include "base/owners.h"

#include <string>
#include <vector>

namespace {

// The system's handle list (SystemExtendedHandleInformation).
constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr NTSTATUS kStatusInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);

struct HandleEntry {
  PVOID object;
  ULONG_PTR processId;
  ULONG_PTR handle;
  ULONG grantedAccess;
  USHORT creatorBackTraceIndex;
  USHORT objectTypeIndex;
  ULONG attributes;
  ULONG reserved;
};

struct HandleList {
  ULONG_PTR count;
  ULONG_PTR reserved;
  HandleEntry entries[1];
};

// The GDI handle table the PEB points at (GdiSharedHandleTable): 65536
// entries, a live one has its type set.
constexpr int kGdiHandles = 0x10000;
struct GdiEntry {
  ULONG_PTR kernelObject;
  USHORT processId;
  USHORT count;
  USHORT upper;
  USHORT type;
  ULONG_PTR userObject;
};
#ifdef _WIN64
constexpr SIZE_T kPebGdiTableOffset = 0xF8;
#else
constexpr SIZE_T kPebGdiTableOffset = 0x94;
#endif

using QuerySystem = NTSTATUS(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
using QueryProcess = NTSTATUS(NTAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

template <typename Fn>
Fn Ntdll(const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), name)));
}

CountSources g_sources = {"platform", "platform", "platform"};

// The handles of process `pid` in the system's handle list.
std::vector<HandleEntry> HandlesOf(DWORD pid) {
  static const QuerySystem query = Ntdll<QuerySystem>("NtQuerySystemInformation");
  std::vector<HandleEntry> own;
  if (!query) return own;
  std::vector<unsigned char> buffer(1 << 20);
  for (int attempt = 0; attempt < 8; ++attempt) {
    ULONG needed = 0;
    const NTSTATUS status =
        query(kSystemExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == kStatusInfoLengthMismatch) {
      buffer.resize(buffer.size() * 2 > needed ? buffer.size() * 2 : needed + 4096);
      continue;
    }
    if (status < 0) return own;
    const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
    const std::size_t room = (buffer.size() - offsetof(HandleList, entries)) / sizeof(HandleEntry);
    for (ULONG_PTR i = 0; i < list->count && i < room; ++i)
      if (list->entries[i].processId == pid) own.push_back(list->entries[i]);
    return own;
  }
  return own;
}

std::uint32_t HandlesFromSystemList(DWORD pid) { return static_cast<std::uint32_t>(HandlesOf(pid).size()); }

// The kind of a handle of another process: a copy of it, asked for its
// object type.
std::string KindOfHandle(HANDLE process, ULONG_PTR value) {
  static const QueryProcess queryObject = Ntdll<QueryProcess>("NtQueryObject");
  constexpr ULONG kObjectTypeInformation = 2;
  HANDLE copy = nullptr;
  if (!queryObject || !DuplicateHandle(process, reinterpret_cast<HANDLE>(value), GetCurrentProcess(), &copy, 0, FALSE,
                                       DUPLICATE_SAME_ACCESS))
    return "?";
  KernelHandle owned(copy);
  alignas(8) unsigned char info[1024];
  ULONG size = 0;
  if (queryObject(copy, kObjectTypeInformation, info, sizeof info, &size) < 0) return "?";
  const auto* name = reinterpret_cast<const UNICODE_STRING*>(info);
  std::string kind;
  for (USHORT i = 0; i < name->Length / sizeof(WCHAR); ++i) kind += static_cast<char>(name->Buffer[i] & 0x7F);
  return kind;
}

std::uint32_t GdiFromSharedTable(HANDLE process) {
  static const QueryProcess query = Ntdll<QueryProcess>("NtQueryInformationProcess");
  PROCESS_BASIC_INFORMATION basic = {};
  ULONG size = 0;
  if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, &size) < 0) return 0;
  ULONG_PTR table = 0;
  SIZE_T got = 0;
  if (!ReadProcessMemory(process, reinterpret_cast<const char*>(basic.PebBaseAddress) + kPebGdiTableOffset, &table,
                         sizeof table, &got) ||
      table == 0)
    return 0;
  static std::vector<GdiEntry> entries(kGdiHandles);
  if (!ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(),
                         entries.size() * sizeof(GdiEntry), &got))
    return 0;
  std::uint32_t live = 0;
  for (std::size_t i = 0; i < got / sizeof(GdiEntry); ++i) live += entries[i].type != 0;
  return live;
}

struct WindowSearch {
  DWORD pid;
  std::uint32_t count;
};

BOOL CALLBACK CountChild(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<WindowSearch*>(lParam);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  search->count += owner == search->pid;
  return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM lParam) {
  CountChild(window, lParam);
  EnumChildWindows(window, CountChild, lParam);  // every descendant
  return TRUE;
}

// The process's windows: top-level ones with all their descendants, and
// the message-only ones.
std::uint32_t WindowsOf(DWORD pid) {
  WindowSearch search{pid, 0};
  EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&search));
  for (HWND w = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); w;
       w = FindWindowExA(HWND_MESSAGE, w, nullptr, nullptr))
    CountTopLevel(w, reinterpret_cast<LPARAM>(&search));
  return search.count;
}

}  // namespace

ProcessCounts CountProcess(HANDLE process, DWORD pid) {
  ProcessCounts c;
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof memory;
  if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) return c;
  // Private bytes; where the platform leaves them 0, its commit charge,
  // which counts the same private memory.
  c.privateBytes = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;

  DWORD handles = 0;
  if (GetProcessHandleCount(process, &handles) && handles != 0) {
    c.handles = handles;
  } else {
    c.handles = HandlesFromSystemList(pid);
    g_sources.handles = "the system's handle list";
  }
  SetLastError(0);
  c.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
  if (c.gdiObjects == 0 && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) {
    c.gdiObjects = GdiFromSharedTable(process);
    g_sources.gdiObjects = "the process's GDI handle table";
  }
  SetLastError(0);
  c.userObjects = GetGuiResources(process, GR_USEROBJECTS);
  if (c.userObjects == 0 && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) {
    c.userObjects = WindowsOf(pid);
    g_sources.userObjects = "its windows";
  }
  c.ok = true;
  return c;
}

std::map<std::string, int> HandleKinds(HANDLE process, DWORD pid) {
  std::map<std::string, int> kinds;
  for (const HandleEntry& e : HandlesOf(pid)) ++kinds[KindOfHandle(process, e.handle)];
  return kinds;
}

namespace {

// Handles this process keeps after `operation` has run `times` times (once
// before, for what stays loaded), per run.
template <typename Operation>
double KeptPer(Operation operation, int times) {
  operation();
  const std::size_t before = HandlesOf(GetCurrentProcessId()).size();
  for (int i = 0; i < times; ++i) operation();
  const std::size_t after = HandlesOf(GetCurrentProcessId()).size();
  return after > before ? static_cast<double>(after - before) / times : 0.0;
}

void MakeFilterGraph() {
  ComPtr<IGraphBuilder> graph;
  CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.PutVoid());
}

void EnumerateVideoDevices() {
  ComPtr<ICreateDevEnum> devices;
  ComPtr<IEnumMoniker> monikers;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                              devices.PutVoid())) ||
      devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.Put(), 0) != S_OK)
    return;
  for (;;) {
    ComPtr<IMoniker> moniker;
    if (monikers->Next(1, moniker.Put(), nullptr) != S_OK) break;
  }
}

// The open dialog chooses a file that exists as soon as it is ready.
UINT_PTR CALLBACK ChooseAtOnce(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == CDN_INITDONE) {
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    std::string file = std::string(system) + "\\kernel32.dll";
    HWND parent = GetParent(dialog);
    SendMessageA(parent, CDM_SETCONTROLTEXT, 0x47C, reinterpret_cast<LPARAM>(file.c_str()));  // cmb13
    PostMessageA(parent, WM_COMMAND, IDOK, 0);
  }
  return 0;
}

void ChooseAFile() {
  char file[MAX_PATH] = "";
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.lpstrFile = file;
  dialog.nMaxFile = sizeof file;
  dialog.lpstrFilter = "*.*\0*.*\0";
  dialog.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  dialog.lpfnHook = ChooseAtOnce;
  GetOpenFileNameA(&dialog);
}

}  // namespace

PlatformLosses MeasurePlatformLosses() {
  constexpr int kTimes = 5;
  return PlatformLosses{KeptPer(MakeFilterGraph, kTimes), KeptPer(EnumerateVideoDevices, kTimes),
                        KeptPer(ChooseAFile, kTimes)};
}

CountSources CountSourcesUsed() { return g_sources; }
