// Which file of the current folder is preset number n: the number is the
// decimal number a file name starts with ("5 Strings.pre" is preset 5).
#pragma once

#include <string>

namespace korvel {

// Whether a file name starts with the number `n`: "5.pre", "5 Encore.pre" and
// "5_Encore.pre" do for 5, "50 Finale.pre" does not. Leading zeros do not
// change a number, so "05 Intro.pre" is preset 5 as well.
bool HasPresetNumber(const char* name, int n);

// The order in which presets of one number are chosen: by name, without
// regard to case, byte by byte, so that the same file wins on every file
// system and in every listing order.
bool PresetNameBefore(const std::string& a, const std::string& b);

// The preset files ("*.pre") of the current folder that carry a number.
struct NumberedPreset {
  std::string name;       // the first of them by name; empty when none
  std::string nextName;   // the second of them by name, if any
  int sharing = 0;        // how many more than the first carry the number
};
NumberedPreset FindNumberedPreset(int n);

// The status line's words for a loaded numbered preset: its name, and the
// file that has the same number when there is one.
std::string NumberedPresetLoadedText(const NumberedPreset& preset, int n);

}  // namespace korvel
