// The one COM port of the program: opened with the line settings the device
// needs, moving blocks of bytes in and out, never waiting for bytes that have
// not arrived and never waiting without bound (bounded_write.h). Single-
// threaded: every call comes from the main window's thread and waits for its
// own transfer before it returns.
#pragma once
#include <windows.h>

#include <cstdint>

#include "base/owners.h"

constexpr int kDeviceNameSize = 15;  // "\\.\COM254" and its NUL fit
constexpr int kPortListSize = 256;   // port numbers, ended by a 0 byte
constexpr int kHighestProbedPort = 254;
constexpr int kDosDeviceAnswerSize = 5000;
constexpr DWORD kInputQueue = 128;
constexpr DWORD kOutputQueue = 512;
constexpr WORD kXonLimit = 5;
constexpr WORD kXoffLimit = 50;
constexpr int kFirstPrefixedPort = 10;  // from COM10 on the name needs \\.\ in front

struct SerialPort {
  FileHandle handle;
  std::int32_t connected = 0;
  // The open port failed itself (its error state could not be read, as
  // when a USB serial adapter is pulled out); cleared by the next open.
  bool gone = false;
  // Every transfer is awaited on its block's event, with a bound. The blocks
  // live as long as the port, so that a transfer cancelled late never
  // writes into a stack that has moved on.
  OVERLAPPED writeBlock = {};
  OVERLAPPED readBlock = {};
  KernelHandle writeDone;
  KernelHandle readDone;
  std::uint32_t portNumber = 0;
  std::uint32_t baudRate = 0;
  char deviceName[kDeviceNameSize] = {};
  std::uint8_t portList[kPortListSize] = {};
  std::uint8_t portCount = 0;

  SerialPort() = default;
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;
};

// The process-wide port.
extern SerialPort g_serialPort;

// Probes COM0 .. COM254 and lists the present ones; returns their count.
int ScanComPorts();
bool IsPortPresent(int n);
// The i-th present port, 0 when i is at or past the count.
int PortAt(int i);
// The name handed to the platform for port n: COM9, \\.\COM10.
void BuildDeviceName(char* out, int size, int n);
// Opens and sets up the port of the record's number and baud rate; a port
// still open is closed first (a COM port cannot be opened twice).
bool OpenConnection();
bool CloseConnection();
bool start_v24(int port, int baud);
// At most n bytes that have already arrived; the first n bytes of buffer
// are zeroed first.
int ReadCommBlock(std::uint8_t* buffer, int n);
// Writes n bytes and waits until the driver has taken them all, within the
// bound of WriteBounded (a stall is logged, the output released, at last the
// write cancelled; a line error cleared and the bytes resent). True when
// every byte went out.
bool WriteComBlock(const std::uint8_t* buffer, int n);
