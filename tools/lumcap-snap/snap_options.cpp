#include "tools/lumcap-snap/snap_options.h"

#include <cwchar>
#include <cwctype>

namespace {

constexpr INT32 kDefaultWidth = 640;
constexpr INT32 kDefaultHeight = 480;
// The uncompressed 24-bit subtype; every other format is given by its
// four-character code (second and third groups zero).
constexpr GUID kSubtypeRgb24 = {0xE436EB7D, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

bool ParseNumber(const wchar_t* text, long minimum, long maximum, long* value) {
  if (!text || !std::iswdigit(*text)) return false;
  wchar_t* end = nullptr;
  long v = std::wcstol(text, &end, 10);
  if (*end != 0 || v < minimum || v > maximum) return false;
  *value = v;
  return true;
}

bool ParseSize(const wchar_t* text, INT32* width, INT32* height) {
  unsigned w = 0, h = 0;
  wchar_t rest = 0;
  if (!text || std::swscanf(text, L"%ux%u%lc", &w, &h, &rest) != 2 || w == 0 || h == 0 || w > 32768 || h > 32768)
    return false;
  *width = static_cast<INT32>(w);
  *height = static_cast<INT32>(h);
  return true;
}

bool ParseFormat(const wchar_t* text, GUID* subtype) {
  if (!text) return false;
  if (std::wcscmp(text, L"RGB24") == 0) {
    *subtype = kSubtypeRgb24;
    return true;
  }
  if (std::wcslen(text) != 4) return false;
  *subtype = GUID{};
  for (int i = 0; i < 4; ++i) {
    if (text[i] < 0x20 || text[i] > 0x7E) return false;
    subtype->Data1 |= static_cast<unsigned long>(text[i]) << (8 * i);
  }
  return true;
}

}  // namespace

const wchar_t kSnapUsage[] =
    L"usage: lumcap-snap list\n"
    L"       lumcap-snap snap FILE [--camera N|NAME] [--size WxH] [--fps F] [--format FOURCC|RGB24]\n"
    L"                        [--still-pin] [--quality Q] [--timeout MS]\n";

bool ParseCameraIndex(const wchar_t* text, UINT32* index) {
  long value = 0;
  if (!ParseNumber(text, 0, 0xFFFF, &value)) return false;
  *index = static_cast<UINT32>(value);
  return true;
}

const wchar_t* ParseSnapOptions(int argc, wchar_t** argv, SnapOptions* options) {
  if (argc < 2) return L"no command";
  SnapOptions o;
  o.params.width = kDefaultWidth;
  o.params.height = kDefaultHeight;
  int next = 2;
  if (std::wcscmp(argv[1], L"list") == 0) {
    o.command = SnapCommand::kList;
  } else if (std::wcscmp(argv[1], L"snap") == 0) {
    o.command = SnapCommand::kSnap;
    if (argc < 3 || argv[2][0] == L'-') return L"snap needs a file";
    o.file = argv[2];
    next = 3;
  } else {
    return L"unknown command";
  }
  for (int i = next; i < argc; ++i) {
    const wchar_t* name = argv[i];
    const wchar_t* value = i + 1 < argc ? argv[i + 1] : nullptr;
    long number = 0;
    bool takesValue = true;
    if (std::wcscmp(name, L"--still-pin") == 0) {
      o.params.flags |= LUMENO_OPEN_STILL_PIN;
      takesValue = false;
    } else if (std::wcscmp(name, L"--camera") == 0) {
      if (!value) return L"--camera needs a value";
      o.camera = value;
    } else if (std::wcscmp(name, L"--size") == 0) {
      if (!ParseSize(value, &o.params.width, &o.params.height)) return L"--size wants WIDTHxHEIGHT";
    } else if (std::wcscmp(name, L"--fps") == 0) {
      if (!ParseNumber(value, 0, 1000, &number)) return L"--fps wants 0 .. 1000";
      o.params.frameRate = static_cast<INT32>(number);
    } else if (std::wcscmp(name, L"--format") == 0) {
      if (!ParseFormat(value, &o.params.subtype)) return L"--format wants a four-character code or RGB24";
    } else if (std::wcscmp(name, L"--quality") == 0) {
      if (!ParseNumber(value, 0, 100, &number)) return L"--quality wants 0 .. 100";
      o.quality = static_cast<INT32>(number);
    } else if (std::wcscmp(name, L"--timeout") == 0) {
      if (!ParseNumber(value, 1, 3600000, &number)) return L"--timeout wants milliseconds";
      o.params.timeout = static_cast<UINT32>(number);
    } else {
      return L"unknown option";
    }
    if (takesValue) ++i;
  }
  *options = o;
  return nullptr;
}
