// The device session on Windows: the COM port behind the session's port
// interface, the settings and the message loop behind its host, and the
// process-wide session itself.
#pragma once
#include <windows.h>

#include "device/device_session.h"

// The session's port: the process-wide COM port.
class SerialTransport : public DeviceTransport {
 public:
  int ScanPorts() override;
  bool IsPortPresent(int port) override;
  int PortAt(int i) override;
  bool Open(int port, int baud) override;
  void Close() override;
  int Read(std::uint8_t* buffer, int n) override;
  bool Write(const std::uint8_t* buffer, int n) override;
  void Sleep(int ms) override;
  bool PortGone() override;
};

// Settings from res\RelivoX.ini, the wait cursor and the message pump. The
// main window derives from it to hand the session its edit line, the
// braille translation and the DTM record.
class WindowsSessionHost : public SessionHost {
 public:
  int GetInt(const char* key, int def, const char* section) override;
  void WriteInt(const char* key, int value, const char* section) override;
  void GetText(const char* key, char* out, const char* def, int size) override;
  void ShowWaitCursor(bool wait) override;
  void PumpMessages(int n) override;
};

// Dispatches at most n messages of the thread's queue, the paint of the
// window included, and ends when the queue is empty: it never waits for a
// message that has not come. A quit message is put back and ends the pump,
// so that the message loop still sees it.
void PumpMessages(int n);

// The process-wide session, created (ports listed) on the first call. Its
// host can be replaced by the main window (`TheDeviceSession().host`); at
// process exit the session is disconnected (a connected device is blanked)
// through the plain Windows host.
DeviceSession& TheDeviceSession();
