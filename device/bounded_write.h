// One write to the serial port that can neither hang nor vanish silently.
//
// The line runs XON/XOFF, so a stray XOFF byte (line noise, or a 0x13
// inside a frame of the device: a length byte, a checksum) stops the PC's
// output, and a device may stop reading. A write therefore gets a bound:
// when it has not completed in time, the stall is logged with "Err:", the
// output is released as if XON had arrived, and the write gets the bound
// once more before it is cancelled. With abort-on-error a line error makes
// every transfer fail until the error state is read; a write that failed
// so is resent once after the error was cleared.
//
// The steps of the platform sit behind `PortWriter`, so that the rules are
// checked without a port.
#pragma once
#include <cstdint>

// Longest wait for a write beyond its wire time: a few hundred ms, far
// more than any frame needs.
constexpr int kWriteBoundMs = 300;
constexpr int kWriteAttempts = 2;  // the write and one resend after a line error

enum class WriteStart { kDone, kPending, kFailed };

// The platform's side of one write on the port.
class PortWriter {
 public:
  virtual ~PortWriter() = default;
  // Starts writing n bytes; on kFailed `error` holds the platform's code.
  virtual WriteStart Start(const std::uint8_t* data, int n, unsigned& error) = 0;
  // Waits at most ms for the started write; true when it completed.
  virtual bool Wait(int ms) = 0;
  // The result of a completed write: true when every byte was taken,
  // otherwise false with the platform's code in `error`.
  virtual bool Finish(unsigned& error) = 0;
  // Lets the output go on as if XON had arrived.
  virtual void ReleaseOutput() = 0;
  // Cancels the started write and waits (bounded) until it has ended.
  virtual void Cancel() = 0;
  // Reads and so clears the port's error state.
  virtual void ClearErrors() = 0;
};

// The bound for n bytes at `baud` bits per second: their wire time (ten
// bits a byte) plus kWriteBoundMs.
int WriteBoundMs(int n, int baud);

// Writes n bytes within `boundMs` as described above; true when the driver
// took them all.
bool WriteBounded(PortWriter& port, const std::uint8_t* data, int n, int boundMs);
