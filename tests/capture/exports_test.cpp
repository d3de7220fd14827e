// The export table of the library file and the argument checks that need
// no camera: null and foreign handles, null pointers in the checked order.
#include "lumcap_api.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <set>
#include <string>

namespace {

std::set<std::string> ExportedNames(HMODULE module) {
  const auto* base = reinterpret_cast<const BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  std::set<std::string> names;
  if (entry.VirtualAddress == 0) return names;
  const auto* directory = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
  const auto* nameTable = reinterpret_cast<const DWORD*>(base + directory->AddressOfNames);
  for (DWORD i = 0; i < directory->NumberOfNames; ++i) {
    names.insert(reinterpret_cast<const char*>(base + nameTable[i]));
  }
  return names;
}

std::set<std::string> ExpectedNames() {
  std::set<std::string> names;
#ifdef _WIN64
#define LUMCAP_NAME(name, params, bound) names.insert(#name);
#else
#define LUMCAP_NAME(name, params, bound) names.insert("_" #name "@" + std::to_string(LumcapArgumentBytes(params)));
#endif
  LUMCAP_EXPORTS(LUMCAP_NAME)
#undef LUMCAP_NAME
  return names;
}

// Stand-in for an open device whose record has no graph (and no library):
// the tag of a device and nothing else.
struct BareDeviceRecord {
  alignas(8) unsigned char bytes[256] = {};
  BareDeviceRecord() { bytes[0] = 2; }
  LumenoDevice* Handle() { return reinterpret_cast<LumenoDevice*>(bytes); }
};

// Stand-in for a library context, for the device functions' handle test.
struct BareLibraryRecord {
  alignas(8) unsigned char bytes[256] = {};
  BareLibraryRecord() { bytes[0] = 1; }
  LumenoDevice* AsDevice() { return reinterpret_cast<LumenoDevice*>(bytes); }
};

}  // namespace

TEST(ExportTable, HoldsTheFortyFourNamesOfThisBuild) {
  const std::set<std::string> names = ExportedNames(Lumcap().module);
  EXPECT_EQ(names.size(), static_cast<size_t>(kLumcapExportCount));
  EXPECT_EQ(names, ExpectedNames());
}

TEST(ExportTable, EveryFunctionIsFoundTheWayTheProgramLooksItUp) {
  EXPECT_EQ(Lumcap().missing, 0);
#ifndef _WIN64
  // Only the decorated form is exported: the first look-up fails, the
  // second finds the function.
  EXPECT_EQ(GetProcAddress(Lumcap().module, "_LumenoOpenDevice"), nullptr);
  EXPECT_NE(GetProcAddress(Lumcap().module, "_LumenoOpenDevice@16"), nullptr);
  EXPECT_NE(GetProcAddress(Lumcap().module, "_LumenoPlaySound@0"), nullptr);
  EXPECT_EQ(GetProcAddress(Lumcap().module, "LumenoOpenDevice"), nullptr);
#else
  EXPECT_NE(GetProcAddress(Lumcap().module, "LumenoOpenDevice"), nullptr);
#endif
}

TEST(Records, HaveTheirDocumentedLayout) {
#ifdef _WIN64
  EXPECT_EQ(sizeof(LumenoOpenParams), 52u);
  EXPECT_EQ(offsetof(LumenoOpenParams, subtype), 36u);
#else
  EXPECT_EQ(sizeof(LumenoOpenParams), 48u);
  EXPECT_EQ(offsetof(LumenoOpenParams, subtype), 32u);
#endif
  EXPECT_EQ(offsetof(LumenoOpenParams, bitCount) + 4, offsetof(LumenoOpenParams, subtype));
  EXPECT_EQ(sizeof(LumenoResolution), 52u);
  EXPECT_EQ(offsetof(LumenoResolution, bitCount), 32u);
  EXPECT_EQ(offsetof(LumenoResolution, subtype), 36u);
  EXPECT_EQ(offsetof(LumenoResolutionList, items), 4u);
  EXPECT_EQ(sizeof(LumenoPropertyInfo), 28u);
}

TEST(LibraryChecks, UninitializeAcceptsNullAndForeignHandles) {
  const LumcapApi& api = Lumcap();
  EXPECT_EQ(api.LumenoUninitialize(nullptr), S_OK);
  BareDeviceRecord device;
  EXPECT_EQ(api.LumenoUninitialize(reinterpret_cast<LumenoLibrary*>(device.Handle())), S_OK);
  EXPECT_EQ(device.bytes[0], 2);  // left alone
}

TEST(LibraryChecks, InitializeWantsAnEmptyOutputHandle) {
  const LumcapApi& api = Lumcap();
  UINT32 count = 77;
  EXPECT_EQ(api.LumenoInitialize(nullptr, 0, &count), E_INVALIDARG);
  LumenoLibrary* held = reinterpret_cast<LumenoLibrary*>(static_cast<uintptr_t>(0x1234));
  EXPECT_EQ(api.LumenoInitialize(&held, 0, &count), E_INVALIDARG);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(held), 0x1234u);
  EXPECT_EQ(count, 77u);
}

TEST(LibraryChecks, NullOrForeignLibraryHandlesGiveEHandle) {
  const LumcapApi& api = Lumcap();
  BareDeviceRecord device;
  LumenoLibrary* foreign = reinterpret_cast<LumenoLibrary*>(device.Handle());
  UINT32 value = 0;
  WCHAR wide[16];
  char ansi[16];
  LumenoOpenParams params = {};
  LumenoDevice* opened = nullptr;
  for (LumenoLibrary* handle : {static_cast<LumenoLibrary*>(nullptr), foreign}) {
    EXPECT_EQ(api.LumenoEnableDeviceChangeNotifications(handle, nullptr), E_HANDLE);
    EXPECT_EQ(api.LumenoDeviceChange(handle, 0, 0), E_HANDLE);
    EXPECT_EQ(api.LumenoGetDeviceCount(handle, &value), E_HANDLE);
    EXPECT_EQ(api.LumenoFindDeviceW(handle, L"x", FALSE, &value), E_HANDLE);
    EXPECT_EQ(api.LumenoFindDeviceA(handle, "x", FALSE, &value), E_HANDLE);
    EXPECT_EQ(api.LumenoGetDeviceNameW(handle, 0, wide, 16), E_HANDLE);
    EXPECT_EQ(api.LumenoGetDeviceNameA(handle, 0, ansi, 16), E_HANDLE);
    EXPECT_EQ(api.LumenoGetDeviceCaps(handle, 0, &value), E_HANDLE);
    EXPECT_EQ(api.LumenoGetDeviceResolutions(handle, 0, 0, nullptr, &value), E_HANDLE);
    EXPECT_EQ(api.LumenoOpenDevice(handle, 0, &params, &opened), E_HANDLE);
  }
  EXPECT_EQ(opened, nullptr);
}

TEST(LibraryChecks, OutputPointersAreTestedBeforeTheHandleWhereSaid) {
  const LumcapApi& api = Lumcap();
  LumenoOpenParams params = {};
  LumenoDevice* opened = nullptr;
  UINT32 value = 0;
  EXPECT_EQ(api.LumenoGetDeviceCount(nullptr, nullptr), E_INVALIDARG);
  EXPECT_EQ(api.LumenoGetDeviceNameW(nullptr, 0, nullptr, 16), E_INVALIDARG);
  EXPECT_EQ(api.LumenoGetDeviceNameA(nullptr, 0, nullptr, 16), E_INVALIDARG);
  EXPECT_EQ(api.LumenoGetDeviceCaps(nullptr, 0, nullptr), E_INVALIDARG);
  EXPECT_EQ(api.LumenoGetDeviceResolutions(nullptr, 0, 0, nullptr, nullptr), E_INVALIDARG);
  EXPECT_EQ(api.LumenoOpenDevice(nullptr, 0, nullptr, &opened), E_INVALIDARG);
  EXPECT_EQ(api.LumenoOpenDevice(nullptr, 0, &params, nullptr), E_INVALIDARG);
  // The wide search tests the handle first, the ANSI one its name first.
  EXPECT_EQ(api.LumenoFindDeviceW(nullptr, nullptr, FALSE, &value), E_HANDLE);
  EXPECT_EQ(api.LumenoFindDeviceA(nullptr, nullptr, FALSE, &value), E_INVALIDARG);
}

TEST(LibraryChecks, AnAnsiNameOf128CharactersDoesNotConvert) {
  const LumcapApi& api = Lumcap();
  const std::string longName(128, 'a');
  UINT32 index = 0;
  EXPECT_EQ(api.LumenoFindDeviceA(nullptr, longName.c_str(), FALSE, &index), static_cast<HRESULT>(0x8007007A));
  // 127 characters fit: the handle test comes next.
  EXPECT_EQ(api.LumenoFindDeviceA(nullptr, longName.substr(1).c_str(), FALSE, &index), E_HANDLE);
}

TEST(DeviceChecks, NullOrForeignDeviceHandlesGiveEHandle) {
  const LumcapApi& api = Lumcap();
  BareLibraryRecord library;
  UINT32 value = 0;
  WCHAR wide[16];
  char ansi[16];
  RECT rect = {};
  LumenoPropertyInfo info = {};
  HBITMAP bitmap = nullptr;
  HGLOBAL dib = nullptr;
  BYTE data[4] = {};
  for (LumenoDevice* handle : {static_cast<LumenoDevice*>(nullptr), library.AsDevice()}) {
    EXPECT_EQ(api.LumenoGetDeviceIndex(handle, &value), E_HANDLE);
    EXPECT_EQ(api.LumenoCloseDevice(handle), E_HANDLE);
    EXPECT_EQ(api.LumenoGetDeviceProperty(handle, LUMENO_PROPERTY_VIDEO_PROC_AMP, &info), E_HANDLE);
    EXPECT_EQ(api.LumenoSetDeviceProperty(handle, LUMENO_PROPERTY_VIDEO_PROC_AMP, 0, 2), E_HANDLE);
    EXPECT_EQ(api.LumenoGetCaptureCaps(handle, &value), E_HANDLE);
    EXPECT_EQ(api.LumenoFlipCapture(handle, 1), E_HANDLE);
    EXPECT_EQ(api.LumenoSetPreviewPosition(handle, &rect), E_HANDLE);
    EXPECT_EQ(api.LumenoShowPreview(handle, TRUE), E_HANDLE);
    EXPECT_EQ(api.LumenoPausePreview(handle, TRUE), E_HANDLE);
    EXPECT_EQ(api.LumenoIsPreviewPaused(handle), E_HANDLE);
    EXPECT_EQ(api.LumenoGetInputCount(handle, &value), E_HANDLE);
    EXPECT_EQ(api.LumenoGetInputNameW(handle, -1, wide, 16), E_HANDLE);
    EXPECT_EQ(api.LumenoGetInputNameA(handle, -1, ansi, 16), E_HANDLE);
    EXPECT_EQ(api.LumenoSetInput(handle, 0), E_HANDLE);
    EXPECT_EQ(api.LumenoTrigger(handle), E_HANDLE);
    EXPECT_EQ(api.LumenoWaitForTrigger(handle), E_HANDLE);
    EXPECT_EQ(api.LumenoGetSample(handle, &bitmap), E_HANDLE);
    EXPECT_EQ(api.LumenoGetSampleAsDIB(handle, &dib), E_HANDLE);
    EXPECT_EQ(api.LumenoSaveSampleToFileW(handle, L"a.png", -1), E_HANDLE);
    EXPECT_EQ(api.LumenoSaveSampleToFileA(handle, "a.png", -1), E_HANDLE);
    EXPECT_EQ(api.LumenoCopySampleToClipboard(handle), E_HANDLE);
    EXPECT_EQ(api.LumenoGetUvcProperty(handle, &kCaptureCategory, 1, data, sizeof data), E_HANDLE);
    EXPECT_EQ(api.LumenoSetUvcProperty(handle, &kCaptureCategory, 1, data, sizeof data), E_HANDLE);
  }
  EXPECT_EQ(library.bytes[0], 1);
  EXPECT_EQ(bitmap, nullptr);
  EXPECT_EQ(dib, nullptr);
}

TEST(DeviceChecks, OutputPointersAreTestedInTheirPlace) {
  const LumcapApi& api = Lumcap();
  BareDeviceRecord device;
  UINT32 value = 0;
  // Before the handle test.
  EXPECT_EQ(api.LumenoGetDeviceProperty(nullptr, 0, nullptr), E_INVALIDARG);
  EXPECT_EQ(api.LumenoGetCaptureCaps(nullptr, nullptr), E_INVALIDARG);
  EXPECT_EQ(api.LumenoGetInputNameW(nullptr, 0, nullptr, 16), E_INVALIDARG);
  EXPECT_EQ(api.LumenoGetInputNameA(nullptr, 0, nullptr, 16), E_INVALIDARG);
  EXPECT_EQ(api.LumenoGetSample(nullptr, nullptr), E_INVALIDARG);
  EXPECT_EQ(api.LumenoGetSampleAsDIB(nullptr, nullptr), E_INVALIDARG);
  EXPECT_EQ(api.LumenoSaveSampleToFileW(nullptr, nullptr, 0), E_INVALIDARG);
  EXPECT_EQ(api.LumenoSaveSampleToFileA(nullptr, nullptr, 0), E_INVALIDARG);
  // After the handle test.
  EXPECT_EQ(api.LumenoGetInputCount(nullptr, nullptr), E_HANDLE);
  EXPECT_EQ(api.LumenoGetInputCount(device.Handle(), nullptr), E_INVALIDARG);
  EXPECT_EQ(api.LumenoGetDeviceIndex(device.Handle(), nullptr), E_POINTER);  // no library comes first
  EXPECT_EQ(api.LumenoGetDeviceIndex(device.Handle(), &value), E_POINTER);
}

TEST(DeviceChecks, ADeviceWithoutGraphGivesEPointer) {
  const LumcapApi& api = Lumcap();
  BareDeviceRecord device;
  LumenoDevice* handle = device.Handle();
  UINT32 value = 0;
  WCHAR wide[16];
  char ansi[16];
  RECT rect = {};
  LumenoPropertyInfo info = {};
  HBITMAP bitmap = nullptr;
  HGLOBAL dib = nullptr;
  BYTE data[4] = {};
  EXPECT_EQ(api.LumenoGetDeviceProperty(handle, LUMENO_PROPERTY_CAMERA_CONTROL, &info), E_POINTER);
  EXPECT_EQ(api.LumenoSetDeviceProperty(handle, LUMENO_PROPERTY_CAMERA_CONTROL, 0, 2), E_POINTER);
  EXPECT_EQ(api.LumenoGetCaptureCaps(handle, &value), E_POINTER);
  EXPECT_EQ(api.LumenoFlipCapture(handle, 1), E_POINTER);
  EXPECT_EQ(api.LumenoSetPreviewPosition(handle, &rect), E_POINTER);
  EXPECT_EQ(api.LumenoSetPreviewPosition(handle, nullptr), E_POINTER);
  EXPECT_EQ(api.LumenoShowPreview(handle, TRUE), E_POINTER);
  EXPECT_EQ(api.LumenoPausePreview(handle, TRUE), E_POINTER);
  EXPECT_EQ(api.LumenoIsPreviewPaused(handle), E_POINTER);
  EXPECT_EQ(api.LumenoGetInputCount(handle, &value), E_POINTER);
  EXPECT_EQ(api.LumenoGetInputNameW(handle, 0, wide, 16), E_POINTER);
  EXPECT_EQ(api.LumenoGetInputNameA(handle, 0, ansi, 16), E_POINTER);
  EXPECT_EQ(api.LumenoSetInput(handle, 0), E_POINTER);
  EXPECT_EQ(api.LumenoTrigger(handle), E_POINTER);
  EXPECT_EQ(api.LumenoWaitForTrigger(handle), E_POINTER);
  EXPECT_EQ(api.LumenoGetSample(handle, &bitmap), E_POINTER);
  EXPECT_EQ(api.LumenoGetSampleAsDIB(handle, &dib), E_POINTER);
  EXPECT_EQ(api.LumenoSaveSampleToFileW(handle, L"a.png", 50), E_POINTER);
  EXPECT_EQ(api.LumenoCopySampleToClipboard(handle), E_POINTER);
  EXPECT_EQ(api.LumenoGetUvcProperty(handle, &kCaptureCategory, 1, nullptr, 4), E_POINTER);
  EXPECT_EQ(api.LumenoSetUvcProperty(handle, &kCaptureCategory, 1, data, sizeof data), E_POINTER);
}

TEST(BitmapChecks, NullBitmapsAndPathsGiveEInvalidArg) {
  const LumcapApi& api = Lumcap();
  HBITMAP bitmap = CreateBitmap(4, 4, 1, 1, nullptr);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(api.LumenoSaveBitmapToFileW(nullptr, L"a.png", -1, FALSE), E_INVALIDARG);
  EXPECT_EQ(api.LumenoSaveBitmapToFileW(bitmap, nullptr, -1, FALSE), E_INVALIDARG);
  EXPECT_EQ(api.LumenoSaveBitmapToFileA(nullptr, "a.png", -1, FALSE), E_INVALIDARG);
  EXPECT_EQ(api.LumenoSaveBitmapToFileA(bitmap, nullptr, -1, FALSE), E_INVALIDARG);
  const std::string longPath(260, 'p');
  EXPECT_EQ(api.LumenoSaveBitmapToFileA(bitmap, longPath.c_str(), -1, FALSE), static_cast<HRESULT>(0x8007007A));
  EXPECT_EQ(api.LumenoCopyBitmapToClipboard(nullptr), E_INVALIDARG);
  EXPECT_EQ(api.LumenoGetBitmapFromClipboard(nullptr), E_INVALIDARG);
  DeleteObject(bitmap);
}
