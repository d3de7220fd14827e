// Command-line front end of the virtual camera server, for test set-up and
// for trying the cameras by hand:
//   vcamctl register              server class, cameras of earlier runs removed
//   vcamctl unregister            every camera and the server class removed
//   vcamctl add NAME [DESCRIPTION [CONFIG]]   an empty description: none;
//                                 CONFIG as in vcam_config.h
//   vcamctl remove NAME
//   vcamctl unplug NAME           the camera pulled out while in use
//   vcamctl plug NAME             and put back
//   vcamctl clear                 every camera removed
//   vcamctl list                  the video input devices, as DirectShow lists them
// The server DLL is taken from the folder of this program.
#include "vcam.h"

#include "base/owners.h"

#include <dshow.h>

#include <cstdio>
#include <cwchar>

namespace {

#ifdef _WIN64
const WCHAR kServerFile[] = L"vcam64.dll";
#else
const WCHAR kServerFile[] = L"vcam32.dll";
#endif

using ServerFn = HRESULT(WINAPI*)();

bool ServerPath(WCHAR (&path)[MAX_PATH]) {
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  WCHAR* slash = std::wcsrchr(path, L'\\');
  if (!slash) return false;
  const size_t room = MAX_PATH - static_cast<size_t>(slash + 1 - path);
  if (std::wcslen(kServerFile) >= room) return false;
  std::wcscpy(slash + 1, kServerFile);
  return true;
}

void PrintName(IMoniker* moniker) {
  ComPtr<IPropertyBag> bag;
  if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.PutVoid()))) return;
  const WCHAR* properties[] = {L"FriendlyName", L"Description"};
  for (const WCHAR* property : properties) {
    Variant value;
    if (SUCCEEDED(bag->Read(property, value.ForString(), nullptr)) && value.Value().vt == VT_BSTR) {
      std::wprintf(L"  %ls: %ls\n", property, value.Value().bstrVal);
    }
  }
}

int List() {
  ComInit com;
  if (FAILED(com.Result())) return 1;
  ComPtr<ICreateDevEnum> devices;
  ComPtr<IEnumMoniker> monikers;
  int count = 0;
  if (SUCCEEDED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                 devices.PutVoid())) &&
      devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.Put(), 0) == S_OK) {
    ComPtr<IMoniker> moniker;
    while (monikers->Next(1, moniker.Put(), nullptr) == S_OK) {
      std::wprintf(L"device %d\n", count++);
      PrintName(moniker.Get());
    }
  }
  std::wprintf(L"%d video input device(s)\n", count);
  return 0;
}

int Usage() {
  std::fwprintf(
      stderr,
      L"usage: vcamctl register|unregister|clear|list|add NAME [DESCRIPTION [CONFIG]]|remove NAME|unplug NAME|"
      L"plug NAME\n");
  return 2;
}

int Report(const WCHAR* what, HRESULT hr) {
  if (FAILED(hr)) {
    std::fwprintf(stderr, L"vcamctl: %ls failed: 0x%08lX\n", what, static_cast<unsigned long>(hr));
    return 1;
  }
  return 0;
}

}  // namespace

int wmain(int argc, WCHAR** argv) {
  if (argc < 2) return Usage();
  const WCHAR* verb = argv[1];
  if (std::wcscmp(verb, L"list") == 0) return List();
  WCHAR path[MAX_PATH];
  if (!ServerPath(path)) return Report(L"finding the server", E_FAIL);
  ModuleHandle server(LoadLibraryW(path));
  if (!server.Get()) return Report(L"loading the server", HRESULT_FROM_WIN32(GetLastError()));
  auto find = [&](const char* name) { return GetProcAddress(server.Get(), name); };
  if (std::wcscmp(verb, L"register") == 0 || std::wcscmp(verb, L"unregister") == 0 ||
      std::wcscmp(verb, L"clear") == 0) {
    const char* name = verb[0] == L'r'   ? "DllRegisterServer"
                       : verb[0] == L'u' ? "DllUnregisterServer"
                                         : "VcamRemoveAllDevices";
    auto fn = reinterpret_cast<ServerFn>(reinterpret_cast<void*>(find(name)));
    return fn ? Report(verb, fn()) : Report(verb, E_NOINTERFACE);
  }
  if (std::wcscmp(verb, L"add") == 0 && argc >= 3 && argc <= 5) {
    auto fn = reinterpret_cast<VcamAddDeviceExFn>(reinterpret_cast<void*>(find("VcamAddDeviceEx")));
    const WCHAR* description = argc >= 4 && argv[3][0] != L'\0' ? argv[3] : nullptr;
    return fn ? Report(verb, fn(argv[2], description, argc == 5 ? argv[4] : nullptr)) : Report(verb, E_NOINTERFACE);
  }
  const struct {
    const WCHAR* verb;
    const char* export_;
  } kByName[] = {{L"remove", "VcamRemoveDevice"}, {L"unplug", "VcamUnplugDevice"}, {L"plug", "VcamPlugDevice"}};
  for (const auto& entry : kByName) {
    if (std::wcscmp(verb, entry.verb) != 0 || argc != 3) continue;
    auto fn = reinterpret_cast<VcamPlugFn>(reinterpret_cast<void*>(find(entry.export_)));
    return fn ? Report(verb, fn(argv[2])) : Report(verb, E_NOINTERFACE);
  }
  return Usage();
}
