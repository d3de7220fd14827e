#include "device/serial_port.h"

#include <cstdio>
#include <cstring>

#include "shell/log.h"

SerialPort g_serialPort;

SerialPort::~SerialPort() {
  if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
}

namespace {

constexpr int kErrorTextSize = 24;

void ErrorText(char* out, DWORD code) { std::snprintf(out, kErrorTextSize, "<CE-%u>", static_cast<unsigned>(code)); }

void ClearErrorState() {
  DWORD errors = 0;
  COMSTAT status = {};
  ClearCommError(g_serialPort.handle, &errors, &status);
}

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
  BuildDeviceName(p.deviceName, sizeof p.deviceName, static_cast<int>(p.portNumber));
  HANDLE h = CreateFileA(p.deviceName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  if (p.handle != INVALID_HANDLE_VALUE) CloseHandle(p.handle);  // never leak an older handle
  p.handle = h;

  SetupComm(h, kInputQueue, kOutputQueue);
  PurgeComm(h, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
  COMMTIMEOUTS timeouts = {};
  SetCommTimeouts(h, &timeouts);

  DCB dcb = {};
  dcb.DCBlength = sizeof dcb;
  GetCommState(h, &dcb);
  ApplyLineSettings(dcb);
  if (!SetCommState(h, &dcb)) {
    LogWrite("fRetVal ist FALSE");
    p.connected = 0;
    CloseHandle(h);
    p.handle = INVALID_HANDLE_VALUE;
    return false;
  }
  p.connected = 1;
  EscapeCommFunction(h, SETDTR);
  return true;
}

bool CloseConnection() {
  SerialPort& p = g_serialPort;
  p.connected = 0;
  if (p.handle == INVALID_HANDLE_VALUE) return true;
  SetCommMask(p.handle, 0);
  EscapeCommFunction(p.handle, CLRDTR);
  EscapeCommFunction(p.handle, CLRRTS);
  PurgeComm(p.handle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
  CloseHandle(p.handle);
  p.handle = INVALID_HANDLE_VALUE;
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
  if (p.handle == INVALID_HANDLE_VALUE) return 0;
  DWORD errors = 0;
  COMSTAT status = {};
  ClearCommError(p.handle, &errors, &status);
  DWORD k = status.cbInQue < static_cast<DWORD>(n) ? status.cbInQue : static_cast<DWORD>(n);
  if (k == 0) return 0;

  DWORD got = 0;
  p.readBlock = OVERLAPPED{};
  if (ReadFile(p.handle, buffer, k, &got, &p.readBlock)) return static_cast<int>(got);
  DWORD error = GetLastError();
  if (error != ERROR_IO_PENDING) {
    ClearErrorState();
    return 0;
  }
  while (!GetOverlappedResult(p.handle, &p.readBlock, &got, TRUE)) {
    error = GetLastError();
    if (error == ERROR_IO_INCOMPLETE) continue;
    char text[kErrorTextSize];
    ErrorText(text, error);
    ClearErrorState();
    LogWrite("Error in ReadCommBlock %s", text);
    break;
  }
  return static_cast<int>(got <= k ? got : k);
}

void WriteComBlock(const std::uint8_t* buffer, int n) {
  SerialPort& p = g_serialPort;
  if (buffer == nullptr || n <= 0 || p.handle == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  p.writeBlock = OVERLAPPED{};
  if (WriteFile(p.handle, buffer, static_cast<DWORD>(n), &written, &p.writeBlock)) return;
  DWORD error = GetLastError();
  if (error != ERROR_IO_PENDING) {
    ClearErrorState();
    return;
  }
  while (!GetOverlappedResult(p.handle, &p.writeBlock, &written, TRUE)) {
    error = GetLastError();
    if (error == ERROR_IO_INCOMPLETE) continue;
    char text[kErrorTextSize];
    ErrorText(text, error);
    LogWrite("WriteComBlock ERROR %s", text);
    ClearErrorState();
    return;
  }
}
