#include "device/bounded_write.h"

#include "base/log.h"

namespace {

constexpr int kBitsPerByte = 10;  // start bit, eight data bits, stop bit
constexpr int kMsPerSecond = 1000;

}  // namespace

int WriteBoundMs(int n, int baud) {
  if (n <= 0 || baud <= 0) return kWriteBoundMs;
  const long long wire = static_cast<long long>(n) * kBitsPerByte * kMsPerSecond / baud;
  return kWriteBoundMs + static_cast<int>(wire > kMsPerSecond * 60 ? kMsPerSecond * 60 : wire);
}

bool WriteBounded(PortWriter& port, const std::uint8_t* data, int n, int boundMs) {
  unsigned error = 0;
  for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
    const WriteStart start = port.Start(data, n, error);
    if (start == WriteStart::kDone) return true;
    if (start == WriteStart::kPending) {
      if (!port.Wait(boundMs)) {
        LogWrite("Err: WriteComBlock %d Byte nach %d ms nicht gesendet, Ausgabe freigegeben", n, boundMs);
        port.ReleaseOutput();
        if (!port.Wait(boundMs)) {
          port.Cancel();
          LogWrite("Err: WriteComBlock abgebrochen, %d Byte verloren", n);
          return false;
        }
      }
      if (port.Finish(error)) return true;
      LogWrite("WriteComBlock ERROR <CE-%u>", error);
    }
    // A line error: the transfer was refused until the error is read.
    port.ClearErrors();
  }
  LogWrite("Err: WriteComBlock %d Byte verloren <CE-%u>", n, error);
  return false;
}
