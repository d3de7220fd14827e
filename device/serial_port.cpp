#include "device/serial_port.h"

#include <cstdio>
#include <cstring>

#include "base/log.h"
#include "device/bounded_write.h"

SerialPort g_serialPort;

namespace {

constexpr int kErrorTextSize = 24;
// A read asks only for bytes that have arrived and ends at once; this bound
// only guards against a driver that does not.
constexpr DWORD kReadBoundMs = 100;
// How long a cancelled transfer may take to end.
constexpr DWORD kCancelBoundMs = 100;

void ErrorText(char* out, DWORD code) { std::snprintf(out, kErrorTextSize, "<CE-%u>", static_cast<unsigned>(code)); }

// Reads and so clears the port's error state. A port whose state cannot be
// read has failed itself (a USB serial adapter pulled out): it is marked
// gone, and logged once.
bool ReadErrorState(COMSTAT& status) {
  DWORD errors = 0;
  status = COMSTAT{};
  if (ClearCommError(g_serialPort.handle.Get(), &errors, &status)) return true;
  if (!g_serialPort.gone) {
    char text[kErrorTextSize];
    ErrorText(text, GetLastError());
    LogWrite("Err: Anschluss ausgefallen %s", text);
  }
  g_serialPort.gone = true;
  return false;
}

void ClearErrorState() {
  COMSTAT status;
  ReadErrorState(status);
}

// Aborts the transfer of `block` and waits, bounded, for it to end.
void CancelTransfer(OVERLAPPED& block, DWORD purge) {
  HANDLE h = g_serialPort.handle.Get();
  CancelIo(h);
  PurgeComm(h, purge);
  WaitForSingleObject(block.hEvent, kCancelBoundMs);
}

// WriteBounded's steps on the process-wide port.
class ComPortWriter : public PortWriter {
 public:
  WriteStart Start(const std::uint8_t* data, int n, unsigned& error) override {
    SerialPort& p = g_serialPort;
    p.writeBlock = OVERLAPPED{};
    p.writeBlock.hEvent = p.writeDone.Get();
    ResetEvent(p.writeDone.Get());
    DWORD written = 0;
    if (WriteFile(p.handle.Get(), data, static_cast<DWORD>(n), &written, &p.writeBlock)) return WriteStart::kDone;
    error = GetLastError();
    return error == ERROR_IO_PENDING ? WriteStart::kPending : WriteStart::kFailed;
  }
  bool Wait(int ms) override {
    return WaitForSingleObject(g_serialPort.writeDone.Get(), static_cast<DWORD>(ms)) == WAIT_OBJECT_0;
  }
  bool Finish(unsigned& error) override {
    DWORD written = 0;
    if (GetOverlappedResult(g_serialPort.handle.Get(), &g_serialPort.writeBlock, &written, FALSE)) return true;
    error = GetLastError();
    return false;
  }
  void ReleaseOutput() override {
    HANDLE h = g_serialPort.handle.Get();
    EscapeCommFunction(h, SETXON);
    // Not every driver lets SETXON lift a hold that a received XOFF put on
    // (a tty restarts only when its output flow control is switched off):
    // switching output flow control off and on again lifts it everywhere.
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(h, &dcb) || !dcb.fOutX) return;
    dcb.fOutX = FALSE;
    SetCommState(h, &dcb);
    dcb.fOutX = TRUE;
    SetCommState(h, &dcb);
  }
  void Cancel() override { CancelTransfer(g_serialPort.writeBlock, PURGE_TXABORT | PURGE_TXCLEAR); }
  void ClearErrors() override { ClearErrorState(); }
};

void ApplyLineSettings(DCB& dcb) {
  dcb.BaudRate = g_serialPort.baudRate;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.fBinary = TRUE;
  dcb.fParity = FALSE;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDtrControl = DTR_CONTROL_DISABLE;  // raised explicitly after the set-up
  dcb.fDsrSensitivity = FALSE;
  dcb.fTXContinueOnXoff = FALSE;
  dcb.fOutX = TRUE;
  dcb.fInX = TRUE;
  dcb.XonLim = kXonLimit;
  dcb.XoffLim = kXoffLimit;
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fAbortOnError = TRUE;
}

// Closes the port handle and its events; nothing is waiting on them.
void ReleasePort() {
  g_serialPort.handle.Reset();
  g_serialPort.writeDone.Reset();
  g_serialPort.readDone.Reset();
}

}  // namespace

int ScanComPorts() {
  SerialPort& p = g_serialPort;
  std::memset(p.portList, 0, sizeof p.portList);
  p.portCount = 0;
  static char answer[kDosDeviceAnswerSize];
  for (int n = 0; n <= kHighestProbedPort; ++n) {
    char name[kDeviceNameSize];
    std::snprintf(name, sizeof name, "COM%1d", n);
    if (QueryDosDeviceA(name, answer, kDosDeviceAnswerSize) != 0 && p.portCount < kPortListSize - 1) {
      p.portList[p.portCount++] = static_cast<std::uint8_t>(n);
    }
  }
  return p.portCount;
}

bool IsPortPresent(int n) {
  if (n <= 0) return false;
  for (int i = 0; i < g_serialPort.portCount; ++i) {
    if (g_serialPort.portList[i] == n) return true;
  }
  return false;
}

int PortAt(int i) { return i >= 0 && i < g_serialPort.portCount ? g_serialPort.portList[i] : 0; }

void BuildDeviceName(char* out, int size, int n) {
  std::snprintf(out, static_cast<std::size_t>(size), "%s%s%d", n >= kFirstPrefixedPort ? "\\\\.\\" : "", "COM", n);
}

bool OpenConnection() {
  SerialPort& p = g_serialPort;
  // The platform opens a COM port only once: an older handle would make
  // this open fail.
  if (p.handle) CloseConnection();
  BuildDeviceName(p.deviceName, sizeof p.deviceName, static_cast<int>(p.portNumber));
  p.handle.Reset(CreateFileA(p.deviceName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr));
  if (!p.handle) return false;
  p.gone = false;
  p.writeDone.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  p.readDone.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  HANDLE h = p.handle.Get();

  SetupComm(h, kInputQueue, kOutputQueue);
  PurgeComm(h, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
  COMMTIMEOUTS timeouts = {};
  SetCommTimeouts(h, &timeouts);

  DCB dcb = {};
  dcb.DCBlength = sizeof dcb;
  GetCommState(h, &dcb);
  ApplyLineSettings(dcb);
  if (!p.writeDone || !p.readDone || !SetCommState(h, &dcb)) {
    LogWrite("fRetVal ist FALSE");
    p.connected = 0;
    ReleasePort();
    return false;
  }
  p.connected = 1;
  EscapeCommFunction(h, SETDTR);
  return true;
}

bool CloseConnection() {
  SerialPort& p = g_serialPort;
  p.connected = 0;
  if (!p.handle) return true;
  HANDLE h = p.handle.Get();
  SetCommMask(h, 0);
  EscapeCommFunction(h, CLRDTR);
  EscapeCommFunction(h, CLRRTS);
  PurgeComm(h, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
  ReleasePort();
  return true;
}

bool start_v24(int port, int baud) {
  g_serialPort.portNumber = static_cast<std::uint32_t>(port);
  g_serialPort.baudRate = static_cast<std::uint32_t>(baud);
  char text[32];
  std::snprintf(text, sizeof text, "[%d %d]", port, baud);
  bool ok = OpenConnection();
  LogWrite("start_v24 nach OpenConnection() %s", text);
  if (!ok) {
    LogWrite("start_v24: OpenConnection FALSE %s", text);
    CloseConnection();
    return false;
  }
  return true;
}

int ReadCommBlock(std::uint8_t* buffer, int n) {
  if (buffer == nullptr || n <= 0) return 0;
  std::memset(buffer, 0, static_cast<std::size_t>(n));
  SerialPort& p = g_serialPort;
  if (!p.handle) return 0;
  HANDLE h = p.handle.Get();
  COMSTAT status;
  if (!ReadErrorState(status)) return 0;
  DWORD k = status.cbInQue < static_cast<DWORD>(n) ? status.cbInQue : static_cast<DWORD>(n);
  if (k == 0) return 0;

  DWORD got = 0;
  p.readBlock = OVERLAPPED{};
  p.readBlock.hEvent = p.readDone.Get();
  ResetEvent(p.readDone.Get());
  if (ReadFile(h, buffer, k, &got, &p.readBlock)) return static_cast<int>(got <= k ? got : k);
  DWORD error = GetLastError();
  if (error != ERROR_IO_PENDING) {
    ClearErrorState();
    return 0;
  }
  if (WaitForSingleObject(p.readDone.Get(), kReadBoundMs) != WAIT_OBJECT_0) {
    CancelTransfer(p.readBlock, PURGE_RXABORT);
    LogWrite("Err: ReadCommBlock %u Byte nicht gelesen", static_cast<unsigned>(k));
  }
  if (!GetOverlappedResult(h, &p.readBlock, &got, FALSE)) {
    char text[kErrorTextSize];
    ErrorText(text, GetLastError());
    ClearErrorState();
    LogWrite("Error in ReadCommBlock %s", text);
  }
  return static_cast<int>(got <= k ? got : k);
}

bool WriteComBlock(const std::uint8_t* buffer, int n) {
  SerialPort& p = g_serialPort;
  if (buffer == nullptr || n <= 0 || !p.handle) return false;
  ComPortWriter writer;
  if (WriteBounded(writer, buffer, n, WriteBoundMs(n, static_cast<int>(p.baudRate)))) return true;
  ClearErrorState();  // tells a line error from a port that is gone
  return false;
}
