// The version blocks of the program and its libraries and the program's
// application manifest, read back from the built files in the output folder
// the way Windows reads them: the version functions, the resource loader and
// an activation context made from the manifest.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/library_files.h"
#include "base/owners.h"
#include "relivo_version.h"

namespace {

const std::string kOut = std::string(RELIVO_APP_OUT) + "\\";

struct Module {
  std::string file;
  DWORD type;  // VFT_APP or VFT_DLL
};

std::vector<Module> ShippedModules() {
  std::vector<Module> modules = {{"RelivoX.exe", VFT_APP}, {kCaptureLibraryFile, VFT_DLL}};
#ifdef RELIVO_HAVE_LOUIS
  modules.push_back({kLouisLibraryFile, VFT_DLL});
#endif
  return modules;
}

// The file's version block; empty when it has none.
std::vector<char> VersionBlock(const std::string& path) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  std::vector<char> block(size);
  if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, block.data())) block.clear();
  return block;
}

// A text of the block's first translation; "<none>" when it lacks it.
std::string VersionText(std::vector<char>& block, const char* name) {
  struct Translation {
    WORD language, codePage;
  }* translation = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
      length < sizeof *translation)
    return "<no translation>";
  char path[128];
  wsprintfA(path, "\\StringFileInfo\\%04x%04x\\%s", translation->language, translation->codePage, name);
  char* text = nullptr;
  if (!VerQueryValueA(block.data(), path, reinterpret_cast<void**>(&text), &length) || !text) return "<none>";
  return std::string(text, length && text[length - 1] == '\0' ? length - 1 : length);
}

std::string ManifestText(const std::string& path) {
  ModuleHandle module(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  if (!module) return "";
  HRSRC found = FindResourceA(module.Get(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  HGLOBAL loaded = found ? LoadResource(module.Get(), found) : nullptr;
  const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  return data ? std::string(data, SizeofResource(module.Get(), found)) : "";
}

// The value of an application setting of an activation context, as the
// system hands it to the window manager.
std::wstring ContextSetting(HANDLE context, const wchar_t* space, const wchar_t* name) {
  using QueryFn = BOOL(WINAPI*)(DWORD, HANDLE, const wchar_t*, const wchar_t*, wchar_t*, SIZE_T, SIZE_T*);
  auto query = reinterpret_cast<QueryFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryActCtxSettingsW")));
  wchar_t value[128] = L"";
  SIZE_T written = 0;
  if (!query || !query(0, context, space, name, value, 128, &written)) return L"<none>";
  return value;
}

// The file of the common controls that load while the context is active,
// in lower case.
std::string CommonControlsFile(HANDLE context) {
  ULONG_PTR cookie = 0;
  if (!ActivateActCtx(context, &cookie)) return "<not activated>";
  char path[MAX_PATH] = "";
  {
    ModuleHandle comctl(LoadLibraryA("comctl32.dll"));
    if (comctl) GetModuleFileNameA(comctl.Get(), path, MAX_PATH);
  }
  DeactivateActCtx(0, cookie);
  CharLowerA(path);
  return path;
}

}  // namespace

TEST(Version, EveryShippedModuleCarriesTheProjectsVersion) {
  const DWORD ms = MAKELONG(RELIVO_VERSION_MINOR, RELIVO_VERSION_MAJOR);
  const DWORD ls = MAKELONG(0, RELIVO_VERSION_PATCH);
  for (const Module& m : ShippedModules()) {
    SCOPED_TRACE(m.file);
    std::vector<char> block = VersionBlock(kOut + m.file);
    ASSERT_FALSE(block.empty()) << "no version block";
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_GE(length, sizeof *fixed);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, ms);
    EXPECT_EQ(fixed->dwFileVersionLS, ls);
    EXPECT_EQ(fixed->dwProductVersionMS, ms);
    EXPECT_EQ(fixed->dwProductVersionLS, ls);
    EXPECT_EQ(fixed->dwFileType, m.type);
    EXPECT_EQ(VersionText(block, "FileVersion"), RELIVO_VERSION_TEXT);
    EXPECT_EQ(VersionText(block, "ProductVersion"), RELIVO_VERSION_TEXT);
    EXPECT_EQ(VersionText(block, "ProductName"), "RelivoX");
    EXPECT_EQ(VersionText(block, "OriginalFilename"), m.file);
    EXPECT_NE(VersionText(block, "FileDescription"), "<none>");
    EXPECT_EQ(VersionText(block, "CompanyName"), "<none>") << "the texts name no company";
  }
}

TEST(Manifest, ThemedControlsPerMonitorScalingTheUsersRightsAndTheWindowsVersions) {
  const std::string exe = kOut + "RelivoX.exe";
  std::string text = ManifestText(exe);
  ASSERT_FALSE(text.empty()) << "no manifest resource 1";
  EXPECT_NE(text.find("level=\"asInvoker\""), std::string::npos) << text;
  EXPECT_NE(text.find("uiAccess=\"false\""), std::string::npos) << text;
  EXPECT_NE(text.find(std::string("name=\"RelivoX\" version=\"") + RELIVO_VERSION_TEXT + ".0\""), std::string::npos)
      << text;
  for (const char* os : {"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                         "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"})
    EXPECT_NE(text.find(std::string("<supportedOS Id=\"") + os + "\"/>"), std::string::npos) << os;

  // What the system makes of it.
  ACTCTXA request{};
  request.cbSize = sizeof request;
  request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.lpSource = exe.c_str();
  request.lpResourceName = MAKEINTRESOURCEA(1);
  ActivationContext context(CreateActCtxA(&request));
  ASSERT_TRUE(context) << "the system refuses the manifest: " << GetLastError();
  EXPECT_EQ(ContextSetting(context.Get(), L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness"),
            L"PerMonitorV2, PerMonitor");
  EXPECT_EQ(ContextSetting(context.Get(), L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware"),
            L"true/pm");
  // Version 6 of the common controls: the side-by-side assembly's file.
  std::string comctl = CommonControlsFile(context.Get());
  EXPECT_NE(comctl.find("common-controls"), std::string::npos) << comctl;
  EXPECT_NE(comctl.find("_6.0."), std::string::npos) << comctl;
}
