// The three range edits of the "Connection Details" dialog: how a
// modification's source range, target values and channel range are written
// as text ("36-47", "60") and how a typed text is read back into it.
#pragma once

#include <string>

#include "midi/Modification.h"

namespace korvel {

enum class RangeKind {
  Source,   // bytes 2 and 6, shown unsigned (0..255)
  Target,   // bytes 3 and 7, shown as signed bytes (-128..127)
  Channel,  // the flags' low nibble and byte 5, shown as channels 1..16
};

// Values as the user sees them.
struct ShownRange {
  int low = 0;
  int high = 0;
};

// The low value alone when both are equal, else "low-high" in that order
// even when high is below low ("9-5").
std::string RangeText(ShownRange range);

// Reads "N" or "N-M". Low is taken from the text's first k characters, k
// being the number of digits before the first '-'; high from the digits
// after the '-', blanks there skipped; without a '-' high equals low. Each
// number has at most 7 digits; a missing number reads as 0. In a target
// range either number may carry a minus sign ("-12-0", "5--3"), so that
// every text RangeText writes for it reads back as the same pair.
struct ReadRangeResult {
  ShownRange range;
  // False when a '-' is there but a number on either side of it is not yet:
  // the user is still typing.
  bool complete = true;
};
ReadRangeResult ReadRange(const std::string& text, RangeKind kind);

// Whether both values fit their byte: source 0..255, target -128..127,
// channel 1..16.
bool RangeFits(RangeKind kind, ShownRange range);

// The modification's range of `kind` as shown, and its text.
ShownRange RangeOf(const Modification& modification, RangeKind kind);
std::string RangeTextOf(const Modification& modification, RangeKind kind);

// Stores a range that fits into the modification. The channel range keeps
// the flags' upper bits (the swap flag).
void StoreRange(Modification& modification, RangeKind kind, ShownRange range);

}  // namespace korvel
