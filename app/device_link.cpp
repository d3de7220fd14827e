// The device session of the program: the COM port below it, the main
// window above it.
#include "app/device_link.h"

#include <windows.h>

#include <chrono>
#include <cstring>

#include "app/app_state.h"
#include "app/braille_link.h"
#include "app/main_window.h"
#include "app/page_input.h"
#include "base/log.h"
#include "base/settings.h"
#include "base/sound.h"
#include "base/text.h"
#include "device/device_frame.h"
#include "device/device_session.h"
#include "device/device_windows.h"
#include "device/serial_port.h"

namespace {

// The session's view of the main window: its status line, the edit line,
// the braille lists and translator, and the record that takes the braille
// line. Settings, texts, the wait
// cursor and the message pump are the plain Windows host's.
class MainWindowSessionHost : public WindowsSessionHost {
 public:
  // "Please wait" and "Ready" around every translation of the text line
  // pass by too often to be spoken: they are only shown.
  void ShowStatusText(const char* key, const char* def) override {
    (void)def;
    char text[kValueMax];
    // language key from the callers of ShowStatusText, argument 0
    GetText(key, text, "-", sizeof text);
    ShowStatus(text, StatusSpeech::kShownOnly);
  }
  void ReadEditText(char* out, int size) override {
    if (!out || size <= 0) return;
    out[0] = '\0';
    if (g_view.editWnd) GetWindowTextA(g_view.editWnd, out, size);
  }
  bool CheckBrailleSelection() override { return BrailleSelectionChanged(); }
  int TranslateText(const char* text, std::uint8_t* cells, std::uint16_t* count) override {
    return BrailleTranslate(text, cells, count);
  }
  void StoreTextLine(const char* text, const std::uint8_t* cells) override {
    std::memset(g_dtm.text, 0, kDtmTextField);
    std::strncpy(g_dtm.text, text, kDtmTextField);
    std::memcpy(g_dtm.cells, cells, kTextCells);
    UnpackTextLine(g_page, g_dtm, MainPageObserver());
  }
};

DeviceSession& Session() {
  static MainWindowSessionHost host;
  DeviceSession& s = TheDeviceSession();
  s.host = &host;
  return s;
}

// A graphic frame takes 26.9 ms on the wire at 115200 baud. Frames handed
// to the port faster than that wait in the line's buffer, and the newest
// pins behind stale ones (a pen stroke changes the page at every mouse
// report). So a graphic that comes while the last one is still on the wire
// waits until the wire is free and then leaves as the newest one.
using Clock = std::chrono::steady_clock;
Clock::time_point g_wireFree;
bool g_graphicWaiting = false;

Clock::duration GraphicWireTime() {
  const std::uint32_t baud = g_serialPort.baudRate ? g_serialPort.baudRate : kDefaultBaud;
  const long long bits = 10LL * (kGraphicSize + kFrameOverhead);  // 8N1: ten bits a byte
  return std::chrono::microseconds(bits * 1000000 / baud);
}

// The page's graphic as the device is to show it (with the pin cursor).
void SendGraphicWhenFree(DeviceSession& s) {
  if (!s.ready || g_graphicWaiting) return;
  std::uint8_t graphic[kPackedGraphic];
  std::memcpy(graphic, g_dtm.graphic, sizeof graphic);
  CursorOnDevice(graphic);
  const Clock::time_point now = Clock::now();
  if (now < g_wireFree && GraphicDiffers(s, graphic)) {
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(g_wireFree - now).count() + 1;
    g_graphicWaiting = SetTimer(g_app.mainWindow, kGraphicTimerId, static_cast<UINT>(wait), nullptr) != 0;
    if (g_graphicWaiting) return;
  }
  if (GraphicDiffers(s, graphic)) g_wireFree = now + GraphicWireTime();
  SendFrame(s, 1, kPackedGraphic, graphic);
}

}  // namespace

void DeviceGraphicDue() {
  KillTimer(g_app.mainWindow, kGraphicTimerId);
  g_graphicWaiting = false;
  SendGraphicWhenFree(Session());
}

void DeviceReadFrame() { ReadFrame(Session()); }

bool DeviceTakeKey(std::uint16_t& code) {
  DeviceSession& s = Session();
  if (QueuedKeys(s) == 0) return false;
  code = TakeNewestKey(s);
  return true;
}

int DeviceUpdateTextLine() { return UpdateTextLine(Session()); }
bool DeviceConnected() { return Session().connected != 0; }
bool DeviceLost() { return Session().lost != 0; }

void DeviceWatchLink() {
  const LinkEvent event = WatchLink(Session(), GetTickCount());
  if (event == LinkEvent::kNone) return;
  if (event == LinkEvent::kLost) {
    ShowStatusText("device.lost");
    PlayEventSound("lost", kSoundStart);
  } else {
    DeviceSendPage();
    ShowStatusText("device.back");
    PlayEventSound("connect", kSoundStart);
  }
  ShowInfoPanel();
  DrawMainIconBar(g_app.mainWindow);
}

void DeviceToggleConnection() {
  DeviceSession& s = Session();
  if (s.connected) {
    Disconnect(s);
  } else {
    Connect(s);
    SendFrame(s, 1, kPackedGraphic, g_dtm.graphic);
  }
}

void DeviceSelectPort(int entry) {
  DeviceSession& s = Session();
  int port = PortAt(entry);
  if (port == 0 || port == s.port) return;
  ProfileWriteInt("COM", port, "Device");
  if (ProfileGetInt("autostart", 0, "Device") != 0) Connect(s);
}

void DeviceSendGraphic() { SendGraphicWhenFree(Session()); }

void DeviceSendPage() {
  DeviceSession& s = Session();
  if (!s.ready) return;
  SendGraphicWhenFree(s);
  SendFrame(s, 0, kTextCells, g_dtm.cells);
}

bool DeviceGraphicDiffers(const std::uint8_t* graphic) {
  const DeviceSession& s = Session();
  return s.connected && GraphicDiffers(s, graphic);
}

void DeviceScanPorts() { ScanComPorts(); }
const char* DeviceName() { return Session().name; }
const char* DeviceVersion() { return Session().version; }
int DevicePortNumber() { return Session().port; }
const char* DeviceLastText() { return Session().lastText; }
