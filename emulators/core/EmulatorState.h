// The state file: which banks the emulated devices hold, so that they keep
// them across a restart of the program, as a card's memory does.
//
//   KORVELEMU STATE 1
//   ews64<TAB>card<TAB>bank<TAB>bytes<TAB>name<TAB>path
//   soundfont<TAB>device<TAB>bank<TAB>bytes<TAB>name<TAB>path
//   crc<TAB>xxxxxxxx
//
// Lines end in LF. In names and paths '%', control characters and DEL are
// written as %XX. The last line holds the CRC-32 of every byte before it, so
// that a torn or altered file is recognised and ignored as a whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "emulators/core/BankRecord.h"

namespace korvel::emu {

class Ews64Card;
class SoundFontDevice;

enum class Unit { Ews64, SoundFont };

struct StoredBank {
  Unit unit = Unit::Ews64;
  unsigned index = 0;  // card or device number
  unsigned bank = 0;
  BankRecord record;
};

constexpr std::size_t kStateFileMax = 1024 * 1024;

std::uint32_t Crc32(std::string_view bytes);
// A name or path as a field of a state line: '%', control characters and DEL
// as %xx. UnescapeField is false for a field no EscapeField wrote.
void EscapeField(std::string* out, const std::string& text);
bool UnescapeField(std::string_view field, std::string* out);
// A decimal field of at most 10 digits, no more than `limit`.
bool DecimalField(std::string_view field, std::uint64_t limit, std::uint64_t* out);
std::string EncodeState(const std::vector<Ews64Card>& cards,
                        const std::vector<SoundFontDevice>& devices);
// False (and `banks` empty) for anything but an intact state file.
bool DecodeState(std::string_view text, std::vector<StoredBank>* banks);

// Writes `text` to "<path>.new" and puts that file in the place of `path`;
// the old file stays whole until the new one is complete.
bool ReplaceFileContents(const std::string& path, std::string_view text);
// At most `limit` bytes; false when the file cannot be read or is longer.
bool ReadWholeFile(const std::string& path, std::size_t limit, std::string* text);

}  // namespace korvel::emu
