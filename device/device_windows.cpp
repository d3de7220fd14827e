#include "device/device_windows.h"

#include "base/settings.h"
#include "base/text.h"
#include "device/serial_port.h"

int SerialTransport::ScanPorts() { return ScanComPorts(); }
bool SerialTransport::IsPortPresent(int port) { return ::IsPortPresent(port); }
int SerialTransport::PortAt(int i) { return ::PortAt(i); }
bool SerialTransport::Open(int port, int baud) { return start_v24(port, baud); }
void SerialTransport::Close() { CloseConnection(); }
int SerialTransport::Read(std::uint8_t* buffer, int n) { return ReadCommBlock(buffer, n); }
bool SerialTransport::Write(const std::uint8_t* buffer, int n) { return WriteComBlock(buffer, n); }
void SerialTransport::Sleep(int ms) { ::Sleep(static_cast<DWORD>(ms)); }
bool SerialTransport::PortGone() { return g_serialPort.handle && g_serialPort.gone; }

int WindowsSessionHost::GetInt(const char* key, int def, const char* section) {
  return ProfileGetInt(key, def, section);
}

void WindowsSessionHost::WriteInt(const char* key, int value, const char* section) {
  ProfileWriteInt(key, value, section);
}

void WindowsSessionHost::GetText(const char* key, char* out, const char* def, int size) {
  if (out == nullptr || size <= 0) return;
  // language key from the callers of GetText, argument 0
  ::GetText(key, out, def, size);
  UnescapeText(out, static_cast<std::size_t>(size));
  out[size - 1] = '\0';
}

void WindowsSessionHost::ShowWaitCursor(bool wait) { SetCursor(LoadCursorA(nullptr, wait ? IDC_WAIT : IDC_ARROW)); }

void WindowsSessionHost::PumpMessages(int n) { ::PumpMessages(n); }

void PumpMessages(int n) {
  for (int i = 0; i < n; ++i) {
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return;
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

namespace {

struct ProcessDevice {
  SerialTransport port;
  WindowsSessionHost host;
  DeviceSession session;
  ProcessDevice() { InitDeviceSession(session, port, host); }
  ~ProcessDevice() {
    session.host = &host;
    Disconnect(session);
  }
  ProcessDevice(const ProcessDevice&) = delete;
  ProcessDevice& operator=(const ProcessDevice&) = delete;
};

}  // namespace

DeviceSession& TheDeviceSession() {
  static ProcessDevice device;
  return device.session;
}
