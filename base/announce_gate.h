// Which changes of the status line a screen reader is told about. Every
// text the status line shows is offered here: a text equal to the one shown
// is no change and says nothing; a change after a quiet moment is spoken at
// once; changes that follow each other quickly (a held arrow key, the
// pointer crossing the page) form a burst, and only its last value is
// spoken, once the burst has been quiet for kAnnounceQuietMs. A burst that
// ends on the text spoken last says nothing more. Free of platform headers.
#pragma once
#include <cstdint>

constexpr int kAnnounceTextMax = 512;
// A held key repeats every 30 to 400 ms; a burst ends after this pause.
constexpr std::uint32_t kAnnounceQuietMs = 250;

struct AnnounceGate {
  char shown[kAnnounceTextMax] = "";    // the text offered last
  char pending[kAnnounceTextMax] = "";  // the last value of a burst, not spoken yet
  char spoken[kAnnounceTextMax] = "";   // the text spoken last
  bool waiting = false;                 // `pending` waits for the burst to end
  bool any = false;                     // a text to be spoken was offered before
  std::uint32_t lastChange = 0;         // milliseconds of the last change to be spoken
};

enum class AnnounceStep {
  kNothing,  // no change, or a change that is not to be spoken
  kSpeak,    // speak `gate.spoken` now
  kWait,     // a burst: ask DueAnnouncement again after kAnnounceQuietMs
};

// The status line shows `text` at `nowMs` (a millisecond clock that may
// wrap). `speak` false: only shown (a menu's own read-out, which the screen
// reader takes from the menu itself; a passing "please wait").
AnnounceStep OfferAnnouncement(AnnounceGate& gate, const char* text, std::uint32_t nowMs, bool speak = true);

// The end of a burst: true, with `gate.spoken` set to its last value, when
// the burst has been quiet long enough and its last value differs from what
// was spoken. `remainingMs` tells how long a burst still waits (0 when none
// waits).
bool DueAnnouncement(AnnounceGate& gate, std::uint32_t nowMs, std::uint32_t* remainingMs = nullptr);
