#include "base/announce_gate.h"

#include <cstring>

#include "base/text.h"

namespace {

bool Quiet(const AnnounceGate& gate, std::uint32_t nowMs) {
  return !gate.any || nowMs - gate.lastChange >= kAnnounceQuietMs;
}

}  // namespace

AnnounceStep OfferAnnouncement(AnnounceGate& gate, const char* text, std::uint32_t nowMs, bool speak) {
  if (!text) text = "";
  if (gate.any && std::strncmp(gate.shown, text, sizeof gate.shown - 1) == 0) return AnnounceStep::kNothing;
  const bool quiet = Quiet(gate, nowMs) && !gate.waiting;
  CopyText(gate.shown, sizeof gate.shown, text);
  gate.any = true;
  gate.lastChange = nowMs;
  if (!speak) {
    gate.waiting = false;
    return AnnounceStep::kNothing;
  }
  if (quiet) {
    gate.waiting = false;
    if (std::strcmp(gate.spoken, gate.shown) == 0) return AnnounceStep::kNothing;
    CopyText(gate.spoken, sizeof gate.spoken, gate.shown);
    return AnnounceStep::kSpeak;
  }
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
  if (std::strcmp(gate.spoken, gate.shown) == 0) return false;
  CopyText(gate.spoken, sizeof gate.spoken, gate.shown);
  return true;
}
