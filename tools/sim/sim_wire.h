// The serial line at its own speed, for the simulator's timed mode: every
// byte takes ten bit times (start bit, eight data bits, stop bit) at the
// configured baud rate, one after the other in each direction. Bytes the
// program writes reach the device only when their last bit has; bytes the
// device sends reach the program the same way. Without a baud rate the line
// is instant and nothing waits.
#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

class SimWire {
 public:
  using Clock = std::chrono::steady_clock;

  explicit SimWire(long baud = 0) : baud_(baud) {}
  bool Timed() const { return baud_ > 0; }
  Clock::duration ByteTime() const {
    return Timed() ? std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(10'000'000'000LL / baud_))
                   : Clock::duration::zero();
  }

  // Bytes that left the sender at `now` (or, for the device, not before
  // `notBefore`): each is through the line one byte time after the one
  // before it, or after it started.
  void Send(const std::uint8_t* bytes, std::size_t n, Clock::time_point now, Clock::time_point notBefore = {}) {
    Clock::time_point start = now > notBefore ? now : notBefore;
    if (free_ > start) start = free_;
    for (std::size_t i = 0; i < n; ++i) {
      start += ByteTime();
      line_.push_back(Byte{start, bytes[i]});
    }
    free_ = start;
  }

  // Moves the bytes that are through at `now` into `out`.
  void Arrived(Clock::time_point now, std::vector<std::uint8_t>& out) {
    while (!line_.empty() && line_.front().through <= now) {
      out.push_back(line_.front().value);
      line_.pop_front();
    }
  }

  // The line goes away: what was on its way is lost.
  void Drop() {
    line_.clear();
    free_ = {};
  }

  bool Busy() const { return !line_.empty(); }
  // When the next byte is through (only while Busy()).
  Clock::time_point Next() const { return line_.front().through; }

 private:
  struct Byte {
    Clock::time_point through;
    std::uint8_t value;
  };
  long baud_;
  std::deque<Byte> line_;
  Clock::time_point free_{};  // when the last byte queued is through
};
