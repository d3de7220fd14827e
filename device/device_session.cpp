#include "device/device_session.h"

#include <cstdio>
#include <cstring>

#include "base/log.h"
#include "base/text.h"
#include "base/trace.h"
#include "device/device_frame.h"

namespace {

constexpr char kDeviceSection[] = "Device";
// The device family's name; an identified device's name begins with its
// first letter.
constexpr char kFamilyName[] = "Relivo";
constexpr int kConnectPump = 10;
constexpr int kFrameSendBuffer = kGraphicSize + kFrameOverhead;
// Frame offsets of the fields the reader looks at, counted in the payload
// (the bytes after the length field).
constexpr int kPayloadCommandHi = 1;
constexpr int kPayloadCommandLo = 2;
constexpr int kPayloadData = 4;
constexpr int kLengthLowByte = 3;  // frame offset of the length byte the reader uses
constexpr int kKeyBytes = 2;
constexpr int kInfoBytes = 3;
// Top-ups of the receive buffer while one read looks for a frame start, so
// that a line full of junk cannot hold the tick.
constexpr int kSyncRounds = 8;
constexpr int kPayloadRetries = 2;

const std::uint8_t kBlankGraphic[kGraphicSize] = {};

// Translator bit k (dot k + 1) goes to device bit kDotToBit[k]: dots
// 1, 2, 3, 7 form the left column, dots 4, 5, 6, 8 the right one.
constexpr int kDotToBit[8] = {0, 1, 2, 4, 5, 6, 3, 7};

void SetNotConnectedName(DeviceSession& s) {
  char text[kDeviceTextSize];
  s.host->GetText("not_connected", text, "nicht\\nverbunden", kDeviceTextSize);
  CopyText(s.name, sizeof s.name, text);
}

void ClearIdentity(DeviceSession& s) {
  std::memset(s.name, 0, sizeof s.name);
  std::memset(s.version, 0, sizeof s.version);
  s.cells = 0;
  s.columns = 0;
  s.port = 0;
}

// The text of a name or version reply: the data bytes up to the first NUL
// or up to the checksum, at most 19 characters.
void TakeReplyText(char* out, const std::uint8_t* payload, int length, int got) {
  int end = length - 1;  // the checksum is the last byte
  if (end > got) end = got;
  int n = 0;
  for (int i = kPayloadData; i < end && n < kDeviceTextMax && payload[i] != 0; ++i) {
    out[n++] = static_cast<char>(payload[i]);
  }
  out[n] = '\0';
}

// ---- receiving ------------------------------------------------------------

// Moves what has arrived into the receive buffer until it holds `want`
// bytes; returns the number of bytes added.
int ReceiveMore(DeviceSession& s, int want) {
  const int room = want - s.receivedCount;
  if (room <= 0) return 0;
  int got = s.link->Read(s.received + s.receivedCount, room);
  if (got < 0) got = 0;
  if (got > room) got = room;
  s.receivedCount += got;
  if (got > 0) s.heard = 1;  // whatever it is, the device is there
  return got;
}

void DropReceived(DeviceSession& s, int n) {
  if (n <= 0) return;
  if (n > s.receivedCount) n = s.receivedCount;
  std::memmove(s.received, s.received + n, static_cast<std::size_t>(s.receivedCount - n));
  s.receivedCount -= n;
}

// Index of the first frame start in received[from, to): AA 55, or AA as
// the last byte received (its 55 may follow); `to` when there is none.
int FindFrameStart(const DeviceSession& s, int from, int to) {
  for (int i = from; i < to; ++i) {
    if (s.received[i] != kFrameSync0) continue;
    if (i + 1 == s.receivedCount || s.received[i + 1] == kFrameSync1) return i;
  }
  return to;
}

// Fills the buffer up to a frame header that begins with AA 55, dropping
// what comes before it. Waits kPayloadRetryMs once for the rest of a header
// cut by the line. False when no whole header is there.
bool ReceiveHeader(DeviceSession& s) {
  if (ReceiveMore(s, kFrameHeader) == 0 && s.receivedCount == 0) return false;
  bool waited = false;
  for (int round = 0; round < kSyncRounds; ++round) {
    DropReceived(s, FindFrameStart(s, 0, s.receivedCount));
    if (s.receivedCount >= kFrameHeader) return true;
    if (ReceiveMore(s, kFrameHeader) > 0) continue;
    if (waited || s.receivedCount == 0) return false;
    waited = true;
    s.link->Sleep(kPayloadRetryMs);
    if (ReceiveMore(s, kFrameHeader) == 0) return false;
  }
  return false;
}

bool ChecksumRight(const std::uint8_t* frame, int size) {
  return FrameChecksum(frame + kFrameHeader, static_cast<std::size_t>(size - kFrameHeader - 1)) == frame[size - 1];
}

void QueueKey(DeviceSession& s, std::uint16_t bits) {
  s.keyBits |= bits;
  if (s.keyBits == 0) return;
  char text[8];
  std::snprintf(text, sizeof text, "%04X", s.keyBits);
  LogWrite("key:%s", text);
  if (s.keyCount < kKeyQueueSize) s.keyQueue[s.keyCount++] = s.keyBits;
  s.keyBits = 0;
}

// Acts on one frame: `payload` holds the `got` bytes that arrived of the
// `length` announced; `whole` when they all arrived and the checksum is
// right.
void HandleFrame(DeviceSession& s, const std::uint8_t* payload, int length, int got, bool whole) {
  if (got <= kPayloadCommandLo) return;  // the command code did not arrive
  const std::uint16_t command =
      static_cast<std::uint16_t>(payload[kPayloadCommandHi] << 8 | payload[kPayloadCommandLo]);
  const std::uint8_t* data = payload + kPayloadData;
  switch (command) {
    case kCmdNameReply: TakeReplyText(s.name, payload, length, got); break;
    case kCmdVersionReply: TakeReplyText(s.version, payload, length, got); break;
    case kCmdInfoReply:
      if (got >= kPayloadData + kInfoBytes) {
        s.cells = static_cast<std::int16_t>(data[0] + 256 * data[1]);
        s.columns = data[2];
      }
      break;
    default:
      // A key only from a frame that arrived whole, its two key bytes
      // before the checksum.
      if (IsKeyReport(command) && whole && length > kPayloadData + kKeyBytes)
        QueueKey(s, static_cast<std::uint16_t>(data[0] << 8 | data[1]));
      break;
  }
}

// ReadFrame on an open port, connected or not.
void ReadFrameOnLine(DeviceSession& s) {
  if (!ReceiveHeader(s)) return;

  // Only the low byte of the length is used; 0 stands for 15.
  const int length = s.received[kLengthLowByte] == 0 ? kZeroLengthPayload : s.received[kLengthLowByte];
  s.frameLength = static_cast<std::int16_t>(length);
  const int size = kFrameHeader + length;
  ReceiveMore(s, size);
  // The rest of a frame cut by the line: a try after nothing came, and one
  // more after part of it came.
  for (int retry = 0; retry < kPayloadRetries && s.receivedCount < size; ++retry) {
    s.link->Sleep(kPayloadRetryMs);
    ReceiveMore(s, size);
  }
  int end = s.receivedCount < size ? s.receivedCount : size;
  const bool whole = end == size && ChecksumRight(s.received, size);
  // A byte lost on the line (a flow-control byte the driver took) leaves
  // the frame short, and the start of the next frame shows inside it: this
  // one ends there.
  if (!whole) end = FindFrameStart(s, 2, end);
  HandleFrame(s, s.received + kFrameHeader, length, end - kFrameHeader, whole);
  DropReceived(s, end);
}

// Asks the device on the open port who it is and, when a greeting is
// given, shows it on the pins. True when the device identified itself;
// otherwise the port is let go.
bool Identify(DeviceSession& s, const std::uint8_t* greeting) {
  s.connected = 1;
  SendCommand(s, kCmdVersionRequest);
  SendCommand(s, kCmdNameRequest);
  SendCommand(s, kCmdInfoRequest);
  LogWrite("   Name:[%s]", s.name);
  LogWrite("Version:[%s]", s.version);
  LogWrite("Cells/Cols/COM: %d/%d", s.cells, s.columns);

  if (greeting != nullptr) SendFrame(s, kTargetGraphic, kGraphicSize, greeting);

  s.ready = 1;
  if (s.name[0] != kFamilyName[0]) {
    // Not identified: the session gives up and lets the port go.
    s.connected = 0;
    s.link->Close();
    return false;
  }
  s.lost = 0;
  s.heard = 1;  // it has just answered
  s.probes = 0;
  return true;
}

// Asks for the device's name and finds the answer on a later look: the
// request is written, nothing is awaited.
void SendProbe(DeviceSession& s) {
  std::uint8_t frame[kCommandFrameSize];
  const std::size_t size = BuildCommandFrame(frame, sizeof frame, kCmdNameRequest);
  s.link->Write(frame, static_cast<int>(size));
}

bool Due(std::uint32_t nowMs, std::uint32_t atMs) { return static_cast<std::int32_t>(nowMs - atMs) >= 0; }

// The device went away: the port is let go, page and text stay as they are,
// and the session tries again from retryMs on.
void LoseDevice(DeviceSession& s, std::uint32_t nowMs, bool portGone) {
  if (portGone)
    LogWrite("Err: Ger\xe4t verloren, der Anschluss ist weg %s", s.linkText);
  else
    LogWrite("Err: Ger\xe4t antwortet nicht mehr %s", s.linkText);
  s.link->Close();
  s.receivedCount = 0;
  s.connected = 0;
  s.ready = 0;
  s.lost = 1;
  s.graphicUnsure = 1;
  s.retryMs = nowMs + kRetryEveryMs;
  SetNotConnectedName(s);
}

// Connected: is the device still there?
LinkEvent WatchConnected(DeviceSession& s, std::uint32_t nowMs) {
  if (s.heard) {
    s.heard = 0;
    s.lastHeardMs = nowMs;
    s.probes = 0;
  }
  if (s.link->PortGone()) {
    LoseDevice(s, nowMs, true);
    return LinkEvent::kLost;
  }
  const std::uint32_t silent = nowMs - s.lastHeardMs;
  if (silent >= kLostAfterMs && s.probes >= kProbesBeforeLost) {
    LoseDevice(s, nowMs, false);
    return LinkEvent::kLost;
  }
  if (silent >= kProbeAfterMs && (s.probes == 0 || nowMs - s.probeMs >= kProbeEveryMs)) {
    SendProbe(s);
    ++s.probes;
    s.probeMs = nowMs;
  }
  return LinkEvent::kNone;
}

// Lost: has the device answered the last try, or is it time for the next?
LinkEvent WatchLost(DeviceSession& s, std::uint32_t nowMs, int baud) {
  if (!Due(nowMs, s.retryMs)) {
    ReadFrameOnLine(s);
    if (!s.heard || s.link->PortGone()) return LinkEvent::kNone;
    // Something answered: who?
    if (!Identify(s, nullptr)) return LinkEvent::kNone;
    LogWrite("Ger\xe4t wieder verbunden %s", s.linkText);
    s.lastHeardMs = nowMs;
    s.heard = 0;
    return LinkEvent::kBack;
  }
  s.retryMs = nowMs + kRetryEveryMs;
  // A fresh open each time: the old handle may belong to an adapter that
  // was pulled out, and a device that hung may answer a new line.
  s.link->Close();
  s.receivedCount = 0;
  s.heard = 0;
  if (s.link->Open(s.port, baud)) SendProbe(s);
  return LinkEvent::kNone;
}

}  // namespace

int SessionHost::GetInt(const char* key, int def, const char* section) {
  (void)key;
  (void)section;
  return def;
}

void SessionHost::WriteInt(const char* key, int value, const char* section) {
  (void)key;
  (void)value;
  (void)section;
}

void SessionHost::GetText(const char* key, char* out, const char* def, int size) {
  (void)key;
  if (out == nullptr || size <= 0) return;
  CopyText(out, static_cast<std::size_t>(size), def);
  UnescapeText(out, static_cast<std::size_t>(size));
  out[size - 1] = '\0';
}

void SessionHost::ReadEditText(char* out, int size) {
  if (out != nullptr && size > 0) out[0] = '\0';
}

int SessionHost::TranslateText(const char* text, std::uint8_t* cells, std::uint16_t* count) {
  (void)text;
  (void)cells;
  (void)count;
  LogWrite("Err: lou_translateString nicht gefunden!");
  return 0;
}

void InitDeviceSession(DeviceSession& s, DeviceTransport& link, SessionHost& host) {
  std::memset(&s, 0, sizeof s);
  s.link = &link;
  s.host = &host;
  for (int i = 0; i < kGraphicSize; ++i) s.lastGraphic[i] = static_cast<std::uint8_t>(i % 256);
  for (int v = 0; v < kDotOrderSize; ++v) {
    int mapped = 0;
    for (int k = 0; k < 8; ++k) {
      if (v & (1 << k)) mapped |= 1 << kDotToBit[k];
    }
    s.dotOrder[v] = static_cast<std::uint8_t>(mapped);
  }
  int count = link.ScanPorts();
  s.portCount = static_cast<std::uint8_t>(count < 0 ? 0 : count > 255 ? 255 : count);
}

bool Connect(DeviceSession& s) {
  s.host->ShowWaitCursor(true);
  s.host->PumpMessages(kConnectPump);
  if (s.connected) Disconnect(s);

  ClearIdentity(s);
  SetNotConnectedName(s);

  int port = s.host->GetInt("COM", kDefaultComPort, kDeviceSection);
  if (!s.link->IsPortPresent(port)) {
    port = s.link->PortAt(0);
    s.host->WriteInt("COM", port, kDeviceSection);
  }
  s.port = static_cast<std::int16_t>(port);
  int baud = s.host->GetInt("Baud", kDefaultBaud, kDeviceSection);
  std::snprintf(s.linkText, sizeof s.linkText, "COM:%d Baud:%d", port, baud);

  // A port left open (by a connect that found no device, or by anyone)
  // would refuse this open.
  s.link->Close();
  s.receivedCount = 0;
  if (!s.link->Open(port, baud)) return false;

  LogWrite("Com offen, nun wird die Zeile getestet. %s", s.linkText);
  Identify(s, kStartImage);

  s.host->ShowWaitCursor(false);
  s.host->PumpMessages(kConnectPump);
  return true;
}

void Disconnect(DeviceSession& s) {
  if (s.connected) {
    SendFrame(s, kTargetCommand, kBrailleCells, s.zeroBlock);
    s.link->Sleep(kReplyWaitMs);
    ReadFrame(s);
    SendFrame(s, kTargetGraphic, kGraphicSize, kBlankGraphic);
    s.link->Sleep(kReplyWaitMs);
    ReadFrame(s);
  }
  ClearIdentity(s);
  SetNotConnectedName(s);
  s.link->Close();
  s.receivedCount = 0;
  s.connected = 0;
  s.ready = 0;
  s.lost = 0;
}

LinkEvent WatchLink(DeviceSession& s, std::uint32_t nowMs) {
  if (s.connected) return WatchConnected(s, nowMs);
  if (s.lost) return WatchLost(s, nowMs, s.host->GetInt("Baud", kDefaultBaud, kDeviceSection));
  return LinkEvent::kNone;
}

void SendCommand(DeviceSession& s, std::uint16_t command) {
  if (!s.connected) return;
  s.ready = 0;
  std::uint8_t frame[kCommandFrameSize];
  std::size_t size = BuildCommandFrame(frame, sizeof frame, command);
  s.link->Write(frame, static_cast<int>(size));  // a lost request shows as a missing reply
  s.link->Sleep(kReplyWaitMs);
  for (int waited = kReplyWaitMs; waited < kRequestReplyMs && ReceiveMore(s, kFrameHeader) == 0 && s.receivedCount == 0;
       waited += kPayloadRetryMs)
    s.link->Sleep(kPayloadRetryMs);
  ReadFrame(s);
  s.ready = 1;
}

void SendFrame(DeviceSession& s, int target, int k, const std::uint8_t* data) {
  if (!s.connected) return;
  if (k < 0 || k > kGraphicSize || (k > 0 && data == nullptr)) {
    LogWrite("Err: SendFrame %d Byte", k);
    return;
  }
  if (target == kTargetGraphic) {
    bool same = k == kGraphicSize && !GraphicDiffers(s, data);
    std::memcpy(s.lastGraphic, data, static_cast<std::size_t>(k));
    if (same) return;
  }
  s.ready = 0;
  std::uint8_t frame[kFrameSendBuffer];
  std::size_t size = BuildFrame(frame, sizeof frame, static_cast<std::uint8_t>(target), kCmdDisplayData, data,
                                static_cast<std::size_t>(k));
  TraceMark(TraceStage::kWriteStarted, target);
  bool written = s.link->Write(frame, static_cast<int>(size));
  TraceMark(TraceStage::kWriteDone, target);
  // The braille line goes out every time anyway; a graphic that was lost
  // must not keep the device on the page before it.
  if (target == kTargetGraphic) s.graphicUnsure = written ? 0 : 1;
  s.link->Sleep(kReplyWaitMs);
  ReadFrame(s);
  TraceMark(TraceStage::kReplyRead, target);
  s.ready = 1;
}

bool GraphicDiffers(const DeviceSession& s, const std::uint8_t* graphic) {
  return s.graphicUnsure || std::memcmp(s.lastGraphic, graphic, kGraphicSize) != 0;
}

void ReadFrame(DeviceSession& s) {
  if (s.connected) ReadFrameOnLine(s);
}

int UpdateTextLine(DeviceSession& s) {
  char text[kEditTextSize] = {};
  s.host->ReadEditText(text, kEditTextSize);
  text[kEditTextSize - 1] = '\0';
  const int length = static_cast<int>(std::strlen(text));
  if (std::strcmp(text, s.lastText) == 0 && !s.host->CheckBrailleSelection()) return length;

  CopyText(s.lastText, sizeof s.lastText, text);

  TraceMark(TraceStage::kTextChanged);
  s.host->ShowStatusText("Please.wait", "-");
  std::uint8_t cells[kTranslateCells] = {};
  std::uint16_t count = 0;
  s.host->TranslateText(text, cells, &count);
  std::uint8_t mapped[kTranslateMapped] = {};
  for (int i = 0; i < kTranslateMapped; ++i) mapped[i] = MapCell(s, cells[i]);
  // The line leaves for the device before the window shows anything more.
  SendFrame(s, kTargetCommand, kBrailleCells, mapped);
  s.host->ShowStatusText("Ready", "-");
  s.host->StoreTextLine(text, mapped);
  return length;
}

int QueuedKeys(const DeviceSession& s) { return s.keyCount; }

std::uint16_t TakeNewestKey(DeviceSession& s) {
  if (s.keyCount == 0) return 0;
  return s.keyQueue[--s.keyCount];
}

std::uint8_t MapCell(const DeviceSession& s, std::uint8_t cell) { return s.dotOrder[cell]; }
