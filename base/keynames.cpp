#include "base/keynames.h"

#include <cstring>

#include "base/commands.h"

namespace {

// clang-format off
const KeyName kNames[] = {
    {"VK_LBUTTON", 0x01}, {"VK_RBUTTON", 0x02}, {"VK_CANCEL", 0x03}, {"VK_MBUTTON", 0x04},
    {"VK_BACK", 0x08}, {"VK_TAB", 0x09}, {"VK_CLEAR", 0x0C}, {"VK_RETURN", 0x0D},
    {"VK_SHIFT", 0x10}, {"VK_CONTROL", 0x11}, {"VK_MENU", 0x12}, {"VK_PAUSE", 0x13},
    {"VK_CAPITAL", 0x14}, {"VK_KANA", 0x15}, {"VK_HANGUL", 0x15}, {"VK_JUNJA", 0x17},
    {"VK_FINAL", 0x18}, {"VK_HANJA", 0x19}, {"VK_KANJI", 0x19}, {"VK_ESCAPE", 0x1B},
    {"VK_CONVERT", 0x1C}, {"VK_NONCONVERT", 0x1D}, {"VK_ACCEPT", 0x1E}, {"VK_MODECHANGE", 0x1F},
    {"VK_SPACE", 0x20}, {"VK_PRIOR", 0x21}, {"VK_NEXT", 0x22}, {"VK_END", 0x23},
    {"VK_HOME", 0x24}, {"VK_LEFT", 0x25}, {"VK_UP", 0x26}, {"VK_RIGHT", 0x27},
    {"VK_DOWN", 0x28}, {"VK_SELECT", 0x29}, {"VK_PRINT", 0x2A}, {"VK_EXECUTE", 0x2B},
    {"VK_SNAPSHOT", 0x2C}, {"VK_INSERT", 0x2D}, {"VK_DELETE", 0x2E}, {"VK_HELP", 0x2F},
    {"VK_LWIN", 0x5B}, {"VK_RWIN", 0x5C}, {"VK_APPS", 0x5D},
    {"VK_NUMPAD0", 0x60}, {"VK_NUMPAD1", 0x61}, {"VK_NUMPAD2", 0x62}, {"VK_NUMPAD3", 0x63},
    {"VK_NUMPAD4", 0x64}, {"VK_NUMPAD5", 0x65}, {"VK_NUMPAD6", 0x66}, {"VK_NUMPAD7", 0x67},
    {"VK_NUMPAD8", 0x68}, {"VK_NUMPAD9", 0x69},
    {"VK_MULTIPLY", 0x6A}, {"VK_ADD", 0x6B}, {"VK_SEPARATOR", 0x6C}, {"VK_SUBTRACT", 0x6D},
    {"VK_DECIMAL", 0x6E}, {"VK_DIVIDE", 0x6F},
    {"VK_F1", 0x70}, {"VK_F2", 0x71}, {"VK_F3", 0x72}, {"VK_F4", 0x73}, {"VK_F5", 0x74},
    {"VK_F6", 0x75}, {"VK_F7", 0x76}, {"VK_F8", 0x77}, {"VK_F9", 0x78}, {"VK_F10", 0x79},
    {"VK_F11", 0x7A}, {"VK_F12", 0x7B}, {"VK_F13", 0x7C}, {"VK_F14", 0x7D}, {"VK_F15", 0x7E},
    {"VK_F16", 0x7F}, {"VK_F17", 0x80}, {"VK_F18", 0x81}, {"VK_F19", 0x82}, {"VK_F20", 0x83},
    {"VK_F21", 0x84}, {"VK_F22", 0x85}, {"VK_F23", 0x86}, {"VK_F24", 0x87},
    {"VK_NUMLOCK", 0x90}, {"VK_SCROLL", 0x91},
    {"VK_LSHIFT", 0xA0}, {"VK_RSHIFT", 0xA1}, {"VK_LCONTROL", 0xA2}, {"VK_RCONTROL", 0xA3},
    {"VK_LMENU", 0xA4}, {"VK_RMENU", 0xA5},
    // Keys of the German keyboard, by the codes of the keys they stand for.
    {"VK_PLUS", 0xBB}, {"VK_KOMMA", 0xBC}, {"VK_MINUS", 0xBD}, {"VK_PUNKT", 0xBE},
    {"VK_RAUTE", 0xBF}, {"VK_KLEINER", 0xE2}, {"VK_DACH", 0xDC}, {"VK_OUML", 0xC0},
    {"VK_AUML", 0xDE}, {"VK_UUML", 0xBA}, {"VK_SZ", 0xDB},
    // Commands.
    {"CMD_EXIT", CMD_EXIT}, {"CMD_COM_SELECT", CMD_COM_SELECT}, {"CMD_AUTOSTART", CMD_AUTOSTART},
    {"CMD_HELP", CMD_HELP}, {"CMD_WEB", CMD_WEB}, {"CMD_OPEN", CMD_OPEN}, {"CMD_NEW", CMD_NEW},
    {"CMD_SAVE", CMD_SAVE}, {"CMD_SAVEAS", CMD_SAVEAS}, {"CMD_ABOUT", CMD_ABOUT},
    {"CMD_INFO", CMD_INFO}, {"CMD_DELETEALL", CMD_DELETEALL}, {"CMD_LANGUAGE", CMD_LANGUAGE},
    {"CMD_CAM", CMD_CAM}, {"CMD_CAM_ONOFF", CMD_CAM_ONOFF}, {"CMD_CAMRES", CMD_CAMRES},
    {"CMD_CANCEL", CMD_CANCEL}, {"CMD_OK", CMD_OK}, {"CMD_FLY", CMD_FLY}, {"CMD_SOUND", CMD_SOUND},
    {"CMD_CONNECT", CMD_CONNECT}, {"CMD_BACK", CMD_BACK}, {"CMD_ACP", CMD_ACP},
    {"CMD_BFONT", CMD_BFONT}, {"CMD_TFONT", CMD_TFONT}, {"CMD_INVERT", CMD_INVERT},
    {"CMD_UP", CMD_UP}, {"CMD_DOWN", CMD_DOWN}, {"CMD_TAB", CMD_TAB}, {"CMD_BTAB", CMD_BTAB},
    {"CMD_PLUS", CMD_PLUS}, {"CMD_MINUS", CMD_MINUS}, {"CMD_CTRL_PLUS", CMD_CTRL_PLUS},
    {"CMD_CTRL_MINUS", CMD_CTRL_MINUS}, {"CMD_SHIFT_PLUS", CMD_SHIFT_PLUS},
    {"CMD_SHIFT_MINUS", CMD_SHIFT_MINUS}, {"CMD_ALT_PLUS", CMD_ALT_PLUS},
    {"CMD_ALT_MINUS", CMD_ALT_MINUS}, {"CMD_PAUSE", CMD_PAUSE}, {"CMD_TRIGGER", CMD_TRIGGER},
    {"CMD_TRACK", CMD_TRACK}, {"CMD_BIGSMALL", CMD_BIGSMALL}, {"CMD_OUTLINE", CMD_OUTLINE},
    {"BUTTON0", BUTTON0}, {"BUTTON1", BUTTON1}, {"BUTTON2", BUTTON2}, {"BUTTON3", BUTTON3},
    {"BUTTON4", BUTTON4}, {"BUTTON5", BUTTON5},
    {"", 0},
};
// clang-format on

constexpr std::size_t kNameCount = sizeof kNames / sizeof kNames[0] - 1;

bool EndsToken(unsigned char c) { return c <= 32 || c >= 128; }

std::int32_t ShortTokenValue(const char* token, std::size_t length) {
  if (length == 0) return 0;
  unsigned char first = static_cast<unsigned char>(token[0]);
  if (first >= 'A' && first <= 'Z') return first;
  if (first == '"') return static_cast<unsigned char>(token[1]);  // NUL when nothing follows
  if (first < '0') return 0;
  std::int32_t value = 0;
  for (std::size_t i = 0; i < length && token[i] >= '0' && token[i] <= '9'; ++i) value = value * 10 + (token[i] - '0');
  return value;
}

}  // namespace

const KeyName* KeyNameTable() { return kNames; }
std::size_t KeyNameCount() { return kNameCount; }

std::int32_t NameToValue(const char* token) {
  if (!token) return 0;
  while (*token == ' ') ++token;
  char word[kKeyTokenMax + 1];
  std::size_t length = 0;
  while (length < kKeyTokenMax && token[length] != '\0' && !EndsToken(static_cast<unsigned char>(token[length]))) {
    word[length] = token[length];
    ++length;
  }
  word[length] = '\0';
  if (length <= 3) return ShortTokenValue(word, length);
  for (std::size_t i = 0; i < kNameCount; ++i)
    if (std::strcmp(kNames[i].name, word) == 0) return kNames[i].value;
  return -1;
}
