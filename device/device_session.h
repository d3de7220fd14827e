// The conversation with the tactile device: connecting and identifying it,
// sending the packed graphic and the braille line, and collecting its key
// reports for the main window's tick. Everything runs on the main window's
// thread and polls: one frame is read after every frame sent, and one more
// on every tick.
//
// The session knows no platform. It reaches the serial port through a
// `DeviceTransport` and the settings, the window and the braille translator
// through a `SessionHost`; the Windows build plugs in the COM port and the
// main window, the tests plug in fakes.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr int kDeviceTextSize = 20;  // name and version, NUL included
constexpr int kDeviceTextMax = kDeviceTextSize - 1;
constexpr int kKeyQueueSize = 31;
constexpr int kZeroBlockSize = 256;
constexpr int kEditTextSize = 80;  // edit line: at most 79 characters
constexpr int kLinkTextSize = 40;
constexpr int kGraphicSize = 300;  // packed graphic, as in the DTM record
constexpr int kBrailleCells = 20;  // braille line of the device
constexpr int kDotOrderSize = 256;
constexpr int kTranslateCells = 1024;  // cell buffer handed to the translator
constexpr int kTranslateMapped = 80;   // cells converted to device order
// A frame's payload is announced by the low byte of its length field, so
// it never exceeds 255 bytes; the receive buffer holds the largest frame.
constexpr int kFramePayloadMax = 255;
constexpr int kZeroLengthPayload = 15;                    // a length byte of 0 announces this much
constexpr int kReceiveBufferSize = 4 + kFramePayloadMax;  // sync, length, payload
constexpr int kDefaultComPort = 3;
constexpr int kDefaultBaud = 115200;
constexpr int kReplyWaitMs = 2;     // after every frame sent
constexpr int kPayloadRetryMs = 1;  // before the second try of a payload read
// A request of the identification waits this long at most for the start of
// its reply: a device answers within 2 ms, but a USB serial adapter or a
// busy machine may hold the reply back for a few timer periods.
constexpr int kRequestReplyMs = 100;

// Key bits of the six device keys.
constexpr std::uint16_t kKeyButton0 = 0x0004;
constexpr std::uint16_t kKeyButton1 = 0x8000;
constexpr std::uint16_t kKeyButton2 = 0x4000;
constexpr std::uint16_t kKeyButton3 = 0x2000;
constexpr std::uint16_t kKeyButton4 = 0x1000;
constexpr std::uint16_t kKeyButton5 = 0x0002;

// The serial link as the session sees it (the COM port on Windows).
class DeviceTransport {
 public:
  virtual ~DeviceTransport() = default;
  // Lists the present ports; returns their count.
  virtual int ScanPorts() = 0;
  virtual bool IsPortPresent(int port) = 0;
  // The i-th present port, 0 past the end.
  virtual int PortAt(int i) = 0;
  // Opens and sets up the port; logs its failure itself.
  virtual bool Open(int port, int baud) = 0;
  virtual void Close() = 0;
  // Reads at most n bytes that have already arrived, never waiting for
  // more; the first n bytes of buffer are zeroed first. Returns the count.
  virtual int Read(std::uint8_t* buffer, int n) = 0;
  // Writes n bytes and returns when the driver has taken them all, or when
  // it gave up within its bound; true when every byte went out.
  virtual bool Write(const std::uint8_t* buffer, int n) = 0;
  virtual void Sleep(int ms) = 0;
};

// Everything else the session needs from the program. The defaults are
// those of a program without settings file, window or braille translator:
// the tests and tools override what they look at.
class SessionHost {
 public:
  virtual ~SessionHost() = default;
  // Settings (key first, section last).
  virtual int GetInt(const char* key, int def, const char* section);
  virtual void WriteInt(const char* key, int value, const char* section);
  // A text of the language section with its escapes expanded.
  virtual void GetText(const char* key, char* out, const char* def, int size);
  // Wait cursor while connecting.
  virtual void ShowWaitCursor(bool wait) { (void)wait; }
  virtual void PumpMessages(int n) { (void)n; }
  // A status text of the language section, looked up by key.
  virtual void ShowStatusText(const char* key, const char* def) {
    (void)key;
    (void)def;
  }
  // The text of the edit line, at most size - 1 characters.
  virtual void ReadEditText(char* out, int size);
  // Takes over a new braille language or grade; true when it changed.
  virtual bool CheckBrailleSelection() { return false; }
  // Translates text into cells in the translator's dot order (bit n =
  // dot n + 1). Returns 1 on success, with the cell count in *count. The
  // default is the program without translator: it logs the missing entry
  // point and returns 0, leaving the count untouched.
  virtual int TranslateText(const char* text, std::uint8_t* cells, std::uint16_t* count);
  // The braille line has been retranslated: the record takes the first
  // 20 bytes of the text and the 20 cells (device order) and unpacks them.
  virtual void StoreTextLine(const char* text, const std::uint8_t* cells) {
    (void)text;
    (void)cells;
  }
};

struct DeviceSession {
  char name[kDeviceTextSize];
  char version[kDeviceTextSize];
  std::int16_t cells;
  std::int16_t columns;
  std::int16_t port;
  std::int16_t frameLength;  // payload announced by the last frame read
  std::uint16_t keyBits;
  std::uint16_t keyQueue[kKeyQueueSize];
  std::uint8_t keyCount;
  std::uint8_t zeroBlock[kZeroBlockSize];
  char lastText[kEditTextSize];
  std::int32_t connected;  // identified: frames are sent and read
  std::int32_t ready;      // CMD_SEND_PAGE may send
  std::uint8_t portCount;
  char linkText[kLinkTextSize];
  std::uint8_t lastGraphic[kGraphicSize];
  std::uint8_t dotOrder[kDotOrderSize];
  // Bytes read but not yet handled: a frame is taken from the front, and
  // what arrived behind it waits here for the next read.
  std::uint8_t received[kReceiveBufferSize];
  std::int32_t receivedCount;
  // The last graphic written may not have reached the device (its write
  // failed): the next graphic is written even when it is the same.
  std::int32_t graphicUnsure;
  // Not part of the record on the device's side: where it reaches out.
  DeviceTransport* link;
  SessionHost* host;
};

// The 300-byte packed logo that greets the user when a device connects.
extern const std::uint8_t kStartImage[kGraphicSize];

// Sets the initial values (the last graphic sent 0, 1, 2, ..., so that the
// first graphic always goes out; the dot-order table) and lists the ports.
void InitDeviceSession(DeviceSession& s, DeviceTransport& link, SessionHost& host);

// Identifies the device. The port is closed before it is opened (a COM
// port cannot be opened twice) and closed again when the device does not
// identify itself.
bool Connect(DeviceSession& s);
void Disconnect(DeviceSession& s);
void SendCommand(DeviceSession& s, std::uint16_t command);
void SendFrame(DeviceSession& s, int target, int k, const std::uint8_t* data);
// True when the device may show another graphic than these 300 bytes: they
// differ from the graphic written last, or that write may have failed.
bool GraphicDiffers(const DeviceSession& s, const std::uint8_t* graphic);
// Reads and handles at most one frame. Bytes before a frame start (AA 55)
// are dropped; a frame whose checksum fails and that holds the start of the
// next frame (a byte of it was lost on the line) ends there, so the reader
// stays in step. Keys come only from frames that arrived whole with their
// checksum right; names, versions and the display info are taken as far as
// they arrived.
void ReadFrame(DeviceSession& s);
int UpdateTextLine(DeviceSession& s);

// Key queue: the tick takes the newest key first.
int QueuedKeys(const DeviceSession& s);
// Removes and returns the newest queued key; 0 when the queue is empty.
std::uint16_t TakeNewestKey(DeviceSession& s);

// Braille cell in the translator's dot order to the device's bit layout.
std::uint8_t MapCell(const DeviceSession& s, std::uint8_t cell);
