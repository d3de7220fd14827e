#include "base/announce_gate.h"

#include <cstring>

#include "base/text.h"

namespace {

bool Same(const char* a, const char* b) { return std::strncmp(a, b, kAnnounceTextMax - 1) == 0; }

}  // namespace

AnnounceStep OfferAnnouncement(AnnounceGate& gate, const char* text, std::uint32_t nowMs, bool speak) {
  if (!text) text = "";
  if (Same(gate.shown, text)) return AnnounceStep::kNothing;
  CopyText(gate.shown, sizeof gate.shown, text);
  if (!speak) return AnnounceStep::kNothing;
  const bool quiet = !gate.waiting && (!gate.any || nowMs - gate.lastChange >= kAnnounceQuietMs);
  gate.any = true;
  gate.lastChange = nowMs;
  if (quiet) {
    if (Same(gate.spoken, text)) return AnnounceStep::kNothing;
    CopyText(gate.spoken, sizeof gate.spoken, text);
    return AnnounceStep::kSpeak;
  }
  CopyText(gate.pending, sizeof gate.pending, text);
  gate.waiting = true;
  return AnnounceStep::kWait;
}

bool DueAnnouncement(AnnounceGate& gate, std::uint32_t nowMs, std::uint32_t* remainingMs) {
  if (remainingMs) *remainingMs = 0;
  if (!gate.waiting) return false;
  const std::uint32_t quietFor = nowMs - gate.lastChange;
  if (quietFor < kAnnounceQuietMs) {
    if (remainingMs) *remainingMs = kAnnounceQuietMs - quietFor;
    return false;
  }
  gate.waiting = false;
  if (Same(gate.spoken, gate.pending)) return false;
  CopyText(gate.spoken, sizeof gate.spoken, gate.pending);
  return true;
}
